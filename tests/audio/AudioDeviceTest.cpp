// Sound and music on an audio device: the sound system's "wave" output writes what it plays to a file.
#include "support/EngineTest.h"

#include <qm/Music.h>
#include <qm/Sound.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace
{

// Where the sound system writes everything it plays, 16-bit mono at 22050 Hz, rewritten each time the
// device opens and complete once the last player is gone. Set before any device opens, for the whole program.
const qmtest::ScratchDir scratch;
const std::string OUTPUT = scratch.file("heard.wav");
const int RATE = 22050;
const std::string SETTINGS = "[general]\ndrivers = wave\nsample-type = int16\nchannels = mono\nfrequency = 22050\n"
                             "[wave]\nfile = " +
                             OUTPUT + "\n";
[[maybe_unused]] const bool outputToFile =
    setenv("ALSOFT_CONF", scratch.write("alsoft.conf", SETTINGS).c_str(), 1) == 0 &&
    setenv("ALSOFT_DRIVERS", "wave", 1) == 0;

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
        // Per sample, loud or a faint hiss; the data chunk runs to the end of a file still being written.
        const std::string wav = qmtest::readFile(OUTPUT);
        std::vector<bool> loud;
        for (std::size_t at = std::min(wav.find("data", 12), wav.size()) + 8; at + 1 < wav.size(); at += 2)
        {
            const auto sample = static_cast<std::int16_t>(static_cast<unsigned char>(wav[at]) |
                                                          static_cast<unsigned char>(wav[at + 1]) << 8);
            loud.push_back(std::abs(sample) > 1000);
        }
        EXPECT_GT(loud.size(), std::size_t(RATE)) << "the device did not write " << OUTPUT;
        const auto silence = loud.end() - std::min<long>(static_cast<long>(loud.size()), RATE / 5);
        EXPECT_EQ(std::count(silence, loud.end(), true), 0) << "the last 0.2 seconds, after stop, hold nothing loud";
        return static_cast<double>(std::count(loud.begin(), loud.end(), true)) / RATE;
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
