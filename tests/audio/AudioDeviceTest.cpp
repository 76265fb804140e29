// Sound and music with an audio device: the sound system's "wave" output, set below for this
// whole program, writes what it plays to a file read back here. No sound hardware needed.
#include "support/EngineTest.h"

#include <qm/Music.h>
#include <qm/Sound.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace
{

// Where the sound system writes everything it plays, 16-bit mono at 22050 Hz. The file is
// rewritten each time the device opens and complete once the last player is gone.
const std::string OUTPUT = "/tmp/qm-audio-test-" + std::to_string(getpid()) + ".wav";
const std::string SETTINGS = "/tmp/qm-audio-test-" + std::to_string(getpid()) + ".conf";
const int RATE = 22050;

// Set before any device opens, for the whole program.
const struct OutputToFile
{
    OutputToFile()
    {
        std::ofstream(SETTINGS) << "[general]\ndrivers = wave\nsample-type = int16\nchannels = mono\n"
                                   "frequency = 22050\n[wave]\nfile = "
                                << OUTPUT << "\n";
        setenv("ALSOFT_CONF", SETTINGS.c_str(), 1);
        setenv("ALSOFT_DRIVERS", "wave", 1);
    }
    ~OutputToFile()
    {
        std::remove(SETTINGS.c_str());
        std::remove(OUTPUT.c_str());
    }
} outputToFile;

// The samples of the output file: its data chunk runs to the end of the file (a file still
// being written may claim more, or less, than it holds).
std::vector<std::int16_t> heardSamples()
{
    const std::string wav = qmtest::readFile(OUTPUT);
    std::vector<std::int16_t> samples;
    for (std::size_t at = std::min(wav.find("data", 12), wav.size()) + 8; at + 1 < wav.size(); at += 2)
    {
        const auto byte = [&wav](std::size_t i) { return static_cast<unsigned char>(wav[i]); };
        samples.push_back(static_cast<std::int16_t>(byte(at) | byte(at + 1) << 8));
    }
    return samples;
}

// Seconds of samples louder than a faint hiss, from sample `first` on.
double loudSeconds(const std::vector<std::int16_t>& samples, std::size_t first = 0)
{
    return static_cast<double>(std::count_if(samples.begin() + static_cast<long>(std::min(first, samples.size())),
                                             samples.end(), [](std::int16_t s) { return std::abs(s) > 1000; })) /
           RATE;
}

class WithAudioDevice : public qmtest::EngineTest
{
protected:
    static int load(qm::Sound& sound, const std::string& path) { return sound.loadSound(path); }
    static int load(qm::Music& music, const std::string& path) { return music.loadMusic(path); }

    // Plays a 0.25-second tone once or in a loop for a second, stops, waits 0.4 seconds and
    // returns the seconds the device played loud.
    template <typename Player> double heard(bool loop)
    {
        // 5512 samples of a 441 Hz square wave at half amplitude, 16-bit mono PCM at 22050 Hz.
        std::string tone("RIFF\x34\x2b\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x22\x56\0\0\x44\xac\0\0\2\0\x10\0data\x10\x2b\0\0",
                         44);
        for (int i = 0; i < 5512; ++i)
        {
            tone += (i / 25) % 2 == 0 ? "\x80\x3e" : "\x80\xc1"; // 16000, -16000
        }
        {
            Player player;
            EXPECT_EQ(load(player, dir.write("tone.wav", tone)), 0);
            player.play(loop);
            std::this_thread::sleep_for(std::chrono::milliseconds(1000));
            player.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
        }
        const std::vector<std::int16_t> samples = heardSamples();
        EXPECT_GT(samples.size(), std::size_t(RATE)) << "the device did not write " << OUTPUT;
        // Silence after stop: the last 0.2 seconds hold nothing loud.
        EXPECT_EQ(loudSeconds(samples, samples.size() - RATE / 5), 0.0);
        return loudSeconds(samples);
    }
};

// The music's tone is shorter than one streamed chunk: it loops all the same.
TEST_F(WithAudioDevice, SoundAndShortMusicPlayOnceOrLoopUntilStopped)
{
    EXPECT_NEAR(heard<qm::Sound>(false), 0.25, 0.05);
    EXPECT_GT(heard<qm::Sound>(true), 0.6); // well over twice the tone
    EXPECT_NEAR(heard<qm::Music>(false), 0.25, 0.05);
    EXPECT_GT(heard<qm::Music>(true), 0.6);
}

} // namespace
