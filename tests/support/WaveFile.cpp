#include "support/WaveFile.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace qmtest
{

namespace
{
void put32(std::string& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
    {
        out += static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

void put16(std::string& out, std::uint16_t value)
{
    out += static_cast<char>(value & 0xff);
    out += static_cast<char>(value >> 8);
}

std::uint32_t get32(const std::string& in, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
    {
        value = (value << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

std::uint16_t get16(const std::string& in, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(in[at]) |
                                      (static_cast<unsigned char>(in[at + 1]) << 8));
}
} // namespace

void writeTone(const std::string& path, double seconds, int frequency, int sampleRate)
{
    const auto count = static_cast<std::uint32_t>(seconds * sampleRate);
    std::string data;
    const int halfPeriod = sampleRate / (2 * frequency);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const bool high = (static_cast<int>(i) / halfPeriod) % 2 == 0;
        put16(data, static_cast<std::uint16_t>(high ? 16000 : -16000));
    }
    std::string out = "RIFF";
    put32(out, static_cast<std::uint32_t>(36 + data.size()));
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1); // PCM
    put16(out, 1); // mono
    put32(out, static_cast<std::uint32_t>(sampleRate));
    put32(out, static_cast<std::uint32_t>(sampleRate * 2));
    put16(out, 2);
    put16(out, 16);
    out += "data";
    put32(out, static_cast<std::uint32_t>(data.size()));
    out += data;
    std::ofstream(path, std::ios::binary) << out;
}

WaveData readWave(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::string in((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    WaveData wave;
    if (in.size() < 12 || in.compare(0, 4, "RIFF") != 0 || in.compare(8, 4, "WAVE") != 0)
    {
        return wave;
    }
    int bits = 0;
    for (std::size_t at = 12; at + 8 <= in.size();)
    {
        const std::string id = in.substr(at, 4);
        std::size_t size = get32(in, at + 4);
        const std::size_t body = at + 8;
        if (id == "fmt " && body + 16 <= in.size())
        {
            wave.channels = get16(in, body + 2);
            wave.sampleRate = static_cast<int>(get32(in, body + 4));
            bits = get16(in, body + 14);
        }
        else if (id == "data")
        {
            // A file still being written may claim more (or, unfinished, less) than it holds.
            size = std::min(size == 0 ? in.size() : size, in.size() - body);
            if (bits != 16)
            {
                return {};
            }
            for (std::size_t i = 0; i + 1 < size; i += 2)
            {
                wave.samples.push_back(static_cast<std::int16_t>(get16(in, body + i)));
            }
            return wave;
        }
        at = body + size + (size % 2);
    }
    return wave;
}

double WaveData::loudSpan(int threshold) const
{
    std::size_t first = samples.size();
    std::size_t last = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
    {
        if (std::abs(samples[i]) > threshold)
        {
            first = std::min(first, i);
            last = i;
        }
    }
    if (first >= samples.size() || sampleRate == 0 || channels == 0)
    {
        return 0.0;
    }
    return static_cast<double>(last - first) / channels / sampleRate;
}

double WaveData::loudSeconds(int threshold) const
{
    std::size_t loud = 0;
    for (const std::int16_t sample : samples)
    {
        loud += std::abs(sample) > threshold ? 1 : 0;
    }
    return sampleRate == 0 || channels == 0 ? 0.0 : static_cast<double>(loud) / channels / sampleRate;
}

} // namespace qmtest
