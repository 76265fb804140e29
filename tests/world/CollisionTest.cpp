// Moving through the world: who collides, who hears of it, who moves, and avoidance.
#include "support/WorldTest.h"

#include <qm/EventCollision.h>

#include <gtest/gtest.h>

#include <tuple>

namespace
{

using qm::Box;
using qm::Vector;
using qmtest::RecordingObject;
using Hit = std::tuple<qm::Object*, qm::Object*, qm::Object*, Vector>; // receiver, mover, other, where

class Collision : public qmtest::WorldTest
{
protected:
    // A body whose whole-cell box has its corner at its position; notes its collisions in the journal.
    RecordingObject* body(Vector where, qm::Solidness kind = qm::HARD, Vector velocity = Vector())
    {
        auto* made = new RecordingObject;
        made->setBox(Box(Vector(0, 0), 1, 1));
        made->setSolidness(kind);
        made->setPosition(where);
        made->setVelocity(velocity);
        made->onEvent = [this, made](const qm::Event* event)
        {
            if (const auto* hit = dynamic_cast<const qm::EventCollision*>(event))
            {
                journal.emplace_back(made, hit->getObject1(), hit->getObject2(), hit->getPosition());
            }
        };
        return made;
    }
    std::vector<Hit> journal;
};

// Two updates: a mover that is let through goes on to 12, and each step both hear of it, the mover first.
TEST_F(Collision, SolidnessDecidesWhoMovesAndWhoHearsAtEachStepMoverFirst)
{
    const struct
    {
        qm::Solidness mover, other;
        bool noSoft, moves, heard;
    } table[] = {
        {qm::HARD, qm::HARD, false, false, true},     {qm::SOFT, qm::HARD, false, true, true},
        {qm::HARD, qm::SOFT, false, true, true},      {qm::HARD, qm::SOFT, true, false, true},
        {qm::SOFT, qm::SOFT, true, false, true},      {qm::SOFT, qm::SOFT, false, true, true},
        {qm::SPECTRAL, qm::HARD, false, true, false}, {qm::HARD, qm::SPECTRAL, false, true, false},
    };
    std::vector<std::pair<RecordingObject*, RecordingObject*>> pairs;
    for (const auto& row : table)
    {
        const float y = 1 + 3 * static_cast<float>(pairs.size());
        pairs.emplace_back(body(Vector(10, y), row.mover, Vector(1, 0)), body(Vector(11.5f, y), row.other));
        pairs.back().first->setNoSoft(row.noSoft);
    }
    body(Vector(60, 15)); // still objects on one place never collide by themselves
    body(Vector(60, 15));
    world.update();
    world.update();
    std::vector<Hit> expected;
    for (int step = 0; step < 2; ++step)
    {
        for (std::size_t i = 0; i < pairs.size(); ++i)
        {
            const auto [mover, other] = pairs[i];
            const float y = 1 + 3 * static_cast<float>(i);
            const Vector where(table[i].moves ? 11.0f + static_cast<float>(step) : 11, y);
            EXPECT_EQ(mover->getPosition(), Vector(table[i].moves ? 12 : 10, y)) << i;
            if (table[i].heard)
            {
                expected.insert(expected.end(), {Hit{mover, mover, other, where}, Hit{other, mover, other, where}});
            }
        }
    }
    EXPECT_EQ(journal, expected);
}

TEST_F(Collision, AvoidingMoverStaysHeadOnIsRefusedWhenHemmedInAndSlidesAlongATop)
{
    body(Vector(10, 10));
    RecordingObject* headOn = body(Vector(8.5f, 10.2f), qm::HARD, Vector(1, 0));
    headOn->setAvoidCollisions(true);
    EXPECT_EQ(world.moveObject(headOn, Vector(9.5f, 10.2f)), 0); // normal (-1, 0): no motion left
    EXPECT_EQ(headOn->getPosition(), Vector(8.5f, 10.2f));
    body(Vector(8.5f, 11.2f)); // touches its lower edge
    qm::LogManager::getInstance().setLogLevel(5);
    EXPECT_EQ(world.moveObject(headOn, Vector(9.5f, 10.2f)), -1);
    EXPECT_EQ(qmtest::countOf(log(), "moveObject(): Double collision. Object (avoid obstacles) cannot move."), 1);

    body(Vector(30, 10))->setBox(Box(Vector(0, 0), 10, 1));
    RecordingObject* diagonal = body(Vector(32, 8.9f), qm::HARD, Vector(0.6f, 0.8f));
    diagonal->setAvoidCollisions(true);
    journal.clear();
    world.update();
    EXPECT_FLOAT_EQ(diagonal->getPosition().getX(), 33); // at full speed, its velocity unchanged
    EXPECT_FLOAT_EQ(diagonal->getPosition().getY(), 8.9f);
    EXPECT_FLOAT_EQ(diagonal->getDirection().getX(), 0.6f);
    EXPECT_TRUE(journal.empty());
}

} // namespace
