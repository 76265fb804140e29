// One search on its own: the algorithm's cases, run on the linear reference and on the heap search alike.
#include "MapSearch.h"

#include <gtest/gtest.h>

namespace
{

using qmtest::Cell;
using qmtest::Cells;
using qmtest::Outcome;
using qmtest::runToEnd;

template <class Search> class OneSearch : public qmtest::PathTest
{
protected:
    void SetUp() override
    {
        qmtest::PathTest::SetUp();
        setWorld(80, 24);
        walker->setPosition(qm::Vector(0, 0));
    }
    // A search through the world on `width` x `height` cells.
    Outcome searchWorld(Cell start, Cell goal, qm::Object* target = nullptr, int width = 80, int height = 24)
    {
        Search search(walker, start, goal, target, width, height);
        return runToEnd(search);
    }
    Outcome searchMap(Cell start, Cell goal, const std::vector<std::string>& rows)
    {
        qmtest::MapSearch<Search> search(walker, start, goal, qmtest::WallMap(rows));
        return runToEnd(search);
    }
};

using Implementations = ::testing::Types<qm::PathFind, qm::HeapPathFind>;
TYPED_TEST_SUITE(OneSearch, Implementations);

TYPED_TEST(OneSearch, StartEqualsGoalAndTheDiagonalToThreeThreeTakeOneAndFourCalls)
{
    EXPECT_EQ(this->searchWorld({5, 7}, {5, 7}), (Outcome{2, 1, {{5, 7}}, {5, 7}}));
    EXPECT_EQ(this->searchWorld({0, 0}, {3, 3}), (Outcome{2, 4, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}, {3, 3}}));
}

TYPED_TEST(OneSearch, DiagonalStepRefusedBetweenTwoBlockedSidesAndTakenBesideOne)
{
    this->addPiece(1, 0);
    EXPECT_EQ(this->searchWorld({0, 0}, {1, 1}, nullptr, 2, 2).path, (Cells{{0, 0}, {1, 1}}));
    this->addPiece(0, 1);
    EXPECT_EQ(this->searchWorld({0, 0}, {1, 1}, nullptr, 2, 2), (Outcome{0, 1, {}, {1, 1}}));
}

TYPED_TEST(OneSearch, HardObjectBlocksItsCellUnlessItsBoxHoldsTheGoal)
{
    // A corridor one cell high: the hard piece at (3, 0) closes it; every reachable cell (0..2) is expanded once.
    this->addPiece(3, 0);
    EXPECT_EQ(this->searchWorld({0, 0}, {6, 0}, nullptr, 7, 1), (Outcome{0, 3, {}, {6, 0}}));
    EXPECT_EQ(this->searchWorld({0, 0}, {3, 0}, nullptr, 7, 1).path, (Cells{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
}

TYPED_TEST(OneSearch, OnlyTheFirstHardObjectOfACellIsAskedWhetherItHoldsTheGoal)
{
    // Two hard pieces on (3, 0): the first one filed does not hold the goal (4, 0), so the
    // cell is closed even though the second, wide one would hold it.
    this->addPiece(3, 0);
    this->addPiece(3, 0, qm::Box(qm::Vector(-0.5f, -0.5f), 1.99f, 0.99f));
    EXPECT_EQ(this->searchWorld({0, 0}, {4, 0}, nullptr, 7, 1).status, 0);
}

TYPED_TEST(OneSearch, OnlyHardObjectsBlock)
{
    this->addPiece(3, 0, this->walker->getBox(), qm::SOFT);
    this->addPiece(4, 0, this->walker->getBox(), qm::SPECTRAL);
    const Outcome outcome = this->searchWorld({0, 0}, {6, 0}, nullptr, 7, 1);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.path.size(), 7u);
}

TYPED_TEST(OneSearch, UnreachableGoalExpandsEveryReachableCellThenEndsWithNoPath)
{
    EXPECT_EQ(this->searchMap({0, 0}, {4, 1}, {"..#..", "..#..", "..#.."}), (Outcome{0, 6, {}, {4, 1}}));
}

TYPED_TEST(OneSearch, AmongEqualEstimatesTheLatestAddedCellIsExpandedFirst)
{
    // From (0, 1) the steps to (1, 0) and (1, 2) have equal estimates; (1, 2) is added later,
    // so the path goes below the wall (the earliest-added rule would go above it).
    EXPECT_EQ(this->searchMap({0, 1}, {2, 1}, {"...", ".#.", "..."}),
              (Outcome{2, 3, {{0, 1}, {1, 2}, {2, 1}}, {2, 1}}));
}

TYPED_TEST(OneSearch, TouchingTheTargetEndsTheSearchAndBecomesTheGoal)
{
    // A hard target two cells wide at (10, 0), reaching from 8.5 to 11.49: the walker at
    // (9, 0) touches it, at (8, 0) (up to 8.49) it does not.
    qm::Object* target = this->addPiece(10, 0, qm::Box(qm::Vector(-1.5f, -0.5f), 2.99f, 0.99f));
    const Outcome outcome = this->searchWorld({0, 0}, {10, 0}, target, 20, 1);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.goal, (Cell{9, 0}));
    ASSERT_EQ(outcome.path.size(), 10u);
    EXPECT_EQ(outcome.path.back(), (Cell{9, 0}));
}

TYPED_TEST(OneSearch, AFoundSearchKeepsAnsweringTwoWithTheSamePath)
{
    TypeParam search(this->walker, {0, 0}, {5, 3}, nullptr, 80, 24);
    const Outcome first = runToEnd(search);
    ASSERT_EQ(first.status, 2);
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(search.cycleOnce(), 2);
    }
    EXPECT_EQ(qmtest::cellsOf(search.buildPath()), first.path);
}

TYPED_TEST(OneSearch, AnEndedSearchCalledAgainGoesOnThroughACellFreedSince)
{
    qm::Object* wall = this->addPiece(1, 0);
    TypeParam search(this->walker, {0, 0}, {3, 0}, nullptr, 4, 1);
    EXPECT_EQ(search.cycleOnce(), 0);
    EXPECT_EQ(search.cycleOnce(), 0) << "nothing changed, nothing to expand";
    this->removePiece(wall);
    EXPECT_EQ(runToEnd(search).path, (Cells{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
}

TYPED_TEST(OneSearch, WithoutANodeGridOrWithTheStartOffTheGridTheSearchEndsWithALogLine)
{
    for (const auto& [width, height] : {std::pair{0, 5}, std::pair{5, -1}, std::pair{1 << 16, 1 << 16}})
    {
        TypeParam search(this->walker, {0, 0}, {1, 1}, nullptr, width, height);
        EXPECT_FALSE(search.hasNodes()) << width << " x " << height;
        EXPECT_EQ(runToEnd(search), (Outcome{0, 1, {}, {1, 1}}));
    }
    EXPECT_EQ(qmtest::countOf(this->log(), "PathFind::cycleOnce(): node graph not allocated.  Cannot find path."), 3);
    for (const Cell start : {Cell{-1, 0}, Cell{0, -1}, Cell{4, 0}, Cell{0, 3}})
    {
        TypeParam search(this->walker, start, {1, 1}, nullptr, 4, 3);
        EXPECT_EQ(runToEnd(search), (Outcome{0, 1, {}, {1, 1}})) << start;
    }
    EXPECT_EQ(qmtest::countOf(this->log(), "outside the 4 x 3 grid.  Cannot find path."), 4);
}

} // namespace
