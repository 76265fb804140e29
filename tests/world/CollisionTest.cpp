// Movement through the world: who collides with whom, who hears of it, who moves, sliding
// along obstacles, and leaving the world.
#include "support/WorldTest.h"

#include <qm/EventCollision.h>
#include <qm/LogManager.h>
#include <qm/Object.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

using qm::Box;
using qm::Vector;
using qmtest::countOf;

struct Hit
{
    qm::Object* mover;
    qm::Object* other;
    Vector where;
    bool operator==(const Hit& h) const { return mover == h.mover && other == h.other && where == h.where; }
};

std::ostream& operator<<(std::ostream& out, const Hit& hit)
{
    return out << "{" << hit.mover << " -> " << hit.other << " at (" << hit.where.getX() << "," << hit.where.getY()
               << ")}";
}

// A body that records the collisions and out events it hears.
class Body : public qm::Object
{
public:
    Body(Vector where, qm::Solidness kind, Vector velocity = Vector())
    {
        setSolidness(kind);
        setPosition(where);
        setVelocity(velocity);
    }

    int eventHandler(const qm::Event* event) override
    {
        if (const auto* collision = dynamic_cast<const qm::EventCollision*>(event))
        {
            hits.push_back({collision->getObject1(), collision->getObject2(), collision->getPosition()});
            if (onHit)
            {
                onHit(*collision);
            }
            return 1;
        }
        if (event->getType() == qm::EVENT_OUT)
        {
            ++outs;
            return 1;
        }
        return 0;
    }

    std::vector<Hit> hits;
    int outs = 0;
    std::function<void(const qm::EventCollision&)> onHit;
};

class Collision : public qmtest::WorldTest
{
};

TEST_F(Collision, StillObjectsNeverCollideByThemselves)
{
    Body* a = new Body(Vector(10, 5), qm::HARD);
    Body* b = new Body(Vector(10, 5), qm::HARD);
    world.update();
    world.update();
    EXPECT_TRUE(a->hits.empty());
    EXPECT_TRUE(b->hits.empty());
}

TEST_F(Collision, HardAgainstHardStopsTheMoverAndBothHearEachStep)
{
    Body* a = new Body(Vector(10, 5), qm::HARD, Vector(1, 0));
    Body* b = new Body(Vector(11.5f, 5), qm::HARD);
    std::vector<std::string> order;
    a->onHit = [&](const qm::EventCollision&) { order.push_back("mover"); };
    b->onHit = [&](const qm::EventCollision&) { order.push_back("other"); };
    world.update();
    world.update();
    const Hit hit{a, b, Vector(11, 5)};
    EXPECT_EQ(a->hits, (std::vector<Hit>{hit, hit}));
    EXPECT_EQ(b->hits, (std::vector<Hit>{hit, hit}));
    EXPECT_EQ(order, (std::vector<std::string>{"mover", "other", "mover", "other"}));
    EXPECT_EQ(a->getPosition(), Vector(10, 5));
    EXPECT_EQ(world.moveObject(a, Vector(11, 5)), -1);
}

TEST_F(Collision, SoftMoverPassesThroughHardAndBothHear)
{
    Body* a = new Body(Vector(10, 5), qm::SOFT, Vector(1, 0));
    Body* b = new Body(Vector(11.5f, 5), qm::HARD);
    world.update();
    EXPECT_EQ(a->getPosition(), Vector(11, 5));
    EXPECT_EQ(a->hits.size(), 1u);
    EXPECT_EQ(b->hits.size(), 1u);
}

TEST_F(Collision, HardMoverPassesSoftUnlessItRefusesSoft)
{
    Body* passer = new Body(Vector(10, 5), qm::HARD, Vector(1, 0));
    Body* soft = new Body(Vector(11.5f, 5), qm::SOFT);
    Body* refuser = new Body(Vector(10, 15), qm::HARD, Vector(1, 0));
    refuser->setNoSoft(true);
    Body* soft2 = new Body(Vector(11.5f, 15), qm::SOFT);
    world.update();
    EXPECT_EQ(passer->getPosition(), Vector(11, 5));
    EXPECT_EQ(refuser->getPosition(), Vector(10, 15));
    EXPECT_EQ(soft->hits.size(), 1u);
    EXPECT_EQ(soft2->hits.size(), 1u); // refused moves are still reported
    EXPECT_EQ(refuser->hits.size(), 1u);
}

TEST_F(Collision, SpectralObjectsNeitherHitNorAreHit)
{
    Body* ghost = new Body(Vector(10, 5), qm::SPECTRAL, Vector(1, 0));
    Body* wall = new Body(Vector(11.5f, 5), qm::HARD);
    Body* mover = new Body(Vector(10, 15), qm::HARD, Vector(1, 0));
    Body* mist = new Body(Vector(11.5f, 15), qm::SPECTRAL);
    world.update();
    EXPECT_EQ(ghost->getPosition(), Vector(11, 5));
    EXPECT_EQ(mover->getPosition(), Vector(11, 15));
    for (Body* body : {ghost, wall, mover, mist})
    {
        EXPECT_TRUE(body->hits.empty());
    }
}

TEST_F(Collision, SolidnessIsJudgedAfterBothHandlersRan)
{
    Body* a = new Body(Vector(10, 5), qm::HARD, Vector(1, 0));
    Body* yielding = new Body(Vector(11.5f, 5), qm::HARD);
    yielding->onHit = [yielding](const qm::EventCollision&) { yielding->setSolidness(qm::SPECTRAL); };
    Body* b = new Body(Vector(10, 15), qm::SOFT, Vector(1, 0));
    b->onHit = [b](const qm::EventCollision&) { b->setSolidness(qm::HARD); };
    new Body(Vector(11.5f, 15), qm::HARD);
    world.update();
    EXPECT_EQ(a->getPosition(), Vector(11, 5));
    EXPECT_EQ(b->getPosition(), Vector(10, 15));
}

TEST_F(Collision, MoverHearsEveryContactInTheOrderObjectsWereCreated)
{
    Body* a = new Body(Vector(10, 5), qm::SOFT, Vector(1, 0));
    Body* below = new Body(Vector(11.5f, 5.9f), qm::HARD);
    Body* above = new Body(Vector(11.5f, 4.1f), qm::SOFT);
    world.update();
    EXPECT_EQ(a->hits, (std::vector<Hit>{{a, below, Vector(11, 5)}, {a, above, Vector(11, 5)}}));
    EXPECT_EQ(below->hits.size(), 1u);
    EXPECT_EQ(above->hits.size(), 1u);
}

class Avoidance : public qmtest::WorldTest
{
protected:
    // A body with a whole-cell box whose corner is its position, so that world boxes are
    // easy to read.
    Body* block(Vector where, Vector velocity = Vector(), float width = 1)
    {
        Body* body = new Body(where, qm::HARD, velocity);
        body->setBox(Box(Vector(0, 0), width, 1));
        return body;
    }
};

TEST_F(Avoidance, HeadOnMoverStaysPutOrIsRefusedWhenHemmedIn)
{
    block(Vector(10, 10));
    Body* mover = block(Vector(8.5f, 10.2f), Vector(1, 0));
    mover->setAvoidCollisions(true);
    // The normal is (-1, 0): no motion is left, and nothing hard touches it where it is.
    EXPECT_EQ(world.moveObject(mover, mover->predictPosition()), 0);
    EXPECT_EQ(mover->getPosition(), Vector(8.5f, 10.2f));
    EXPECT_TRUE(mover->hits.empty());

    Body* below = block(Vector(8.5f, 11.2f)); // touches its lower edge
    qm::LogManager::getInstance().setLogLevel(5);
    EXPECT_EQ(world.moveObject(mover, mover->predictPosition()), -1);
    EXPECT_EQ(countOf(log(), "WorldManager::moveObject(): Double collision. Object (avoid obstacles) cannot move."), 1);
    EXPECT_TRUE(mover->hits.empty());
    EXPECT_TRUE(below->hits.empty());
}

TEST_F(Avoidance, DiagonalMoverSlidesAlongTheTopAtFullSpeed)
{
    block(Vector(10, 10), Vector(), 10);
    Body* mover = block(Vector(12, 8.9f), Vector(0.6f, 0.8f));
    mover->setAvoidCollisions(true);
    world.update();
    EXPECT_FLOAT_EQ(mover->getPosition().getX(), 13);
    EXPECT_FLOAT_EQ(mover->getPosition().getY(), 8.9f);
    EXPECT_FLOAT_EQ(mover->getDirection().getX(), 0.6f); // its own velocity is unchanged
    EXPECT_FLOAT_EQ(mover->getSpeed(), 1);
    EXPECT_TRUE(mover->hits.empty());
}

TEST_F(Avoidance, CornerContactReversesTheHorizontalMotion)
{
    block(Vector(10, 10));
    Body* mover = block(Vector(8.5f, 8.5f), Vector(1, 1));
    mover->setAvoidCollisions(true);
    world.update();
    EXPECT_NEAR(mover->getPosition().getX(), 7.5f, 1e-5);
    EXPECT_NEAR(mover->getPosition().getY(), 9.5f, 1e-5);
}

TEST_F(Avoidance, WithoutTheFlagAHardMoverSimplyStops)
{
    Body* wall = block(Vector(10, 10), Vector(), 10);
    Body* mover = block(Vector(12, 8.9f), Vector(0.6f, 0.8f));
    world.update();
    EXPECT_EQ(mover->getPosition(), Vector(12, 8.9f));
    EXPECT_EQ(wall->hits.size(), 1u);
}

class LeavingTheWorld : public qmtest::WorldTest
{
};

TEST_F(LeavingTheWorld, ObjectHearsExactlyOnceWhenItsBoxLeaves)
{
    ASSERT_EQ(world.getBoundary(), Box(Vector(0, 0), 80, 24));
    Body* body = new Body(Vector(78, 10), qm::SPECTRAL, Vector(1, 0));
    world.update(); // 79: inside
    world.update(); // 80: its box still reaches the edge
    EXPECT_EQ(body->outs, 0);
    world.update(); // 81: wholly outside
    EXPECT_EQ(body->outs, 1);
    world.update();
    world.update();
    EXPECT_EQ(body->outs, 1);
}

TEST_F(LeavingTheWorld, ObjectAlreadyOutsideHearsNothing)
{
    Body* body = new Body(Vector(-5, 10), qm::HARD, Vector(-1, 0));
    world.update();
    world.update();
    EXPECT_EQ(body->outs, 0);
}

} // namespace
