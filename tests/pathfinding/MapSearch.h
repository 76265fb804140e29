// Searches over wall maps, apart from the world, and a runner that records how a search ends.
#ifndef QM_TEST_MAPSEARCH_H
#define QM_TEST_MAPSEARCH_H

#include <qm/HeapPathFind.h>
#include <qm/PathFind.h>

#include <ostream>
#include <string>
#include <vector>

namespace qm
{
// Found by argument lookup, so that test failures print cells readably.
inline std::ostream& operator<<(std::ostream& out, const PathFind::Cell& cell)
{
    return out << "(" << cell.x << "," << cell.y << ")";
}
} // namespace qm

namespace qmtest
{

using Cell = qm::PathFind::Cell;

/// A wall map: `rows` of '.' (free) and '#' (wall), all of one length.
struct WallMap
{
    WallMap() = default;
    explicit WallMap(const std::vector<std::string>& rows)
        : width(rows.empty() ? 0 : static_cast<int>(rows[0].size())), height(static_cast<int>(rows.size()))
    {
        for (const std::string& row : rows)
        {
            for (char c : row)
            {
                walls.push_back(c == '#');
            }
        }
    }
    WallMap(int w, int h, std::vector<bool> cells) : width(w), height(h), walls(std::move(cells)) {}
    bool wall(int x, int y) const { return walls[static_cast<std::size_t>(y * width + x)]; }

    int width = 0;
    int height = 0;
    std::vector<bool> walls;
};

/// `Search` (PathFind or a replacement) whose cells are blocked by a wall map instead of the world.
template <class Search> class MapSearch : public Search
{
public:
    MapSearch(qm::Object* searcher, Cell from, Cell to, const WallMap& walls)
        : Search(searcher, from, to, nullptr, walls.width, walls.height), map(walls)
    {
    }
    WallMap map;

protected:
    bool blocked(int x, int y) override { return map.wall(x, y); }
};

/// How a search ended: its last status, the number of cycleOnce() calls, its path and goal.
struct Outcome
{
    int status = -1;
    int calls = 0;
    std::vector<Cell> path;
    Cell goal;
    bool operator==(const Outcome& other) const
    {
        return status == other.status && calls == other.calls && path == other.path && goal == other.goal;
    }
};

inline std::vector<Cell> cellsOf(const qm::Path& path)
{
    std::vector<Cell> cells;
    for (int i = 0; i < path.getNodeCount(); ++i)
    {
        cells.push_back(Cell{static_cast<int>(path.getNode(i).getX()), static_cast<int>(path.getNode(i).getY())});
    }
    return cells;
}

/// Cycles `search` until it ends (or `maxCalls` calls) and records how.
inline Outcome runToEnd(qm::PathFind& search, int maxCalls = 1000000)
{
    Outcome outcome;
    do
    {
        outcome.status = search.cycleOnce();
        ++outcome.calls;
    } while (outcome.status == 1 && outcome.calls < maxCalls);
    outcome.path = cellsOf(search.buildPath());
    outcome.goal = search.getGoal();
    return outcome;
}

inline std::ostream& operator<<(std::ostream& out, const Outcome& outcome)
{
    out << "status " << outcome.status << " after " << outcome.calls << " calls, goal " << outcome.goal << ", path";
    for (const Cell& cell : outcome.path)
    {
        out << " " << cell;
    }
    return out;
}

} // namespace qmtest

#endif
