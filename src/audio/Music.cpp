#include "audio/AudioDevice.h"

#include <qm/LogManager.h>
#include <qm/Music.h>

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/Audio/Music.hpp>

namespace qm
{

Music::Music() = default;

Music::~Music() = default;

int Music::loadMusic(std::string filename)
{
    if (!AudioDevice::isAvailable())
    {
        // Streaming would open the file the same way; nothing is kept open for a silent
        // player.
        sf::InputSoundFile file;
        return file.openFromFile(filename) ? 0 : -1;
    }
    if (!music)
    {
        music = std::make_unique<sf::Music>();
    }
    return music->openFromFile(filename) ? 0 : -1;
}

void Music::play(bool loop)
{
    LogManager::getInstance().writeLog(5, "Music::play(): Playing music.");
    if (music)
    {
        // The loop flag goes in before playing: the stream's thread reads the first chunk at
        // once, and a piece shorter than a chunk that reached its end before the flag was
        // set would play only once.
        music->setLoop(loop);
        music->play();
    }
}

void Music::stop()
{
    LogManager::getInstance().writeLog(5, "Music::stop(): Stopping music.");
    if (music)
    {
        music->stop();
    }
}

} // namespace qm
