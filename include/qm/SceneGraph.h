#ifndef QM_SCENEGRAPH_H
#define QM_SCENEGRAPH_H

#include <qm/Box.h>
#include <qm/Object.h>
#include <qm/ObjectList.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace qm
{

class SpatialGrid;

/// Indexes every object in the world by what the engine asks each step: active or not,
/// solid or not, visible at which altitude, and type. It never owns objects. The world
/// manager holds the only instance (WorldManager::getSceneGraph()); objects keep it
/// consistent themselves by calling the update operations before they change an indexed
/// attribute, so each update reads the old value from the object and takes the new one as
/// argument. Lists handed out are copies, safe to walk while objects come and go.
///
/// The solid objects are also filed in a uniform grid of buckets over the world boundary
/// (the spatial index), so that the collision search of a move looks only at the solid
/// objects near the moving box; solidObjectsIn() gives the same objects, in the same order,
/// as walking solidObjects(). The index follows every change of position, box, activity,
/// solidness and boundary through the hooks below.
///
/// Every operation returns 0 on success and -1 with a log line on a broken invariant (an
/// object missing from a list it should be in) or a failed allocation. While the game
/// manager's game-over flag is set (during shut-down) the complaints that deletion order
/// makes unavoidable are silent.
class SceneGraph
{
public:
    SceneGraph();
    ~SceneGraph();
    SceneGraph(const SceneGraph&) = delete;
    SceneGraph& operator=(const SceneGraph&) = delete;

    /// Empties the type map and logs the configuration at level 1. Returns 0.
    int startUp();

    /// Empties the type map. The other lists are emptied by the objects as they go.
    void shutDown();

    /// Files `object` by its current state. An inactive object goes into the inactive list
    /// only. A part-way failure leaves the earlier insertions in place.
    int insertObject(Object* object);

    /// Removes `object` from every list its current state puts it in. Every removal is
    /// attempted; -1 with one log line when any failed, and then the object is also taken
    /// out of any list it was wrongly left in, so that no list keeps its address.
    int removeObject(Object* object);

    /// Copy of the active objects.
    ObjectList activeObjects() const { return objects; }

    /// Copy of the inactive objects.
    ObjectList inactiveObjects() const { return inactiveList; }

    /// Copy of the active visible objects at `altitude`; empty, with a warning, when the
    /// altitude is not in 0 .. MAX_ALTITUDE.
    ObjectList visibleObjects(int altitude) const;

    /// Copy of the active objects of `type`. An unknown type gets an empty entry.
    ObjectList objectsOfType(const std::string& type);

    /// The active solid (HARD or SOFT) objects, read in place by the collision search.
    const ObjectList& solidObjects() const { return solidList; }

    /// Called before every position change: re-files a solid object in the spatial index.
    /// Returns 0.
    int updatePosition(Object* object, const Vector& position);

    /// Called before every change of an object's box (relative to its position): re-files a
    /// solid object in the spatial index. Returns 0.
    int updateBox(Object* object, const Box& box);

    /// Lays the spatial index over the world boundary (world spaces). Any box will do: places
    /// outside it are filed at its edges, and a degenerate one makes the index one bucket.
    void setBoundary(const Box& boundary);

    /// Switches the spatial index on (rebuilt from the solid list) or off (dropped, and the
    /// collision search walks the solid list). On by default.
    void setSpatialIndex(bool on);
    bool hasSpatialIndex() const { return indexed; }

    /// Sets the side of the index's square buckets, in spaces. Returns -1, changing nothing,
    /// for a value that is not finite and positive.
    int setBucketSize(float spaces);
    float getBucketSize() const;

    /// The active solid objects other than `ignore` whose world boxes overlap `box` (world
    /// spaces, edges count), in the solid list's order: exactly what walking solidObjects()
    /// with boxIntersectsBox finds. Uses the index; walks the list when the index is off or
    /// `box` is too large or not finite for it.
    ObjectList solidObjectsIn(const Box& box, const Object* ignore = nullptr) const;

    /// Appends solidObjectsIn(box, ignore) to `out`.
    void collectSolidObjectsIn(const Box& box, const Object* ignore, std::vector<Object*>& out) const;

    /// The first HARD object, in the solid list's order, among solidObjectsIn(box, ignore);
    /// null when there is none. Allocates nothing once warm.
    Object* firstHardObjectIn(const Box& box, const Object* ignore = nullptr) const;

    /// Moves `object` between the active lists and the inactive list.
    int updateActive(Object* object, bool active);

    /// Moves a visible active object to the list of its new altitude. -1 when either
    /// altitude is out of range.
    int updateAltitude(Object* object, int altitude);

    /// Adds or removes an active object from the solid list.
    int updateSolidness(Object* object, Solidness solidness);

    /// Re-files `object` under `type`. Inactive objects are in no type list, so for them
    /// the removal fails with a log line.
    int updateType(Object* object, const std::string& type);

    /// Adds or removes an active object from the list of its altitude.
    int updateVisible(Object* object, bool visible);

private:
    // Reads the index and the count of solid changes (src/core/EngineHooks.h).
    friend class EngineHooks;

    // Removes every occurrence of `object` from every list.
    void purge(Object* object);

    // The solid list changes only through these two, which keep the index in step.
    int insertSolid(Object* object);
    int removeSolid(Object* object);

    ObjectList objects;
    ObjectList solidList;
    ObjectList visibleList[MAX_ALTITUDE + 1];
    ObjectList inactiveList;
    std::map<std::string, ObjectList> typeMap;
    std::unique_ptr<SpatialGrid> grid;
    bool indexed = true;
    std::uint64_t solidChanges = 0;
    mutable std::vector<Object*> hardScratch; // firstHardObjectIn's, kept from call to call
};

} // namespace qm

#endif
