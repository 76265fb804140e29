#include "Mirror.h"

#include <qm/DisplayManager.h>
#include <qm/GameManager.h>
#include <qm/ObjectListIterator.h>
#include <qm/Sprite.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <unordered_set>
#include <vector>

namespace
{
const std::string SOLIDNESS_KEY = "solidness:";

// Most copies drawn over one cell in a frame, counted from the top: a copy whose every cell
// already has this many copies drawn over it would not show, and is left out. A game never
// stacks so many; a hostile one that stacks thousands on one spot costs no more than this.
constexpr int MAX_LAYERS = 8;

// The copies left out of the frame of `step`.
struct DrawPlan
{
    int step = -1;
    std::unordered_set<const qm::Object*> hidden;
};
DrawPlan plan;

void makePlan(int step)
{
    plan.step = step;
    plan.hidden.clear();
    qm::WorldManager& world = qm::WorldManager::getInstance();
    const qm::Box view = world.getView();
    const int columns = static_cast<int>(std::ceil(view.getHorizontal()));
    const int rows = static_cast<int>(std::ceil(view.getVertical()));
    if (columns <= 0 || rows <= 0 || columns > 4096 || rows > 4096)
    {
        return;
    }
    std::vector<unsigned char> layers(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), 0);
    // From the top: the highest altitude first, and within one the last drawn first.
    for (int altitude = qm::MAX_ALTITUDE; altitude >= 0; --altitude)
    {
        const qm::ObjectList visible = world.getSceneGraph().visibleObjects(altitude);
        std::vector<const qm::Object*> order;
        for (qm::ObjectListIterator it(&visible); !it.isDone(); it.next())
        {
            order.push_back(it.currentObject());
        }
        for (auto it = order.rbegin(); it != order.rend(); ++it)
        {
            if (dynamic_cast<const Mirror*>(*it) == nullptr)
            {
                continue;
            }
            const qm::Box box = qm::getWorldBox(*it);
            const float left = box.getCorner().getX() - view.getCorner().getX();
            const float top = box.getCorner().getY() - view.getCorner().getY();
            if (!std::isfinite(left) || !std::isfinite(top) || !std::isfinite(box.getHorizontal()) ||
                !std::isfinite(box.getVertical()))
            {
                continue;
            }
            const int x0 = static_cast<int>(std::clamp(std::floor(left), 0.0f, static_cast<float>(columns)));
            const int y0 = static_cast<int>(std::clamp(std::floor(top), 0.0f, static_cast<float>(rows)));
            const int x1 = static_cast<int>(
                std::clamp(std::ceil(left + std::max(box.getHorizontal(), 1.0f)), 0.0f, static_cast<float>(columns)));
            const int y1 = static_cast<int>(
                std::clamp(std::ceil(top + std::max(box.getVertical(), 1.0f)), 0.0f, static_cast<float>(rows)));
            bool shows = false;
            for (int y = y0; y < y1; ++y)
            {
                for (int x = x0; x < x1; ++x)
                {
                    unsigned char& count = layers[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) +
                                                  static_cast<std::size_t>(x)];
                    if (count < MAX_LAYERS)
                    {
                        shows = true;
                        ++count;
                    }
                }
            }
            if (!shows && x0 < x1 && y0 < y1)
            {
                plan.hidden.insert(*it);
            }
        }
    }
}

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
    const int step = qm::GameManager::getInstance().getStepCount();
    if (plan.step != step)
    {
        makePlan(step);
    }
    if (plan.hidden.count(this) != 0)
    {
        return 0;
    }
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
