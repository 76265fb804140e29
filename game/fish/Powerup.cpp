#include "Powerup.h"

#include "Enemy.h"

#include <qm/Event.h>
#include <qm/LogManager.h>
#include <qm/WorldManager.h>

namespace
{
struct Kind
{
    const char* label;
    double y;
    const char* type;
};

const Kind KINDS[] = {
    {"invincible-powerup", 15.0, "Invincible"},
    {"jump-powerup", 16.9, "JumpHigh"},
    {"speed-powerup", 14.0, "SpeedUp"},
    {"slow-powerup", 15.0, "SlowDown"},
};
} // namespace

Powerup::Powerup(const std::string& spriteLabel)
{
    setSprite(spriteLabel);
    qm::LogManager::getInstance().writeLog("POWERUP TIME.\n\n\n");
    for (const Kind& kind : KINDS)
    {
        if (spriteLabel == kind.label)
        {
            placeAtEdge(this, static_cast<float>(kind.y));
            setType(kind.type);
            break;
        }
    }
    setVelocity(qm::Vector(-0.25f, 0));
}

Powerup::~Powerup() = default;

int Powerup::eventHandler(const qm::Event* event)
{
    if (event->getType() == qm::EVENT_OUT)
    {
        if (getPosition().getX() < 0)
        {
            qm::WorldManager::getInstance().markForDelete(this);
        }
        return 1;
    }
    if (event->getType() == qm::EVENT_COLLISION)
    {
        return 1; // the player collects it; nothing changes here
    }
    return 0;
}
