#ifndef QM_MUSIC_H
#define QM_MUSIC_H

#include <SFML/Audio/Music.hpp>

#include <string>

namespace qm
{

/// A piece of music streamed from its file while it plays, found by its label. Owned by
/// the resource manager; game code gets it with ResourceManager::getMusic.
class Music
{
public:
    Music() = default;
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    /// Opens the file for streaming. Returns -1 (without a message) when it cannot.
    int loadMusic(std::string filename);

    void setLabel(std::string newLabel) { label = std::move(newLabel); }
    std::string getLabel() const { return label; }

    /// Starts streaming, repeating when `loop` is true.
    void play(bool loop = true);
    void stop();

private:
    sf::Music music;
    std::string label = "[Undefined]";
};

} // namespace qm

#endif
