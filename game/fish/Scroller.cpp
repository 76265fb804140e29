#include "Scroller.h"

#include "EventDeath.h"

#include <qm/ObjectListIterator.h>
#include <qm/WorldManager.h>

namespace
{
constexpr float START_SPEED = -0.25f;
constexpr int SPEED_UP_STEPS = 150;
// Enemies, then the four power-up kinds.
const char* const SCROLLED_TYPES[] = {"Enemy", "SpeedUp", "Invincible", "SlowDown", "JumpHigh"};
} // namespace

Scroller::Scroller()
{
    scrollSpeed = START_SPEED;
    registerInterest(qm::EVENT_STEP);
    registerInterest(EVENT_DEATH);
    setType("Scroller");
    scrollSteps = 0;
}

Scroller::~Scroller() = default;

int Scroller::eventHandler(const qm::Event* event)
{
    if (event->getType() == qm::EVENT_STEP)
    {
        ++scrollSteps;
        if (scrollSteps % SPEED_UP_STEPS == 0)
        {
            scrollSpeed = static_cast<float>(static_cast<double>(scrollSpeed) - 0.1);
        }
        applySpeed();
        return 1;
    }
    if (event->getType() == EVENT_DEATH)
    {
        scrollSpeed = START_SPEED;
        return 0;
    }
    return 0;
}

void Scroller::applySpeed()
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    for (const char* scrolled : SCROLLED_TYPES)
    {
        const qm::ObjectList objects = world.objectsOfType(scrolled);
        for (qm::ObjectListIterator it(&objects); !it.isDone(); it.next())
        {
            it.currentObject()->setVelocity(qm::Vector(scrollSpeed, 0));
        }
    }
}
