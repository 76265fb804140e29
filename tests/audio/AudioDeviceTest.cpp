// Sound and music with an audio device: the sound system's output goes to a WAV file
// (its "wave" output, configured below for this whole test program), which is read back to
// hear what was played. Machines without sound hardware run these tests too.
#include "support/EngineTest.h"
#include "support/WaveFile.h"

#include <qm/GameManager.h>
#include <qm/Music.h>
#include <qm/ResourceManager.h>
#include <qm/Sound.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace
{

using qmtest::countOf;

// Where the sound system writes everything it plays: 16-bit mono at 22050 Hz, so that
// readWave reads it. The file is (re)written from the start each time the device opens and
// is complete once the last sound or music object is gone and the device closes.
const std::string OUTPUT = "/tmp/qm-audio-test-" + std::to_string(getpid()) + ".wav";
const std::string SETTINGS = "/tmp/qm-audio-test-" + std::to_string(getpid()) + ".conf";

const bool outputToFile = []
{
    std::ofstream(SETTINGS) << "[general]\ndrivers = wave\nsample-type = int16\nchannels = mono\n"
                               "frequency = 22050\n[wave]\nfile = "
                            << OUTPUT << "\n";
    setenv("ALSOFT_CONF", SETTINGS.c_str(), 1);
    setenv("ALSOFT_DRIVERS", "wave", 1);
    std::atexit(
        []
        {
            std::remove(SETTINGS.c_str());
            std::remove(OUTPUT.c_str());
        });
    return true;
}();

void pause(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

class WithAudioDevice : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(outputToFile);
        EngineTest::SetUp();
        tone = dir.file("tone.wav");
        qmtest::writeTone(tone, 0.25);
    }

    std::string tone;
};

TEST_F(WithAudioDevice, NothingOpensTheDeviceUntilAudioIsLoaded)
{
    std::remove(OUTPUT.c_str());
    ASSERT_EQ(startEngine(), 0);
    ASSERT_EQ(
        qm::ResourceManager::getInstance().loadSprite(std::string(QM_RUN_DIR) + "/sprites/bullet-spr.txt", "bullet"),
        0);
    {
        qm::Sound sound;
        qm::Music music;
        sound.play(true);
        music.play(true);
        music.stop();
    }
    qm::GameManager::getInstance().shutDown();
    EXPECT_FALSE(std::filesystem::exists(OUTPUT));
    {
        qm::Sound sound;
        ASSERT_EQ(sound.loadSound(tone), 0);
        EXPECT_TRUE(std::filesystem::exists(OUTPUT));
    }
}

TEST_F(WithAudioDevice, SoundPlaysItsSamplesOnce)
{
    {
        qm::Sound sound;
        ASSERT_EQ(sound.loadSound(tone), 0);
        sound.play(false);
        pause(700);
        sound.stop();
    }
    const qmtest::WaveData heard = qmtest::readWave(OUTPUT);
    ASSERT_EQ(heard.sampleRate, 22050);
    EXPECT_NEAR(heard.loudSeconds(), 0.25, 0.05);
    EXPECT_NEAR(heard.loudSpan(), 0.25, 0.05);
}

TEST_F(WithAudioDevice, LoopingSoundRepeatsUntilStopped)
{
    {
        qm::Sound sound;
        ASSERT_EQ(sound.loadSound(tone), 0);
        sound.play(true);
        pause(1000);
        sound.stop();
        pause(400);
    }
    const qmtest::WaveData heard = qmtest::readWave(OUTPUT);
    ASSERT_EQ(heard.sampleRate, 22050);
    EXPECT_GT(heard.loudSeconds(), 0.6); // well over twice the sound
    // Silence after stop: the last 0.2 seconds hold nothing loud.
    const std::size_t tail = 22050 / 5;
    ASSERT_GT(heard.samples.size(), tail);
    qmtest::WaveData end = heard;
    end.samples.erase(end.samples.begin(), end.samples.end() - static_cast<long>(tail));
    EXPECT_EQ(end.loudSeconds(), 0.0);
}

TEST_F(WithAudioDevice, MusicStreamsOnceOrInALoop)
{
    {
        qm::Music music;
        ASSERT_EQ(music.loadMusic(tone), 0);
        music.play(false);
        pause(700);
        music.stop();
    }
    EXPECT_NEAR(qmtest::readWave(OUTPUT).loudSeconds(), 0.25, 0.05);
    {
        qm::Music music;
        ASSERT_EQ(music.loadMusic(tone), 0);
        music.play(true);
        pause(1000);
        music.stop();
    }
    EXPECT_GT(qmtest::readWave(OUTPUT).loudSeconds(), 0.6);
}

TEST_F(WithAudioDevice, ReloadingASoundPlaysTheNewSamples)
{
    const std::string longer = dir.file("longer.wav");
    qmtest::writeTone(longer, 0.5);
    {
        qm::Sound sound;
        ASSERT_EQ(sound.loadSound(tone), 0);
        ASSERT_EQ(sound.loadSound(longer), 0);
        EXPECT_EQ(sound.loadSound(dir.write("text.wav", "no samples\n")), -1);
        sound.play(false);
        pause(900);
    }
    EXPECT_NEAR(qmtest::readWave(OUTPUT).loudSeconds(), 0.5, 0.05);
}

// Last in this file: the resource manager keeps its sounds until the program ends, so the
// device stays open from here on.
TEST_F(WithAudioDevice, GameAudioLoadsAndPlaysWithoutAWordFromTheSoundSystem)
{
    ASSERT_EQ(startEngine(), 0);
    qm::ResourceManager& resources = qm::ResourceManager::getInstance();
    const std::string audio = std::string(QM_RUN_DIR) + "/Audio/";
    testing::internal::CaptureStderr();
    ASSERT_EQ(resources.loadMusic(audio + "Music.wav", "music"), 0);
    ASSERT_EQ(resources.loadSound(audio + "Impact.wav", "impact"), 0);
    ASSERT_EQ(resources.loadSound(audio + "DeathSound.wav", "death"), 0);
    ASSERT_EQ(resources.loadSound(audio + "PowerUp.wav", "powerup"), 0);
    resources.getMusic("music")->play(true);
    resources.getSound("impact")->play(false);
    pause(300);
    qm::GameManager::getInstance().shutDown();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const std::string text = log();
    EXPECT_EQ(countOf(text, "No audio device"), 0) << text;
    EXPECT_EQ(countOf(text, "SFML"), 0) << text;
    EXPECT_EQ(countOf(text, "Error"), 0) << text;
}

} // namespace
