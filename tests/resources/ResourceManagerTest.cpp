// The resource manager's bookkeeping: limits, lookups, start and stop, and the game's own
// sprite files read by the real loader.
#include "support/EngineTest.h"
#include "support/SpriteText.h"

#include <qm/LogManager.h>
#include <qm/ResourceManager.h>

#include <gtest/gtest.h>

namespace
{

using qmtest::countOf;

qm::ResourceManager& resources()
{
    return qm::ResourceManager::getInstance();
}

class ResourceManagerTest : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_EQ(startEngine(), 0);
        example = dir.write("example.txt", qmtest::exampleSprite());
        broken = dir.write("broken.txt", "<HEADER>\n");
    }

    std::string example;
    std::string broken;
    const std::string audio = std::string(QM_RUN_DIR) + "/Audio/";
};

TEST_F(ResourceManagerTest, ThousandSpritesFitAndTheNextIsRefusedWithoutOpeningItsFile)
{
    for (int i = 0; i < qm::MAX_SPRITES; ++i)
    {
        ASSERT_EQ(resources().loadSprite(example, "s" + std::to_string(i)), 0) << i;
    }
    const std::string next = dir.write("next.txt", qmtest::exampleSprite());
    EXPECT_EQ(resources().loadSprite(next, "one-too-many"), -1);
    const std::string text = log();
    EXPECT_EQ(countOf(text, "ResourceManager::loadSprite(): Error! Cannot add more Sprites (max is 1000)."), 1);
    EXPECT_EQ(countOf(text, "ResourceManager::loadSprite(): Sprite 'one-too-many' not loaded."), 1);
    EXPECT_EQ(countOf(text, "Loading sprite '" + next + "'"), 0);
    EXPECT_NE(resources().getSprite("s999"), nullptr);
}

TEST_F(ResourceManagerTest, RefusedSpriteFilesDoNotUseUpPlaces)
{
    for (int i = 0; i < qm::MAX_SPRITES; ++i)
    {
        if (i % 100 == 0)
        {
            ASSERT_EQ(resources().loadSprite(broken, "broken"), -1);
        }
        ASSERT_EQ(resources().loadSprite(example, "s" + std::to_string(i)), 0) << i;
    }
    EXPECT_EQ(resources().loadSprite(example, "one-too-many"), -1);
}

TEST_F(ResourceManagerTest, LookupFindsTheFirstOfEqualLabelsAndWarnsWhenNoneMatches)
{
    ASSERT_EQ(resources().loadSprite(example, "twin"), 0);
    const qm::Sprite* first = resources().getSprite("twin");
    ASSERT_EQ(resources().loadSprite(example, "twin"), 0);
    EXPECT_EQ(resources().getSprite("twin"), first);
    EXPECT_EQ(resources().getSprite("Twin"), nullptr);
    EXPECT_EQ(countOf(log(), "ResourceManager::getSprite(): Warning! Sprite 'Twin' not found."), 1);
    EXPECT_EQ(resources().getSound("none"), nullptr);
    EXPECT_EQ(countOf(log(), "ResourceManager::getSound(): Warning! Sound 'none' not found."), 1);
    EXPECT_EQ(resources().getMusic("none"), nullptr);
    EXPECT_EQ(countOf(log(), "ResourceManager::getMusic(): Warning! Music 'none' not found."), 1);
}

TEST_F(ResourceManagerTest, ShutDownForgetsSpritesAndTheNextRunStartsEmpty)
{
    ASSERT_EQ(resources().loadSprite(example, "old"), 0);
    resources().shutDown();
    EXPECT_EQ(resources().loadSprite(example, "late"), -1);
    EXPECT_EQ(countOf(log(), "ResourceManager not started!"), 1);
    ASSERT_EQ(resources().startUp(), 0);
    EXPECT_EQ(resources().getSprite("old"), nullptr);
    for (int i = 0; i < qm::MAX_SPRITES; ++i)
    {
        ASSERT_EQ(resources().loadSprite(example, "s" + std::to_string(i)), 0) << i;
    }
}

TEST_F(ResourceManagerTest, HundredSoundsFitEvenAfterFailedLoads)
{
    for (int i = 0; i < 3; ++i)
    {
        EXPECT_EQ(resources().loadSound(example, "text"), -1);
    }
    EXPECT_EQ(countOf(log(), "ResourceManager::loadSound(): Error! Cannot load sound from file '" + example + "'."), 3);
    for (int i = 0; i < qm::MAX_SOUNDS; ++i)
    {
        ASSERT_EQ(resources().loadSound(audio + "Impact.wav", "impact" + std::to_string(i)), 0) << i;
    }
    EXPECT_EQ(resources().loadSound(audio + "Impact.wav", "extra"), -1);
    EXPECT_EQ(countOf(log(), "ResourceManager::loadSound(): Error! Unable to add more sounds (max is 100)."), 1);
    ASSERT_NE(resources().getSound("impact99"), nullptr);
    EXPECT_EQ(resources().getSound("impact99")->getLabel(), "impact99");
    EXPECT_EQ(resources().getSound("text"), nullptr);
}

TEST_F(ResourceManagerTest, FiftyPiecesOfMusicFitAndEachNeedsALabel)
{
    EXPECT_EQ(resources().loadMusic(audio + "Music.wav", ""), -1);
    EXPECT_EQ(countOf(log(), "ResourceManager::loadMusic(): Error! Must provide label for music."), 1);
    EXPECT_EQ(resources().loadMusic(example, "text"), -1);
    EXPECT_EQ(countOf(log(), "ResourceManager::loadmusic(): Error! Cannot load music from file '" + example + "'."), 1);
    for (int i = 0; i < qm::MAX_MUSICS; ++i)
    {
        ASSERT_EQ(resources().loadMusic(audio + "Music.wav", "music" + std::to_string(i)), 0) << i;
    }
    EXPECT_EQ(resources().loadMusic(audio + "Music.wav", "extra"), -1);
    EXPECT_EQ(countOf(log(), "ResourceManager::loadMusic(): Error! Unable to add more musics (max is 50)."), 1);
    EXPECT_NE(resources().getMusic("music49"), nullptr);
}

TEST_F(ResourceManagerTest, SecondStartUpIsHarmless)
{
    ASSERT_EQ(resources().loadSprite(example, "kept"), 0);
    EXPECT_EQ(resources().startUp(), 0);
    EXPECT_EQ(countOf(log(), "ResourceManager::startUp(): Already started."), 1);
    EXPECT_NE(resources().getSprite("kept"), nullptr);
}

TEST(ResourceManagerBeforeStartUp, LoadsReportNotStarted)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(resources().loadSprite("x.txt", "x"), -1);
    EXPECT_EQ(resources().loadSound("x.wav", "x"), -1);
    EXPECT_EQ(resources().loadMusic("x.wav", "x"), -1);
    EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(), "ResourceManager not started!"), 3);
}

// The game's sprites, by the labels and paths the game loads them with.
TEST_F(ResourceManagerTest, EveryGameSpriteLoadsWithoutErrorOrWarning)
{
    const std::pair<const char*, const char*> sprites[] = {
        {"saucer", "saucer-spr.txt"},
        {"ship", "ship-spr.txt"},
        {"bullet", "bullet-spr.txt"},
        {"explosion", "explosion-spr.txt"},
        {"gameover", "gameover-spr.txt"},
        {"gamestart", "gamestart-spr.txt"},
        {"ground", "ground-spr.txt"},
        {"enemy-fish", "enemy-fish-spr.txt"},
        {"enemy-seaweed", "enemy-seaweed-spr.txt"},
        {"player", "player-spr.txt"},
        {"player-crouch", "player-crouch-spr.txt"},
        {"powered-up", "player-powered-spr.txt"},
        {"background", "background1-spr.txt"},
        {"dead-player", "dead-player-spr.txt"},
        {"powered-crouch", "player-powered-crouch-spr.txt"},
        {"invincible-powerup", "powerups/invincible-powerup-spr.txt"},
        {"jump-powerup", "powerups/jump-powerup-spr.txt"},
        {"slow-powerup", "powerups/slow-powerup-spr.txt"},
        {"speed-powerup", "powerups/speed-powerup-spr.txt"},
    };
    qm::LogManager::getInstance().setLogLevel(5);
    const std::string folder = std::string(QM_RUN_DIR) + "/sprites/";
    for (const auto& [label, file] : sprites)
    {
        EXPECT_EQ(resources().loadSprite(folder + file, label), 0) << file;
    }
    for (const auto& [label, file] : sprites)
    {
        const qm::Sprite* sprite = resources().getSprite(label);
        ASSERT_NE(sprite, nullptr) << label;
        EXPECT_GE(sprite->getFrameCount(), 1) << label;
        EXPECT_EQ(sprite->getFrame(0).getString().size(),
                  static_cast<std::size_t>(sprite->getWidth() * sprite->getHeight()))
            << label;
    }
    for (const std::string& message : qmtest::logMessages(log()))
    {
        EXPECT_EQ(message.find("Error"), std::string::npos) << message;
        EXPECT_EQ(message.find("Warning"), std::string::npos) << message;
    }
}

} // namespace
