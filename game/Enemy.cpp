#include "Enemy.h"

#include "EventDeath.h"
#include "loadResources.h"

#include <qm/EventCollision.h>
#include <qm/EventView.h>
#include <qm/WorldManager.h>

void placeAtEdge(qm::Object* object, float y)
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    qm::Vector position(world.getBoundary().getHorizontal(), y);
    // Never start overlapping something that is already there (another newcomer).
    while (!world.getCollisions(object, position).isEmpty())
    {
        position.setX(position.getX() + 1);
    }
    world.moveObject(object, position);
}

Enemy::Enemy(const std::string& spriteLabel)
{
    setSprite(spriteLabel);
    setType("Enemy");
    if (spriteLabel == "enemy-fish")
    {
        placeAtEdge(this, 15.2f);
    }
    else if (spriteLabel == "enemy-seaweed")
    {
        placeAtEdge(this, 16.95f);
    }
}

Enemy::~Enemy() = default;

int Enemy::eventHandler(const qm::Event* event)
{
    if (event->getType() == qm::EVENT_OUT)
    {
        // Only the left side: an enemy pushed out at the top or bottom stays.
        if (getPosition().getX() < 0)
        {
            qm::WorldManager::getInstance().markForDelete(this);
        }
        return 1;
    }
    if (event->getType() == qm::EVENT_COLLISION)
    {
        if (const auto* collision = dynamic_cast<const qm::EventCollision*>(event))
        {
            collide(collision);
        }
        return 1;
    }
    return 0;
}

void Enemy::collide(const qm::EventCollision* event)
{
    qm::Object* first = event->getObject1();
    qm::Object* second = event->getObject2();
    if (first->getType() == "Enemy" && second->getType() == "Enemy")
    {
        return;
    }
    if (spent || (first->getType() != "Player" && second->getType() != "Player"))
    {
        return;
    }
    spent = true;
    qm::WorldManager& world = qm::WorldManager::getInstance();
    const qm::EventView health("Health", -1, true);
    world.onEvent(&health);
    playSound("impact");
    const EventDeath death;
    world.onEvent(&death);
    world.markForDelete(first->getType() == "Player" ? second : first);
}
