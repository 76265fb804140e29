#ifndef QM_PATH_H
#define QM_PATH_H

#include <qm/Vector.h>

#include <vector>

namespace qm
{

/// Waypoints for an object to follow, in world spaces, and the index of the current one.
/// A plain value type: copying a path copies its waypoints and index. The path is done
/// once the index has reached the number of waypoints.
///
///     Path path;
///     path.addNode(Vector(3, 4));
///     path.addNode(Vector(10, 4));
///     object->setPath(path);
///     object->setFollowPath(true); // the world steers the object along it each step
class Path
{
public:
    Path() = default;

    /// Appends a waypoint after the last one.
    void addNode(Vector node) { nodes.push_back(node); }

    /// Forgets every waypoint and sets the index back to 0.
    void clear();

    int getNodeCount() const { return static_cast<int>(nodes.size()); }

    /// The waypoint at `i`, or (0, 0) when `i` is not below the number of waypoints or is negative.
    Vector getNode(int i) const;

    int getIndex() const { return index; }

    /// Sets the current waypoint, clamped to 0 .. the number of waypoints (done).
    void setIndex(int newIndex);

    /// True when the index is not below the number of waypoints (also for an empty path).
    bool isDone() const { return index >= getNodeCount(); }

    /// The waypoint at the index, or (0, 0) when the path is done.
    Vector getCurrentNode() const { return getNode(index); }

    /// Moves on to the next waypoint; never past the number of waypoints.
    void advance();

    bool operator==(const Path& other) const { return index == other.index && nodes == other.nodes; }
    bool operator!=(const Path& other) const { return !(*this == other); }

private:
    std::vector<Vector> nodes;
    int index = 0;
};

} // namespace qm

#endif
