#ifndef QM_PATHFIND_H
#define QM_PATHFIND_H

#include <qm/Path.h>

#include <memory>
#include <vector>

namespace qm
{

class Object;

/// Most cells one search may cover (width times height of its grid): a node grid of this
/// size takes 64 MB. Larger worlds are refused rather than allocated.
constexpr long long MAX_PATH_CELLS = 4LL * 1024 * 1024;

/// One incremental A* search on the grid of whole cells, eight neighbours per cell,
/// straight-line distances. Each cycleOnce() expands one cell; when it returns 0 (no path)
/// or 2 (found), buildPath() gives the waypoints. The search belongs to the object that
/// wants the path (its path-search field) and is run by the PathManager; it never owns the
/// object or the target.
///
/// This class keeps its open and closed cells in plain sequences searched linearly: it is
/// the reference behaviour. HeapPathFind replaces the list operations and the blocked test
/// (the protected hooks below), keeps the algorithm (cycleWith) and gives the same paths,
/// step counts and statuses, faster; the tests hold the two against each other.
///
///     qm::PathFind search(walker, {0, 0}, {3, 3}, nullptr, 80, 24);
///     int status = 1;
///     while (status == 1)
///         status = search.cycleOnce();
///     qm::Path path = search.buildPath(); // (0,0) (1,1) (2,2) (3,3) when nothing blocks
class PathFind
{
public:
    /// A cell of the grid: column x and row y, the world position (x, y) in spaces.
    struct Cell
    {
        int x = 0;
        int y = 0;
        bool operator==(const Cell& other) const { return x == other.x && y == other.y; }
        bool operator!=(const Cell& other) const { return !(*this == other); }
    };

    /// What the search knows of one cell.
    struct Node
    {
        float cost = 0.0f;     ///< length of the best known path from the start
        float estimate = 0.0f; ///< cost plus the straight-line distance to the goal
        Cell parent;           ///< the cell this one is reached from on that path
    };

    /// Sets up a search for `object` from `start` towards `goal` on a grid of `width` x
    /// `height` cells (the world boundary's extents when the search begins; the search keeps
    /// them even if the boundary changes later). With a `target`, the search also ends when
    /// the object, placed at the cell being expanded, would touch the target placed at the
    /// goal. Sizes below 1 or above MAX_PATH_CELLS, or a failed allocation, leave the search
    /// without a node grid: cycleOnce() then logs and returns 0.
    PathFind(Object* object, Cell start, Cell goal, Object* target, int width, int height);
    PathFind(const PathFind&) = delete;
    PathFind& operator=(const PathFind&) = delete;
    virtual ~PathFind();

    /// Expands one cell. Returns 1 while the search goes on, 2 when the goal was reached
    /// and 0 when it ended without a path (nothing left to expand, no node grid, or a start
    /// outside the grid; the last two are logged). Once found, every later call returns 2.
    /// A replacement of the list operations overrides this with cycleWith(*this).
    virtual int cycleOnce();

    /// The waypoints from the start cell to the goal cell, both included, with index 0;
    /// empty when the goal was not reached.
    Path buildPath() const;

    Object* getObject() const { return object; }
    /// Null when the search has no target, or its target was deleted (see dropTarget).
    Object* getTarget() const { return target; }
    Cell getStart() const { return start; }
    /// The goal; once a target was touched, the cell where that happened.
    Cell getGoal() const { return goal; }
    bool isFound() const { return found; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    bool hasNodes() const { return nodes != nullptr; }

    /// Forgets the target, which is being deleted: the search goes on towards the goal cell
    /// alone. Called by the path manager when any object is destroyed.
    void dropTarget() { target = nullptr; }

protected:
    /// True when (x, y) lies on the grid.
    bool inGrid(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
    /// The node of an on-grid cell.
    Node& node(Cell cell)
    {
        return nodes[static_cast<std::size_t>(cell.y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(cell.x)];
    }
    const Node& node(Cell cell) const
    {
        return nodes[static_cast<std::size_t>(cell.y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(cell.x)];
    }

    // The list operations. A replacement must keep their meaning exactly: the open cell
    // chosen is the one with the smallest estimate and, among equals, the latest added;
    // an open cell whose node improves keeps its place in the order of addition.

    /// True when no cell is open.
    virtual bool openEmpty() const;
    /// Removes and returns the open cell to expand next (only called when some cell is open).
    virtual Cell takeBestOpen();
    /// True when `cell` is open.
    virtual bool isOpen(Cell cell) const;
    /// Adds `cell`, whose node is already set, as the latest open cell.
    virtual void addOpen(Cell cell);
    /// The node of the open `cell` was updated to a cost and estimate not above the old ones.
    virtual void openImproved(Cell cell);
    /// True when `cell` was expanded already.
    virtual bool isClosed(Cell cell) const;
    /// Records `cell` as expanded (only called when it is not closed yet).
    virtual void addClosed(Cell cell);
    /// Whether the on-grid cell (x, y) is closed to the object. The world does not change
    /// during one cycleOnce(), so a replacement may remember answers within one call.
    virtual bool blocked(int x, int y);
    /// Called when `current` is about to be expanded, before any blocked() of that call
    /// (all of which ask about its eight neighbours).
    virtual void beginExpansion(Cell current) { static_cast<void>(current); }
    /// The algorithm of cycleOnce() with the list operations of `Search` (PathFind or a
    /// replacement, which must befriend PathFind) called directly rather than through the
    /// virtual table; blocked() stays virtual. Defined in the engine's sources only.
    template <class Search> int cycleWith(Search& self);
    /// Frees the node grid, for a replacement that could not allocate its own structures:
    /// cycleOnce() then reports the missing grid.
    void releaseNodes() { nodes.reset(); }

private:
    Object* object;
    Object* target;
    Cell start;
    Cell goal;
    int width = 0;
    int height = 0;
    std::unique_ptr<Node[]> nodes;
    std::vector<Cell> openList;
    std::vector<Cell> closedList;
    bool found = false;
};

/// Whether the cell (x, y) is closed to `object`: the first HARD object (in the collision
/// list's order) it would collide with at the position (x, y) blocks it, unless that object's
/// world box contains the goal point. SOFT objects never block.
bool isBlocked(const Object* object, int x, int y, PathFind::Cell goal);

} // namespace qm

#endif
