#ifndef QM_SCENEGRAPH_H
#define QM_SCENEGRAPH_H

#include <qm/Object.h>
#include <qm/ObjectList.h>

#include <map>
#include <string>

namespace qm
{

/// Indexes every object in the world by what the engine asks each step: active or not,
/// solid or not, visible at which altitude, and type. It never owns objects. The world
/// manager holds the only instance (WorldManager::getSceneGraph()); objects keep it
/// consistent themselves by calling the update operations before they change an indexed
/// attribute, so each update reads the old value from the object and takes the new one as
/// argument. Lists handed out are copies, safe to walk while objects come and go.
///
/// Every operation returns 0 on success and -1 with a log line on a broken invariant (an
/// object missing from a list it should be in) or a failed allocation. While the game
/// manager's game-over flag is set (during shut-down) the complaints that deletion order
/// makes unavoidable are silent.
class SceneGraph
{
public:
    SceneGraph() = default;
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

    /// Called before every position change. A spatial index would re-file the object here;
    /// this one has none, so it does nothing and returns 0.
    int updatePosition(Object* object, const Vector& position);

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
    // Removes every occurrence of `object` from every list.
    void purge(Object* object);

    ObjectList objects;
    ObjectList solidList;
    ObjectList visibleList[MAX_ALTITUDE + 1];
    ObjectList inactiveList;
    std::map<std::string, ObjectList> typeMap;
};

} // namespace qm

#endif
