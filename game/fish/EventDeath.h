#ifndef GAME_EVENTDEATH_H
#define GAME_EVENTDEATH_H

#include <qm/Event.h>

#include <string>

/// Type name of the game's death event.
inline const std::string EVENT_DEATH = "death";

/// Raised through the world manager's onEvent each time an enemy hits the player: the
/// points display counts a lost life and the scroller resets its speed. Created on the
/// stack by the sender.
class EventDeath : public qm::Event
{
public:
    EventDeath();
    ~EventDeath() override;
};

#endif
