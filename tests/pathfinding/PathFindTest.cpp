// One search on its own: the algorithm's cases through the world, run on the linear reference and on the heap
// search alike.
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
};

using Implementations = ::testing::Types<qm::PathFind, qm::HeapPathFind>;
TYPED_TEST_SUITE(OneSearch, Implementations);

const qm::Box CELL(qm::Vector(-0.5f, -0.5f), 0.99f, 0.99f);

struct Piece
{
    float x, y;
    qm::Box box = CELL;
    qm::Solidness solidness = qm::HARD;
};

// A found search keeps answering 2 with the same path afterwards.
TYPED_TEST(OneSearch, CasesEndWithTheirStatusCallCountPathAndGoal)
{
    const struct
    {
        const char* name;
        std::vector<Piece> pieces;
        Cell start, goal;
        int width, height;
        Outcome expected;
        bool targetLastPiece = false;
    } cases[] = {
        // clang-format off
        {"start is the goal", {}, {5, 7}, {5, 7}, 80, 24, {2, 1, {{5, 7}}, {5, 7}}},
        {"diagonal", {}, {0, 0}, {3, 3}, 80, 24, {2, 4, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}, {3, 3}}},
        // Every reachable cell (0..2) is expanded once.
        {"hard piece closes a corridor", {{3, 0}}, {0, 0}, {6, 0}, 7, 1, {0, 3, {}, {6, 0}}},
        {"hard piece holding the goal", {{3, 0}}, {0, 0}, {3, 0}, 7, 1,
         {2, 4, {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {3, 0}}},
        // The first hard piece filed on (3, 0) does not hold the goal: the wide second one is not asked.
        {"only the first hard piece of a cell counts", {{3, 0}, {3, 0, qm::Box(CELL.getCorner(), 1.99f, 0.99f)}},
         {0, 0}, {4, 0}, 7, 1, {0, 3, {}, {4, 0}}},
        {"only hard pieces block", {{3, 0, CELL, qm::SOFT}, {4, 0, CELL, qm::SPECTRAL}}, {0, 0}, {6, 0}, 7, 1,
         {2, 7, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}}, {6, 0}}},
        {"unreachable goal", {{2, 0}, {2, 1}, {2, 2}}, {0, 0}, {4, 1}, 5, 3, {0, 6, {}, {4, 1}}},
        // (1, 0) and (1, 2) have equal estimates; (1, 2) is added later and goes first.
        {"latest added first among equals", {{1, 1}}, {0, 1}, {2, 1}, 3, 3, {2, 3, {{0, 1}, {1, 2}, {2, 1}}, {2, 1}}},
        // A target reaching from 8.5 to 11.49: the walker touches it at (9, 0), not at (8, 0).
        {"touching the target", {{10, 0, qm::Box(qm::Vector(-1.5f, -0.5f), 2.99f, 0.99f)}}, {0, 0}, {10, 0}, 20, 1,
         {2, 10, {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}}, {9, 0}}, true},
        // clang-format on
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        for (const Piece& piece : c.pieces)
        {
            this->addPiece(piece.x, piece.y, piece.box, piece.solidness);
        }
        TypeParam search(this->walker, c.start, c.goal, c.targetLastPiece ? this->pieces.back() : nullptr, c.width,
                         c.height);
        EXPECT_EQ(runToEnd(search), c.expected);
        for (int i = 0; i < 3 && c.expected.status == 2; ++i)
        {
            EXPECT_EQ(qmtest::outcomeOf(search, search.cycleOnce()), (Outcome{2, 0, c.expected.path, c.expected.goal}));
        }
        this->clearPieces();
    }
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
