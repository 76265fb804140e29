#include <qm/LogManager.h>
#include <qm/ResourceManager.h>

namespace qm
{

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

Sprite* ResourceManager::getSprite(std::string label) const
{
    const LogManager& log = LogManager::getInstance();
    log.writeLog(5, "ResourceManager::getSprite(): Looking for sprite '%s'.", label.c_str());
    for (int i = 0; i < spriteCount; ++i)
    {
        if (sprites[i]->getLabel() == label)
        {
            return sprites[i].get();
        }
    }
    log.writeLog("ResourceManager::getSprite(): Warning! Sprite '%s' not found.", label.c_str());
    return nullptr;
}

Sound* ResourceManager::getSound(std::string label) const
{
    const LogManager& log = LogManager::getInstance();
    log.writeLog(5, "ResourceManager::getSound(): Looking for sound '%s'.", label.c_str());
    for (int i = 0; i < soundCount; ++i)
    {
        if (sounds[i]->getLabel() == label)
        {
            return sounds[i].get();
        }
    }
    log.writeLog("ResourceManager::getSound(): Warning! Sound '%s' not found.", label.c_str());
    return nullptr;
}

Music* ResourceManager::getMusic(std::string label) const
{
    const LogManager& log = LogManager::getInstance();
    log.writeLog(5, "ResourceManager::getMusic(): Looking for music '%s'.", label.c_str());
    for (int i = 0; i < musicCount; ++i)
    {
        if (music[i]->getLabel() == label)
        {
            return music[i].get();
        }
    }
    log.writeLog("ResourceManager::getMusic(): Warning! Music '%s' not found.", label.c_str());
    return nullptr;
}

} // namespace qm
