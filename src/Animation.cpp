#include <qm/Animation.h>
#include <qm/Sprite.h>

namespace qm
{

void Animation::setSprite(Sprite* newSprite)
{
    if (newSprite != nullptr)
    {
        setName(newSprite->getLabel());
    }
    sprite = newSprite;
    modified = true;
    setIndex(0);
}

void Animation::setName(std::string newName)
{
    if (newName != name)
    {
        name = std::move(newName);
        modified = true;
    }
}

void Animation::setIndex(int newIndex)
{
    if (newIndex != index)
    {
        index = newIndex;
        modified = true;
    }
}

void Animation::setSlowdownCount(int count)
{
    if (count != slowdownCount)
    {
        slowdownCount = count;
        modified = true;
    }
}

int Animation::draw(Vector position)
{
    if (sprite == nullptr)
    {
        return 0;
    }
    const int result = sprite->draw(index, position, sprite->getTransparency());
    if (slowdownCount == -1)
    {
        return result;
    }
    setSlowdownCount(slowdownCount + 1);
    if (slowdownCount < sprite->getSlowdown())
    {
        return result;
    }
    setSlowdownCount(0);
    setIndex(index + 1);
    if (index >= sprite->getFrameCount())
    {
        setIndex(0);
    }
    return result;
}

Box Animation::getBox() const
{
    if (sprite == nullptr)
    {
        return Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f);
    }
    const float w = static_cast<float>(sprite->getWidth());
    const float h = static_cast<float>(sprite->getHeight());
    return Box(Vector(-w * 0.5f, -h * 0.5f), w, h);
}

} // namespace qm
