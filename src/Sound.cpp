#include <qm/LogManager.h>
#include <qm/Sound.h>

namespace qm
{

Sound::~Sound()
{
    sound.resetBuffer(); // the voice must let go of the samples before they are freed
}

int Sound::loadSound(std::string filename)
{
    if (!buffer.loadFromFile(filename))
    {
        return -1;
    }
    sound.setBuffer(buffer);
    return 0;
}

void Sound::play(bool loop)
{
    LogManager::getInstance().writeLog(5, "Sound::play(): Playing sound.");
    sound.play();
    sound.setLoop(loop);
}

void Sound::stop()
{
    sound.stop();
}

} // namespace qm
