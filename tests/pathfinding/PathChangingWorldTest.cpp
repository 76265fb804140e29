// The heap search keeps what it learnt of each cell across cycleOnce() calls while the world stands
// still: here the world changes between the calls of one search, and the heap search must still
// follow the linear reference call for call.
#include "MapSearch.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{

using qmtest::Cell;
using qmtest::Outcome;
using qmtest::outcomeOf;

// Both searches, called in turn on the same world, until the first one ends (or `maxCalls`).
// Returns the number of calls; any difference in status fails the test.
int runSideBySide(qm::PathFind& linear, qm::PathFind& heap, int maxCalls)
{
    int calls = 0;
    for (int expected = 1; expected == 1 && calls < maxCalls; ++calls)
    {
        expected = linear.cycleOnce();
        const int status = heap.cycleOnce();
        EXPECT_EQ(status, expected) << "at call " << calls + 1;
        expected = status == expected ? expected : -1;
    }
    return calls;
}

using ChangingWorld = qmtest::PathTest;

// A wall over rows 0 to 3 of column 6, met by the search after six calls, then changed so that column 6 opens
// above the gap at row 4: a heap search that kept its old answers would still go round by row 4.
TEST_F(ChangingWorld, AWallThatGivesWayAfterTheSearchMetItIsCrossedByBothSearches)
{
    const qm::Box column(qm::Vector(-0.5f, -0.5f), 0.99f, 3.99f);
    const std::vector<std::pair<std::string, std::function<void(qm::Object*)>>> changes{
        {"removed", [this](qm::Object* wall) { removePiece(wall); }},
        {"made soft", [](qm::Object* wall) { ASSERT_EQ(wall->setSolidness(qm::SOFT), 0); }},
        {"made neither hard nor soft", [](qm::Object* wall) { ASSERT_EQ(wall->setSolidness(qm::SPECTRAL), 0); }},
        {"made inactive", [](qm::Object* wall) { ASSERT_EQ(wall->setActive(false), 0); }},
        {"moved to column 9", [](qm::Object* wall) { wall->setPosition(qm::Vector(9, 0)); }},
        {"shrunk to row 0", [](qm::Object* wall) { wall->setBox(qm::Box(qm::Vector(-0.5f, -0.5f), 0.99f, 0.99f)); }},
    };
    setWorld(12, 5);
    for (const auto& change : changes)
    {
        SCOPED_TRACE("wall " + change.first);
        qm::Object* wall = addPiece(6, 0, column);
        qm::PathFind linear(walker, {0, 2}, {11, 2}, nullptr, 12, 5);
        qm::HeapPathFind heap(walker, {0, 2}, {11, 2}, nullptr, 12, 5);
        ASSERT_EQ(runSideBySide(linear, heap, 6), 6);
        change.second(wall);
        runSideBySide(linear, heap, 1000);
        const Outcome reference = outcomeOf(linear, 2);
        EXPECT_EQ(outcomeOf(heap, 2), reference);
        EXPECT_TRUE(std::any_of(reference.path.begin(), reference.path.end(),
                                [](const Cell& cell) { return cell.x == 6 && cell.y <= 3; }))
            << reference;
        clearPieces();
    }
}

// The other way round: the walker grows after the search met the wall, so the cells beside it
// that were free become blocked. A walker that is neither HARD nor SOFT is in no solid list, so only its own box
// tells the heap search that its answers are out of date.
TEST_F(ChangingWorld, AWalkerThatGrowsDuringTheSearchIsRefusedTheCellsItNoLongerFits)
{
    ASSERT_EQ(walker->setSolidness(qm::SPECTRAL), 0);
    setWorld(12, 5);
    addPiece(6, 0, qm::Box(qm::Vector(-0.5f, -0.5f), 0.99f, 3.99f));
    qm::PathFind linear(walker, {0, 2}, {11, 2}, nullptr, 12, 5);
    qm::HeapPathFind heap(walker, {0, 2}, {11, 2}, nullptr, 12, 5);
    ASSERT_EQ(runSideBySide(linear, heap, 6), 6);
    // Three cells wide: every cell of columns 5 to 7 now touches the wall.
    walker->setBox(qm::Box(qm::Vector(-1.5f, -0.5f), 2.99f, 0.99f));
    const int calls = runSideBySide(linear, heap, 1000);
    EXPECT_LT(calls, 1000);
    EXPECT_EQ(outcomeOf(heap, linear.isFound() ? 2 : 0), outcomeOf(linear, linear.isFound() ? 2 : 0));
    const std::vector<Cell> path = qmtest::cellsOf(linear.buildPath());
    EXPECT_TRUE(std::none_of(path.begin(), path.end(), [](const Cell& cell) { return cell.x == 5 && cell.y <= 3; }))
        << "the path uses a cell beside the wall after the walker grew";
}

// Walls that are switched on one at a time while the search runs: each only files an object in
// the solid list, with no move or box change that would also tell the heap search.
TEST_F(ChangingWorld, WallsSwitchedOnDuringTheSearchBlockTheCellsTheySwitchOnOver)
{
    qmtest::Dice uniform(99);
    int switched = 0;
    for (int round = 0; round < 150; ++round)
    {
        const int width = uniform(6, 16);
        const int height = uniform(4, 10);
        setWorld(width, height);
        std::vector<qm::Object*> waiting;
        for (int i = 0; i < width * height / 3; ++i)
        {
            qm::Object* wall =
                addPiece(static_cast<float>(uniform(0, width - 1)), static_cast<float>(uniform(0, height - 1)));
            ASSERT_EQ(wall->setActive(false), 0);
            waiting.push_back(wall);
        }
        const Cell start = uniform.cell(width, height);
        const Cell goal = uniform.cell(width, height);
        qm::PathFind linear(walker, start, goal, nullptr, width, height);
        qm::HeapPathFind heap(walker, start, goal, nullptr, width, height);
        int status = 1;
        for (int calls = 0; status != 2 && calls < 2 * width * height; ++calls)
        {
            status = linear.cycleOnce();
            ASSERT_EQ(heap.cycleOnce(), status) << "round " << round << ", call " << calls;
            if (!waiting.empty())
            {
                ASSERT_EQ(waiting.back()->setActive(true), 0);
                waiting.pop_back();
                ++switched;
            }
        }
        ASSERT_EQ(outcomeOf(heap, status), outcomeOf(linear, status)) << "round " << round;
        clearPieces();
    }
    EXPECT_GT(switched, 1000);
}

// Random worlds changed every few calls in every way a solid object (or the walker's box) can change; both
// searches go on after a call that found no path, as the path manager's would.
class ChangingWorlds : public ChangingWorld, public ::testing::WithParamInterface<int>
{
};

TEST_P(ChangingWorlds, HeapSearchFollowsTheLinearOneCallForCall)
{
    const int pieceCount = GetParam();
    qmtest::Dice uniform(static_cast<unsigned>(pieceCount) * 7919u + 1);
    auto real = [&uniform](float low, float high) { return uniform.real(low, high); };
    auto randomBox = [&]()
    {
        if (uniform(0, 2) == 0)
        {
            return qm::Box(qm::Vector(-0.5f, -0.5f), 0.99f, static_cast<float>(uniform(1, 6)) - 0.01f);
        }
        const float w = real(0.0f, 3.0f);
        const float h = real(0.0f, 3.0f);
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
        auto randomPlace = [&]()
        { return qm::Vector(real(-1, static_cast<float>(width)), real(-1, static_cast<float>(height))); };
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
            switch (piece == nullptr ? 0 : uniform(0, 8))
            {
            case 0:
            {
                const qm::Vector at = randomPlace();
                addPiece(at.getX(), at.getY(), randomBox());
                break;
            }
            case 1:
                removePiece(piece);
                break;
            case 2:
            case 3:
                piece->setPosition(randomPlace());
                break;
            case 4:
                piece->setBox(randomBox());
                break;
            case 5:
                ASSERT_EQ(piece->setSolidness(piece->getSolidness() == qm::HARD ? qm::SOFT : qm::HARD), 0);
                break;
            case 6:
                ASSERT_EQ(piece->setSolidness(piece->isSolid() ? qm::SPECTRAL : qm::HARD), 0);
                break;
            case 7:
                ASSERT_EQ(piece->setActive(!piece->isActive()), 0);
                break;
            default:
            {
                const float reach = real(0.0f, 2.5f);
                walker->setBox(qm::Box(qm::Vector(-reach / 2, -reach / 2), reach, reach));
                break;
            }
            }
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

// Below and above the number of solid objects where the heap search stops copying them and asks
// the spatial index instead.
INSTANTIATE_TEST_SUITE_P(Crowds, ChangingWorlds, ::testing::Values(24, 80));

} // namespace
