#include "Mirror.h"

#include <qm/DisplayManager.h>
#include <qm/Sprite.h>
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
