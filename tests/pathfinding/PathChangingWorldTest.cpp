// The heap search keeps what it learnt of each cell across cycleOnce() calls while the world stands
// still: here the world changes between the calls of one search, and the heap search must still
// follow the linear reference call for call.
#include "MapSearch.h"

#include <gtest/gtest.h>

namespace
{

using qmtest::Cell;
using qmtest::outcomeOf;

using ChangingWorld = qmtest::PathTest;

// Walls switched on one at a time while the search runs: each only files an object in the solid list, with no move
// or box change that would also tell the heap search.
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
            waiting.push_back(
                addPiece(static_cast<float>(uniform(0, width - 1)), static_cast<float>(uniform(0, height - 1))));
            ASSERT_EQ(waiting.back()->setActive(false), 0);
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

// Random worlds changed every few calls in every way a solid object (or the walker's box) can change: a wall
// removed, moved, shrunk, made soft, spectral or inactive, or switched on (which only files it in the solid list);
// the walker grown (a SPECTRAL walker is in no solid list, so only its own box tells). Both searches go on after a
// call that found no path, as the path manager's would.
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
