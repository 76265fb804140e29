#include "audio/AudioDevice.h"

#include "platform/Platform.h"

#include <SFML/Audio/SoundBuffer.hpp>
#include <SFML/System/Err.hpp>

#include <sstream>

namespace qm
{

namespace
{
struct Probe
{
    bool available = false;
    std::vector<std::string> messages;
};

void addLines(const std::string& text, std::vector<std::string>& lines)
{
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
    {
        if (!line.empty())
        {
            lines.push_back(line);
        }
    }
}

Probe runProbe()
{
    // The library reports a device it cannot open (and each call that then fails) on its
    // error stream, while the layers below it write to standard error directly.
    std::ostringstream libraryErrors;
    std::streambuf* previous = sf::err().rdbuf(libraryErrors.rdbuf());
    const std::string printed = platform::captureStandardError([] { sf::SoundBuffer probe; });
    sf::err().rdbuf(previous);

    Probe probe;
    probe.available = libraryErrors.str().empty();
    addLines(printed, probe.messages);
    addLines(libraryErrors.str(), probe.messages);
    return probe;
}

const Probe& probeOnce()
{
    static const Probe probe = runProbe();
    return probe;
}
} // namespace

bool AudioDevice::isAvailable()
{
    return probeOnce().available;
}

const std::vector<std::string>& AudioDevice::getMessages()
{
    return probeOnce().messages;
}

} // namespace qm
