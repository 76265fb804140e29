// Searches over wall maps, a runner that records how a search ends, and a world with a walker and pieces.
#ifndef QM_TEST_MAPSEARCH_H
#define QM_TEST_MAPSEARCH_H

#include "pathfinding/HeapPathFind.h"
#include "support/WorldTest.h"

#include <qm/PathFind.h>

#include <ostream>
#include <random>
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
using Cells = std::vector<Cell>;

/// A wall map of `width` x `height` cells whose walls are the set bits of `pattern`, row by row.
struct WallMap
{
    int width, height, pattern;
    bool wall(int x, int y) const { return ((pattern >> (y * width + x)) & 1) != 0; }
};

inline std::ostream& operator<<(std::ostream& out, const WallMap& map)
{
    return out << map.width << " x " << map.height << " map, walls " << map.pattern << " ";
}

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
    Cells path;
    Cell goal;
    bool operator==(const Outcome& other) const
    {
        return status == other.status && calls == other.calls && path == other.path && goal == other.goal;
    }
};

inline Cells cellsOf(const qm::Path& path)
{
    Cells cells;
    for (int i = 0; i < path.getNodeCount(); ++i)
    {
        cells.push_back(Cell{static_cast<int>(path.getNode(i).getX()), static_cast<int>(path.getNode(i).getY())});
    }
    return cells;
}

/// The state of `search` after a call that answered `status`.
inline Outcome outcomeOf(const qm::PathFind& search, int status, int calls = 0)
{
    return Outcome{status, calls, cellsOf(search.buildPath()), search.getGoal()};
}

/// Cycles `search` until it ends (or `maxCalls` calls) and records how.
inline Outcome runToEnd(qm::PathFind& search, int maxCalls = 1000000)
{
    int status = 1;
    int calls = 0;
    while (status == 1 && calls < maxCalls)
    {
        status = search.cycleOnce();
        ++calls;
    }
    return outcomeOf(search, status, calls);
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

/// Seeded random numbers, uniform over closed ranges.
struct Dice
{
    explicit Dice(unsigned seed) : random(seed) {}
    int operator()(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    float real(float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); }
    Cell cell(int width, int height) { return Cell{(*this)(0, width - 1), (*this)(0, height - 1)}; }
    std::mt19937 random;
};

/// The engine running headless with a SOFT walker; pieces added here are deleted by clearPieces().
class PathTest : public WorldTest
{
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        walker = new qm::Object;
        walker->setSolidness(qm::SOFT);
    }
    void setWorld(int width, int height)
    {
        world.setBoundary(qm::Box(qm::Vector(0, 0), static_cast<float>(width), static_cast<float>(height)));
    }
    // A piece at (x, y) with `box` (by default one cell).
    qm::Object* addPiece(float x, float y, const qm::Box& box = qm::Box(qm::Vector(-0.5f, -0.5f), 0.99f, 0.99f),
                         qm::Solidness solidness = qm::HARD)
    {
        auto* piece = new qm::Object;
        piece->setSolidness(solidness);
        piece->setBox(box);
        piece->setPosition(qm::Vector(x, y));
        pieces.push_back(piece);
        return piece;
    }
    void removePiece(qm::Object* piece)
    {
        pieces.erase(std::find(pieces.begin(), pieces.end(), piece));
        world.markForDelete(piece);
        world.update();
    }
    void clearPieces()
    {
        for (qm::Object* piece : pieces)
        {
            world.markForDelete(piece);
        }
        pieces.clear();
        world.update();
    }
    qm::Object* walker = nullptr;
    std::vector<qm::Object*> pieces;
};

} // namespace qmtest

#endif
