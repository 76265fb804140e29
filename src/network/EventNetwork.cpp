#include <qm/EventNetwork.h>
#include <qm/LogManager.h>

namespace qm
{

EventNetwork::EventNetwork(int newLabel)
{
    setType(EVENT_NETWORK);
    setLabel(newLabel);
}

void EventNetwork::setLabel(int newLabel)
{
    if (newLabel < NETWORK_UNDEFINED || newLabel > NETWORK_DATA)
    {
        LogManager::getInstance().writeLog("EventNetwork::setLabel(): Undefined type (%d).", newLabel);
        newLabel = NETWORK_UNDEFINED;
    }
    label = newLabel;
}

} // namespace qm
