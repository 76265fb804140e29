#ifndef QM_EVENTCOLLISION_H
#define QM_EVENTCOLLISION_H

#include <qm/Event.h>
#include <qm/Vector.h>

namespace qm
{

class Object;

/// Sent straight to both objects of a collision ("qm-collision"); nobody registers for it.
class EventCollision : public Event
{
public:
    EventCollision(Object* moving, Object* other, Vector where)
        : Event(EVENT_COLLISION), position(where), obj1(moving), obj2(other)
    {
    }

    /// The object that moved.
    Object* getObject1() const { return obj1; }
    /// The object it ran into.
    Object* getObject2() const { return obj2; }
    /// Where the moving object was going, in world spaces.
    Vector getPosition() const { return position; }

private:
    Vector position;
    Object* obj1;
    Object* obj2;
};

} // namespace qm

#endif
