// Sound and music on a machine without an audio device: files load (and bad ones are
// refused) as anywhere else, playing is silent, and the run says so once in its log and
// nothing on the terminal.
#include "support/EngineTest.h"
#include "support/WaveFile.h"

#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Music.h>
#include <qm/ResourceManager.h>
#include <qm/Sound.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace
{

using qmtest::countOf;

// Applies to this whole test program, before anything touches the sound system: its only
// output is a file that cannot be created, so there is no device here even on a machine
// with sound hardware (see tests/data/audio/no-device.conf).
const bool withoutAudioDevice = []
{
    setenv("ALSOFT_CONF", QM_TEST_DATA_DIR "/audio/no-device.conf", 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    return true;
}();

const std::string AUDIO = std::string(QM_RUN_DIR) + "/Audio/";
const char* const NO_DEVICE = "Warning! No audio device: sounds and music load but play silently.";

class NoAudioDevice : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(withoutAudioDevice);
        EngineTest::SetUp();
        ASSERT_EQ(startEngine(), 0);
    }

    qm::ResourceManager& resources() { return qm::ResourceManager::getInstance(); }
};

TEST_F(NoAudioDevice, GameAudioLoadsAndPlaysSilentlyWithOneLineInTheLog)
{
    testing::internal::CaptureStderr();
    ASSERT_EQ(resources().loadMusic(AUDIO + "Music.wav", "music"), 0);
    ASSERT_EQ(resources().loadSound(AUDIO + "Impact.wav", "impact"), 0);
    ASSERT_EQ(resources().loadSound(AUDIO + "DeathSound.wav", "death"), 0);
    ASSERT_EQ(resources().loadSound(AUDIO + "PowerUp.wav", "powerup"), 0);
    qm::Music* music = resources().getMusic("music");
    qm::Sound* impact = resources().getSound("impact");
    ASSERT_NE(music, nullptr);
    ASSERT_NE(impact, nullptr);
    music->play(true);
    impact->play(false);
    impact->play(true);
    impact->stop();
    music->stop();
    qm::GameManager::getInstance().shutDown();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    const std::string text = log();
    EXPECT_EQ(countOf(text, std::string("ResourceManager::loadMusic(): ") + NO_DEVICE), 1) << text;
    EXPECT_EQ(countOf(text, "No audio device"), 1);
    EXPECT_EQ(countOf(text, "SFML"), 0) << text;
    EXPECT_EQ(countOf(text, "Error"), 0) << text;
}

TEST_F(NoAudioDevice, EachRunSaysItOnce)
{
    ASSERT_EQ(resources().loadSound(AUDIO + "Impact.wav", "a"), 0);
    ASSERT_EQ(resources().loadSound(AUDIO + "Impact.wav", "b"), 0);
    qm::GameManager::getInstance().shutDown();
    ASSERT_EQ(startEngine(), 0);
    ASSERT_EQ(resources().loadMusic(AUDIO + "Music.wav", "c"), 0);
    EXPECT_EQ(countOf(log(), std::string("ResourceManager::loadMusic(): ") + NO_DEVICE), 1);
}

TEST_F(NoAudioDevice, WhatTheSoundSystemSaidIsKeptForTheDetailedLog)
{
    qm::LogManager::getInstance().setLogLevel(1);
    testing::internal::CaptureStderr();
    ASSERT_EQ(resources().loadSound(AUDIO + "Impact.wav", "impact"), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // The sound system names the output it could not open; the lines follow the warning.
    EXPECT_EQ(countOf(log(), "nonexistent-quillmere-folder"), 1) << log();
}

TEST_F(NoAudioDevice, FilesThatDoNotDecodeAreRefusedAndKeepTheUndefinedLabel)
{
    const std::string text = dir.write("notes.wav", "these are not samples\n");
    qmtest::writeTone(dir.file("tone.wav"), 0.2);
    // The header promises 0.2 seconds; half of the samples are cut off.
    std::string truncated = qmtest::readFile(dir.file("tone.wav"));
    truncated.resize(truncated.size() / 2);
    const std::string cut = dir.write("cut.wav", truncated);

    qm::Sound sound;
    EXPECT_EQ(sound.loadSound(text), -1);
    EXPECT_EQ(sound.loadSound(cut), -1);
    EXPECT_EQ(sound.loadSound(dir.file("missing.wav")), -1);
    EXPECT_EQ(sound.getLabel(), "[Undefined]");
    EXPECT_EQ(sound.loadSound(dir.file("tone.wav")), 0);

    qm::Music music;
    EXPECT_EQ(music.loadMusic(text), -1);
    EXPECT_EQ(music.getLabel(), "[Undefined]");
    EXPECT_EQ(music.loadMusic(dir.file("tone.wav")), 0);
}

TEST_F(NoAudioDevice, PlayAndStopWriteTheirDetailLinesEvenWhenSilent)
{
    qm::LogManager::getInstance().setLogLevel(5);
    qm::Music never;
    never.stop();
    EXPECT_EQ(countOf(log(), "Music::stop(): Stopping music."), 1);
    ASSERT_EQ(resources().loadSound(AUDIO + "PowerUp.wav", "powerup"), 0);
    resources().getSound("powerup")->play(false);
    EXPECT_EQ(countOf(log(), "Sound::play(): Playing sound."), 1);
    ASSERT_EQ(resources().loadMusic(AUDIO + "Music.wav", "music"), 0);
    resources().getMusic("music")->play(true);
    EXPECT_EQ(countOf(log(), "Music::play(): Playing music."), 1);
    // Shutting down stops every piece of music, each with its line.
    qm::GameManager::getInstance().shutDown();
    EXPECT_EQ(countOf(log(), "Music::stop(): Stopping music."), 2);
}

} // namespace
