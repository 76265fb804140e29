#include "Points.h"

#include "DeadPlayer.h"
#include "EventDeath.h"

#include <qm/EventStep.h>
#include <qm/EventView.h>
#include <qm/ObjectListIterator.h>
#include <qm/WorldManager.h>

namespace
{
constexpr int STEPS_PER_POINT = 30;
}

Points::Points()
{
    setLocation(qm::TOP_RIGHT);
    setViewString("Points");
    setColor(qm::YELLOW);
    registerInterest(qm::EVENT_STEP);
    registerInterest(EVENT_DEATH);
}

Points::~Points() = default;

int Points::eventHandler(const qm::Event* event)
{
    if (ViewObject::eventHandler(event) == 1)
    {
        return 1;
    }
    qm::WorldManager& world = qm::WorldManager::getInstance();
    if (event->getType() == EVENT_DEATH)
    {
        setValue(0);
        points = 0;
        livesLeft -= 1;
        if (livesLeft == 0)
        {
            const qm::ObjectList players = world.objectsOfType("Player");
            for (qm::ObjectListIterator it(&players); !it.isDone(); it.next())
            {
                new DeadPlayer(it.currentObject()->getPosition());
            }
        }
        return 0;
    }
    if (event->getType() == qm::EVENT_STEP)
    {
        const auto* step = dynamic_cast<const qm::EventStep*>(event);
        if (step == nullptr || step->getStepCount() % STEPS_PER_POINT != 0)
        {
            return 1;
        }
        setValue(getValue() + 1);
        points += 1;
        if (points > highScore)
        {
            highScore += 1;
            const qm::EventView raise("High Score", 1, true);
            world.onEvent(&raise);
        }
        return 1;
    }
    return 0;
}
