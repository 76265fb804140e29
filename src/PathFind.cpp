#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/ObjectListIterator.h>
#include <qm/PathFind.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace qm
{

namespace
{
// Distances are taken in double and stored as float, so that every search (and every
// replacement of the list operations) adds up exactly the same costs.
float straightLine(double dx, double dy)
{
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}
} // namespace

PathFind::PathFind(Object* searcher, Cell from, Cell to, Object* touched, int gridWidth, int gridHeight)
    : object(searcher), target(touched), start(from), goal(to)
{
    const bool sized =
        gridWidth >= 1 && gridHeight >= 1 && static_cast<long long>(gridWidth) * gridHeight <= MAX_PATH_CELLS;
    if (object == nullptr || !sized)
    {
        return; // no node grid: cycleOnce() reports it
    }
    const std::size_t count = static_cast<std::size_t>(gridWidth) * static_cast<std::size_t>(gridHeight);
    nodes.reset(new (std::nothrow) Node[count]);
    if (nodes != nullptr)
    {
        width = gridWidth;
        height = gridHeight;
    }
}

PathFind::~PathFind() = default;

int PathFind::cycleOnce()
{
    if (nodes == nullptr)
    {
        LogManager::getInstance().writeLog("PathFind::cycleOnce(): node graph not allocated.  Cannot find path.");
        return 0;
    }
    if (!inGrid(start.x, start.y))
    {
        // Expanding it would read a node outside the grid.
        LogManager::getInstance().writeLog(
            "PathFind::cycleOnce(): start (%d,%d) outside the %d x %d grid.  Cannot find path.", start.x, start.y,
            width, height);
        return 0;
    }
    if (found)
    {
        // Going on would pop further cells and, with a target, could move the goal the path
        // was built to.
        return 2;
    }

    // The open list is empty only on the first call, or after a call that returned 0: the
    // start is then expanded again, which picks up neighbours freed since.
    const Cell current = openEmpty() ? start : takeBestOpen();
    if (!isClosed(current))
    {
        addClosed(current);
    }
    if (current == goal)
    {
        found = true;
    }
    if (target != nullptr)
    {
        const Box here = getWorldBox(object, Vector(static_cast<float>(current.x), static_cast<float>(current.y)));
        const Box there = getWorldBox(target, Vector(static_cast<float>(goal.x), static_cast<float>(goal.y)));
        if (boxIntersectsBox(here, there))
        {
            found = true;
            goal = current;
        }
    }
    if (found)
    {
        return 2;
    }

    beginExpansion(current);
    const float currentCost = node(current).cost;
    for (int dy = -1; dy <= 1; ++dy)
    {
        for (int dx = -1; dx <= 1; ++dx)
        {
            if (dx == 0 && dy == 0)
            {
                continue;
            }
            const Cell next{current.x + dx, current.y + dy};
            if (!inGrid(next.x, next.y) || isClosed(next) || blocked(next.x, next.y))
            {
                continue;
            }
            // No squeezing diagonally between two blocked cells; one blocked side is allowed.
            if (dx != 0 && dy != 0 && blocked(current.x + dx, current.y) && blocked(current.x, current.y + dy))
            {
                continue;
            }
            const float newCost = straightLine(dx, dy) + currentCost;
            const bool open = isOpen(next);
            Node& n = node(next);
            if (open && newCost > n.cost)
            {
                continue;
            }
            n.parent = current;
            n.cost = newCost;
            n.estimate =
                newCost + straightLine(static_cast<double>(next.x) - goal.x, static_cast<double>(next.y) - goal.y);
            if (open)
            {
                openImproved(next);
            }
            else
            {
                addOpen(next);
            }
        }
    }
    return openEmpty() ? 0 : 1;
}

Path PathFind::buildPath() const
{
    Path path;
    if (!found || nodes == nullptr)
    {
        return path;
    }
    std::vector<Cell> cells;
    const long long longest = static_cast<long long>(width) * height;
    for (Cell cell = goal; cell != start; cell = node(cell).parent)
    {
        if (static_cast<long long>(cells.size()) >= longest)
        {
            return path; // parents never loop; refuse rather than spin if they ever did
        }
        cells.push_back(cell);
    }
    cells.push_back(start);
    std::reverse(cells.begin(), cells.end());
    for (const Cell& cell : cells)
    {
        path.addNode(Vector(static_cast<float>(cell.x), static_cast<float>(cell.y)));
    }
    return path;
}

bool PathFind::openEmpty() const
{
    return openList.empty();
}

PathFind::Cell PathFind::takeBestOpen()
{
    // From the last entry to the first, replacing only on a strictly smaller estimate: among
    // equal estimates the latest added wins.
    std::size_t best = openList.size() - 1;
    for (std::size_t i = openList.size() - 1; i-- > 0;)
    {
        if (node(openList[i]).estimate < node(openList[best]).estimate)
        {
            best = i;
        }
    }
    const Cell chosen = openList[best];
    openList.erase(openList.begin() + static_cast<std::ptrdiff_t>(best));
    return chosen;
}

bool PathFind::isOpen(Cell cell) const
{
    return std::find(openList.begin(), openList.end(), cell) != openList.end();
}

void PathFind::addOpen(Cell cell)
{
    openList.push_back(cell);
}

void PathFind::openImproved(Cell)
{
    // Updated in place: the entry keeps its position in the list.
}

bool PathFind::isClosed(Cell cell) const
{
    return std::find(closedList.begin(), closedList.end(), cell) != closedList.end();
}

void PathFind::addClosed(Cell cell)
{
    closedList.push_back(cell);
}

bool PathFind::blocked(int x, int y)
{
    return isBlocked(object, x, y, goal);
}

bool isBlocked(const Object* object, int x, int y, PathFind::Cell goal)
{
    const ObjectList collisions =
        WorldManager::getInstance().getCollisions(object, Vector(static_cast<float>(x), static_cast<float>(y)));
    for (ObjectListIterator it(&collisions); !it.isDone(); it.next())
    {
        const Object* other = it.currentObject();
        if (other->getSolidness() == HARD)
        {
            // Only the first hard object counts: a search may end on a hard target.
            return !boxContainsPosition(getWorldBox(other),
                                        Vector(static_cast<float>(goal.x), static_cast<float>(goal.y)));
        }
    }
    return false;
}

} // namespace qm
