#include "Spawner.h"

#include "Enemy.h"
#include "Powerup.h"

#include <qm/DisplayManager.h>
#include <qm/EventStep.h>

#include <cstdlib>

Spawner::Spawner()
{
    registerInterest(qm::EVENT_STEP);
    setType("Spawner");
    const qm::DisplayManager& display = qm::DisplayManager::getInstance();
    setPosition(qm::Vector(static_cast<float>(display.getHorizontal()) * 0.5f,
                           static_cast<float>(display.getVertical()) * 0.5f));
    setSolidness(qm::SPECTRAL);
    setAltitude(4);
}

Spawner::~Spawner() = default;

int Spawner::eventHandler(const qm::Event* event)
{
    if (event->getType() != qm::EVENT_STEP)
    {
        return 0;
    }
    const auto* step = dynamic_cast<const qm::EventStep*>(event);
    if (step == nullptr)
    {
        return 0;
    }
    // The loop's count, not the game's: the schedule follows the program's time.
    const int n = step->getStepCount();
    if (n == 50)
    {
        new Enemy("enemy-seaweed");
    }
    if (n % 150 == 0)
    {
        const int r = std::rand() % 100;
        if (r <= 30)
        {
            new Enemy("enemy-fish");
        }
        else if (r <= 60)
        {
            new Enemy("enemy-seaweed");
        }
    }
    if (n % 350 == 0)
    {
        spawnPowerup();
    }
    return 1;
}

void Spawner::spawnPowerup()
{
    const int r = std::rand() % 100;
    if (r <= 25)
    {
        new Powerup("invincible-powerup");
    }
    else if (r <= 50)
    {
        new Powerup("jump-powerup");
    }
    else if (r <= 75)
    {
        new Powerup("speed-powerup");
    }
    else
    {
        new Powerup("invincible-powerup");
    }
}
