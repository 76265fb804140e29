// The view: following an object within the slack, staying inside the boundary, world and
// view coordinates, and the order in which the world draws objects.
#include "support/WorldTest.h"

#include <qm/Object.h>
#include <qm/ViewObject.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

#include <vector>

namespace
{

using qm::Box;
using qm::Vector;
using qmtest::countOf;

class View : public qmtest::WorldTest
{
};

TEST_F(View, StartsAsTheWindowGridWithOneThirdSlack)
{
    EXPECT_EQ(world.getBoundary(), Box(Vector(0, 0), 80, 24));
    EXPECT_EQ(world.getView(), Box(Vector(0, 0), 80, 24));
    EXPECT_EQ(world.getViewSlack(), Vector(0.33333334f, 0.33333334f));
    EXPECT_EQ(world.getViewFollowing(), nullptr);
}

TEST_F(View, FollowedObjectPushesTheViewOnlyPastTheSlack)
{
    world.setBoundary(Box(Vector(0, 0), 200, 24));
    qm::Object* player = new qm::Object;
    player->setSolidness(qm::SPECTRAL);
    player->setPosition(Vector(40, 12));
    world.setViewFollowing(player);

    ASSERT_EQ(world.moveObject(player, Vector(50, 12)), 0); // within the slack: no change
    EXPECT_EQ(world.getView().getCorner(), Vector(0, 0));
    ASSERT_EQ(world.moveObject(player, Vector(60, 12)), 0);
    EXPECT_NEAR(world.getView().getCorner().getX(), 6.6667f, 1e-3);
    EXPECT_EQ(world.getView().getCorner().getY(), 0);

    ASSERT_EQ(world.moveObject(player, Vector(199, 12)), 0); // the view stops at the edge
    EXPECT_EQ(world.getView().getCorner(), Vector(120, 0));
    ASSERT_EQ(world.moveObject(player, Vector(1, 12)), 0);
    EXPECT_EQ(world.getView().getCorner(), Vector(0, 0));

    qm::Object* other = new qm::Object; // only the followed object moves the view
    other->setSolidness(qm::SPECTRAL);
    ASSERT_EQ(world.moveObject(other, Vector(190, 12)), 0);
    EXPECT_EQ(world.getView().getCorner(), Vector(0, 0));
}

TEST_F(View, PositionIsClampedToTheBoundary)
{
    world.setViewPosition(Vector(70, 20));
    EXPECT_EQ(world.getView().getCorner(), Vector(0, 0)); // view as big as the world
    world.setBoundary(Box(Vector(0, 0), 200, 50));
    world.setViewPosition(Vector(100, 25));
    EXPECT_EQ(world.getView().getCorner(), Vector(60, 13));
    world.setViewPosition(Vector(-30, 500));
    EXPECT_EQ(world.getView().getCorner(), Vector(0, 26));
}

TEST_F(View, DeletingTheFollowedObjectStopsFollowing)
{
    qm::Object* player = new qm::Object;
    world.setViewFollowing(player);
    world.markForDelete(player);
    world.update();
    EXPECT_EQ(world.getViewFollowing(), nullptr);
}

TEST_F(View, WorldAndViewCoordinatesDifferByTheViewCorner)
{
    world.setView(Box(Vector(6.5f, 2), 80, 24));
    EXPECT_EQ(qm::worldToView(Vector(10, 10)), Vector(3.5f, 8));
    EXPECT_EQ(qm::viewToWorld(Vector(3.5f, 8)), Vector(10, 10));
}

// Objects that note their name when drawn.
class Drawn : public qm::Object
{
public:
    Drawn(std::vector<int>& record, int layer, Vector where) : order(record)
    {
        setAltitude(layer);
        setPosition(where);
    }
    int draw() override
    {
        order.push_back(getId());
        return 0;
    }
    std::vector<int>& order;
};

class DrawnDisplay : public qm::ViewObject
{
public:
    explicit DrawnDisplay(std::vector<int>& record) : order(record) {}
    int draw() override
    {
        order.push_back(getId());
        return 0;
    }
    std::vector<int>& order;
};

TEST_F(View, DrawsByAltitudeThenCreationSkippingWhatTheViewMisses)
{
    std::vector<int> order;
    Drawn* high = new Drawn(order, 3, Vector(10, 10));
    Drawn* low = new Drawn(order, 1, Vector(10, 10));
    Drawn* lowToo = new Drawn(order, 1, Vector(20, 10));
    Drawn* outside = new Drawn(order, 2, Vector(150, 10));
    Drawn* hidden = new Drawn(order, 0, Vector(10, 10));
    hidden->setVisible(false);
    Drawn* asleep = new Drawn(order, 0, Vector(10, 10));
    asleep->setActive(false);
    DrawnDisplay* display = new DrawnDisplay(order);
    display->setPosition(Vector(150, 30));                  // view objects are drawn wherever they are
    Drawn* top = new Drawn(order, 4, Vector(80.4f, 24.4f)); // its box touches the view's corner

    world.draw();
    EXPECT_EQ(order, (std::vector<int>{low->getId(), lowToo->getId(), high->getId(), display->getId(), top->getId()}));
    (void)outside;

    order.clear();
    world.setBoundary(Box(Vector(0, 0), 200, 24));
    world.setViewPosition(Vector(150, 12)); // now the far object is in sight and the rest not
    world.draw();
    EXPECT_EQ(order, (std::vector<int>{outside->getId(), display->getId()}));
}

TEST_F(View, WorldRefusesInterestsOtherManagersDeliver)
{
    EXPECT_TRUE(world.isValid(qm::EVENT_VIEW));
    EXPECT_TRUE(world.isValid("death"));
    EXPECT_FALSE(world.isValid(qm::EVENT_STEP));
    EXPECT_FALSE(world.isValid(qm::EVENT_KEYBOARD));
    EXPECT_EQ(countOf(log(), "WorldManager::isValid(): WorldManager does not handle qm-step"), 1);
    EXPECT_EQ(countOf(log(), "WorldManager::isValid(): WorldManager does not handle qm-keyboard"), 1);
}

} // namespace
