// The process-wide counter that gives each new object its id. Private to the engine.
#ifndef QM_OBJECTIDS_H
#define QM_OBJECTIDS_H

namespace qm
{

/// Notes that `id` is in use (an id read from text): later objects get ids above it. `id`
/// must be below INT_MAX, which leaves no id for later objects.
void reserveObjectId(int id);

} // namespace qm

#endif
