#include "Mirror.h"

#include <qm/DisplayManager.h>
#include <qm/Sprite.h>
#include <qm/utility.h>

#include <algorithm>
#include <cctype>

namespace
{
const std::string SOLIDNESS_KEY = "solidness:";

// Where the pair of `key` (with its colon) begins in an attribute text, from `from` on.
std::size_t findPair(const std::string& text, const std::string& key, std::size_t from = 0)
{
    for (std::size_t at = text.find(key, from); at != std::string::npos; at = text.find(key, at + 1))
    {
        if (at == 0 || text[at - 1] == ',')
        {
            return at;
        }
    }
    return std::string::npos;
}
} // namespace

std::string withoutSolidness(std::string attributes, int& solidness)
{
    attributes.erase(std::remove_if(attributes.begin(), attributes.end(),
                                    [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }),
                     attributes.end());
    bool first = true;
    for (std::size_t at = findPair(attributes, SOLIDNESS_KEY); at != std::string::npos;
         at = findPair(attributes, SOLIDNESS_KEY, at))
    {
        const std::size_t end = attributes.find(',', at);
        const std::string value = attributes.substr(
            at + SOLIDNESS_KEY.size(), end == std::string::npos ? std::string::npos : end - at - SOLIDNESS_KEY.size());
        if (first && value.size() == 1 && value[0] >= '0' && value[0] <= '2')
        {
            solidness = value[0] - '0';
        }
        first = false;
        attributes.erase(at, end == std::string::npos ? std::string::npos : end + 1 - at);
    }
    return attributes;
}

std::string withSolidness(std::string text, int solidness)
{
    const std::size_t at = findPair(text, SOLIDNESS_KEY + std::to_string(qm::SPECTRAL) + ",");
    if (at != std::string::npos)
    {
        text[at + SOLIDNESS_KEY.size()] = static_cast<char>('0' + solidness);
    }
    return text;
}

Mirror::Mirror()
{
    setType("Mirror");
    setSolidness(qm::SPECTRAL);
}

int Mirror::apply(const std::string& attributes)
{
    applying = true;
    deserialize(withoutSolidness(attributes, gameSolidness));
    applying = false;
    return 0;
}

std::string Mirror::serialize(std::string attr)
{
    return withSolidness(Object::serialize(attr), gameSolidness);
}

int Mirror::setPosition(qm::Vector where)
{
    return applying ? Object::setPosition(where) : 0;
}

int Mirror::draw()
{
    // The one game object that is not a sprite.
    if (getType() == "Bubble")
    {
        return qm::DisplayManager::getInstance().drawCh(getPosition(), 'o', qm::WHITE);
    }
    return drawAsShown(*this);
}

int drawAsShown(qm::Object& copy)
{
    const qm::Animation still = copy.getAnimation();
    qm::Animation shown = still;
    const qm::Sprite* sprite = shown.getSprite();
    if (sprite != nullptr && sprite->getFrameCount() > 1 && shown.getSlowdownCount() == 0)
    {
        shown.setIndex(shown.getIndex() == 0 ? sprite->getFrameCount() - 1 : shown.getIndex() - 1);
    }
    copy.setAnimation(shown, false);
    const int result = copy.qm::Object::draw();
    copy.setAnimation(still, false);
    return result;
}
