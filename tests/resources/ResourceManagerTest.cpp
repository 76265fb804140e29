// The resource manager's limits and restart, and sound and music without an audio device.
#include "support/EngineTest.h"

#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Music.h>
#include <qm/ResourceManager.h>
#include <qm/Sound.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace
{

using qmtest::countOf;

class ResourceManagerTest : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        // Before anything touches the sound system: its only output is a file that cannot be
        // created, so no device opens even on a machine with sound hardware.
        qmtest::setEnv("ALSOFT_CONF", QM_TEST_DATA_DIR "/audio/no-device.conf");
        qmtest::setEnv("ALSOFT_DRIVERS", "wave");
        EngineTest::SetUp();
        ASSERT_EQ(startEngine(), 0);
    }
    qm::ResourceManager& resources = qm::ResourceManager::getInstance();
    const std::string example = std::string(QM_TEST_DATA_DIR) + "/sprites/example-spr.txt";
    const std::string tone = std::string(QM_TEST_DATA_DIR) + "/audio/tone.wav";
};

// Each kind of resource fills up to its limit (refused loads take no place) and the next is
// refused with the limit named; a restart begins empty.
TEST_F(ResourceManagerTest, ThousandSpritesHundredSoundsAndFiftyMusicsFitAndTheNextIsRefused)
{
    EXPECT_EQ(resources.loadSprite(dir.write("broken.txt", "<HEADER>\n"), "broken"), -1);
    EXPECT_EQ(resources.loadSound(example, "text"), -1);
    EXPECT_EQ(resources.loadMusic(example, "text"), -1);
    EXPECT_EQ(resources.loadMusic(tone, ""), -1);
    EXPECT_EQ(countOf(log(), "ResourceManager::loadMusic(): Error! Must provide label for music."), 1);
    for (int i = 0; i < qm::MAX_SPRITES; ++i)
    {
        ASSERT_EQ(resources.loadSprite(example, "s" + std::to_string(i)), 0) << i;
        ASSERT_TRUE(i >= qm::MAX_SOUNDS || resources.loadSound(tone, "i" + std::to_string(i)) == 0);
        ASSERT_TRUE(i >= qm::MAX_MUSICS || resources.loadMusic(tone, "m" + std::to_string(i)) == 0);
    }
    EXPECT_EQ(resources.loadSprite(example, "x"), -1);
    EXPECT_EQ(resources.loadSound(tone, "x"), -1);
    EXPECT_EQ(resources.loadMusic(tone, "x"), -1);
    const std::string text = log();
    EXPECT_EQ(countOf(text, "ResourceManager::loadSprite(): Error! Cannot add more Sprites (max is 1000)."), 1);
    EXPECT_EQ(countOf(text, "ResourceManager::loadSound(): Error! Unable to add more sounds (max is 100)."), 1);
    EXPECT_EQ(countOf(text, "ResourceManager::loadMusic(): Error! Unable to add more musics (max is 50)."), 1);
    EXPECT_NE(resources.getSprite("s999"), nullptr);
    EXPECT_NE(resources.getSound("i99"), nullptr);
    EXPECT_NE(resources.getMusic("m49"), nullptr);
    resources.shutDown();
    ASSERT_EQ(resources.startUp(), 0);
    EXPECT_EQ(resources.getSprite("s0"), nullptr);
    EXPECT_EQ(resources.loadSprite(example, "x"), 0);
}

TEST_F(ResourceManagerTest, WithoutAudioDeviceGameAudioLoadsAndPlaysSilentlyWithOneLineInTheLog)
{
    testing::internal::CaptureStderr();
    ASSERT_EQ(resources.loadMusic(tone, "music"), 0);
    for (const char* name : {"Impact", "DeathSound", "PowerUp"})
    {
        ASSERT_EQ(resources.loadSound(tone, name), 0);
    }
    resources.getMusic("music")->play(true);
    resources.getSound("Impact")->play(false);
    resources.getSound("PowerUp")->play(true);
    resources.getSound("PowerUp")->stop();
    qm::GameManager::getInstance().shutDown();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::string text = log();
    EXPECT_EQ(countOf(text, "ResourceManager::loadMusic(): Warning! No audio device: sounds and music load but play "
                            "silently."),
              1)
        << text;
    EXPECT_EQ(countOf(text, "No audio device"), 1);
    EXPECT_EQ(countOf(text, "SFML"), 0);
    EXPECT_EQ(countOf(text, "Error"), 0);
}

} // namespace
