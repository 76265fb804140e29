#include <qm/Event.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/LogManager.h>
#include <qm/Object.h>

namespace qm
{

namespace
{
int nextId = 1;

// The manager that delivers events of type `name`, or null when none does yet.
Manager* managerFor(const std::string& name)
{
    if (name == EVENT_STEP)
    {
        return &GameManager::getInstance();
    }
    if (name == EVENT_KEYBOARD || name == EVENT_MOUSE)
    {
        return &InputManager::getInstance();
    }
    return nullptr;
}
} // namespace

Object::Object() : id(nextId++) {}

Object::~Object()
{
    for (int i = eventCount - 1; i >= 0; --i)
    {
        unregisterInterest(eventName[i]);
    }
}

int Object::setPosition(Vector newPosition)
{
    position = newPosition;
    return 0;
}

int Object::eventHandler(const Event*)
{
    return 0;
}

void Object::setType(std::string newType)
{
    type = std::move(newType);
}

int Object::setActive(bool isActive)
{
    active = isActive;
    return 0;
}

Vector Object::getVelocity() const
{
    Vector velocity = direction;
    velocity.scale(speed);
    return velocity;
}

void Object::setVelocity(Vector velocity)
{
    speed = velocity.getMagnitude();
    velocity.normalize();
    direction = velocity;
}

Vector Object::predictPosition() const
{
    return position + getVelocity();
}

int Object::registerInterest(std::string name)
{
    if (eventCount == MAX_OBJ_EVENTS)
    {
        LogManager::getInstance().writeLog(
            "Object::registerInterest(): maximum (%d) reached, cannot register for event '%s'", MAX_OBJ_EVENTS,
            name.c_str());
        return -1;
    }
    Manager* manager = managerFor(name);
    if (manager == nullptr || manager->registerInterest(this, name) == -1)
    {
        return -1;
    }
    eventName[eventCount++] = name;
    return 0;
}

int Object::unregisterInterest(std::string name)
{
    int i = 0;
    while (i < eventCount && eventName[i] != name)
    {
        ++i;
    }
    if (i == eventCount)
    {
        LogManager::getInstance().writeLog("Object::unregisterInterest(): event '%s' not previously registered",
                                           name.c_str());
        return -1;
    }
    Manager* manager = managerFor(name);
    if (manager == nullptr || manager->unregisterInterest(this, name) == -1)
    {
        return -1;
    }
    for (int j = i; j < eventCount - 1; ++j)
    {
        eventName[j] = eventName[j + 1];
    }
    --eventCount;
    return 0;
}

} // namespace qm
