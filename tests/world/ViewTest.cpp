// The view: following an object within the slack, staying inside the boundary, and the
// order in which the world draws objects.
#include "support/WorldTest.h"

#include <qm/ViewObject.h>

#include <gtest/gtest.h>

namespace
{

using qm::Box;
using qm::Vector;

class View : public qmtest::WorldTest
{
protected:
    Vector corner() const { return world.getView().getCorner(); }
};

TEST_F(View, FollowedObjectPushesTheViewOnlyPastTheSlackAndNotPastTheBoundary)
{
    world.setViewPosition(Vector(70, 20));
    EXPECT_EQ(corner(), Vector(0, 0)); // the view is as big as the world
    world.setBoundary(Box(Vector(0, 0), 200, 24));
    qm::Object* player = new qm::Object;
    player->setSolidness(qm::SPECTRAL);
    player->setPosition(Vector(40, 12));
    world.setViewFollowing(player);
    ASSERT_EQ(world.moveObject(player, Vector(50, 12)), 0); // within the slack
    EXPECT_EQ(corner(), Vector(0, 0));
    ASSERT_EQ(world.moveObject(player, Vector(60, 12)), 0);
    EXPECT_NEAR(corner().getX(), 6.6667f, 1e-3);
    EXPECT_EQ(corner().getY(), 0);
    ASSERT_EQ(world.moveObject(player, Vector(199, 12)), 0);
    EXPECT_EQ(corner(), Vector(120, 0));
    qm::Object* other = new qm::Object; // only the followed object moves the view
    ASSERT_EQ(world.moveObject(other, Vector(1, 12)), 0);
    EXPECT_EQ(corner(), Vector(120, 0));

    world.markForDelete(player); // the view must not keep following a deleted object
    world.update();
    EXPECT_EQ(world.getViewFollowing(), nullptr);
}

// Notes its id when drawn.
template <class Base> class Drawn : public Base
{
public:
    Drawn(std::vector<int>& record, int layer, Vector where) : order(record)
    {
        this->setAltitude(layer);
        this->setPosition(where);
    }
    int draw() override
    {
        order.push_back(this->getId());
        return 0;
    }
    std::vector<int>& order;
};

TEST_F(View, DrawsByAltitudeThenCreationSkippingWhatTheViewMisses)
{
    std::vector<int> order;
    auto drawn = [&](int layer, Vector where) { return (new Drawn<qm::Object>(order, layer, where))->getId(); };
    const int high = drawn(3, Vector(10, 10)), low = drawn(1, Vector(10, 10)), lowToo = drawn(1, Vector(20, 10));
    const int outside = drawn(2, Vector(150, 10));
    auto* hidden = new Drawn<qm::Object>(order, 0, Vector(10, 10));
    hidden->setVisible(false);
    auto* asleep = new Drawn<qm::Object>(order, 0, Vector(10, 10));
    asleep->setActive(false);
    auto* display = new Drawn<qm::ViewObject>(order, qm::MAX_ALTITUDE, Vector(150, 30)); // drawn wherever it is
    const int top = drawn(4, Vector(80.4f, 24.4f)); // its box touches the view's corner
    world.draw();
    EXPECT_EQ(order, (std::vector<int>{low, lowToo, high, display->getId(), top}));
    order.clear();
    world.setBoundary(Box(Vector(0, 0), 200, 24));
    world.setViewPosition(Vector(150, 12));
    world.draw();
    EXPECT_EQ(order, (std::vector<int>{outside, display->getId()}));
}

} // namespace
