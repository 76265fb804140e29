// The heap search against the linear reference, and both against an independent shortest-path check:
// every wall pattern of the tiny maps, then random maps, then random worlds of real objects.
#include "MapSearch.h"
#include "support/WorldTest.h"

#include <qm/HeapPathFind.h>
#include <qm/PathFind.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>

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

// Shortest path lengths from `start` by a breadth-first relaxation over the eight steps
// (repeated until nothing improves), in double: infinity where unreachable.
std::vector<double> shortestFrom(const WallMap& map, Cell start)
{
    const double none = std::numeric_limits<double>::infinity();
    std::vector<double> best(static_cast<std::size_t>(map.width * map.height), none);
    best[static_cast<std::size_t>(start.y * map.width + start.x)] = 0;
    std::vector<Cell> frontier{start};
    while (!frontier.empty())
    {
        std::vector<Cell> next;
        for (const Cell cell : frontier)
        {
            const double here = best[static_cast<std::size_t>(cell.y * map.width + cell.x)];
            for (int dy = -1; dy <= 1; ++dy)
            {
                for (int dx = -1; dx <= 1; ++dx)
                {
                    if ((dx != 0 || dy != 0) && canStep(map, cell, dx, dy))
                    {
                        double& there = best[static_cast<std::size_t>((cell.y + dy) * map.width + cell.x + dx)];
                        const double length = here + ((dx != 0 && dy != 0) ? std::sqrt(2.0) : 1.0);
                        if (length < there - 1e-9)
                        {
                            there = length;
                            next.push_back(Cell{cell.x + dx, cell.y + dy});
                        }
                    }
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
    if (outcome.status != 2 || outcome.path.empty())
    {
        return "no path to a reachable goal";
    }
    if (outcome.path.front() != start || outcome.path.back() != goal)
    {
        return "path does not run from the start to the goal";
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
        length += (dx != 0 && dy != 0) ? std::sqrt(2.0) : 1.0;
    }
    return std::abs(length - expected) < 1e-4 ? "" : "path longer than the shortest";
}

std::string describe(const WallMap& map, Cell start, Cell goal)
{
    std::string text = "start (" + std::to_string(start.x) + "," + std::to_string(start.y) + ") goal (" +
                       std::to_string(goal.x) + "," + std::to_string(goal.y) + ")\n";
    for (int y = 0; y < map.height; ++y)
    {
        for (int x = 0; x < map.width; ++x)
        {
            text += map.wall(x, y) ? '#' : '.';
        }
        text += '\n';
    }
    return text;
}

class PathDifferential : public qmtest::WorldTest
{
protected:
    void SetUp() override
    {
        qmtest::WorldTest::SetUp();
        walker = new qm::Object;
        walker->setSolidness(qm::SOFT);
    }
    qm::Object* walker = nullptr;
};

// One height of tiny maps per test, widths 1 to 4, so that the suite's programs share the work.
class TinyMaps : public PathDifferential, public ::testing::WithParamInterface<int>
{
};

TEST_P(TinyMaps, EveryWallPatternGivesTheShortestPathAndBothSearchesAgreeStepForStep)
{
    int compared = 0;
    int failures = 0;
    const int height = GetParam();
    {
        for (int width = 1; width <= 4; ++width)
        {
            const int cells = width * height;
            // Every start on maps of up to nine cells; from the corner on the larger ones,
            // where every pattern of the other cells still comes up.
            const int starts = cells <= 9 ? cells : 1;
            for (int pattern = 0; pattern < (1 << cells); ++pattern)
            {
                std::vector<bool> walls(static_cast<std::size_t>(cells));
                for (int i = 0; i < cells; ++i)
                {
                    walls[static_cast<std::size_t>(i)] = ((pattern >> i) & 1) != 0;
                }
                const WallMap map(width, height, walls);
                for (int s = 0; s < starts; ++s)
                {
                    if (walls[static_cast<std::size_t>(s)])
                    {
                        continue;
                    }
                    const Cell start{s % width, s / width};
                    const std::vector<double> shortest = shortestFrom(map, start);
                    for (int g = 0; g < cells && failures < 5; ++g)
                    {
                        const Cell goal{g % width, g / width};
                        MapSearch<qm::PathFind> linear(walker, start, goal, map);
                        MapSearch<qm::HeapPathFind> heap(walker, start, goal, map);
                        const Outcome reference = runToEnd(linear);
                        const Outcome fast = runToEnd(heap);
                        const std::string fault = checkAgainstShortest(map, start, goal, reference, shortest);
                        if (!fault.empty() || !(fast == reference))
                        {
                            ++failures;
                            ADD_FAILURE() << describe(map, start, goal) << (fault.empty() ? "" : fault + "\n")
                                          << "linear: " << reference << "\nheap:   " << fast;
                        }
                        ++compared;
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

TEST_F(PathDifferential, RandomMapsGiveTheSamePathsStepCountsAndStatuses)
{
    std::mt19937 random(20261207);
    int found = 0;
    for (int round = 0; round < 1000; ++round)
    {
        const int width = std::uniform_int_distribution<int>(1, 40)(random);
        const int height = std::uniform_int_distribution<int>(1, 30)(random);
        const double density = std::uniform_real_distribution<double>(0.0, 0.45)(random);
        std::bernoulli_distribution isWall(density);
        std::vector<bool> walls(static_cast<std::size_t>(width * height));
        for (std::size_t i = 0; i < walls.size(); ++i)
        {
            walls[i] = isWall(random);
        }
        const WallMap map(width, height, walls);
        const Cell start{std::uniform_int_distribution<int>(0, width - 1)(random),
                         std::uniform_int_distribution<int>(0, height - 1)(random)};
        const Cell goal{std::uniform_int_distribution<int>(0, width - 1)(random),
                        std::uniform_int_distribution<int>(0, height - 1)(random)};
        MapSearch<qm::PathFind> linear(walker, start, goal, map);
        MapSearch<qm::HeapPathFind> heap(walker, start, goal, map);
        const Outcome reference = runToEnd(linear);
        const Outcome fast = runToEnd(heap);
        ASSERT_EQ(fast, reference) << describe(map, start, goal);
        if (!map.wall(start.x, start.y))
        {
            ASSERT_EQ(checkAgainstShortest(map, start, goal, reference, shortestFrom(map, start)), "")
                << describe(map, start, goal) << reference;
        }
        found += reference.status == 2 ? 1 : 0;
    }
    EXPECT_GT(found, 250) << "the maps must not all be closed";
}

TEST_F(PathDifferential, RandomWorldsOfHardAndSoftObjectsGiveTheSameOutcomeWithAndWithoutATarget)
{
    std::mt19937 random(7);
    int found = 0;
    for (int round = 0; round < 300; ++round)
    {
        const int width = std::uniform_int_distribution<int>(4, 30)(random);
        const int height = std::uniform_int_distribution<int>(4, 20)(random);
        world.setBoundary(qm::Box(qm::Vector(0, 0), static_cast<float>(width), static_cast<float>(height)));
        std::vector<qm::Object*> pieces;
        const int count = std::uniform_int_distribution<int>(0, width * height / 6)(random);
        for (int i = 0; i < count; ++i)
        {
            auto* piece = new qm::Object;
            piece->setSolidness(std::bernoulli_distribution(0.8)(random) ? qm::HARD : qm::SOFT);
            // Boxes from none to a few cells, some off the cell grid, some whose edges meet the
            // walker's exactly (a whole cell wide on whole positions: edges touching count).
            const int kind = std::uniform_int_distribution<int>(0, 3)(random);
            const float w = kind == 0 ? 0.0f : std::uniform_real_distribution<float>(0.2f, 3.5f)(random);
            const float h = kind == 0 ? 0.0f : std::uniform_real_distribution<float>(0.2f, 2.5f)(random);
            if (kind == 1)
            {
                piece->setBox(qm::Box(qm::Vector(-0.5f, -0.5f), 1.0f, 1.0f));
                piece->setPosition(
                    qm::Vector(static_cast<float>(std::uniform_int_distribution<int>(-1, width)(random)),
                               static_cast<float>(std::uniform_int_distribution<int>(-1, height)(random))));
            }
            else
            {
                piece->setBox(qm::Box(qm::Vector(-w / 2, -h / 2), w, h));
                piece->setPosition(
                    qm::Vector(std::uniform_real_distribution<float>(-1, static_cast<float>(width + 1))(random),
                               std::uniform_real_distribution<float>(-1, static_cast<float>(height + 1))(random)));
            }
            pieces.push_back(piece);
        }
        const Cell start{std::uniform_int_distribution<int>(0, width - 1)(random),
                         std::uniform_int_distribution<int>(0, height - 1)(random)};
        walker->setPosition(qm::Vector(static_cast<float>(start.x), static_cast<float>(start.y)));
        // The walker's own box decides what it touches: sometimes none, sometimes several cells.
        const float reach = round % 3 == 0 ? std::uniform_real_distribution<float>(0.0f, 2.5f)(random) : 0.99f;
        walker->setBox(qm::Box(qm::Vector(-reach / 2, -reach / 2), reach, reach));
        qm::Object* target = nullptr;
        Cell goal{std::uniform_int_distribution<int>(0, width - 1)(random),
                  std::uniform_int_distribution<int>(0, height - 1)(random)};
        if (!pieces.empty() && round % 2 == 1)
        {
            target = pieces[static_cast<std::size_t>(round) % pieces.size()];
            goal = Cell{static_cast<int>(std::floor(target->getPosition().getX() + 0.5f)),
                        static_cast<int>(std::floor(target->getPosition().getY() + 0.5f))};
        }
        qm::PathFind linear(walker, start, goal, target, width, height);
        qm::HeapPathFind heap(walker, start, goal, target, width, height);
        const Outcome reference = runToEnd(linear);
        const Outcome fast = runToEnd(heap);
        ASSERT_EQ(fast, reference) << "round " << round << ", " << count << " objects, target " << (target != nullptr);
        found += reference.status == 2 ? 1 : 0;
        for (qm::Object* piece : pieces)
        {
            world.markForDelete(piece);
        }
        world.update();
    }
    EXPECT_GT(found, 75);
}

} // namespace
