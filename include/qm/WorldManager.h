#ifndef QM_WORLDMANAGER_H
#define QM_WORLDMANAGER_H

#include <qm/Box.h>
#include <qm/Manager.h>
#include <qm/ObjectList.h>
#include <qm/SceneGraph.h>
#include <qm/Vector.h>

#include <deque>
#include <string>
#include <vector>

namespace qm
{

class Object;

/// Owns the game world: every object from its construction until it deletes it, the scene
/// graph that indexes them, the world boundary and the view (the part of the world shown
/// in the window, in spaces). Once per game-loop iteration the game manager calls update()
/// (move every active object, deliver collision and out-of-world events, delete the
/// objects marked for deletion) and then draw() (visible objects, altitude 0 first).
///
/// Objects are deleted only here: those passed to markForDelete at the end of the current
/// update, every other one at shutDown. Game code raises its own events (view events,
/// game-defined types) with onEvent, which delivers them to the objects registered here.
///
///     WorldManager& world = WorldManager::getInstance();
///     world.setBoundary(Box(Vector(0, 0), 200, 24)); // a world wider than the window
///     world.setViewFollowing(player);                // keep the player in sight
///     world.markForDelete(enemy);                    // deleted at the end of this update
class WorldManager : public Manager
{
public:
    static WorldManager& getInstance();

    /// False, with a log line, for the input and step types (other managers deliver them)
    /// and for "qm-collision" and "qm-out" (delivered without registering); true otherwise.
    bool isValid(std::string eventType) const override;

    /// Resets the deletion list, boundary, view, slack and followed object and starts the
    /// scene graph. Returns 0 (also when already started), -1 when the scene graph fails.
    int startUp() override;

    /// Stops the manager, then deletes every object, active ones first.
    void shutDown() override;

    /// Files a newly constructed object. Returns -1 (logged at level 2) when not started:
    /// the object then belongs to nobody's list.
    int insertObject(Object* object);

    /// Takes `object` out of the scene graph (started or not). Called by its destructor.
    int removeObject(Object* object);

    /// Deletes `object` at the end of the current update; marking twice deletes it once.
    /// Returns -1 (logged) when the deletion list cannot grow.
    int markForDelete(Object* object);

    /// Copy of the active objects, followed by the inactive ones when asked.
    ObjectList getAllObjects(bool includeInactive = false) const;

    /// Copy of the active objects of type `typeName`.
    ObjectList objectsOfType(const std::string& typeName);

    /// The active solid objects other than `object` whose world boxes overlap its box moved
    /// to `where` (edges count), in the scene graph's order. Asks the scene graph's spatial
    /// index, or walks the solid list when the index is off (SceneGraph::setSpatialIndex).
    ObjectList getCollisions(const Object* object, const Vector& where) const;

    /// Moves `object` to `where` if its solidness allows, delivering a collision event to
    /// both parties of every contact, an out event when the object's box leaves the
    /// boundary, and recentring the view on the followed object. Returns -1 when a HARD
    /// obstacle (or a SOFT one, for a no-soft object) stops it: it stays where it was.
    int moveObject(Object* object, Vector where);

    /// Moves every active object by its velocity, steers it along its path and applies its
    /// acceleration, then deletes the objects marked for deletion.
    void update();

    /// Draws the visible active objects whose boxes overlap the view, and every view
    /// object, from altitude 0 to MAX_ALTITUDE.
    void draw();

    /// The world's extent in spaces. Only its extents are used: the corner is taken as (0, 0).
    /// The scene graph's spatial index is laid over it anew.
    void setBoundary(Box newBoundary);
    Box getBoundary() const { return boundary; }

    /// The part of the world shown in the window; its corner is the window's upper-left cell.
    void setView(Box newView) { view = newView; }
    Box getView() const { return view; }

    /// Centres the view on `position`, kept inside the boundary.
    void setViewPosition(Vector position);

    /// Fractions (0 to 1) of the view's width and height around its centre within which the
    /// followed object moves without moving the view. Out-of-range values are logged and
    /// stored anyway.
    void setViewSlack(Vector slack);
    Vector getViewSlack() const { return viewSlack; }

    /// The object the view keeps in sight, or null for none. The object's destruction
    /// clears it.
    void setViewFollowing(Object* object) { viewFollowing = object; }
    Object* getViewFollowing() const { return viewFollowing; }

    SceneGraph& getSceneGraph() { return sceneGraph; }

private:
    WorldManager();

    // getCollisions into `out` (emptied first), without building an ObjectList.
    void findCollisions(const Object* object, const Vector& where, std::vector<Object*>& out) const;

    // The collision lists of moveObject, one pair per level of nesting (a handler may move
    // other objects), kept from move to move so that moving allocates nothing once warm.
    struct MoveLists
    {
        std::vector<Object*> collisions;
        std::vector<Object*> retry;
    };
    std::deque<MoveLists> moveLists;
    std::size_t moveDepth = 0;

    SceneGraph sceneGraph;
    ObjectList deletions;
    Object* viewFollowing = nullptr;
    Box boundary;
    Box view;
    Vector viewSlack;
};

} // namespace qm

#endif
