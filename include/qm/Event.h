#ifndef QM_EVENT_H
#define QM_EVENT_H

#include <string>

namespace qm
{

// Event-type names, one definition each. Delivery is by these texts (see Manager::onEvent).
inline const std::string EVENT_UNDEFINED = "qm-undefined";
inline const std::string EVENT_STEP = "qm-step";
inline const std::string EVENT_KEYBOARD = "qm-keyboard";
inline const std::string EVENT_MOUSE = "qm-mouse";
inline const std::string EVENT_COLLISION = "qm-collision";
inline const std::string EVENT_OUT = "qm-out";
inline const std::string EVENT_VIEW = "qm-view";
inline const std::string EVENT_PATH = "qm-path";
inline const std::string EVENT_NETWORK = "qm-network";
inline const std::string EVENT_NETWORK_KEYBOARD = "qm-keyboard-network";
inline const std::string EVENT_NETWORK_MOUSE = "qm-mouse-network";
inline const std::string EVENT_NETWORK_CUSTOM = "qm-custom-network";

/// Base of every event: a small value object with a type name. Events are created on the
/// stack by whoever raises them and passed by pointer; nobody keeps them after delivery.
class Event
{
public:
    Event() = default;
    virtual ~Event() = default;

    std::string getType() const { return eventType; }
    void setType(std::string type) { eventType = std::move(type); }

protected:
    /// For events raised in great numbers (collisions): the type is copied once.
    explicit Event(const std::string& type) : eventType(type) {}

private:
    std::string eventType = EVENT_UNDEFINED;
};

} // namespace qm

#endif
