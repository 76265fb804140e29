#include "WorldServer.h"

#include "WatchMessage.h"

#include <qm/EventNetwork.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/NetworkManager.h>
#include <qm/ObjectListIterator.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>

WorldServer::WorldServer(int key) : pauseKey(key)
{
    setType("WorldServer");
    setSolidness(qm::SPECTRAL);
    setVisible(false);
    qm::NetworkManager& network = qm::NetworkManager::getInstance();
    network.setMaxSockets(MAX_WATCHERS);
    if (network.serve() != 0)
    {
        qm::LogManager::getInstance().writeLog("WorldServer::WorldServer(): Warning! Cannot serve watchers.");
        return;
    }
    registerInterest(qm::EVENT_STEP);
    registerInterest(qm::EVENT_NETWORK);
    // Before the pause object registers: its handler stops the loop until a key.
    registerInterest(qm::EVENT_KEYBOARD);
}

int WorldServer::eventHandler(const qm::Event* event)
{
    if (event->getType() == qm::EVENT_STEP)
    {
        serve(static_cast<const qm::EventStep*>(event)->getStepCount());
        return 1;
    }
    if (const auto* keyboard = dynamic_cast<const qm::EventKeyboard*>(event))
    {
        if (keyboard->getKey() == pauseKey && keyboard->getKeyboardAction() == qm::KEY_PRESS)
        {
            serve(qm::GameManager::getInstance().getStepCount());
            qm::NetworkManager::getInstance().flush();
        }
        return 1;
    }
    const auto* network = dynamic_cast<const qm::EventNetwork*>(event);
    if (network == nullptr)
    {
        return 0;
    }
    const int index = network->getSocketIndex();
    switch (network->getLabel())
    {
    case qm::NETWORK_ACCEPT:
        current.push_back(false);
        qm::LogManager::getInstance().writeLog("WorldServer::eventHandler(): Watcher %d connected.", index);
        break;
    case qm::NETWORK_CLOSE:
        if (index >= 0 && index < static_cast<int>(current.size()))
        {
            current.erase(current.begin() + index);
        }
        qm::LogManager::getInstance().writeLog("WorldServer::eventHandler(): Watcher %d left.", index);
        break;
    case qm::NETWORK_DATA:
    {
        std::string ignored;
        qm::NetworkManager::getInstance().receive(index, ignored);
        break;
    }
    default:
        break;
    }
    return 1;
}

void WorldServer::broadcast(const std::string& message, bool toNewcomers, bool toOthers)
{
    qm::NetworkManager& network = qm::NetworkManager::getInstance();
    // From the last: a failing watcher is closed, and the later ones move down.
    for (int i = static_cast<int>(current.size()) - 1; i >= 0; --i)
    {
        if (i < static_cast<int>(current.size()) && (current[static_cast<std::size_t>(i)] ? toOthers : toNewcomers))
        {
            (void)network.send(i, message);
        }
    }
}

void WorldServer::serve(int step)
{
    if (current.empty())
    {
        // Nobody watches: changes pile up in the objects' flags, and the ids heard of are
        // forgotten, so the next watcher hears of everything as new.
        served.clear();
        return;
    }
    bool newcomers = false;
    for (const bool whole : current)
    {
        newcomers = newcomers || !whole;
    }
    std::set<int> present;
    const qm::ObjectList all = qm::WorldManager::getInstance().getAllObjects(true);
    for (qm::ObjectListIterator it(&all); !it.isDone(); it.next())
    {
        qm::Object* object = it.currentObject();
        if (object == this)
        {
            continue;
        }
        const int objectId = object->getId();
        const bool isView = dynamic_cast<qm::ViewObject*>(object) != nullptr;
        const auto record = [objectId, isView](const std::string& text)
        { return isView ? WatchMessage::view(objectId, text) : WatchMessage::object(objectId, text); };
        present.insert(objectId);
        if (served.count(objectId) == 0)
        {
            broadcast(record(object->serialize("ALL")), true, true);
            served.insert(objectId);
            continue;
        }
        // What changed goes to those who have the rest; newcomers need everything. The
        // changes are taken first: taking everything clears the flags.
        const std::string changes = object->serialize("");
        if (!changes.empty())
        {
            broadcast(record(changes), false, true);
        }
        if (newcomers)
        {
            broadcast(record(object->serialize("ALL")), true, false);
        }
    }
    for (auto it = served.begin(); it != served.end();)
    {
        if (present.count(*it) == 0)
        {
            broadcast(WatchMessage::deletion(*it), false, true);
            it = served.erase(it);
        }
        else
        {
            ++it;
        }
    }
    broadcast(WatchMessage::step(step), true, true);
    current.assign(current.size(), true);
}
