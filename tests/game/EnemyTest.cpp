// What scrolls towards the fish: enemies, power-ups, the spawner's schedule and the scroller.
#include "Enemy.h"

#include "EventDeath.h"
#include "GameFixture.h"
#include "Lives.h"
#include "Player.h"
#include "Points.h"
#include "Powerup.h"
#include "Scroller.h"
#include "Spawner.h"

#include <qm/EventCollision.h>
#include <qm/EventOut.h>
#include <qm/WorldManager.h>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace
{

using qm::Vector;
using qmtest::contents;
using qmtest::countOf;

class EnemyTest : public gametest::GameFixture
{
};

// Counts the death events it hears.
class DeathCounter : public qm::Object
{
public:
    DeathCounter()
    {
        setSolidness(qm::SPECTRAL);
        registerInterest(EVENT_DEATH);
    }
    int eventHandler(const qm::Event* event) override
    {
        deaths += event->getType() == EVENT_DEATH ? 1 : 0;
        return 0;
    }
    int deaths = 0;
};

TEST_F(EnemyTest, EnemiesAndPowerupsComeInAtTheRightEdgeAtTheirHeights)
{
    const std::map<std::string, float> enemyHeights = {{"enemy-fish", 15.2f}, {"enemy-seaweed", 16.95f}};
    for (const auto& [label, y] : enemyHeights)
    {
        auto* enemy = new Enemy(label);
        EXPECT_EQ(enemy->getType(), "Enemy");
        EXPECT_EQ(spriteOf(enemy), label);
        EXPECT_EQ(enemy->getPosition(), Vector(80, y)) << label;
        EXPECT_EQ(enemy->getVelocity(), Vector(0, 0));
        world.markForDelete(enemy);
        world.update();
    }
    struct Kind
    {
        const char* label;
        float y;
        const char* type;
    };
    for (const Kind& kind : {Kind{"invincible-powerup", 15.0f, "Invincible"}, Kind{"jump-powerup", 16.9f, "JumpHigh"},
                             Kind{"speed-powerup", 14.0f, "SpeedUp"}, Kind{"slow-powerup", 15.0f, "SlowDown"}})
    {
        auto* powerup = new Powerup(kind.label);
        EXPECT_EQ(powerup->getType(), kind.type);
        EXPECT_EQ(powerup->getPosition(), Vector(80, kind.y)) << kind.label;
        EXPECT_EQ(powerup->getVelocity(), Vector(-0.25f, 0));
        world.markForDelete(powerup);
        world.update();
    }
    EXPECT_EQ(countOf(log(), "POWERUP TIME.\n\n\n"), 4) << "one log entry per power-up";
}

TEST_F(EnemyTest, NewcomerMovesRightInWholeCellsUntilItOverlapsNothing)
{
    auto* first = new Enemy("enemy-fish");
    auto* second = new Enemy("enemy-fish");
    auto* powerup = new Powerup("invincible-powerup");
    EXPECT_EQ(first->getPosition(), Vector(80, 15.2f));
    // Boxes of width 10 touch at their edges up to 10 cells apart, and edges count.
    EXPECT_EQ(second->getPosition(), Vector(91, 15.2f));
    EXPECT_TRUE(world.getCollisions(powerup, powerup->getPosition()).isEmpty());
    EXPECT_FLOAT_EQ(powerup->getPosition().getX(), 99.0f);
}

TEST_F(EnemyTest, UnknownLabelsAreNeitherPlacedNorTyped)
{
    auto* enemy = new Enemy("no-such-sprite");
    EXPECT_EQ(enemy->getPosition(), Vector(1, 1));
    auto* powerup = new Powerup("no-such-powerup");
    EXPECT_EQ(powerup->getType(), "(Undefined)");
    EXPECT_EQ(powerup->getPosition(), Vector(1, 1));
    EXPECT_EQ(powerup->getVelocity(), Vector(-0.25f, 0));
}

TEST_F(EnemyTest, LeavingAtTheLeftDeletesButLeavingAtTheTopDoesNot)
{
    auto* left = new Enemy("enemy-fish");
    auto* top = new Enemy("enemy-seaweed");
    auto* powerupLeft = new Powerup("speed-powerup");
    auto* powerupTop = new Powerup("jump-powerup");
    for (qm::Object* object : {static_cast<qm::Object*>(left), static_cast<qm::Object*>(powerupLeft)})
    {
        object->setPosition(Vector(-0.1f, 10));
        const qm::EventOut out;
        EXPECT_EQ(object->eventHandler(&out), 1);
    }
    for (qm::Object* object : {static_cast<qm::Object*>(top), static_cast<qm::Object*>(powerupTop)})
    {
        object->setPosition(Vector(30, -5));
        const qm::EventOut out;
        EXPECT_EQ(object->eventHandler(&out), 1);
    }
    world.update();
    EXPECT_EQ(ofType("Enemy"), (std::vector<qm::Object*>{top}));
    EXPECT_TRUE(ofType("SpeedUp").empty());
    EXPECT_EQ(ofType("JumpHigh").size(), 1u);
}

TEST_F(EnemyTest, EnemyScrolledOutOfTheLeftEdgeIsDeleted)
{
    auto* enemy = new Enemy("enemy-seaweed");
    enemy->setVelocity(Vector(-2.0f, 0));
    for (int i = 0; i < 60 && !ofType("Enemy").empty(); ++i)
    {
        world.update();
    }
    EXPECT_TRUE(ofType("Enemy").empty());
}

TEST_F(EnemyTest, EnemyHittingThePlayerCostsOneLifeOnceAndDisappears)
{
    auto* counter = new DeathCounter;
    auto* health = new Lives;
    auto* fish = new Player;
    auto* enemy = new Enemy("enemy-fish");
    EXPECT_EQ(world.moveObject(enemy, fish->getPosition()), -1);
    EXPECT_EQ(counter->deaths, 1);
    EXPECT_EQ(health->getValue(), 2);
    world.update();
    EXPECT_TRUE(ofType("Enemy").empty());
    EXPECT_EQ(ofType("Player").size(), 1u) << "only the points display ends a life";
}

TEST_F(EnemyTest, EnemiesTouchingEachOtherOrTheGroundAreUnharmed)
{
    auto* counter = new DeathCounter;
    auto* a = new Enemy("enemy-fish");
    auto* b = new Enemy("enemy-seaweed");
    EXPECT_EQ(world.moveObject(a, b->getPosition()), -1);
    const qm::EventCollision touch(a, b, b->getPosition());
    EXPECT_EQ(a->eventHandler(&touch), 1);
    world.update();
    EXPECT_EQ(ofType("Enemy").size(), 2u);
    EXPECT_EQ(counter->deaths, 0);
}

TEST_F(EnemyTest, SpawnerBringsSeaweedAtStep50WithoutDrawingARandomNumber)
{
    new Spawner;
    const std::vector<int> sequence = randomSequence(11, 1);
    stepEvent(50);
    const auto enemies = ofType("Enemy");
    ASSERT_EQ(enemies.size(), 1u);
    EXPECT_EQ(spriteOf(enemies[0]), "enemy-seaweed");
    EXPECT_EQ(std::rand(), sequence[0]);
    for (int n : {1, 49, 51, 100, 149, 151, 349})
    {
        stepEvent(n);
    }
    EXPECT_EQ(ofType("Enemy").size(), 1u);
}

TEST_F(EnemyTest, SpawnerDrawsItsChoicesFromRandAt150And350)
{
    auto* spawner = new Spawner;
    EXPECT_EQ(spawner->getSolidness(), qm::SPECTRAL);
    EXPECT_EQ(spawner->getPosition(), Vector(40, 12));
    std::set<std::string> seen;
    for (unsigned seed = 1; seed <= 40; ++seed)
    {
        for (int n : {150, 350})
        {
            const int r = randomSequence(seed, 1)[0] % 100;
            stepEvent(n);
            std::string made = "nothing";
            const auto all = world.getAllObjects(true);
            if (all.getCount() > 1)
            {
                made = spriteOf(contents(all).back());
            }
            std::string expected;
            if (n == 150)
            {
                expected = r <= 30 ? "enemy-fish" : r <= 60 ? "enemy-seaweed" : "nothing";
            }
            else
            {
                expected = r <= 25   ? "invincible-powerup"
                           : r <= 50 ? "jump-powerup"
                           : r <= 75 ? "speed-powerup"
                                     : "invincible-powerup";
            }
            EXPECT_EQ(made, expected) << "step " << n << ", r " << r;
            seen.insert(expected + (n == 350 && r > 75 ? " (76-99)" : ""));
            // Clear the edge for the next round.
            for (qm::Object* object : contents(all))
            {
                if (object != spawner)
                {
                    world.markForDelete(object);
                }
            }
            world.update();
        }
    }
    // The seeds must have reached every branch for this test to mean anything.
    EXPECT_EQ(seen.size(), 7u);
}

TEST_F(EnemyTest, SpawnerMakesTheEnemyBeforeThePowerupAtStep1050)
{
    new Spawner;
    unsigned seed = 1;
    while (randomSequence(seed, 1)[0] % 100 > 30)
    {
        ++seed;
    }
    const std::vector<int> sequence = randomSequence(seed, 3);
    stepEvent(1050);
    const auto all = contents(world.getAllObjects());
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[1]->getType(), "Enemy");
    EXPECT_NE(all[2]->getType(), "Enemy");
    EXPECT_TRUE(world.getCollisions(all[2], all[2]->getPosition()).isEmpty());
    const int next = std::rand();
    EXPECT_EQ(next, sequence[2]) << "two draws, no more";
}

TEST_F(EnemyTest, ScrollerSpeedsUpEvery150OfItsStepsAndResetsOnDeath)
{
    auto* enemy = new Enemy("enemy-fish");
    auto* powerup = new Powerup("slow-powerup");
    auto* scroller = new Scroller;
    int n = 0;
    auto steps = [&](int count)
    {
        for (int i = 0; i < count; ++i)
        {
            // The scroller counts its own steps, whatever the loop's number.
            stepEvent(1000 + ++n);
        }
    };
    steps(149);
    EXPECT_FLOAT_EQ(scroller->getScrollSpeed(), -0.25f);
    EXPECT_EQ(enemy->getVelocity(), Vector(-0.25f, 0));
    steps(1);
    const float faster = static_cast<float>(-0.25 - 0.1);
    EXPECT_FLOAT_EQ(scroller->getScrollSpeed(), faster);
    EXPECT_FLOAT_EQ(enemy->getVelocity().getX(), faster);
    EXPECT_FLOAT_EQ(powerup->getVelocity().getX(), faster);
    steps(150);
    EXPECT_FLOAT_EQ(scroller->getScrollSpeed(), static_cast<float>(faster - 0.1));

    const EventDeath death;
    world.onEvent(&death);
    EXPECT_FLOAT_EQ(scroller->getScrollSpeed(), -0.25f);
    EXPECT_EQ(scroller->getScrollSteps(), 300) << "a death keeps the count";
    steps(149);
    EXPECT_FLOAT_EQ(scroller->getScrollSpeed(), -0.25f);
    steps(1);
    EXPECT_FLOAT_EQ(scroller->getScrollSpeed(), faster);
}

} // namespace
