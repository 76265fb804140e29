// Small WAV files for audio tests: writing a tone, and reading back what the sound system
// wrote when its output goes to a file.
#ifndef QM_TEST_WAVEFILE_H
#define QM_TEST_WAVEFILE_H

#include <cstdint>
#include <string>
#include <vector>

namespace qmtest
{

/// Writes a 16-bit mono PCM WAV of `seconds` of a square wave at `frequency` Hz, at
/// `sampleRate` samples per second and half the full amplitude.
void writeTone(const std::string& path, double seconds, int frequency = 441, int sampleRate = 22050);

/// The samples of a 16-bit PCM WAV (plain or extensible header; channels interleaved), and
/// its sample rate and channel count. Empty when the file is not such a WAV.
struct WaveData
{
    int sampleRate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;

    /// Seconds between the first and the last sample louder than `threshold`, 0 when none is.
    double loudSpan(int threshold = 1000) const;
    /// Seconds of samples louder than `threshold`, all channels counted as one.
    double loudSeconds(int threshold = 1000) const;
};
WaveData readWave(const std::string& path);

} // namespace qmtest

#endif
