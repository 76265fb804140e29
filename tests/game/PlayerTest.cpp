// The fish: walking, jumping, crouching and the power-ups as the player sees them.
#include "Player.h"

#include "Enemy.h"
#include "GameFixture.h"
#include "Ground.h"
#include "Powerup.h"

#include <qm/EventKeyboard.h>
#include <qm/WorldManager.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

using qm::KEY_HELD;
using qm::KEY_PRESS;
using qm::KEY_RELEASE;
using qm::Vector;

class PlayerTest : public gametest::GameFixture
{
protected:
    // A fish standing on the ground: it sinks from its starting place until the ground stops it.
    Player* landedPlayer()
    {
        new Ground;
        auto* fish = new Player;
        for (int i = 0; i < 200 && fish->getThrust() == 0; ++i)
        {
            iterate(++stepCount);
        }
        EXPECT_EQ(fish->getThrust(), 1) << "the fish never reached the ground";
        return fish;
    }

    // Moves a power-up of `label` onto the fish, as the scroller would, and ends the update
    // in which the fish collected it.
    void collect(Player* fish, const std::string& label)
    {
        auto* powerup = new Powerup(label);
        powerup->setVelocity(Vector(0, 0));
        const std::string type = powerup->getType();
        EXPECT_EQ(world.moveObject(powerup, fish->getPosition()), -1) << "hard against hard must stop the move";
        world.update();
        EXPECT_TRUE(ofType(type).empty()) << "the collected " << type << " was not deleted";
    }

    void iterations(int count)
    {
        for (int i = 0; i < count; ++i)
        {
            iterate(++stepCount);
        }
    }

    int stepCount = 0;
};

TEST_F(PlayerTest, SinksUntilTheGroundStopsItThenStandsStill)
{
    Player* fish = landedPlayer();
    const Vector standing = fish->getPosition();
    EXPECT_FLOAT_EQ(standing.getX(), 6.5f);
    // The fish's box (3 rows) ends above the ground's top row (21.2 - 2).
    EXPECT_LT(standing.getY() + 1.5f, 19.2f);
    EXPECT_GT(standing.getY() + 1.5f, 19.2f - 0.5f);
    iterations(20);
    EXPECT_EQ(fish->getPosition(), standing);
    EXPECT_EQ(fish->getVelocity(), Vector(0, 0));
}

TEST_F(PlayerTest, HeldSpaceThrustsToTheCeilingThenGravityBringsTheFishBackDown)
{
    Player* fish = landedPlayer();
    const float ground = fish->getPosition().getY();

    // Thrust: 0.01 more upward speed per held report while the fish is below the ceiling.
    int held = 0;
    while (fish->getThrust() == 1 && held < 100)
    {
        const float y = fish->getPosition().getY();
        const float before = fish->getVelocity().getY();
        key(fish, qm::SPACE, KEY_HELD);
        if (y > 15)
        {
            ASSERT_NEAR(fish->getVelocity().getY(), before - 0.01f, 1e-5f) << "held report " << held;
        }
        else
        {
            EXPECT_EQ(fish->getThrust(), 0);
            EXPECT_FLOAT_EQ(fish->getVelocity().getY(), before);
        }
        iterate(++stepCount);
        ++held;
    }
    ASSERT_EQ(fish->getThrust(), 0) << "the thrust never stopped";
    EXPECT_GT(held, 10);

    // Gravity: 0.01 less upward speed per step until the ground stops the fish again, while
    // Space is still held.
    float top = fish->getPosition().getY();
    for (int i = 0; i < 300 && fish->getThrust() == 0; ++i)
    {
        const float before = fish->getVelocity().getY();
        key(fish, qm::SPACE, KEY_HELD);
        iterate(++stepCount);
        top = std::min(top, fish->getPosition().getY());
        if (fish->getThrust() == 0)
        {
            ASSERT_NEAR(fish->getVelocity().getY(), before + 0.01f, 1e-5f);
        }
    }
    EXPECT_LT(top, 15.0f) << "momentum carries the fish above the ceiling";
    EXPECT_GT(top, 10.0f);
    EXPECT_EQ(fish->getThrust(), 1) << "landing with Space held re-arms the thrust at once";
    EXPECT_FLOAT_EQ(fish->getVelocity().getY(), 0.0f);
    EXPECT_NEAR(fish->getPosition().getY(), ground, 0.3f);

    // ... so the next held report lifts it again.
    key(fish, qm::SPACE, KEY_HELD);
    EXPECT_NEAR(fish->getVelocity().getY(), -0.01f, 1e-6f);
}

TEST_F(PlayerTest, ReleasingSpaceCutsTheThrustAndANewThrustNeedsTheGround)
{
    Player* fish = landedPlayer();
    for (int i = 0; i < 5; ++i)
    {
        key(fish, qm::SPACE, KEY_HELD);
        iterate(++stepCount);
    }
    key(fish, qm::SPACE, KEY_RELEASE);
    EXPECT_EQ(fish->getThrust(), 0);
    const float rising = fish->getVelocity().getY();
    key(fish, qm::SPACE, KEY_PRESS);
    key(fish, qm::SPACE, KEY_HELD);
    EXPECT_FLOAT_EQ(fish->getVelocity().getY(), rising) << "no thrust in mid-water";
    iterate(++stepCount);
    EXPECT_NEAR(fish->getVelocity().getY(), rising + 0.01f, 1e-6f);
}

TEST_F(PlayerTest, HeldDWalksTwoCellsEverySecondIterationOnceTheFirstCountdownRanDown)
{
    auto* fish = new Player;
    std::vector<float> xs;
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(key(fish, qm::D, KEY_HELD), 1);
        xs.push_back(fish->getPosition().getX());
        iterate(++stepCount);
    }
    EXPECT_EQ(xs, (std::vector<float>{6.5f, 6.5f, 8.5f, 8.5f, 10.5f, 10.5f, 12.5f}));
}

TEST_F(PlayerTest, WalkPastTheLeftLimitIsRefusedAndStillDelaysTheNextMove)
{
    auto* fish = new Player;
    iterations(2); // the first countdown
    key(fish, qm::A, KEY_HELD);
    EXPECT_FLOAT_EQ(fish->getPosition().getX(), 4.5f);
    iterations(2);
    key(fish, qm::A, KEY_HELD); // to 2.5: not above 3
    EXPECT_FLOAT_EQ(fish->getPosition().getX(), 4.5f);
    EXPECT_EQ(fish->getMoveCountdown(), fish->getMoveSlowdown());
    iterate(++stepCount);
    key(fish, qm::D, KEY_HELD);
    EXPECT_FLOAT_EQ(fish->getPosition().getX(), 4.5f) << "the refused move must restart the countdown";
    iterate(++stepCount);
    key(fish, qm::D, KEY_HELD);
    EXPECT_FLOAT_EQ(fish->getPosition().getX(), 6.5f);
}

TEST_F(PlayerTest, WalkToTheLastColumnIsRefused)
{
    auto* fish = new Player;
    fish->setPosition(Vector(76.5f, 12));
    iterations(2);
    key(fish, qm::D, KEY_HELD);
    EXPECT_FLOAT_EQ(fish->getPosition().getX(), 78.5f);
    iterations(2);
    key(fish, qm::D, KEY_HELD); // to 80.5: not below 79
    EXPECT_FLOAT_EQ(fish->getPosition().getX(), 78.5f);
}

TEST_F(PlayerTest, CrouchLowersByHalfACellWithTheLowSpriteAndStandingRaisesItBack)
{
    Player* fish = landedPlayer();
    const Vector standing = fish->getPosition();
    key(fish, qm::S, KEY_PRESS);
    EXPECT_EQ(spriteOf(fish), "player-crouch");
    EXPECT_FLOAT_EQ(fish->getPosition().getY(), standing.getY() + 0.5f);
    EXPECT_TRUE(world.getCollisions(fish, fish->getPosition()).isEmpty()) << "the crouching fish overlaps something";
    key(fish, qm::S, KEY_RELEASE);
    EXPECT_EQ(spriteOf(fish), "player");
    EXPECT_EQ(fish->getPosition(), standing);
}

TEST_F(PlayerTest, StandingUpTakesTheSpriteOfThePowerupsActiveAtTheRelease)
{
    Player* fish = landedPlayer();
    key(fish, qm::S, KEY_PRESS);
    EXPECT_EQ(spriteOf(fish), "player-crouch");
    collect(fish, "speed-powerup");
    key(fish, qm::S, KEY_RELEASE);
    EXPECT_EQ(spriteOf(fish), "powered-up");
    key(fish, qm::S, KEY_PRESS);
    EXPECT_EQ(spriteOf(fish), "powered-crouch");
}

// A standing sprite on the lowered fish would overlap the ground and refuse every walk
// until S is let go.
TEST_F(PlayerTest, PowerupCollectedWhileCrouchingKeepsALowSpriteAndTheFishCanWalk)
{
    Player* fish = landedPlayer();
    key(fish, qm::S, KEY_PRESS);
    collect(fish, "jump-powerup");
    EXPECT_EQ(spriteOf(fish), "powered-crouch");
    EXPECT_TRUE(world.getCollisions(fish, fish->getPosition()).isEmpty());
    iterations(2);
    const float x = fish->getPosition().getX();
    key(fish, qm::D, KEY_HELD);
    EXPECT_FLOAT_EQ(fish->getPosition().getX(), x + 2);
}

TEST_F(PlayerTest, PowerupExpiringWhileCrouchingKeepsALowSpriteAndTheFishCanWalk)
{
    Player* fish = landedPlayer();
    key(fish, qm::S, KEY_PRESS);
    collect(fish, "speed-powerup");
    iterations(150);
    ASSERT_FALSE(fish->isSpeedUp());
    EXPECT_EQ(spriteOf(fish), "player-crouch");
    EXPECT_TRUE(world.getCollisions(fish, fish->getPosition()).isEmpty());
    const float x = fish->getPosition().getX();
    key(fish, qm::D, KEY_HELD);
    EXPECT_FLOAT_EQ(fish->getPosition().getX(), x + 2);
    key(fish, qm::S, KEY_RELEASE);
    EXPECT_EQ(spriteOf(fish), "player");
}

TEST_F(PlayerTest, SpeedPowerupWalksFourCellsFor150Steps)
{
    Player* fish = landedPlayer();
    collect(fish, "speed-powerup");
    EXPECT_TRUE(fish->isSpeedUp());
    EXPECT_EQ(spriteOf(fish), "powered-up");
    iterations(2);
    key(fish, qm::D, KEY_HELD);
    EXPECT_FLOAT_EQ(fish->getPosition().getX(), 10.5f);
    iterations(147);
    EXPECT_TRUE(fish->isSpeedUp()) << "149 steps in";
    iterations(1);
    EXPECT_FALSE(fish->isSpeedUp());
    EXPECT_FLOAT_EQ(fish->getMoveSpeed(), 2.0f);
    EXPECT_EQ(spriteOf(fish), "player");
}

TEST_F(PlayerTest, LaterOfSpeedAndSlowDecidesAndTheFirstExpiryRestoresTheNormalSpeed)
{
    Player* fish = landedPlayer();
    collect(fish, "speed-powerup");
    iterations(10);
    auto* slow = new Powerup("slow-powerup");
    EXPECT_EQ(slow->getType(), "SlowDown");
    slow->setVelocity(Vector(0, 0));
    world.moveObject(slow, fish->getPosition());
    world.update();
    EXPECT_FLOAT_EQ(fish->getMoveSpeed(), 1.0f);
    iterations(140); // 150 steps since the speed power-up
    EXPECT_FALSE(fish->isSpeedUp());
    EXPECT_TRUE(fish->isSlowDown());
    EXPECT_FLOAT_EQ(fish->getMoveSpeed(), 2.0f);
    EXPECT_EQ(spriteOf(fish), "player") << "any expiry shows the plain sprite";
    iterations(10);
    EXPECT_FALSE(fish->isSlowDown());
}

TEST_F(PlayerTest, TwoJumpPowerupsLowerTheCeilingTo10Then6AndTheOneExpiryLeaves9)
{
    Player* fish = landedPlayer();
    EXPECT_EQ(fish->getJumpCeiling(), 15);
    collect(fish, "jump-powerup");
    EXPECT_EQ(fish->getJumpCeiling(), 10);
    iterations(50);
    collect(fish, "jump-powerup");
    EXPECT_EQ(fish->getJumpCeiling(), 6) << "the countdown is not restarted";
    iterations(99);
    EXPECT_TRUE(fish->isJumpHigh());
    iterations(1);
    EXPECT_FALSE(fish->isJumpHigh());
    EXPECT_EQ(fish->getJumpCeiling(), 9);
    iterations(300);
    EXPECT_EQ(fish->getJumpCeiling(), 9);
}

TEST_F(PlayerTest, InvincibilityMakesEnemiesSpectralFromTheNextStepFor150Steps)
{
    Player* fish = landedPlayer();
    auto* early = new Enemy("enemy-fish");
    collect(fish, "invincible-powerup");
    EXPECT_TRUE(fish->isInvincible());
    EXPECT_EQ(early->getSolidness(), qm::HARD);
    iterate(++stepCount);
    EXPECT_EQ(early->getSolidness(), qm::SPECTRAL);
    auto* late = new Enemy("enemy-seaweed");
    EXPECT_EQ(late->getSolidness(), qm::HARD) << "hard until the player's next step";
    iterate(++stepCount);
    EXPECT_EQ(late->getSolidness(), qm::SPECTRAL);
    iterations(147);
    EXPECT_TRUE(fish->isInvincible());
    iterations(1);
    EXPECT_FALSE(fish->isInvincible());
    EXPECT_EQ(early->getSolidness(), qm::HARD);
    EXPECT_EQ(late->getSolidness(), qm::HARD);
    EXPECT_EQ(spriteOf(fish), "player");
}

} // namespace
