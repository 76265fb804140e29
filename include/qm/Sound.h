#ifndef QM_SOUND_H
#define QM_SOUND_H

#include <SFML/Audio/Sound.hpp>
#include <SFML/Audio/SoundBuffer.hpp>

#include <string>

namespace qm
{

/// A short sound effect held wholly in memory, found by its label. Owned by the resource
/// manager; game code gets it with ResourceManager::getSound and calls play.
class Sound
{
public:
    Sound() = default;
    ~Sound();
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    /// Decodes the whole file. Returns -1 (without a message) when it cannot be read.
    int loadSound(std::string filename);

    void setLabel(std::string newLabel) { label = std::move(newLabel); }
    std::string getLabel() const { return label; }

    /// Starts playing, repeating until stop when `loop` is true.
    void play(bool loop = false);
    void stop();

private:
    sf::Sound sound;
    sf::SoundBuffer buffer;
    std::string label = "[Undefined]";
};

} // namespace qm

#endif
