#ifndef QM_EVENTPATH_H
#define QM_EVENTPATH_H

#include <qm/Event.h>
#include <qm/Path.h>

#include <utility>

namespace qm
{

/// The end of a path search ("qm-path"), handed by the path manager straight to the
/// object that searched (not through interest registration). Status 2: a path was found
/// and getPath() runs from the start cell to the goal cell; status 0: no path, and the
/// path is empty. Object::eventHandler follows a found path and deletes the search.
class EventPath : public Event
{
public:
    EventPath() { setType(EVENT_PATH); }
    EventPath(int searchStatus, Path searchPath) : status(searchStatus), path(std::move(searchPath))
    {
        setType(EVENT_PATH);
    }
    ~EventPath() override = default;

    void setStatus(int newStatus) { status = newStatus; }
    /// 2 when a path was found, 0 when not.
    int getStatus() const { return status; }

    /// Takes the path over.
    void setPath(Path newPath) { path = std::move(newPath); }
    /// A copy of the path, with the same index.
    Path getPath() const { return path; }

private:
    int status = 0;
    Path path;
};

} // namespace qm

#endif
