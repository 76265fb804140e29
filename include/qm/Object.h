#ifndef QM_OBJECT_H
#define QM_OBJECT_H

#include <qm/Box.h>
#include <qm/Vector.h>

#include <string>

namespace qm
{

class Event;

/// Most event types one object can listen to at once.
constexpr int MAX_OBJ_EVENTS = 100;

/// Base of everything that lives in the game world. Objects are created with `new`; from
/// then on the world owns them and deletes them (never delete one yourself).
class Object
{
public:
    Object();
    virtual ~Object();

    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    /// Moves the object without any collision test. Returns 0.
    virtual int setPosition(Vector position);

    /// Reacts to an event. Returns 1 when the event was handled, 0 when not.
    virtual int eventHandler(const Event* event);

    int getId() const { return id; }
    std::string getType() const { return type; }
    void setType(std::string newType);

    bool isActive() const { return active; }
    /// Switches the object on or off; inactive objects get no events. Returns 0.
    int setActive(bool isActive);

    Vector getPosition() const { return position; }
    Box getBox() const { return box; }
    void setBox(Box newBox) { box = newBox; }

    Vector getDirection() const { return direction; }
    float getSpeed() const { return speed; }
    /// Direction times speed, in spaces per step.
    Vector getVelocity() const;
    /// Sets speed to the vector's length and direction to the vector normalized.
    void setVelocity(Vector velocity);
    /// Where the object will be after the next step: position plus velocity.
    Vector predictPosition() const;

    /// Listens to events of type `name` through the manager that delivers them.
    /// Returns -1 when MAX_OBJ_EVENTS are registered already or the manager refuses.
    int registerInterest(std::string name);

    /// Stops listening to `name`. Returns -1 when it was not registered.
    int unregisterInterest(std::string name);

private:
    int id;
    std::string type = "(Undefined)";
    bool active = true;
    Box box = Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f);
    Vector position = Vector(1, 1);
    Vector direction;
    float speed = 0.0f;
    int eventCount = 0;
    std::string eventName[MAX_OBJ_EVENTS];
};

} // namespace qm

#endif
