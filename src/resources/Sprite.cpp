#include <qm/LogManager.h>
#include <qm/Sprite.h>

namespace qm
{

Sprite::Sprite(int maxFrames)
{
    if (maxFrames < 0)
    {
        LogManager::getInstance().writeLog("Sprite::Sprite(): Error! Unable to allocate %d frames.", maxFrames);
        return;
    }
    maxFrameCount = maxFrames;
}

int Sprite::addFrame(Frame frame)
{
    if (getFrameCount() >= maxFrameCount)
    {
        return -1;
    }
    frames.push_back(std::move(frame));
    return 0;
}

Frame Sprite::getFrame(int index) const
{
    if (index < 0 || index >= getFrameCount())
    {
        return Frame();
    }
    return frames[static_cast<std::size_t>(index)];
}

int Sprite::draw(int frameIndex, Vector position, char32_t transparencyChar) const
{
    if (frameIndex < 0 || frameIndex >= getFrameCount())
    {
        return 0;
    }
    return frames[static_cast<std::size_t>(frameIndex)].draw(position, color, transparencyChar);
}

} // namespace qm
