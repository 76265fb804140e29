#include "audio/AudioDevice.h"

#include <qm/LogManager.h>
#include <qm/Sound.h>

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/Audio/Sound.hpp>
#include <SFML/Audio/SoundBuffer.hpp>

#include <vector>

namespace qm
{

namespace
{
// Decodes every sample of the file without handing it to the audio device, exactly as far
// as a load with a device would, so that the same files are accepted and refused.
bool decodes(const std::string& filename)
{
    sf::InputSoundFile file;
    if (!file.openFromFile(filename))
    {
        return false;
    }
    std::vector<sf::Int16> samples(1 << 14);
    sf::Uint64 total = 0;
    for (sf::Uint64 read; (read = file.read(samples.data(), samples.size())) > 0;)
    {
        total += read;
    }
    return total == file.getSampleCount();
}
} // namespace

Sound::Sound() = default;

Sound::~Sound()
{
    if (sound)
    {
        sound->resetBuffer(); // the voice must let go of the samples before they are freed
    }
}

int Sound::loadSound(std::string filename)
{
    if (!AudioDevice::isAvailable())
    {
        return decodes(filename) ? 0 : -1;
    }
    auto loaded = std::make_unique<sf::SoundBuffer>();
    if (!loaded->loadFromFile(filename))
    {
        return -1;
    }
    if (!sound)
    {
        sound = std::make_unique<sf::Sound>();
    }
    sound->stop();
    sound->setBuffer(*loaded);
    buffer = std::move(loaded);
    return 0;
}

void Sound::play(bool loop)
{
    LogManager::getInstance().writeLog(5, "Sound::play(): Playing sound.");
    if (sound)
    {
        sound->play();
        sound->setLoop(loop);
    }
}

void Sound::stop()
{
    if (sound)
    {
        sound->stop();
    }
}

} // namespace qm
