// Movement through the world: who collides with whom, who hears of it, who moves, sliding
// along obstacles, and leaving the world.
#include "support/WorldTest.h"

#include <qm/EventCollision.h>
#include <qm/LogManager.h>

#include <gtest/gtest.h>

#include <functional>

namespace
{

using qm::Box;
using qm::Vector;

// One collision event as one object heard it.
struct Hit
{
    qm::Object* receiver;
    qm::Object* mover;
    qm::Object* other;
    Vector where;
    bool operator==(const Hit& h) const
    {
        return receiver == h.receiver && mover == h.mover && other == h.other && where == h.where;
    }
};

// A body with a whole-cell box whose corner is its position, that writes the collisions it
// hears to a shared journal and counts its out events.
class Body : public qm::Object
{
public:
    Body(std::vector<Hit>& journal, Vector where, qm::Solidness kind, Vector velocity) : hits(journal)
    {
        setBox(Box(Vector(0, 0), 1, 1));
        setSolidness(kind);
        setPosition(where);
        setVelocity(velocity);
    }
    int eventHandler(const qm::Event* event) override
    {
        if (const auto* collision = dynamic_cast<const qm::EventCollision*>(event))
        {
            hits.push_back({this, collision->getObject1(), collision->getObject2(), collision->getPosition()});
            if (onHit)
            {
                onHit();
            }
        }
        outs += event->getType() == qm::EVENT_OUT ? 1 : 0;
        return 1;
    }
    std::vector<Hit>& hits;
    std::function<void()> onHit;
    int outs = 0;
};

class Collision : public qmtest::WorldTest
{
protected:
    Body* body(Vector where, qm::Solidness kind = qm::HARD, Vector velocity = Vector())
    {
        return new Body(journal, where, kind, velocity);
    }
    int heardBy(qm::Object* object) const
    {
        return static_cast<int>(
            std::count_if(journal.begin(), journal.end(), [&](const Hit& h) { return h.receiver == object; }));
    }
    std::vector<Hit> journal;
};

TEST_F(Collision, HardMoverIsStoppedByHardAndBothHearEachStepMoverFirst)
{
    Body* a = body(Vector(10, 5), qm::HARD, Vector(1, 0));
    Body* b = body(Vector(11.5f, 5));
    body(Vector(10, 15)); // two still objects on one place never collide by themselves
    body(Vector(10, 15));
    world.update();
    world.update();
    const Hit forA{a, a, b, Vector(11, 5)}, forB{b, a, b, Vector(11, 5)};
    EXPECT_EQ(journal, (std::vector<Hit>{forA, forB, forA, forB}));
    EXPECT_EQ(a->getPosition(), Vector(10, 5));
}

struct Encounter
{
    qm::Solidness mover;
    bool noSoft;
    qm::Solidness other;
    bool moves;
    bool heard;
};

TEST_F(Collision, SolidnessDecidesWhoMovesAndWhoHears)
{
    const Encounter table[] = {
        {qm::SOFT, false, qm::HARD, true, true},      {qm::HARD, false, qm::SOFT, true, true},
        {qm::HARD, true, qm::SOFT, false, true},      {qm::SOFT, true, qm::SOFT, false, true},
        {qm::SOFT, false, qm::SOFT, true, true},      {qm::SPECTRAL, false, qm::HARD, true, false},
        {qm::HARD, false, qm::SPECTRAL, true, false},
    };
    std::vector<std::pair<Body*, Body*>> pairs;
    float row = 1;
    for (const Encounter& e : table)
    {
        pairs.emplace_back(body(Vector(10, row), e.mover, Vector(1, 0)), body(Vector(11.5f, row), e.other));
        pairs.back().first->setNoSoft(e.noSoft);
        row += 3;
    }
    world.update();
    for (std::size_t i = 0; i < pairs.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(pairs[i].first->getPosition().getX(), table[i].moves ? 11 : 10);
        EXPECT_EQ(heardBy(pairs[i].first), table[i].heard ? 1 : 0);
        EXPECT_EQ(heardBy(pairs[i].second), table[i].heard ? 1 : 0);
    }
}

TEST_F(Collision, SolidnessIsJudgedAfterBothHandlersRanForEveryContactInOrder)
{
    Body* a = body(Vector(10, 5), qm::HARD, Vector(1, 0));
    Body* yielding = body(Vector(11.5f, 5.9f));
    yielding->onHit = [yielding] { yielding->setSolidness(qm::SPECTRAL); };
    Body* above = body(Vector(11.5f, 4.1f), qm::SOFT);
    Body* b = body(Vector(10, 15), qm::SOFT, Vector(1, 0));
    b->onHit = [b] { b->setSolidness(qm::HARD); };
    body(Vector(11.5f, 15));
    world.update();
    EXPECT_EQ(a->getPosition(), Vector(11, 5));
    EXPECT_EQ(b->getPosition(), Vector(10, 15));
    EXPECT_EQ(journal[0].other, yielding);
    EXPECT_EQ(journal[2].other, above);
}

TEST_F(Collision, AvoidingMoverStaysHeadOnIsRefusedWhenHemmedInAndSlidesAlongATop)
{
    body(Vector(10, 10));
    Body* headOn = body(Vector(8.5f, 10.2f), qm::HARD, Vector(1, 0));
    headOn->setAvoidCollisions(true);
    EXPECT_EQ(world.moveObject(headOn, headOn->predictPosition()), 0); // normal (-1, 0): no motion left
    EXPECT_EQ(headOn->getPosition(), Vector(8.5f, 10.2f));
    body(Vector(8.5f, 11.2f)); // touches its lower edge
    qm::LogManager::getInstance().setLogLevel(5);
    EXPECT_EQ(world.moveObject(headOn, headOn->predictPosition()), -1);
    EXPECT_EQ(
        qmtest::countOf(log(), "WorldManager::moveObject(): Double collision. Object (avoid obstacles) cannot move."),
        1);
    EXPECT_TRUE(journal.empty());

    body(Vector(30, 10))->setBox(Box(Vector(0, 0), 10, 1));
    Body* diagonal = body(Vector(32, 8.9f), qm::HARD, Vector(0.6f, 0.8f));
    diagonal->setAvoidCollisions(true);
    Body* corner = body(Vector(48.5f, 8.5f), qm::HARD, Vector(1, 1));
    corner->setAvoidCollisions(true);
    body(Vector(50, 10));
    world.update();
    EXPECT_FLOAT_EQ(diagonal->getPosition().getX(), 33); // at full speed, its velocity unchanged
    EXPECT_FLOAT_EQ(diagonal->getPosition().getY(), 8.9f);
    EXPECT_FLOAT_EQ(diagonal->getDirection().getX(), 0.6f);
    EXPECT_NEAR(corner->getPosition().getX(), 47.5f, 1e-5); // a corner reverses the horizontal motion
    EXPECT_NEAR(corner->getPosition().getY(), 9.5f, 1e-5);
    EXPECT_TRUE(journal.empty());
}

TEST_F(Collision, ObjectHearsExactlyOnceWhenItsBoxLeavesTheWorld)
{
    ASSERT_EQ(world.getBoundary(), Box(Vector(0, 0), 80, 24));
    Body* leaving = body(Vector(78, 10), qm::SPECTRAL, Vector(1, 0));
    Body* outside = body(Vector(-5, 10), qm::SPECTRAL, Vector(-1, 0));
    world.update();
    world.update(); // at 80 its box still touches the edge
    EXPECT_EQ(leaving->outs, 0);
    for (int i = 0; i < 3; ++i)
    {
        world.update();
    }
    EXPECT_EQ(leaving->outs, 1);
    EXPECT_EQ(outside->outs, 0);
}

} // namespace
