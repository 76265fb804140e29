#ifndef QM_PATHMANAGER_H
#define QM_PATHMANAGER_H

#include <qm/Manager.h>
#include <qm/PathFind.h>
#include <qm/Vector.h>

#include <vector>

namespace qm
{

class Object;

/// Runs the path searches under way, a bounded time in every game-loop iteration (the game
/// manager calls cycle() after drawing). Each search belongs to its object (its path-search
/// field); the manager only lists them. When a search ends, its object receives an EventPath
/// through Object::eventHandler, whose default follows a found path and deletes the search.
///
///     // In a mouse handler: walk to the clicked cell, around HARD objects.
///     if (qm::PathManager::getInstance().startSearch(this, mouse->getMousePosition()) == 0)
///         ; // an EventPath arrives within a few frames; the default handler follows it
class PathManager : public Manager
{
public:
    static PathManager& getInstance();

    ~PathManager() override;

    /// Sets the least time per cycle to the game manager's frame time / 10 ms. Returns 0,
    /// also when already started (logged).
    int startUp() override;

    void shutDown() override;

    /// Starts a search for `object` from the cell of its position to the cell holding `goal`
    /// (positions in spaces, rounded to the nearest cell), on the grid of the world boundary
    /// as it is now. The search replaces (and deletes) any search the object had. Returns -1
    /// (logged) when not started, for a null object, a boundary of no cells or more than
    /// MAX_PATH_CELLS, a start outside the grid or a goal that is not a finite position.
    int startSearch(Object* object, Vector goal);

    /// As above, towards `target`: the search ends as soon as `object` would touch the
    /// target placed at the target's cell of now, or on that cell. A target deleted while
    /// the search runs is forgotten; the search then goes on towards that cell alone.
    /// Returns -1 (logged) also for a null target.
    int startSearch(Object* object, Object* target);

    /// Lists a search set up by the caller (a PathFind or a replacement) and makes it the
    /// path search of its object, which owns it from now on (any previous search of the
    /// object is removed and deleted). Returns -1 (logged) when not started, for a null
    /// search or a search without an object; the search is then deleted.
    int startSearch(PathFind* search);

    /// Takes every occurrence of `search` out of the list, keeping the order of the others.
    /// Does not delete it. Returns -1 for null or a search not listed.
    int removeSearch(PathFind* search);

    /// Tells the searches heading for `object` that it is being deleted (they drop their
    /// target). Called by the object's destructor.
    void forgetTarget(const Object* object);

    /// Cycles the searches in passes, one cell per search per pass, until `limit`
    /// milliseconds (raised to the least time per cycle) are spent, and hands each search
    /// that ends its EventPath. The first pass always runs; the clock is read after every
    /// cell. A search removed during a pass makes the next one, which moves into its slot,
    /// wait for the next pass. Does nothing when not started.
    void cycle(int limit);

    /// The searches listed, in order (not owned).
    const std::vector<PathFind*>& getSearches() const { return searches; }
    /// The least time a cycle is given, in milliseconds.
    int getMinCycleTime() const { return minCycleTime; }

private:
    PathManager();
    // Sets up and lists the engine's search from the object's cell to `goal`.
    int startSearchTo(Object* object, PathFind::Cell goal, Object* target);

    std::vector<PathFind*> searches;
    int minCycleTime = 0;
};

} // namespace qm

#endif
