#ifndef QM_EVENTSTEP_H
#define QM_EVENTSTEP_H

#include <qm/Event.h>

namespace qm
{

/// Raised once per game-loop iteration ("qm-step") with the iteration's number.
class EventStep : public Event
{
public:
    explicit EventStep(int count) : stepCount(count) { setType(EVENT_STEP); }

    int getStepCount() const { return stepCount; }

private:
    int stepCount;
};

} // namespace qm

#endif
