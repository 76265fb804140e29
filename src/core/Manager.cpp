#include <qm/Event.h>
#include <qm/LogManager.h>
#include <qm/Manager.h>
#include <qm/Object.h>
#include <qm/ObjectListIterator.h>

namespace qm
{

Manager::~Manager()
{
    started = false;
}

bool Manager::isValid(std::string) const
{
    return false;
}

int Manager::startUp()
{
    if (started)
    {
        LogManager::getInstance().writeLog(1, "Manager::startUp(): Warning! %s already started.", type.c_str());
    }
    started = true;
    return 0;
}

void Manager::shutDown()
{
    if (!started)
    {
        LogManager::getInstance().writeLog(1, "Manager::shutDown(): Warning! %s not started.", type.c_str());
    }
    started = false;
}

int Manager::onEvent(const Event* event) const
{
    const std::string eventType = event->getType();
    if (eventType == EVENT_UNDEFINED)
    {
        LogManager::getInstance().writeLog(1, "Manager(%s)::onEvent(): Warning! Event type %s is undefined.",
                                           type.c_str(), eventType.c_str());
        return 0;
    }
    if (!isValid(eventType))
    {
        LogManager::getInstance().writeLog(1, "Manager(%s)::onEvent(): Error! Event type %s not valid.", type.c_str(),
                                           eventType.c_str());
        return 0;
    }

    int count = 0;
    for (int i = 0; i < eventCount; ++i)
    {
        if (eventName[i] != eventType)
        {
            continue;
        }
        // Handlers may register or unregister interests while we deliver, so walk a copy.
        const ObjectList recipients = objList[i];
        for (ObjectListIterator it(&recipients); !it.isDone(); it.next())
        {
            Object* object = it.currentObject();
            if (object->isActive())
            {
                object->eventHandler(event);
                ++count;
            }
        }
    }
    return count;
}

int Manager::registerInterest(Object* object, std::string eventType)
{
    if (!isValid(eventType))
    {
        LogManager::getInstance().writeLog("Manager(%s)::registerInterest(): Event '%s' not valid for this Manager",
                                           type.c_str(), eventType.c_str());
        return -1;
    }
    for (int i = 0; i < eventCount; ++i)
    {
        if (eventName[i] == eventType)
        {
            return objList[i].insert(object);
        }
    }
    if (eventCount == MAX_EVENT_TYPES)
    {
        return -1;
    }
    eventName[eventCount] = eventType;
    objList[eventCount].clear();
    if (objList[eventCount].insert(object) == -1)
    {
        return -1;
    }
    ++eventCount;
    return 0;
}

int Manager::unregisterInterest(Object* object, std::string eventType)
{
    for (int i = 0; i < eventCount; ++i)
    {
        if (eventName[i] != eventType)
        {
            continue;
        }
        if (objList[i].remove(object) == -1)
        {
            return -1;
        }
        if (objList[i].isEmpty())
        {
            for (int j = i; j < eventCount - 1; ++j)
            {
                eventName[j] = eventName[j + 1];
                objList[j] = objList[j + 1];
            }
            --eventCount;
        }
        return 0;
    }
    return -1;
}

} // namespace qm
