#include "Bubble.h"

#include <qm/DisplayManager.h>
#include <qm/Event.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <cstdlib>

namespace
{
// Rows below the world a bubble may start from (0 .. DEPTH - 1).
constexpr int DEPTH = 9;

int worldWidth()
{
    return static_cast<int>(qm::WorldManager::getInstance().getBoundary().getHorizontal());
}

float worldHeight()
{
    return qm::WorldManager::getInstance().getBoundary().getVertical();
}
} // namespace

Bubble::Bubble()
{
    setType("Bubble");
    setSolidness(qm::SPECTRAL);
    setAltitude(0);
    riseAtRandomSpeed();
    const float y = worldHeight() + static_cast<float>(std::rand() % DEPTH);
    const float x = static_cast<float>(std::rand() % worldWidth());
    setPosition(qm::Vector(x, y));
}

Bubble::~Bubble() = default;

int Bubble::eventHandler(const qm::Event* event)
{
    if (event->getType() != qm::EVENT_OUT)
    {
        return 0;
    }
    // The random draws come in another order here than at creation (row, column, speed).
    const float y = worldHeight() + static_cast<float>(std::rand() % DEPTH);
    const float x = static_cast<float>(std::rand() % worldWidth());
    setPosition(qm::Vector(x, y));
    riseAtRandomSpeed();
    return 1;
}

int Bubble::draw()
{
    return qm::DisplayManager::getInstance().drawCh(getPosition(), 'o', qm::WHITE);
}

void Bubble::riseAtRandomSpeed()
{
    const double divisor = std::rand() % 4 + 1;
    setVelocity(qm::Vector(0, static_cast<float>(-0.25 / divisor)));
}
