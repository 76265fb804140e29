// The table of sprites, sounds and music, each found by its label; sprite files are read by
// SpriteFile.
#include "audio/AudioDevice.h"
#include "core/Utf8.h"
#include "resources/SpriteFile.h"
#include "serialization/AttributeText.h"

#include <qm/LogManager.h>
#include <qm/ResourceManager.h>

#include <filesystem>
#include <fstream>

namespace qm
{

namespace
{
int notLoaded(const std::string& label)
{
    LogManager::getInstance().writeLog("ResourceManager::loadSprite(): Sprite '%s' not loaded.", label.c_str());
    return -1;
}

// Logs each frame row by row (at level 15) as the sprite was read.
void dumpFrames(const Sprite& sprite)
{
    const LogManager& log = LogManager::getInstance();
    if (log.getLogLevel() < 15)
    {
        return;
    }
    log.writeLog(15, "Sprite '%s' frames:", sprite.getLabel().c_str());
    for (int i = 0; i < sprite.getFrameCount(); ++i)
    {
        const Frame frame = sprite.getFrame(i);
        const std::string text = frame.getString();
        log.writeLog(15, "Frame %d:", i + 1);
        // A row is `width` characters, which in UTF-8 may be more bytes.
        for (std::size_t at = 0; at < text.size();)
        {
            const std::size_t start = at;
            for (int x = 0; x < frame.getWidth() && at < text.size(); ++x)
            {
                at += utf8::decodeAt(text, at).length;
            }
            if (at == start)
            {
                break; // a frame of width 0 has no rows to show
            }
            log.writeLog(15, "\t%s", text.substr(start, at - start).c_str());
        }
    }
}
// What the sound and music loaders share: the next free slot of `items` (`count` taken) loads
// `filename` with `load` and takes `label`. A slot whose load failed keeps its object for the
// next load. `method` names the loader in the failure message, `noun` and `name` the kind.
template <typename T, typename Load>
int loadIntoSlot(std::unique_ptr<T>* items, int& count, const std::string& filename, const std::string& label,
                 Load load, const char* method, const char* noun, const char* name)
{
    const LogManager& log = LogManager::getInstance();
    if (!items[count])
    {
        items[count] = std::make_unique<T>();
    }
    if (load(*items[count], filename) != 0)
    {
        log.writeLog("ResourceManager::%s(): Error! Cannot load %s from file '%s'.", method, noun, filename.c_str());
        return -1;
    }
    items[count]->setLabel(label);
    log.writeLog(1, "ResourceManager::load%s(): %s '%s' successfully loaded.", name, name, label.c_str());
    ++count;
    return 0;
}

// The first resource in load order whose label is `label`, or null with a warning. `kind`
// names it in the messages ("sprite"), `method` is the look-up's name ("getSprite").
template <typename T>
T* findByLabel(const std::unique_ptr<T>* items, int count, const std::string& label, const char* method,
               const char* kind)
{
    const LogManager& log = LogManager::getInstance();
    log.writeLog(5, "ResourceManager::%s(): Looking for %s '%s'.", method, kind, label.c_str());
    for (int i = 0; i < count; ++i)
    {
        if (items[i]->getLabel() == label)
        {
            return items[i].get();
        }
    }
    std::string capitalised = kind;
    capitalised[0] = static_cast<char>(capitalised[0] - 'a' + 'A');
    log.writeLog("ResourceManager::%s(): Warning! %s '%s' not found.", method, capitalised.c_str(),
                 attribute::clip(label).c_str());
    return nullptr;
}
} // namespace

ResourceManager::ResourceManager()
{
    setType("ResourceManager");
}

ResourceManager::~ResourceManager() = default;

ResourceManager& ResourceManager::getInstance()
{
    static ResourceManager instance;
    return instance;
}

int ResourceManager::startUp()
{
    if (isStarted())
    {
        LogManager::getInstance().writeLog("ResourceManager::startUp(): Already started.");
        return 0;
    }
    spriteCount = 0;
    soundCount = 0;
    musicCount = 0;
    silentAudioReported = false;
    Manager::startUp();
    LogManager::getInstance().writeLog(5, "ResourceManager::startUp(): successfully started.");
    return 0;
}

void ResourceManager::shutDown()
{
    for (int i = 0; i < spriteCount; ++i)
    {
        sprites[i].reset();
    }
    spriteCount = 0;
    for (int i = 0; i < soundCount; ++i)
    {
        sounds[i]->stop();
    }
    for (int i = 0; i < musicCount; ++i)
    {
        music[i]->stop();
    }
    Manager::shutDown();
    LogManager::getInstance().writeLog(5, "ResourceManager::shutDown(): successfully stopped.");
}

int ResourceManager::loadSprite(std::string filename, std::string label)
{
    const LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("%s not started!", "ResourceManager");
        return -1;
    }
    if (spriteCount == MAX_SPRITES)
    {
        log.writeLog("ResourceManager::loadSprite(): Error! Cannot add more Sprites (max is %d).", MAX_SPRITES);
        return notLoaded(label);
    }
    log.writeLog("ResourceManager::loadSprite(): Loading sprite '%s'.", filename.c_str());
    // Opening a named pipe would wait for a writer for ever: such a path is no sprite file.
    std::error_code ignored;
    const bool pipe = std::filesystem::is_fifo(filename, ignored);
    std::ifstream file;
    if (!pipe)
    {
        file.open(filename);
    }
    if (!file.is_open())
    {
        log.writeLog("ResourceManager::loadSprite(): Error! Cannot open file '%s'.", filename.c_str());
        return notLoaded(label);
    }
    log.writeLog(1, "ResourceManager::loadSprite(): Opened file '%s'.", filename.c_str());
    SpriteFile reader(file);
    std::unique_ptr<Sprite> sprite = reader.read();
    setLineNumber(reader.getLineNumber());
    if (!sprite)
    {
        return notLoaded(label);
    }
    sprite->setLabel(label);
    sprites[spriteCount] = std::move(sprite);
    ++spriteCount;
    dumpFrames(*sprites[spriteCount - 1]);
    log.writeLog("ResourceManager::loadSprite(): Sprite '%s' loaded.", label.c_str());
    return 0;
}

Sprite* ResourceManager::getSprite(std::string label) const
{
    return findByLabel(sprites, spriteCount, label, "getSprite", "sprite");
}

void ResourceManager::reportSilentAudio(const char* origin)
{
    if (silentAudioReported || AudioDevice::isAvailable())
    {
        return;
    }
    silentAudioReported = true;
    const LogManager& log = LogManager::getInstance();
    log.writeLog("%s: Warning! No audio device: sounds and music load but play silently.", origin);
    // What the audio library said about the device, for whoever needs to know why.
    for (const std::string& line : AudioDevice::getMessages())
    {
        log.writeLog(1, "\t%s", line.c_str());
    }
}

int ResourceManager::loadSound(std::string filename, std::string label)
{
    const LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("%s not started!", "ResourceManager");
        return -1;
    }
    if (soundCount == MAX_SOUNDS)
    {
        log.writeLog("ResourceManager::loadSound(): Error! Unable to add more sounds (max is %d).", MAX_SOUNDS);
        return -1;
    }
    reportSilentAudio("ResourceManager::loadSound()");
    return loadIntoSlot(
        sounds, soundCount, filename, label,
        [](Sound& sound, const std::string& file) { return sound.loadSound(file); }, "loadSound", "sound", "Sound");
}

Sound* ResourceManager::getSound(std::string label) const
{
    return findByLabel(sounds, soundCount, label, "getSound", "sound");
}

int ResourceManager::loadMusic(std::string filename, std::string label)
{
    const LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("%s not started!", "ResourceManager");
        return -1;
    }
    if (musicCount == MAX_MUSICS)
    {
        log.writeLog("ResourceManager::loadMusic(): Error! Unable to add more musics (max is %d).", MAX_MUSICS);
        return -1;
    }
    if (label.empty())
    {
        log.writeLog("ResourceManager::loadMusic(): Error! Must provide label for music.");
        return -1;
    }
    reportSilentAudio("ResourceManager::loadMusic()");
    return loadIntoSlot(
        music, musicCount, filename, label, [](Music& piece, const std::string& file) { return piece.loadMusic(file); },
        "loadmusic", "music", "Music");
}

Music* ResourceManager::getMusic(std::string label) const
{
    return findByLabel(music, musicCount, label, "getMusic", "music");
}

} // namespace qm
