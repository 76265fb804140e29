// The heap search against the linear reference, and both against an independent shortest-path check over every
// wall pattern of the tiny maps; then random worlds that change between the calls of one search, since the heap
// search keeps what it learnt of each cell across cycleOnce() calls while the world stands still.
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
using qmtest::outcomeOf;
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
            const WallMap map{width, height, pattern};
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

// Random worlds changed every few calls in every way a solid object (or the walker's box) can change: a wall
// removed, moved, shrunk, made soft, spectral or inactive, or switched on (which only files it in the solid list);
// the walker grown (a SPECTRAL walker is in no solid list, so only its own box tells). Both searches go on after a
// call that found no path, as the path manager's would.
class ChangingWorlds : public qmtest::PathTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(ChangingWorlds, HeapSearchFollowsTheLinearOneCallForCall)
{
    const int pieceCount = GetParam();
    qmtest::Dice uniform(static_cast<unsigned>(pieceCount) * 7919u + 1);
    auto randomBox = [&]()
    {
        if (uniform(0, 2) == 0)
        {
            return qm::Box(qm::Vector(-0.5f, -0.5f), 0.99f, static_cast<float>(uniform(1, 6)) - 0.01f);
        }
        const float w = uniform.real(0.0f, 3.0f);
        const float h = uniform.real(0.0f, 3.0f);
        return qm::Box(qm::Vector(-w / 2, -h / 2), w, h);
    };
    int changesMade = 0;
    int found = 0;
    int restarted = 0;
    for (int round = 0; round < 60; ++round)
    {
        const int width = uniform(8, 30);
        const int height = uniform(6, 20);
        setWorld(width, height);
        auto randomPlace = [&]() {
            return qm::Vector(uniform.real(-1, static_cast<float>(width)),
                              uniform.real(-1, static_cast<float>(height)));
        };
        for (int i = 0; i < pieceCount; ++i)
        {
            const qm::Vector at = randomPlace();
            qm::Object* piece = addPiece(at.getX(), at.getY(), randomBox(), uniform(0, 4) == 0 ? qm::SOFT : qm::HARD);
            // Some wait inactive, so that switching them on puts a wall where there was none.
            ASSERT_EQ(piece->setActive(uniform(0, 2) != 0), 0);
        }
        walker->setBox(qm::Box(qm::Vector(-0.5f, -0.5f), 0.99f, 0.99f));
        // The walker's own solidness does not matter to the search, only to what counts as a change.
        ASSERT_EQ(walker->setSolidness(static_cast<qm::Solidness>(round % 3)), 0);
        const Cell start = uniform.cell(width, height);
        const Cell goal = uniform.cell(width, height);
        qm::PathFind linear(walker, start, goal, nullptr, width, height);
        qm::HeapPathFind heap(walker, start, goal, nullptr, width, height);
        int status = 1;
        for (int calls = 0; calls < 4 * width * height && status != 2 && !HasFailure();)
        {
            const int stretch = uniform(1, 8);
            for (int i = 0; i < stretch && status != 2; ++i, ++calls)
            {
                status = linear.cycleOnce();
                ASSERT_EQ(heap.cycleOnce(), status) << "round " << round << ", call " << calls;
                restarted += status == 0 ? 1 : 0;
            }
            qm::Object* piece =
                pieces.empty() ? nullptr : pieces[static_cast<std::size_t>(uniform(0, 100)) % pieces.size()];
            // clang-format off
            switch (piece == nullptr ? 0 : uniform(0, 8))
            {
            case 0: { const qm::Vector at = randomPlace(); addPiece(at.getX(), at.getY(), randomBox()); break; }
            case 1: removePiece(piece); break;
            case 2: case 3: piece->setPosition(randomPlace()); break;
            case 4: piece->setBox(randomBox()); break;
            case 5: ASSERT_EQ(piece->setSolidness(piece->getSolidness() == qm::HARD ? qm::SOFT : qm::HARD), 0); break;
            case 6: ASSERT_EQ(piece->setSolidness(piece->isSolid() ? qm::SPECTRAL : qm::HARD), 0); break;
            case 7: ASSERT_EQ(piece->setActive(!piece->isActive()), 0); break;
            default:
                const float reach = uniform.real(0.0f, 2.5f);
                walker->setBox(qm::Box(qm::Vector(-reach / 2, -reach / 2), reach, reach));
            }
            // clang-format on
            ++changesMade;
        }
        ASSERT_EQ(outcomeOf(heap, status), outcomeOf(linear, status)) << "round " << round;
        found += status == 2 ? 1 : 0;
        clearPieces();
    }
    EXPECT_GT(changesMade, 500);
    EXPECT_GT(found, 10) << "the worlds must not all be closed";
    EXPECT_GT(restarted, 0) << "no search went on after finding no path";
}

// Below and above the number of solid objects where the heap search asks the spatial index instead.
INSTANTIATE_TEST_SUITE_P(Crowds, ChangingWorlds, ::testing::Values(24, 80));

} // namespace
