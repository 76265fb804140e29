#include "serialization/AttributeText.h"

#include <qm/Animation.h>
#include <qm/LogManager.h>
#include <qm/ResourceManager.h>
#include <qm/Sprite.h>
#include <qm/match.h>
#include <qm/utility.h>

#include <algorithm>
#include <climits>

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
    // Counted in a wider type: counters set from outside (deserialization, setters) may sit
    // at the top of the int range.
    const long long count = static_cast<long long>(slowdownCount) + 1;
    setSlowdownCount(static_cast<int>(std::min<long long>(count, INT_MAX)));
    if (count < sprite->getSlowdown())
    {
        return result;
    }
    setSlowdownCount(0);
    const long long next = static_cast<long long>(index) + 1;
    setIndex(next >= sprite->getFrameCount() ? 0 : static_cast<int>(next));
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

std::string Animation::serialize(std::string attr)
{
    if (!attribute::isSelected(attr, "ANIMATION", modified))
    {
        return "";
    }
    modified = false;
    // The label of the sprite played, so that a copy finds the same sprite (the name alone may
    // have been changed since).
    const std::string label = sprite == nullptr ? std::string() : sprite->getLabel();
    return "sprite_name:" + attribute::writeText(label) + ",sprite_index:" + toString(index) +
           ",sprite_slowdown_count:" + toString(slowdownCount) + ",";
}

int Animation::deserialize(std::string str)
{
    // An empty text would leave the previous parse in place and apply that again.
    if (str.empty())
    {
        return 0;
    }
    LogManager& log = LogManager::getInstance();
    match(str, "");
    if (hasMatch("sprite_name"))
    {
        const std::string label = attribute::readText(match("", "sprite_name"));
        log.writeLog(20, "Animation::deserialize(): sprite_name is '%s'", attribute::clip(label).c_str());
        if (label.empty())
        {
            if (sprite != nullptr)
            {
                setSprite(nullptr);
            }
        }
        else
        {
            Sprite* found = ResourceManager::getInstance().getSprite(label);
            if (found == nullptr)
            {
                log.writeLog("Animation::Match(): Sprite '%s' not found", attribute::clip(label).c_str());
            }
            else if (found != sprite)
            {
                setSprite(found);
            }
        }
    }
    const auto readCounter = [](const char* key, int& value)
    { return attribute::readIntValue("Animation::deserialize()", key, value); };
    int value = 0;
    if (readCounter("sprite_index", value))
    {
        log.writeLog(20, "Animation::deserialize(): sprite_index is %d", value);
        setIndex(value);
    }
    if (readCounter("sprite_slowdown_count", value))
    {
        log.writeLog(20, "Animation::deserialize(): sprite_slowdown_count is %d", value);
        setSlowdownCount(value);
    }
    return 0;
}

} // namespace qm
