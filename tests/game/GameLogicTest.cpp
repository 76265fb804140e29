// The game's logic, headless, on the game's resources in the run directory, events delivered by hand.
#include "Enemy.h"
#include "EventDeath.h"
#include "GameStart.h"
#include "Ground.h"
#include "HighScore.h"
#include "Lives.h"
#include "Player.h"
#include "Points.h"
#include "Powerup.h"
#include "loadResources.h"
#include "support/WorldTest.h"

#include <qm/EventKeyboard.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/Pause.h>
#include <qm/ResourceManager.h>
#include <qm/Sprite.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <tuple>

namespace
{

using qm::KEY_HELD;
using qm::KEY_PRESS;
using qm::KEY_RELEASE;
using qm::Vector;
using qmtest::contents;
using qmtest::countOf;

class GameLogic : public qmtest::WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        std::filesystem::current_path(QM_RUN_DIR); // the game names its files relative to it
        // The loader warns of a flaw in a sprite file from log level 5 (see GameStartTest).
        qm::LogManager& logger = qm::LogManager::getInstance();
        const int level = logger.getLogLevel();
        logger.setLogLevel(5);
        loadResources();
        logger.setLogLevel(level);
        // One iteration of the empty world, so that the first step played is numbered 1.
        qm::GameManager::getInstance().step();
    }

    // `count` game-loop iterations, as the game's loop makes them.
    static void play(int count)
    {
        for (int i = 0; i < count; ++i)
        {
            qm::GameManager::getInstance().step();
        }
    }

    // A keyboard event to `object`'s handler (its result), or through the input manager when null.
    static int key(qm::Object* object, int code, int action)
    {
        const qm::EventKeyboard event = qmtest::keyEvent(code, action);
        return object != nullptr ? object->eventHandler(&event) : qm::InputManager::getInstance().onEvent(&event);
    }

    std::vector<qm::Object*> ofType(const std::string& type) { return contents(world.objectsOfType(type)); }

    static std::string spriteOf(const qm::Object* object)
    {
        const qm::Sprite* sprite = object->getAnimation().getSprite();
        return sprite == nullptr ? "" : sprite->getLabel();
    }

    // Plays iterations until the dead fish is gone, at most 400; returns the number played.
    int untilGameOver()
    {
        int played = 0;
        for (; !ofType("DeadPlayer").empty() && played < 400; ++played)
        {
            play(1);
        }
        return played;
    }
};

// ---- The fish, standing on the ground (it sinks from its starting place until the ground stops it).
class PlayerTest : public GameLogic
{
protected:
    void SetUp() override
    {
        GameLogic::SetUp();
        new Ground;
        fish = new Player;
        while (fish->getThrust() == 0 && qm::GameManager::getInstance().getStepCount() < 200)
        {
            play(1);
        }
        ASSERT_EQ(fish->getThrust(), 1) << "the fish never reached the ground";
        standing = fish->getPosition();
        // Its 3 rows end just above the ground's top row (21.2 - 2).
        EXPECT_NEAR(standing.getY() + 1.5f, 19.2f - 0.25f, 0.25f);
    }

    // Moves a power-up onto the fish, as the scroller would, and ends the update that collects it.
    void collect(const std::string& label)
    {
        auto* powerup = new Powerup(label);
        const std::string type = powerup->getType();
        powerup->setVelocity(Vector(0, 0));
        EXPECT_EQ(world.moveObject(powerup, fish->getPosition()), -1) << "hard against hard must stop the move";
        world.update();
        EXPECT_TRUE(ofType(type).empty()) << "the collected " << type << " was not deleted";
    }

    // Whether a held D, once the move countdown ran down, walks the fish two cells right.
    bool walks()
    {
        play(2);
        const float x = fish->getPosition().getX();
        key(fish, qm::D, KEY_HELD);
        return fish->getPosition().getX() == x + 2;
    }

    Player* fish = nullptr;
    Vector standing;
};

TEST_F(PlayerTest, HeldSpaceThrustsToCeiling15ThenGravityBringsTheFishBackDown)
{
    // Thrust: 0.01 more upward speed per held report below y 15.
    int held = 0;
    for (; fish->getThrust() == 1 && held < 100; ++held)
    {
        const float y = fish->getPosition().getY();
        const float before = fish->getVelocity().getY();
        key(fish, qm::SPACE, KEY_HELD);
        ASSERT_NEAR(fish->getVelocity().getY(), y > 15 ? before - 0.01f : before, 1e-5f) << "held report " << held;
        play(1);
    }
    EXPECT_GT(held, 10);
    // Gravity: 0.01 less upward speed per step until the ground stops the fish, Space still held.
    float top = fish->getPosition().getY();
    for (int i = 0; i < 300 && fish->getThrust() == 0; ++i)
    {
        const float before = fish->getVelocity().getY();
        key(fish, qm::SPACE, KEY_HELD);
        play(1);
        top = std::min(top, fish->getPosition().getY());
        ASSERT_NEAR(fish->getVelocity().getY(), fish->getThrust() == 0 ? before + 0.01f : 0.0f, 1e-5f);
    }
    EXPECT_LT(top, 15.0f) << "momentum carries the fish above the ceiling";
    EXPECT_GT(top, 10.0f);
    EXPECT_EQ(fish->getThrust(), 1) << "landing with Space held re-arms the thrust";
    EXPECT_NEAR(fish->getPosition().getY(), standing.getY(), 0.3f);
    // Releasing Space ends the thrust; no new thrust in mid-water.
    key(fish, qm::SPACE, KEY_HELD);
    key(fish, qm::SPACE, KEY_RELEASE);
    key(fish, qm::SPACE, KEY_PRESS);
    key(fish, qm::SPACE, KEY_HELD);
    EXPECT_NEAR(fish->getVelocity().getY(), -0.01f, 1e-6f);
}

// Held D or A, one report per iteration: a move every second iteration, never to x <= 3 nor to
// the last column; a refused move still restarts the countdown.
TEST_F(PlayerTest, WalksEverySecondIterationWithinItsLimits)
{
    const std::tuple<float, std::string, std::vector<float>> walks[] = {
        {6.5f, "DDDD", {8.5f, 8.5f, 10.5f, 10.5f}}, {7, "AAADD", {5, 5, 5, 5, 7}}, {75, "DDDAA", {77, 77, 77, 77, 75}}};
    for (const auto& [from, keys, expected] : walks)
    {
        fish->setPosition(Vector(from, standing.getY()));
        play(2);
        std::vector<float> xs;
        for (char c : keys)
        {
            key(fish, c == 'D' ? qm::D : qm::A, KEY_HELD);
            xs.push_back(fish->getPosition().getX());
            play(1);
        }
        EXPECT_EQ(xs, expected) << keys << " from " << from;
    }
}

// A standing sprite on the lowered fish would overlap the ground and refuse every walk until
// S is let go: a power-up picked up or expiring while the fish crouches keeps a low sprite.
TEST_F(PlayerTest, CrouchLowersByHalfACellWithALowSpriteThroughPowerupPickUpAndExpiry)
{
    const auto pose = [&](const char* sprite, float lowered)
    {
        EXPECT_EQ(spriteOf(fish), sprite);
        EXPECT_FLOAT_EQ(fish->getPosition().getY(), standing.getY() + lowered) << sprite;
        EXPECT_TRUE(world.getCollisions(fish, fish->getPosition()).isEmpty()) << sprite << " overlaps";
    };
    key(fish, qm::S, KEY_PRESS);
    pose("player-crouch", 0.5f);
    collect("jump-powerup");
    pose("powered-crouch", 0.5f);
    EXPECT_TRUE(walks());
    key(fish, qm::S, KEY_RELEASE);
    pose("powered-up", 0);
    key(fish, qm::S, KEY_PRESS);
    play(150);
    pose("player-crouch", 0.5f);
    EXPECT_TRUE(walks());
    key(fish, qm::S, KEY_RELEASE);
    pose("player", 0);
}

// Each power-up acts for 150 steps from its pick-up; a second jump power-up does not restart the
// countdown, so the one expiry raises the ceiling once.
TEST_F(PlayerTest, EachPowerupActsFor150StepsAndTwoJumpPowerupsLeaveTheCeilingAt9)
{
    auto* enemy = new Enemy("enemy-fish");
    const std::tuple<const char*, std::function<float()>, float, float> cases[] = {
        {"speed-powerup", [&] { return fish->getMoveSpeed(); }, 4, 2},
        {"slow-powerup", [&] { return fish->getMoveSpeed(); }, 1, 2},
        {"jump-powerup", [&] { return static_cast<float>(fish->getJumpCeiling()); }, 10, 15},
        {"invincible-powerup", [&] { return enemy->getSolidness() == qm::SPECTRAL ? 1.0f : 0.0f; }, 1, 0}};
    for (const auto& [label, effect, during, after] : cases)
    {
        collect(label);
        EXPECT_EQ(spriteOf(fish), "powered-up") << label;
        play(149);
        EXPECT_EQ(effect(), during) << label << ", 149 steps in";
        play(1);
        EXPECT_EQ(effect(), after) << label << ", 150 steps in";
        EXPECT_EQ(spriteOf(fish), "player") << label;
    }
    collect("jump-powerup");
    play(50);
    collect("jump-powerup");
    EXPECT_EQ(fish->getJumpCeiling(), 6);
    play(100);
    EXPECT_EQ(fish->getJumpCeiling(), 9);
    play(300);
    EXPECT_EQ(fish->getJumpCeiling(), 9);
}

// ---- The start screen and a new game.
using GameStartTest = GameLogic;

// The one check that the game's data loads cleanly: the game's own loader on its data, with
// the loader's warnings logged; no error or warning but, at most once, the note that a machine
// without an audio device plays silently. Tab-indented lines continue a line above (the audio
// library's own messages among them).
TEST_F(GameStartTest, LoadingTheGameResourcesLogsNoErrorOrWarning)
{
    std::string text;
    std::istringstream lines(log());
    for (std::string line; std::getline(lines, line);)
    {
        text += line.find('\t') == std::string::npos ? line + "\n" : "";
    }
    const int silentAudio = countOf(text, "No audio device");
    EXPECT_LE(silentAudio, 1);
    EXPECT_EQ(countOf(text, "Error"), 0) << text;
    EXPECT_EQ(countOf(text, "Warning"), silentAudio) << text;
    qm::ResourceManager& loaded = qm::ResourceManager::getInstance();
    for (const char* label : {"saucer", "ship", "bullet", "explosion", "gameover", "gamestart", "ground", "enemy-fish",
                              "enemy-seaweed", "player", "player-crouch", "powered-up", "background", "dead-player",
                              "powered-crouch", "invincible-powerup", "jump-powerup", "slow-powerup", "speed-powerup"})
    {
        EXPECT_NE(loaded.getSprite(label), nullptr) << label;
    }
    EXPECT_TRUE(loaded.getMusic("music") && loaded.getSound("impact") && loaded.getSound("death") &&
                loaded.getSound("powerup"));
}

// Other keys do nothing and Q ends the game loop; Space (a press and a held report in one
// iteration: one game) starts a game with its objects in this order.
TEST_F(GameStartTest, SpaceStartsOneGameWithItsObjectsInOrderAndQEndsTheLoop)
{
    const auto active = [&]
    {
        std::string kinds; // displays by their label
        for (qm::Object* object : contents(world.getAllObjects()))
        {
            const auto* display = dynamic_cast<const qm::ViewObject*>(object);
            kinds +=
                (display && !display->getViewString().empty() ? display->getViewString() : object->getType()) + ",";
        }
        return kinds;
    };
    const std::string game = "Spawner,Health,Points,High Score,Ground,Player,Bubble,Bubble,Bubble,Bubble,Bubble,Bubble,"
                             "Bubble,Bubble,Scroller,";
    auto* start = new GameStart;
    for (int code : {qm::A, qm::S, qm::ENTER, qm::F10, qm::ESCAPE})
    {
        EXPECT_EQ(key(start, code, KEY_PRESS), 1);
    }
    EXPECT_EQ(active(), "GameStart,");
    EXPECT_FALSE(qm::GameManager::getInstance().getGameOver());
    key(start, qm::Q, KEY_PRESS);
    EXPECT_TRUE(qm::GameManager::getInstance().getGameOver());
    EXPECT_EQ(active(), "GameStart,");
    key(nullptr, qm::SPACE, KEY_PRESS);
    key(nullptr, qm::SPACE, KEY_HELD);
    EXPECT_EQ(active(), game);
}

// ---- The score and the end of a game, with the program's start screen and pause object.
class GameOverTest : public GameLogic
{
protected:
    void SetUp() override
    {
        GameLogic::SetUp();
        start = new GameStart;
        pause = new qm::Pause(qm::F10);
    }

    GameStart* start = nullptr;
    qm::Pause* pause = nullptr;
};

TEST_F(GameOverTest, PointEvery30LoopStepsAndTheHighScoreIsTheBestLifeOfTheGame)
{
    auto* points = new Points;
    auto* best = new HighScore;
    play(215);
    EXPECT_EQ(points->getValue(), 7);
    EXPECT_EQ(best->getValue(), 7);
    const EventDeath death;
    world.onEvent(&death);
    EXPECT_EQ(points->getValue(), 0);
    play(210);
    EXPECT_EQ(points->getValue(), 7);
    EXPECT_EQ(best->getValue(), 7);
    play(30);
    EXPECT_EQ(best->getValue(), 8) << "raised the moment the life reaches 8";
}

TEST_F(GameOverTest, ThirdHitEndsTheGameAndOnlyTheStartScreenAndPauseRemain)
{
    key(start, qm::SPACE, KEY_PRESS);
    Lives* health = nullptr;
    for (qm::Object* object : contents(world.getAllObjects()))
    {
        health = health != nullptr ? health : dynamic_cast<Lives*>(object);
    }
    ASSERT_NE(health, nullptr);
    Vector where;
    for (int lives : {2, 1, 0})
    {
        where = ofType("Player").at(0)->getPosition();
        world.moveObject(new Enemy("enemy-fish"), where);
        world.update();
        EXPECT_EQ(health->getValue(), lives);
        EXPECT_TRUE(ofType("Enemy").empty()) << "the enemy that hit the fish stays";
        EXPECT_EQ(ofType("DeadPlayer").size(), lives == 0 ? 1u : 0u);
    }
    EXPECT_TRUE(ofType("Player").empty());
    // Made where the fish was, then risen once in the update that ended the hit.
    EXPECT_EQ(ofType("DeadPlayer").at(0)->getPosition(), where + Vector(0, -0.15f));
    EXPECT_TRUE(ofType("Spawner").empty());
    EXPECT_EQ(ofType("Bubble").size(), 8u) << "the rest stays while the dead fish rises";
    EXPECT_FALSE(start->isActive());
    EXPECT_NEAR(untilGameOver(), where.getY() / 0.15f, 15) << "the dead fish did not rise out of the world";
    EXPECT_THAT(contents(world.getAllObjects(true)), testing::UnorderedElementsAre(start, pause));
    EXPECT_TRUE(start->isActive());
}

// A hard dead fish touched side-on by a hard enemy would be stopped for good: the game would never
// end. The pause object lives for the whole program: the clean-up must not take F10 from later games.
TEST_F(GameOverTest, DeadFishRisesPastAnEnemyTouchingItsSideAndPauseWorksInTheNextGame)
{
    key(start, qm::SPACE, KEY_PRESS);
    ofType("Player").at(0)->setPosition(Vector(20, 15.2f));
    EXPECT_EQ(key(ofType("Player").at(0), qm::Q, KEY_PRESS), 1);
    world.update(); // the fish is gone; only its dead self can be touched now
    qm::Object* dead = ofType("DeadPlayer").at(0);
    auto* enemy = new Enemy("enemy-fish");
    // Box edges touch: the enemy's left edge is the dead fish's right edge.
    const float x =
        20 + dead->getBox().getCorner().getX() + dead->getBox().getHorizontal() - enemy->getBox().getCorner().getX();
    enemy->setPosition(Vector(x, dead->getPosition().getY()));
    play(1);
    EXPECT_LT(dead->getPosition().getY(), 15.2f - 0.15f) << "the dead fish did not rise";
    EXPECT_LT(enemy->getPosition().getX(), x) << "the enemy did not move on";
    EXPECT_LT(untilGameOver(), 400) << "the dead fish was held back";

    ASSERT_TRUE(start->isActive());
    EXPECT_EQ(key(start, qm::P, KEY_RELEASE), 1);
    EXPECT_EQ(ofType("Player").size(), 1u);
    EXPECT_EQ(ofType("Pause"), std::vector<qm::Object*>{pause});
    // Headless, the pause key is refused with its log line: the key reached the pause object.
    key(nullptr, qm::F10, KEY_PRESS);
    EXPECT_EQ(countOf(log(), "Cannot pause."), 1);
}

// Nothing loaded (a run directory without data): a whole game still plays, skipping every play request.
class GameWithoutResources : public GameOverTest
{
    void SetUp() override
    {
        WorldTest::SetUp();
        start = new GameStart;
    }
};

TEST_F(GameWithoutResources, WholeGamePlaysSilentlyWithoutAnyResource)
{
    key(start, qm::SPACE, KEY_PRESS);
    for (int hit = 0; hit < 3; ++hit)
    {
        world.moveObject(new Enemy("enemy-fish"), ofType("Player").at(0)->getPosition());
    }
    world.update();
    EXPECT_TRUE(ofType("Player").empty());
    EXPECT_LT(untilGameOver(), 400) << "the game over did not complete";
    EXPECT_GE(countOf(log(), "Sound 'impact' not found"), 3);
    EXPECT_EQ(countOf(log(), "Music 'music' not found"), 1);
}

} // namespace
