#ifndef QM_RESOURCEMANAGER_H
#define QM_RESOURCEMANAGER_H

#include <qm/Manager.h>
#include <qm/Music.h>
#include <qm/Sound.h>
#include <qm/Sprite.h>

#include <memory>
#include <string>

namespace qm
{

constexpr int MAX_SPRITES = 1000;
constexpr int MAX_SOUNDS = 100;
constexpr int MAX_MUSICS = 50;

/// Owns every loaded sprite, sound and piece of music, each registered under a label and
/// found again by it (the first match in load order). Pointers handed out stay valid until
/// shutDown (sprites) or the end of the program (sounds, music).
class ResourceManager : public Manager
{
public:
    static ResourceManager& getInstance();
    ~ResourceManager() override;

    /// Clears the counts. Returns 0.
    int startUp() override;

    /// Destroys every sprite and stops every sound and piece of music.
    void shutDown() override;

    /// The sprite with that label, or null (with a warning in the log).
    Sprite* getSprite(std::string label) const;

    /// The sound with that label, or null (with a warning in the log).
    Sound* getSound(std::string label) const;

    /// The music with that label, or null (with a warning in the log).
    Music* getMusic(std::string label) const;

private:
    ResourceManager();

    std::unique_ptr<Sprite> sprites[MAX_SPRITES];
    int spriteCount = 0;
    std::unique_ptr<Sound> sounds[MAX_SOUNDS];
    int soundCount = 0;
    std::unique_ptr<Music> music[MAX_MUSICS];
    int musicCount = 0;
};

} // namespace qm

#endif
