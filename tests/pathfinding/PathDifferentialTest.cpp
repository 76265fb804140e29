// The heap search against the linear reference, and both against an independent shortest-path check:
// every wall pattern of the tiny maps, then random worlds of real objects.
#include "MapSearch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

namespace
{

using qmtest::Cell;
using qmtest::MapSearch;
using qmtest::Outcome;
using qmtest::runToEnd;
using qmtest::WallMap;

// Whether the step from `from` by (dx, dy) is allowed on `map`: onto a free cell, and not
// diagonally between two walls.
bool canStep(const WallMap& map, Cell from, int dx, int dy)
{
    const int x = from.x + dx;
    const int y = from.y + dy;
    if (x < 0 || y < 0 || x >= map.width || y >= map.height || map.wall(x, y))
    {
        return false;
    }
    return dx == 0 || dy == 0 || !(map.wall(from.x + dx, from.y) && map.wall(from.x, from.y + dy));
}

double stepLength(int dx, int dy)
{
    return dx != 0 && dy != 0 ? std::sqrt(2.0) : 1.0;
}

// Shortest path lengths from `start` by a breadth-first relaxation over the eight steps
// (repeated until nothing improves): infinity where unreachable.
std::vector<double> shortestFrom(const WallMap& map, Cell start)
{
    std::vector<double> best(static_cast<std::size_t>(map.width * map.height), std::numeric_limits<double>::infinity());
    const auto at = [&](int x, int y) -> double& { return best[static_cast<std::size_t>(y * map.width + x)]; };
    at(start.x, start.y) = 0;
    std::vector<Cell> frontier{start};
    while (!frontier.empty())
    {
        std::vector<Cell> next;
        for (const Cell cell : frontier)
        {
            for (int step = 0; step < 9; ++step)
            {
                const int dx = step % 3 - 1;
                const int dy = step / 3 - 1;
                const double length = at(cell.x, cell.y) + stepLength(dx, dy);
                if ((dx != 0 || dy != 0) && canStep(map, cell, dx, dy) && length < at(cell.x + dx, cell.y + dy) - 1e-9)
                {
                    at(cell.x + dx, cell.y + dy) = length;
                    next.push_back(Cell{cell.x + dx, cell.y + dy});
                }
            }
        }
        frontier = next;
    }
    return best;
}

// Checks that `outcome` is a shortest legal path from `start` to `goal`, or no path when
// there is none. Returns a description of the first fault, or an empty text.
std::string checkAgainstShortest(const WallMap& map, Cell start, Cell goal, const Outcome& outcome,
                                 const std::vector<double>& shortest)
{
    const double expected = shortest[static_cast<std::size_t>(goal.y * map.width + goal.x)];
    if (std::isinf(expected))
    {
        return outcome.status == 0 && outcome.path.empty() ? "" : "found a path to an unreachable goal";
    }
    if (outcome.status != 2 || outcome.path.empty() || outcome.path.front() != start || outcome.path.back() != goal)
    {
        return "no path from the start to a reachable goal";
    }
    double length = 0;
    for (std::size_t i = 1; i < outcome.path.size(); ++i)
    {
        const int dx = outcome.path[i].x - outcome.path[i - 1].x;
        const int dy = outcome.path[i].y - outcome.path[i - 1].y;
        if (std::abs(dx) > 1 || std::abs(dy) > 1 || (dx == 0 && dy == 0) || !canStep(map, outcome.path[i - 1], dx, dy))
        {
            return "illegal step in the path";
        }
        length += stepLength(dx, dy);
    }
    return std::abs(length - expected) < 1e-4 ? "" : "path longer than the shortest";
}

// Both searches from `start` to `goal` on `map`: the same outcome, and a shortest path. Returns whether both hold.
bool compare(qm::Object* walker, const WallMap& map, Cell start, Cell goal, const std::vector<double>& shortest)
{
    MapSearch<qm::PathFind> linear(walker, start, goal, map);
    MapSearch<qm::HeapPathFind> heap(walker, start, goal, map);
    const Outcome reference = runToEnd(linear);
    const Outcome fast = runToEnd(heap);
    const std::string fault = checkAgainstShortest(map, start, goal, reference, shortest);
    EXPECT_EQ(fault, "") << map << "start " << start << " goal " << goal << ": " << reference;
    EXPECT_EQ(fast, reference) << map << "start " << start << " goal " << goal;
    return fault.empty() && fast == reference;
}

using PathDifferential = qmtest::PathTest;

// One height of tiny maps per test, widths 1 to 4, so that the suite's programs share the work.
class TinyMaps : public PathDifferential, public ::testing::WithParamInterface<int>
{
};

TEST_P(TinyMaps, EveryWallPatternGivesTheShortestPathAndBothSearchesAgreeStepForStep)
{
    int compared = 0;
    int failures = 0;
    const int height = GetParam();
    for (int width = 1; width <= 4; ++width)
    {
        const int cells = width * height;
        // Every start on maps of up to nine cells; from the corner on the larger ones,
        // where every pattern of the other cells still comes up.
        const int starts = cells <= 9 ? cells : 1;
        for (int pattern = 0; pattern < (1 << cells); ++pattern)
        {
            const WallMap map(width, height, pattern);
            for (int s = 0; s < starts; ++s)
            {
                if (((pattern >> s) & 1) == 0)
                {
                    const Cell start{s % width, s / width};
                    const std::vector<double> shortest = shortestFrom(map, start);
                    for (int g = 0; g < cells && failures < 5; ++g, ++compared)
                    {
                        failures += compare(walker, map, start, Cell{g % width, g / width}, shortest) ? 0 : 1;
                    }
                }
            }
        }
    }
    // Half the patterns leave a given start free: 2^(cells-1) x starts x goals per width.
    const std::map<int, int> expected{{1, 173}, {2, 9480}, {3, 46500}, {4, 557184}};
    EXPECT_EQ(compared, expected.at(height));
}

INSTANTIATE_TEST_SUITE_P(Heights, TinyMaps, ::testing::Values(1, 2, 3, 4));

TEST_F(PathDifferential, RandomWorldsOfHardAndSoftObjectsGiveTheSameOutcomeWithAndWithoutATarget)
{
    qmtest::Dice dice(7);
    int found = 0;
    for (int round = 0; round < 300; ++round)
    {
        const int width = dice(4, 30);
        const int height = dice(4, 20);
        setWorld(width, height);
        const int count = dice(0, width * height / 6);
        for (int i = 0; i < count; ++i)
        {
            const qm::Solidness solidness = dice.chance(0.8) ? qm::HARD : qm::SOFT;
            // Boxes from none to a few cells, some off the cell grid, some whose edges meet the
            // walker's exactly (a whole cell wide on whole positions: edges touching count).
            const int kind = dice(0, 3);
            const float w = kind == 0 ? 0.0f : dice.real(0.2f, 3.5f);
            const float h = kind == 0 ? 0.0f : dice.real(0.2f, 2.5f);
            if (kind == 1)
            {
                const qm::Box cell(qm::Vector(-0.5f, -0.5f), 1.0f, 1.0f);
                addPiece(static_cast<float>(dice(-1, width)), static_cast<float>(dice(-1, height)), cell, solidness);
            }
            else
            {
                const float x = dice.real(-1, static_cast<float>(width + 1));
                addPiece(x, dice.real(-1, static_cast<float>(height + 1)), qm::Box(qm::Vector(-w / 2, -h / 2), w, h),
                         solidness);
            }
        }
        const Cell start = dice.cell(width, height);
        walker->setPosition(qm::Vector(static_cast<float>(start.x), static_cast<float>(start.y)));
        // The walker's own box decides what it touches: sometimes none, sometimes several cells.
        const float reach = round % 3 == 0 ? dice.real(0.0f, 2.5f) : 0.99f;
        walker->setBox(qm::Box(qm::Vector(-reach / 2, -reach / 2), reach, reach));
        qm::Object* target = nullptr;
        Cell goal = dice.cell(width, height);
        if (!pieces.empty() && round % 2 == 1)
        {
            target = pieces[static_cast<std::size_t>(round) % pieces.size()];
            goal = Cell{static_cast<int>(std::floor(target->getPosition().getX() + 0.5f)),
                        static_cast<int>(std::floor(target->getPosition().getY() + 0.5f))};
        }
        qm::PathFind linear(walker, start, goal, target, width, height);
        qm::HeapPathFind heap(walker, start, goal, target, width, height);
        const Outcome reference = runToEnd(linear);
        ASSERT_EQ(runToEnd(heap), reference) << "round " << round << ", " << count << " objects, target " << !!target;
        found += reference.status == 2 ? 1 : 0;
        clearPieces();
    }
    EXPECT_GT(found, 75);
}

} // namespace
