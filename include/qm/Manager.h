#ifndef QM_MANAGER_H
#define QM_MANAGER_H

#include <qm/ObjectList.h>

#include <string>

namespace qm
{

class Event;
class Object;

/// Most event types one manager can hold interests for.
constexpr int MAX_EVENT_TYPES = 100;

/// Base of every engine service. Each concrete manager is a singleton reached through its
/// own getInstance(); the base gives it a name, a started flag and an interest table that
/// maps up to MAX_EVENT_TYPES event-type names to the objects registered for them.
/// The table works whether or not the manager is started.
class Manager
{
public:
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    /// Whether objects may register with this manager for `eventType`. Base: never.
    virtual bool isValid(std::string eventType) const;

    virtual ~Manager();

    /// Marks the manager started (warns at level 1 when it already was). Returns 0.
    virtual int startUp();

    /// Marks the manager stopped (warns at level 1 when it was not started).
    virtual void shutDown();

    std::string getType() const { return type; }
    void setType(std::string newType) { type = std::move(newType); }
    bool isStarted() const { return started; }

    /// Hands `event` to every active object registered here for its type, in registration
    /// order, over a copy of the list. Returns the number of handlers called.
    int onEvent(const Event* event) const;

    /// Adds `object` to the list for `eventType`. Returns -1 when the type is not valid
    /// here, the table of MAX_EVENT_TYPES types is full or the list cannot grow.
    int registerInterest(Object* object, std::string eventType);

    /// Removes `object` from the list for `eventType`, dropping the type when its list
    /// becomes empty. Returns -1 when the type or the object is not registered.
    int unregisterInterest(Object* object, std::string eventType);

protected:
    Manager() = default;

private:
    std::string type = "Manager";
    int eventCount = 0;
    std::string eventName[MAX_EVENT_TYPES];
    ObjectList objList[MAX_EVENT_TYPES];
    bool started = false;
};

} // namespace qm

#endif
