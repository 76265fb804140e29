#include "EventDeath.h"

EventDeath::EventDeath()
{
    setType(EVENT_DEATH);
}

EventDeath::~EventDeath() = default;
