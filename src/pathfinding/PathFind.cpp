#include "pathfinding/PathFindCycle.h"

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
    return cycleWith(*this);
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
