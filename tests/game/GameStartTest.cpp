// The start screen: the game's resources, its keys and the objects of a new game.
#include "GameStart.h"

#include "Enemy.h"
#include "GameFixture.h"
#include "HighScore.h"
#include "Lives.h"
#include "Points.h"

#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/Pause.h>
#include <qm/ResourceManager.h>

#include <gtest/gtest.h>

namespace
{

using qm::KEY_HELD;
using qm::KEY_PRESS;
using qm::KEY_RELEASE;
using qmtest::countOf;

class GameStartTest : public gametest::GameFixture
{
protected:
    // The classes of the active objects, in the world's order; view objects by their label.
    std::vector<std::string> activeKinds() const
    {
        std::vector<std::string> kinds;
        for (qm::Object* object : qmtest::contents(world.getAllObjects()))
        {
            const auto* display = dynamic_cast<const qm::ViewObject*>(object);
            const bool labelled = display != nullptr && !display->getViewString().empty();
            kinds.push_back(labelled ? display->getViewString() : object->getType());
        }
        return kinds;
    }

    static std::vector<std::string> newGame()
    {
        std::vector<std::string> kinds = {"Spawner", "Health", "Points", "High Score", "Ground", "Player"};
        kinds.insert(kinds.end(), 8, "Bubble");
        kinds.push_back("Scroller");
        return kinds;
    }
};

// The one exception is the engine's note, at most once, that a machine without an audio
// device plays silently.
TEST_F(GameStartTest, LoadingTheGameResourcesLogsNoErrorOrWarning)
{
    const std::string text = log();
    const int silentAudio = countOf(text, "No audio device");
    EXPECT_LE(silentAudio, 1);
    EXPECT_EQ(countOf(text, "Error"), 0) << text;
    EXPECT_EQ(countOf(text, "Warning"), silentAudio) << text;
    qm::ResourceManager& resources = qm::ResourceManager::getInstance();
    for (const char* label : {"saucer", "ship", "bullet", "explosion", "gameover", "gamestart", "ground", "enemy-fish",
                              "enemy-seaweed", "player", "player-crouch", "powered-up", "background", "dead-player",
                              "powered-crouch", "invincible-powerup", "jump-powerup", "slow-powerup", "speed-powerup"})
    {
        EXPECT_NE(resources.getSprite(label), nullptr) << label;
    }
    EXPECT_NE(resources.getMusic("music"), nullptr);
    for (const char* label : {"impact", "death", "powerup"})
    {
        EXPECT_NE(resources.getSound(label), nullptr) << label;
    }
}

TEST_F(GameStartTest, SpaceStartsAGameWithEveryObjectInOrderAndHidesTheStartScreen)
{
    auto* start = new GameStart;
    EXPECT_EQ(key(start, qm::SPACE, KEY_PRESS), 1);
    EXPECT_EQ(activeKinds(), newGame());
    EXPECT_FALSE(start->isActive());
}

TEST_F(GameStartTest, PStartsAGameAsSpaceDoesWhateverTheKeyAction)
{
    auto* start = new GameStart;
    EXPECT_EQ(key(start, qm::P, KEY_RELEASE), 1);
    EXPECT_EQ(activeKinds(), newGame());
}

TEST_F(GameStartTest, OtherKeysChangeNothingButCountAsHandled)
{
    auto* start = new GameStart;
    for (int code : {qm::A, qm::S, qm::ENTER, qm::F10, qm::ESCAPE})
    {
        EXPECT_EQ(key(start, code, KEY_PRESS), 1);
    }
    EXPECT_EQ(activeKinds(), std::vector<std::string>{"GameStart"});
    EXPECT_FALSE(qm::GameManager::getInstance().getGameOver());
    const qm::EventStep step(1);
    EXPECT_EQ(start->eventHandler(&step), 0);
}

TEST_F(GameStartTest, PressAndHeldReportOfSpaceInOneIterationStartOneGame)
{
    new GameStart;
    qm::EventKeyboard press;
    press.setKey(qm::SPACE);
    press.setKeyboardAction(KEY_PRESS);
    qm::EventKeyboard held;
    held.setKey(qm::SPACE);
    held.setKeyboardAction(KEY_HELD);
    qm::InputManager& input = qm::InputManager::getInstance();
    input.onEvent(&press);
    input.onEvent(&held);
    EXPECT_EQ(ofType("Player").size(), 1u);
    EXPECT_EQ(ofType("Scroller").size(), 1u);
}

TEST_F(GameStartTest, QOnTheStartScreenEndsTheGameLoopWithoutAGame)
{
    auto* start = new GameStart;
    auto* user = new qmtest::RecordingObject;
    user->registerInterest(qm::EVENT_STEP);
    user->onEvent = [&](const qm::Event* event)
    {
        if (static_cast<const qm::EventStep*>(event)->getStepCount() == 2)
        {
            key(start, qm::Q, KEY_PRESS);
        }
    };
    qm::GameManager& game = qm::GameManager::getInstance();
    game.run();
    EXPECT_EQ(game.getStepCount(), 3) << "the loop ends after the iteration of the key";
    EXPECT_TRUE(ofType("Player").empty());
}

TEST_F(GameStartTest, BubblesAreTheOnlyRandomDrawsOfANewGame)
{
    auto* start = new GameStart;
    const std::vector<int> r = randomSequence(3, 25);
    key(start, qm::SPACE, KEY_PRESS);
    const auto bubbles = ofType("Bubble");
    ASSERT_EQ(bubbles.size(), 8u);
    for (std::size_t i = 0; i < bubbles.size(); ++i)
    {
        const qm::Vector expected(static_cast<float>(r[3 * i + 2] % 80), static_cast<float>(24 + r[3 * i + 1] % 9));
        EXPECT_EQ(bubbles[i]->getPosition(), expected) << "bubble " << i;
    }
    const int next = std::rand();
    EXPECT_EQ(next, r[24]);
}

} // namespace

// Nothing loaded (a run directory without data): no music, no sounds, no sprites. The game
// must still run through a whole game, skipping every play request.
class GameWithoutResources : public qmtest::WorldTest
{
};

TEST_F(GameWithoutResources, WholeGamePlaysSilentlyWithoutAnyResource)
{
    auto* start = new GameStart;
    qm::EventKeyboard space;
    space.setKey(qm::SPACE);
    space.setKeyboardAction(KEY_PRESS);
    start->eventHandler(&space);
    ASSERT_FALSE(start->isActive());
    qm::Object* fish = qmtest::contents(world.objectsOfType("Player")).front();
    for (int hit = 0; hit < 3; ++hit)
    {
        auto* enemy = new Enemy("enemy-fish");
        world.moveObject(enemy, fish->getPosition());
    }
    world.update();
    EXPECT_TRUE(world.objectsOfType("Player").isEmpty());
    for (int n = 1; n < 400 && !start->isActive(); ++n)
    {
        const qm::EventStep step(n);
        qm::GameManager::getInstance().onEvent(&step);
        world.update();
    }
    EXPECT_TRUE(start->isActive()) << "the game over did not complete";
    EXPECT_GE(countOf(log(), "Sound 'impact' not found"), 3);
    EXPECT_EQ(countOf(log(), "Music 'music' not found"), 1);
}
