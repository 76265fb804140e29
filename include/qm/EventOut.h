#ifndef QM_EVENTOUT_H
#define QM_EVENTOUT_H

#include <qm/Event.h>

namespace qm
{

/// Sent straight to an object whose box has just left the world boundary ("qm-out").
class EventOut : public Event
{
public:
    EventOut() { setType(EVENT_OUT); }
};

} // namespace qm

#endif
