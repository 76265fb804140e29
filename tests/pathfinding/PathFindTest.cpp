// One search on its own, run on the linear reference and on the heap search alike.
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
