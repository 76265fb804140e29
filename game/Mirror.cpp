#include "Mirror.h"

#include <qm/DisplayManager.h>
#include <qm/utility.h>

Mirror::Mirror()
{
    setType("Mirror");
}

int Mirror::apply(const std::string& attributes)
{
    applying = true;
    deserialize(attributes);
    applying = false;
    return 0;
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
    const qm::Animation still = getAnimation();
    const int result = Object::draw();
    setAnimation(still, false);
    return result;
}
