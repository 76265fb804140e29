#ifndef QM_SOUND_H
#define QM_SOUND_H

#include <memory>
#include <string>

namespace sf
{
class Sound;
class SoundBuffer;
} // namespace sf

namespace qm
{

/// A short sound effect held wholly in memory, found by its label. Owned by the resource
/// manager; game code gets it with ResourceManager::getSound and calls play.
///
/// The audio library's objects are made on the first successful load, never before: a
/// sound that is never loaded does not touch the audio device. When the machine has no
/// audio device the file is still decoded in full (so a bad file is refused as anywhere
/// else) and play and stop do nothing.
class Sound
{
public:
    Sound();
    ~Sound();
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    /// Decodes the whole file. Returns -1 (without a message here) when it cannot be read
    /// or decoded; the sound then keeps what it had.
    int loadSound(std::string filename);

    void setLabel(std::string newLabel) { label = std::move(newLabel); }
    std::string getLabel() const { return label; }

    /// Starts playing from the beginning, repeating until stop when `loop` is true. Logs
    /// "Sound::play(): Playing sound." at level 5. Silent without an audio device or a load.
    void play(bool loop = false);

    /// Stops playing. Nothing happens when it is not playing.
    void stop();

private:
    // Declared first so that it is destroyed after the voice that plays from it.
    std::unique_ptr<sf::SoundBuffer> buffer;
    std::unique_ptr<sf::Sound> sound;
    std::string label = "[Undefined]";
};

} // namespace qm

#endif
