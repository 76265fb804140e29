#include "DeadPlayer.h"

#include "loadResources.h"

#include <qm/Event.h>
#include <qm/ObjectListIterator.h>
#include <qm/WorldManager.h>

namespace
{
void markAllOfType(const std::string& type)
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    const qm::ObjectList objects = world.objectsOfType(type);
    for (qm::ObjectListIterator it(&objects); !it.isDone(); it.next())
    {
        world.markForDelete(it.currentObject());
    }
}
} // namespace

DeadPlayer::DeadPlayer(qm::Vector where)
{
    setType("DeadPlayer");
    setSprite("dead-player");
    setAltitude(4);
    // A hard dead fish touched side-on by a hard enemy would stop both for good (edges
    // count as contact): it could never rise out of the world and the game would not end.
    setSolidness(qm::SPECTRAL);
    setPosition(where);
    setVelocity(qm::Vector(0, -0.15f));
    playSound("death");
    markAllOfType("Spawner");
    markAllOfType("Player");
}

DeadPlayer::~DeadPlayer()
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    const qm::ObjectList all = world.getAllObjects(true);
    for (qm::ObjectListIterator it(&all); !it.isDone(); it.next())
    {
        qm::Object* object = it.currentObject();
        if (object->getType() == "GameStart")
        {
            object->setActive(true);
        }
        else if (object->getType() != "Pause" && object->getType() != "WorldServer")
        {
            // The pause object and the watchers' server live for the whole program: F10
            // must pause every game, and watchers see every game.
            world.markForDelete(object);
        }
    }
}

int DeadPlayer::eventHandler(const qm::Event* event)
{
    if (event->getType() != qm::EVENT_OUT)
    {
        return 0;
    }
    if (getPosition().getY() < 0)
    {
        qm::WorldManager::getInstance().markForDelete(this);
    }
    return 1;
}
