// qm_synth: synthesizes the game's music and sound effects as 16-bit mono PCM WAV files.
//
// Usage: qm_synth <output directory>
// Writes Music.wav, Impact.wav, DeathSound.wav and PowerUp.wav into the directory, which must
// exist. Everything is computed from fixed notes and a fixed-seed noise generator, so two runs
// write the same bytes. Returns 0 on success, 1 with a message on standard error otherwise.
//
// The music is rendered into a circular buffer: a note that rings past the end of the loop
// wraps round to its beginning, and the filters run round the loop until they have settled,
// so the last sample leads into the first as smoothly as any two neighbours inside the loop.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

constexpr double PI = 3.14159265358979323846;

/// Mono audio being built, in floating point, with its sample rate in Hz.
struct Track
{
    int rate;
    bool looping; // notes past the end wrap round to the start
    std::vector<double> samples;

    Track(int sampleRate, double seconds, bool loops)
        : rate(sampleRate), looping(loops), samples(static_cast<std::size_t>(std::lround(seconds * sampleRate)), 0.0)
    {
    }

    void add(long index, double value)
    {
        const long count = static_cast<long>(samples.size());
        if (looping)
        {
            index = ((index % count) + count) % count;
        }
        else if (index < 0 || index >= count)
        {
            return;
        }
        samples[static_cast<std::size_t>(index)] += value;
    }
};

double midiToHz(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

/// One note: a sum of harmonics with an attack, a hold and an exponential release.
struct Note
{
    double start = 0.0;                 // seconds
    double hold = 0.5;                  // seconds from the start to the beginning of the release
    double attack = 0.01;               // seconds
    double release = 0.3;               // time constant of the decay after the hold, seconds
    double frequency = 440.0;           // Hz
    double glideTo = 0.0;               // Hz reached exponentially over glideTime; 0 keeps the pitch
    double glideTime = 0.1;             // seconds
    double vibratoRate = 0.0;           // Hz
    double vibratoDepth = 0.0;          // fraction of the frequency
    double amplitude = 0.1;             // peak, full scale = 1
    std::vector<double> harmonics{1.0}; // amplitude of partial k+1
};

void addNote(Track& track, const Note& note)
{
    // Ring until the release has fallen below -80 dB.
    const double length = note.hold + note.release * 9.2;
    const long first = std::lround(note.start * track.rate);
    const long count = std::lround(length * track.rate);
    double phase = 0.0;
    for (long i = 0; i < count; ++i)
    {
        const double t = static_cast<double>(i) / track.rate;
        double frequency = note.frequency;
        if (note.glideTo > 0.0)
        {
            const double progress = std::min(t / note.glideTime, 1.0);
            frequency = note.frequency * std::pow(note.glideTo / note.frequency, progress);
        }
        frequency *= 1.0 + note.vibratoDepth * std::sin(2.0 * PI * note.vibratoRate * t);
        phase += 2.0 * PI * frequency / track.rate;

        double envelope = 1.0;
        if (t < note.attack)
        {
            envelope = 0.5 - 0.5 * std::cos(PI * t / note.attack); // raised cosine: no click
        }
        if (t > note.hold)
        {
            envelope *= std::exp(-(t - note.hold) / note.release);
        }
        double value = 0.0;
        for (std::size_t k = 0; k < note.harmonics.size(); ++k)
        {
            value += note.harmonics[k] * std::sin(phase * static_cast<double>(k + 1));
        }
        track.add(first + i, note.amplitude * envelope * value);
    }
}

/// Fixed-seed xorshift noise in [-1, 1]: the same sequence on every run.
class Noise
{
public:
    explicit Noise(std::uint32_t seed) : state(seed) {}

    double next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483647.5 - 1.0;
    }

private:
    std::uint32_t state;
};

/// One-pole low-pass filter; on a looping track it runs round the loop twice so that its state
/// where the loop starts is the state where it ends.
void lowPass(Track& track, double cutoffHz)
{
    const double a = 1.0 - std::exp(-2.0 * PI * cutoffHz / track.rate);
    double state = 0.0;
    const int passes = track.looping ? 2 : 1;
    std::vector<double> out(track.samples.size());
    for (int pass = 0; pass < passes; ++pass)
    {
        for (std::size_t i = 0; i < track.samples.size(); ++i)
        {
            state += a * (track.samples[i] - state);
            out[i] = state;
        }
    }
    track.samples = out;
}

/// Echo taps: a watery space. Taps behind the start read from the end of a looping track.
void echo(Track& track, double delaySeconds, const std::vector<double>& gains)
{
    const long count = static_cast<long>(track.samples.size());
    const long delay = std::lround(delaySeconds * track.rate);
    std::vector<double> out(track.samples);
    for (long i = 0; i < count; ++i)
    {
        for (std::size_t tap = 0; tap < gains.size(); ++tap)
        {
            long from = i - delay * static_cast<long>(tap + 1);
            if (track.looping)
            {
                from = ((from % count) + count) % count;
            }
            else if (from < 0)
            {
                continue;
            }
            out[static_cast<std::size_t>(i)] += gains[tap] * track.samples[static_cast<std::size_t>(from)];
        }
    }
    track.samples = out;
}

/// Removes any DC offset, scales the loudest sample to peak (a fraction of full scale) and,
/// for a one-shot sound, fades the first and last few milliseconds so it starts and ends at 0.
void finish(Track& track, double peak)
{
    double mean = 0.0;
    for (double s : track.samples)
    {
        mean += s;
    }
    mean /= static_cast<double>(track.samples.size());
    double loudest = 0.0;
    for (double& s : track.samples)
    {
        s -= mean;
        loudest = std::max(loudest, std::fabs(s));
    }
    const double gain = loudest > 0.0 ? peak / loudest : 0.0;
    const std::size_t fade = track.looping ? 0 : static_cast<std::size_t>(track.rate / 200); // 5 ms
    const std::size_t count = track.samples.size();
    for (std::size_t i = 0; i < count; ++i)
    {
        double edge = 1.0;
        if (i < fade)
        {
            edge = static_cast<double>(i) / static_cast<double>(fade);
        }
        else if (count - 1 - i < fade)
        {
            edge = static_cast<double>(count - 1 - i) / static_cast<double>(fade);
        }
        track.samples[i] *= gain * edge;
    }
}

void putLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
    {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

/// Writes the track as a RIFF WAVE file, 16-bit signed little-endian PCM, one channel.
bool writeWav(const std::string& path, const Track& track)
{
    const auto dataBytes = static_cast<std::uint32_t>(track.samples.size() * 2);
    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    putLe(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    putLe(out, 16, 4);                                         // format chunk size
    putLe(out, 1, 2);                                          // PCM
    putLe(out, 1, 2);                                          // channels
    putLe(out, static_cast<std::uint32_t>(track.rate), 4);     // sample rate
    putLe(out, static_cast<std::uint32_t>(track.rate * 2), 4); // bytes per second
    putLe(out, 2, 2);                                          // block align
    putLe(out, 16, 2);                                         // bits per sample
    out += "data";
    putLe(out, dataBytes, 4);
    for (double s : track.samples)
    {
        const long value = std::lround(std::clamp(s, -1.0, 1.0) * 32767.0);
        putLe(out, static_cast<std::uint32_t>(static_cast<std::int32_t>(value)), 2);
    }

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
    {
        std::fprintf(stderr, "qm_synth: cannot open '%s' for writing\n", path.c_str());
        return false;
    }
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed)
    {
        std::fprintf(stderr, "qm_synth: cannot write '%s'\n", path.c_str());
        return false;
    }
    return true;
}

/// A small rising "bloop", the sound of an air bubble.
Note bubble(double start, double frequency, double amplitude)
{
    Note n;
    n.start = start;
    n.hold = 0.03;
    n.attack = 0.005;
    n.release = 0.05;
    n.frequency = frequency;
    n.glideTo = frequency * 1.8;
    n.glideTime = 0.07;
    n.amplitude = amplitude;
    return n;
}

// The loop: 16 beats at 80 beats per minute, four chords of four beats each, in D minor.
constexpr double BEAT = 0.75;
constexpr int BEATS = 16;

Track makeMusic()
{
    Track track(11025, BEAT * BEATS, true);
    struct Chord
    {
        int bass;
        std::vector<int> pad; // MIDI notes
    };
    const std::vector<Chord> chords = {
        {38, {50, 53, 57, 60, 64}}, // D minor 9
        {34, {46, 50, 53, 57}},     // B flat major 7
        {31, {43, 46, 50, 53, 57}}, // G minor 9
        {33, {45, 50, 52, 55}},     // A suspended, leading back to D
    };
    for (std::size_t c = 0; c < chords.size(); ++c)
    {
        const double bar = static_cast<double>(c) * 4 * BEAT;
        for (int midi : chords[c].pad)
        {
            // Two slightly detuned voices beat slowly against each other: a watery shimmer.
            for (double detune : {0.9985, 1.0015})
            {
                Note pad;
                pad.start = bar;
                pad.attack = 0.9;
                pad.hold = 4 * BEAT - 0.2;
                pad.release = 0.35;
                pad.frequency = midiToHz(midi) * detune;
                pad.harmonics = {1.0, 0.25, 0.08};
                pad.amplitude = 0.05;
                addNote(track, pad);
            }
        }
        for (int half = 0; half < 2; ++half)
        {
            Note bass;
            bass.start = bar + half * 2 * BEAT;
            bass.attack = 0.03;
            bass.hold = 0.2;
            bass.release = 0.45;
            bass.frequency = midiToHz(chords[c].bass);
            bass.harmonics = {1.0, 0.35, 0.1};
            bass.amplitude = 0.22;
            addNote(track, bass);
        }
        // Bubbly arpeggio on the chord, two octaves up, on off-beats with a few rests.
        const std::vector<int> pattern = {0, 2, -1, 3, 1, -1, 2, 4};
        for (std::size_t step = 0; step < pattern.size(); ++step)
        {
            if (pattern[step] < 0)
            {
                continue;
            }
            const auto& tones = chords[c].pad;
            const int midi = tones[static_cast<std::size_t>(pattern[step]) % tones.size()] + 12;
            Note pluck;
            pluck.start = bar + (static_cast<double>(step) + 0.5) * BEAT / 2;
            pluck.attack = 0.008;
            pluck.hold = 0.02;
            pluck.release = 0.22;
            pluck.frequency = midiToHz(midi) * 0.97;
            pluck.glideTo = midiToHz(midi);
            pluck.glideTime = 0.04;
            pluck.harmonics = {1.0, 0.15};
            pluck.amplitude = 0.07;
            addNote(track, pluck);
        }
    }
    // A slow, sparse melody: (beat, length in beats, MIDI note).
    const std::vector<std::vector<double>> melody = {
        {0, 2, 69}, {2, 1, 65}, {3, 1, 64}, {4, 3, 62}, {7, 1, 65}, {8, 2, 67}, {10, 2, 70}, {12, 3, 69}, {15, 1, 64},
    };
    for (const auto& m : melody)
    {
        Note voice;
        voice.start = m[0] * BEAT;
        voice.attack = 0.12;
        voice.hold = m[1] * BEAT - 0.1;
        voice.release = 0.18;
        voice.frequency = midiToHz(static_cast<int>(m[2]));
        voice.vibratoRate = 5.0;
        voice.vibratoDepth = 0.006;
        voice.harmonics = {1.0, 0.12, 0.05};
        voice.amplitude = 0.08;
        addNote(track, voice);
    }
    echo(track, BEAT / 2, {0.3, 0.12});
    lowPass(track, 1600.0); // muffled, as heard under water
    finish(track, 0.6);
    return track;
}

Track makeImpact()
{
    Track track(22050, 0.45, false);
    Note thump;
    thump.attack = 0.003;
    thump.hold = 0.02;
    thump.release = 0.09;
    thump.frequency = 190.0;
    thump.glideTo = 55.0;
    thump.glideTime = 0.18;
    thump.harmonics = {1.0, 0.3};
    thump.amplitude = 0.8;
    addNote(track, thump);

    // A short burst of dull noise: the hit itself.
    Noise noise(0x51A5u);
    Track burst(track.rate, 0.45, false);
    for (std::size_t i = 0; i < burst.samples.size(); ++i)
    {
        const double t = static_cast<double>(i) / burst.rate;
        burst.samples[i] = noise.next() * std::exp(-t / 0.025) * std::min(t / 0.002, 1.0);
    }
    lowPass(burst, 900.0);
    for (std::size_t i = 0; i < track.samples.size(); ++i)
    {
        track.samples[i] += 1.6 * burst.samples[i];
    }
    // A few bubbles knocked loose.
    addNote(track, bubble(0.09, 520.0, 0.12));
    addNote(track, bubble(0.15, 690.0, 0.09));
    addNote(track, bubble(0.22, 610.0, 0.07));
    finish(track, 0.85);
    return track;
}

Track makeDeath()
{
    Track track(22050, 1.8, false);
    // A falling minor phrase, then a long sinking glide.
    const std::vector<std::vector<double>> phrase = {{0.0, 69}, {0.18, 65}, {0.36, 62}};
    for (const auto& p : phrase)
    {
        Note n;
        n.start = p[0];
        n.attack = 0.01;
        n.hold = 0.12;
        n.release = 0.1;
        n.frequency = midiToHz(static_cast<int>(p[1]));
        n.vibratoRate = 6.0;
        n.vibratoDepth = 0.01;
        n.harmonics = {1.0, 0.0, 0.11, 0.0, 0.04}; // odd partials: a soft, hollow tone
        n.amplitude = 0.35;
        addNote(track, n);
    }
    Note sink;
    sink.start = 0.54;
    sink.attack = 0.02;
    sink.hold = 0.55;
    sink.release = 0.15;
    sink.frequency = midiToHz(61);
    sink.glideTo = midiToHz(49);
    sink.glideTime = 0.7;
    sink.vibratoRate = 4.5;
    sink.vibratoDepth = 0.02;
    sink.harmonics = {1.0, 0.0, 0.11, 0.0, 0.04};
    sink.amplitude = 0.35;
    addNote(track, sink);
    // The fish floats up: a trail of bubbles, closer together and higher as it rises.
    Noise jitter(0xD1E5u);
    double t = 0.7;
    double pitch = 380.0;
    while (t < 1.55)
    {
        addNote(track, bubble(t, pitch * (1.0 + 0.08 * jitter.next()), 0.08));
        t += 0.11 - 0.04 * (t - 0.7);
        pitch *= 1.06;
    }
    finish(track, 0.8);
    return track;
}

Track makePowerUp()
{
    Track track(22050, 0.75, false);
    // A quick rising D major arpeggio on bell-like partials.
    const std::vector<int> notes = {74, 78, 81, 86};
    for (std::size_t i = 0; i < notes.size(); ++i)
    {
        Note bell;
        bell.start = 0.055 * static_cast<double>(i);
        bell.attack = 0.004;
        bell.hold = 0.01;
        bell.release = i + 1 == notes.size() ? 0.16 : 0.07;
        bell.frequency = midiToHz(notes[i]);
        bell.vibratoRate = i + 1 == notes.size() ? 7.0 : 0.0;
        bell.vibratoDepth = 0.004;
        bell.harmonics = {1.0, 0.35, 0.12, 0.05};
        bell.amplitude = 0.3;
        addNote(track, bell);
    }
    finish(track, 0.75);
    return track;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: qm_synth <output directory>\n");
        return 1;
    }
    const std::string dir = std::string(argv[1]) + "/";
    bool ok = writeWav(dir + "Music.wav", makeMusic());
    ok = writeWav(dir + "Impact.wav", makeImpact()) && ok;
    ok = writeWav(dir + "DeathSound.wav", makeDeath()) && ok;
    ok = writeWav(dir + "PowerUp.wav", makePowerUp()) && ok;
    return ok ? 0 : 1;
}
