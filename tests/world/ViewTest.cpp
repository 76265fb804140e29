// The view following an object, and view events reaching view objects.
#include "support/WorldTest.h"

#include <qm/EventView.h>
#include <qm/ViewObject.h>

#include <gtest/gtest.h>

namespace
{

using qm::Box;
using qm::Vector;

class View : public qmtest::WorldTest
{
protected:
    qm::ViewObject* display(const char* label, int value)
    {
        auto* made = new qm::ViewObject;
        made->setViewString(label);
        made->setValue(value);
        return made;
    }
};

TEST_F(View, FollowedObjectPushesTheViewOnlyPastTheSlackAndNotPastTheBoundary)
{
    world.setViewPosition(Vector(70, 20));
    EXPECT_EQ(world.getView().getCorner(), Vector(0, 0)); // the view is as big as the world
    world.setBoundary(Box(Vector(0, 0), 200, 24));
    qm::Object* player = new qm::Object;
    player->setPosition(Vector(40, 12));
    world.setViewFollowing(player);
    ASSERT_EQ(world.moveObject(player, Vector(50, 12)), 0); // within the slack
    EXPECT_EQ(world.getView().getCorner(), Vector(0, 0));
    ASSERT_EQ(world.moveObject(player, Vector(60, 12)), 0);
    EXPECT_NEAR(world.getView().getCorner().getX(), 6.6667f, 1e-3);
    EXPECT_EQ(world.getView().getCorner().getY(), 0);
    ASSERT_EQ(world.moveObject(player, Vector(199, 12)), 0);
    EXPECT_EQ(world.getView().getCorner(), Vector(120, 0));
    ASSERT_EQ(world.moveObject(new qm::Object, Vector(1, 12)), 0); // only the followed object moves the view
    EXPECT_EQ(world.getView().getCorner(), Vector(120, 0));
    // The same vertically, with a third of the view's height as slack: 4 rows each way of the middle.
    world.setBoundary(Box(Vector(0, 0), 200, 100));
    ASSERT_EQ(world.moveObject(player, Vector(199, 16)), 0);
    EXPECT_EQ(world.getView().getCorner(), Vector(120, 0));
    ASSERT_EQ(world.moveObject(player, Vector(199, 30)), 0);
    EXPECT_NEAR(world.getView().getCorner().getY(), 14, 1e-3);
    world.markForDelete(player); // the view must not keep following a deleted object
    world.update();
    EXPECT_EQ(world.getViewFollowing(), nullptr);
}

TEST_F(View, ViewEventsAddOrReplaceByLabelAndImpostorsChangeNothing)
{
    qm::ViewObject* points = display("Points", 12);
    qm::ViewObject* twin = display("Points", 0); // same label: reacts to the same events
    qm::ViewObject* lives = display("Lives", 3);
    const qm::EventView add("Points", 5, true), replace("Lives", 5, false);
    qm::Event impostor; // carries the view event's type name without being a view event
    impostor.setType(qm::EVENT_VIEW);
    EXPECT_EQ(world.onEvent(&add) + world.onEvent(&replace), 6); // delivered to every display
    EXPECT_EQ(points->eventHandler(&impostor), 0);
    EXPECT_EQ((std::vector<int>{points->getValue(), twin->getValue(), lives->getValue()}),
              (std::vector<int>{17, 5, 5}));
    EXPECT_EQ(qmtest::countOf(log(), "ViewObject::eventHandler(): Error! Dynamic cast to EventView failed."), 1);
}

} // namespace
