// Vectors, boxes, overlap and the collision normal.
#include <qm/Object.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

namespace
{

using qm::Box;
using qm::Vector;

Box box(float x, float y, float w, float h)
{
    return Box(Vector(x, y), w, h);
}

TEST(VectorMath, NormalizeAndScale)
{
    Vector zero;
    zero.normalize();
    EXPECT_EQ(zero, Vector(0, 0));
    Vector v(3, 4);
    EXPECT_FLOAT_EQ(v.getMagnitude(), 5.0f);
    v.normalize();
    EXPECT_FLOAT_EQ(v.getX(), 0.6f);
    EXPECT_FLOAT_EQ(v.getY(), 0.8f);
    v.scale(10);
    EXPECT_FLOAT_EQ(v.getX(), 6.0f);
    Vector sum = Vector(1, 2) + Vector(3, 4) - Vector(1, 1);
    sum += Vector(0.5f, 0.5f);
    EXPECT_EQ(sum, Vector(3.5f, 5.5f));
    EXPECT_NE(sum, Vector(3.5f, 5.0f));
}

TEST(BoxOverlap, SharedEdgesOverlapAndGapsDoNot)
{
    EXPECT_TRUE(qm::boxIntersectsBox(box(0, 0, 1, 1), box(1, 0, 1, 1)));
    EXPECT_FALSE(qm::boxIntersectsBox(box(0, 0, 1, 1), box(1.01f, 0, 1, 1)));
    EXPECT_TRUE(qm::boxIntersectsBox(box(0, 0, 1, 1), box(0, 1, 1, 1)));
    EXPECT_FALSE(qm::boxIntersectsBox(box(0, 0, 1, 1), box(0, 1.5f, 1, 1)));
}

TEST(BoxOverlap, IsSymmetricAndCoversContainment)
{
    const Box big = box(0, 0, 10, 10);
    const Box inside = box(4, 4, 1, 1);
    EXPECT_TRUE(qm::boxIntersectsBox(big, inside));
    EXPECT_TRUE(qm::boxIntersectsBox(inside, big));
    const Box wide = box(-5, 4, 20, 1); // crosses big without containing a corner of it
    EXPECT_TRUE(qm::boxIntersectsBox(big, wide));
    EXPECT_TRUE(qm::boxIntersectsBox(wide, big));
}

TEST(BoxOverlap, PointBoxTouchingAnEdge)
{
    EXPECT_TRUE(qm::boxIntersectsBox(box(2, 0.5f, 0, 0), box(1, 0, 1, 1)));
    EXPECT_FALSE(qm::boxIntersectsBox(box(2.1f, 0.5f, 0, 0), box(1, 0, 1, 1)));
}

TEST(BoxContains, FarEdgesBelongToTheBox)
{
    EXPECT_TRUE(qm::boxContainsPosition(box(1, 1, 2, 3), Vector(3, 4)));
    EXPECT_TRUE(qm::boxContainsPosition(box(1, 1, 2, 3), Vector(1, 1)));
    EXPECT_FALSE(qm::boxContainsPosition(box(1, 1, 2, 3), Vector(3.01f, 4)));
}

TEST(Distance, IsEuclidean)
{
    EXPECT_FLOAT_EQ(qm::distance(Vector(1, 1), Vector(4, 5)), 5.0f);
    EXPECT_FLOAT_EQ(qm::distance(Vector(-1, 0), Vector(-1, 0)), 0.0f);
    EXPECT_TRUE(qm::valueInRange(2, 2, 2));
    EXPECT_FALSE(qm::valueInRange(2.001f, 0, 2));
}

// Objects positioned so that their world boxes are the given boxes.
class NormalTest : public ::testing::Test
{
protected:
    void place(qm::Object& object, float x, float y)
    {
        object.setBox(box(0, 0, 1, 1));
        object.setPosition(Vector(x, y));
    }
    qm::Object mover;
    qm::Object obstacle;
};

TEST_F(NormalTest, RestingObjectsFindTheSideTheyTouch)
{
    place(obstacle, 10, 10);
    place(mover, 10, 9);
    EXPECT_EQ(qm::getNormal(&mover, &obstacle), Vector(0, -1));
    place(mover, 8.5f, 10.2f);
    EXPECT_EQ(qm::getNormal(&mover, &obstacle), Vector(-1, 0));
    place(mover, 9, 10); // touches the left edge, but the band above is tested first
    EXPECT_EQ(qm::getNormal(&mover, &obstacle), Vector(0, -1));
    place(mover, 8.5f, 8.5f);
    EXPECT_EQ(qm::getNormal(&mover, &obstacle), Vector(-1, -1));
    place(mover, 11.5f, 11.5f);
    EXPECT_EQ(qm::getNormal(&mover, &obstacle), Vector(1, 1));
    place(mover, 10.5f, 11.2f);
    EXPECT_EQ(qm::getNormal(&mover, &obstacle), Vector(0, 1));
}

TEST_F(NormalTest, MovingObjectBacksOffToItsLastClearPosition)
{
    place(obstacle, 10, 10);
    place(mover, 8, 10);
    mover.setVelocity(Vector(2, 0)); // would end inside the obstacle
    EXPECT_EQ(qm::getNormal(&mover, &obstacle), Vector(-1, 0));
    place(mover, 10, 8.5f);
    mover.setVelocity(Vector(0, 3));
    EXPECT_EQ(qm::getNormal(&mover, &obstacle), Vector(0, -1));
}

TEST_F(NormalTest, FarApartObjectsGiveZero)
{
    place(obstacle, 10, 10);
    place(mover, 30, 30);
    EXPECT_EQ(qm::getNormal(&mover, &obstacle), Vector(0, 0));
}

TEST(WorldBox, MovesTheRelativeBox)
{
    qm::Object object;
    object.setPosition(Vector(5, 6));
    EXPECT_EQ(qm::getWorldBox(&object), box(4.5f, 5.5f, 0.99f, 0.99f));
    EXPECT_EQ(qm::getWorldBox(&object, Vector(0, 0)), box(-0.5f, -0.5f, 0.99f, 0.99f));
}

} // namespace
