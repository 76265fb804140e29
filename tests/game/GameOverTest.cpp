// The end of a game: hits, the dead fish rising, the clean-up and the next game.
#include "DeadPlayer.h"
#include "Enemy.h"
#include "GameFixture.h"
#include "GameStart.h"
#include "Lives.h"
#include "Player.h"
#include "Points.h"

#include <qm/EventOut.h>
#include <qm/Pause.h>
#include <qm/WorldManager.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace
{

using qm::KEY_PRESS;
using qm::Vector;

class GameOverTest : public gametest::GameFixture
{
protected:
    void SetUp() override
    {
        GameFixture::SetUp();
        start = new GameStart;
        pause = new qm::Pause(qm::F10);
    }

    Player* player() const
    {
        const auto players = ofClass<Player>();
        return players.empty() ? nullptr : players.front();
    }

    // An enemy fish swims into the fish.
    void hit()
    {
        auto* enemy = new Enemy("enemy-fish");
        ASSERT_NE(player(), nullptr);
        world.moveObject(enemy, player()->getPosition());
        world.update();
    }

    // Plays iterations (without new enemies: the numbers avoid the spawner's schedule) until
    // the dead fish is gone, at most `limit`. Returns the number played.
    int untilGameOver(int limit)
    {
        int played = 0;
        while (!ofType("DeadPlayer").empty() && played < limit)
        {
            iterate(1001 + played);
            ++played;
        }
        return played;
    }

    GameStart* start = nullptr;
    qm::Pause* pause = nullptr;
};

TEST_F(GameOverTest, ThirdHitEndsTheGameAndOnlyTheStartScreenAndPauseRemain)
{
    key(start, qm::SPACE, KEY_PRESS);
    auto* health = ofClass<Lives>().front();
    hit();
    hit();
    EXPECT_EQ(health->getValue(), 1);
    EXPECT_TRUE(ofType("DeadPlayer").empty());
    const Vector where = player()->getPosition();
    hit();
    EXPECT_EQ(health->getValue(), 0);
    const auto dead = ofType("DeadPlayer");
    ASSERT_EQ(dead.size(), 1u);
    // Made where the fish was, then risen once in the update that ended the hit.
    EXPECT_FLOAT_EQ(dead[0]->getPosition().getX(), where.getX());
    EXPECT_NEAR(dead[0]->getPosition().getY(), where.getY() - 0.15f, 1e-5f);
    EXPECT_EQ(player(), nullptr);
    EXPECT_TRUE(ofType("Spawner").empty());
    EXPECT_EQ(ofType("Bubble").size(), 8u) << "the rest stays while the dead fish rises";
    EXPECT_FALSE(start->isActive());

    const int steps = untilGameOver(400);
    EXPECT_LT(steps, 400) << "the dead fish never left the world";
    // About (starting height) / 0.15 steps.
    EXPECT_NEAR(steps, where.getY() / 0.15f, 15);
    const auto left = qmtest::contents(world.getAllObjects(true));
    EXPECT_THAT(left, testing::UnorderedElementsAre(start, pause));
    EXPECT_TRUE(start->isActive());
}

// The pause object lives for the whole program: the clean-up must not take F10 away from
// the games after the first.
TEST_F(GameOverTest, PauseKeyStillWorksInTheSecondGame)
{
    key(start, qm::SPACE, KEY_PRESS);
    key(player(), qm::Q, KEY_PRESS);
    untilGameOver(400);
    ASSERT_TRUE(start->isActive());
    key(start, qm::P, KEY_PRESS);
    EXPECT_EQ(ofType("Pause"), (std::vector<qm::Object*>{pause}));
    EXPECT_EQ(pause->getPauseKey(), qm::F10);
    // Headless, the pause key is refused with its log line: the key reached the pause object.
    EXPECT_EQ(key(pause, qm::F10, KEY_PRESS), 0);
    EXPECT_EQ(qmtest::countOf(log(), "Cannot pause."), 1);
}

TEST_F(GameOverTest, QDuringPlayEndsTheGameWithoutCostingALife)
{
    key(start, qm::SPACE, KEY_PRESS);
    Player* fish = player();
    const Vector where = fish->getPosition();
    EXPECT_EQ(key(fish, qm::Q, KEY_PRESS), 1);
    const auto dead = ofType("DeadPlayer");
    ASSERT_EQ(dead.size(), 1u);
    EXPECT_EQ(dead[0]->getPosition(), where);
    world.update();
    EXPECT_EQ(player(), nullptr);
    EXPECT_TRUE(ofType("Spawner").empty());
    EXPECT_EQ(ofClass<Lives>().front()->getValue(), 3);
    EXPECT_EQ(ofClass<Points>().front()->getLivesLeft(), 3);
}

TEST_F(GameOverTest, NextGameStartsFresh)
{
    key(start, qm::SPACE, KEY_PRESS);
    hit();
    for (int n = 30; n <= 150; n += 30)
    {
        stepEvent(n);
    }
    key(player(), qm::Q, KEY_PRESS);
    untilGameOver(400);
    key(start, qm::SPACE, KEY_PRESS);
    EXPECT_EQ(ofClass<Lives>().front()->getValue(), 3);
    EXPECT_EQ(ofClass<Points>().front()->getValue(), 0);
    EXPECT_EQ(ofClass<Points>().front()->getHighScore(), 0);
    EXPECT_EQ(ofType("Player").size(), 1u);
    EXPECT_EQ(ofType("Bubble").size(), 8u);
    EXPECT_FALSE(start->isActive());
}

// A hard dead fish touched side-on by a hard enemy would be stopped for good, and the
// game would never end.
TEST_F(GameOverTest, DeadFishRisesPastAnEnemyTouchingItsSide)
{
    key(start, qm::SPACE, KEY_PRESS);
    Player* fish = player();
    fish->setPosition(Vector(20, 15.2f));
    key(fish, qm::Q, KEY_PRESS);
    world.update(); // the fish is gone; only its dead self can be touched now
    qm::Object* dead = ofType("DeadPlayer").front();
    auto* enemy = new Enemy("enemy-fish");
    // Box edges touch: the dead fish spans 15.5 .. 24.5, the enemy 24.5 .. 34.5.
    enemy->setPosition(Vector(29.5f, dead->getPosition().getY()));
    iterate(1001);
    EXPECT_LT(dead->getPosition().getY(), 15.2f - 0.15f) << "the dead fish did not rise";
    EXPECT_LT(enemy->getPosition().getX(), 29.5f) << "the enemy did not move on";
    const int steps = untilGameOver(400);
    EXPECT_LT(steps, 400) << "the dead fish was held back";
    EXPECT_TRUE(start->isActive());
}

TEST_F(GameOverTest, DeadFishLeavingSidewaysOrDownwardsStays)
{
    auto* dead = new DeadPlayer(Vector(10, 10));
    EXPECT_EQ(dead->getSolidness(), qm::SPECTRAL);
    EXPECT_EQ(dead->getAltitude(), 4);
    EXPECT_EQ(dead->getVelocity(), Vector(0, -0.15f));
    const qm::EventOut out;
    dead->setPosition(Vector(-20, 10));
    EXPECT_EQ(dead->eventHandler(&out), 1);
    dead->setPosition(Vector(10, 40));
    EXPECT_EQ(dead->eventHandler(&out), 1);
    world.update();
    EXPECT_EQ(ofType("DeadPlayer").size(), 1u);
    dead->setPosition(Vector(10, -2));
    dead->eventHandler(&out);
    world.update();
    EXPECT_TRUE(ofType("DeadPlayer").empty());
}

} // namespace
