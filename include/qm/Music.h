#ifndef QM_MUSIC_H
#define QM_MUSIC_H

#include <memory>
#include <string>

namespace sf
{
class Music;
}

namespace qm
{

/// A piece of music streamed from its file while it plays, found by its label. Owned by
/// the resource manager; game code gets it with ResourceManager::getMusic.
///
/// As with Sound, the audio library's stream is made on the first successful load; without
/// an audio device the file is only checked (its header read) and play and stop are silent.
class Music
{
public:
    Music();
    ~Music();
    Music(const Music&) = delete;
    Music& operator=(const Music&) = delete;

    /// Opens the file for streaming. Returns -1 (without a message here) when it cannot.
    int loadMusic(std::string filename);

    void setLabel(std::string newLabel) { label = std::move(newLabel); }
    std::string getLabel() const { return label; }

    /// Starts streaming, repeating when `loop` is true. Logs "Music::play(): Playing
    /// music." at level 5.
    void play(bool loop = true);

    /// Stops streaming. Logs "Music::stop(): Stopping music." at level 5, playing or not.
    void stop();

private:
    std::unique_ptr<sf::Music> music;
    std::string label = "[Undefined]";
};

} // namespace qm

#endif
