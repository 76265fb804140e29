// Number text, vectors, box overlap and the collision normal.
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

TEST(Geometry, ZeroVectorNormalizesToZeroAndSharedEdgesOverlap)
{
    Vector zero;
    zero.normalize();
    EXPECT_EQ(zero, Vector(0, 0));
    // Beyond the range where squaring a float overflows or underflows.
    Vector huge(3e30f, 4e30f), tiny(3e-30f, 4e-30f);
    EXPECT_FLOAT_EQ(huge.getMagnitude(), 5e30f);
    huge.normalize();
    tiny.normalize();
    EXPECT_FLOAT_EQ(huge.getX(), 0.6f);
    EXPECT_FLOAT_EQ(tiny.getY(), 0.8f);
    EXPECT_TRUE(qm::boxIntersectsBox(box(0, 0, 1, 1), box(1, 0, 1, 1)));
    EXPECT_FALSE(qm::boxIntersectsBox(box(0, 0, 1, 1), box(1.01f, 0, 1, 1)));
    EXPECT_TRUE(qm::boxIntersectsBox(box(-5, 4, 20, 1), box(0, 0, 10, 10))); // crossing, no corner inside
    EXPECT_TRUE(qm::boxIntersectsBox(box(2, 0.5f, 0, 0), box(1, 0, 1, 1)));  // a point on the edge
    EXPECT_FALSE(qm::boxIntersectsBox(box(2.1f, 0.5f, 0, 0), box(1, 0, 1, 1)));
    EXPECT_TRUE(qm::boxContainsPosition(box(1, 1, 2, 3), Vector(3, 4)));
    EXPECT_FALSE(qm::boxContainsPosition(box(1, 1, 2, 3), Vector(3.01f, 4)));
}

TEST(Geometry, NormalNamesTheSideOfTheObstacleThatWasMet)
{
    const struct
    {
        Vector corner, velocity, normal;
    } cases[] = {
        {{10, 9}, {}, {0, -1}},       {{8.5f, 10.2f}, {}, {-1, 0}},  {{9, 10}, {}, {0, -1}}, // band above first
        {{8.5f, 8.5f}, {}, {-1, -1}}, {{11.5f, 11.5f}, {}, {1, 1}},  {{30, 30}, {}, {0, 0}},
        {{8, 10}, {2, 0}, {-1, 0}},   {{10, 8.5f}, {0, 3}, {0, -1}}, // backs off to its last clear place
    };
    qm::Object mover, obstacle;
    mover.setBox(box(0, 0, 1, 1));
    obstacle.setBox(box(0, 0, 1, 1));
    obstacle.setPosition(Vector(10, 10));
    for (const auto& c : cases)
    {
        mover.setPosition(c.corner);
        mover.setVelocity(c.velocity);
        EXPECT_EQ(qm::getNormal(&mover, &obstacle), c.normal) << c.corner.getX() << "," << c.corner.getY();
    }
}

} // namespace
