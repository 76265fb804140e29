// The view following an object, and view objects: text, frame, places and view events.
#include "support/WorldTest.h"

#include <qm/EventView.h>
#include <qm/ViewObject.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

namespace
{

using qm::Box;
using qm::Vector;

class View : public qmtest::WorldTest
{
protected:
    std::string corner() const
    {
        return qm::toString(world.getView().getCorner().getX()) + "," +
               qm::toString(world.getView().getCorner().getY());
    }
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
    EXPECT_EQ(corner(), "0,0"); // the view is as big as the world
    world.setBoundary(Box(Vector(0, 0), 200, 24));
    qm::Object* player = new qm::Object;
    player->setPosition(Vector(40, 12));
    world.setViewFollowing(player);
    ASSERT_EQ(world.moveObject(player, Vector(50, 12)), 0); // within the slack
    EXPECT_EQ(corner(), "0,0");
    ASSERT_EQ(world.moveObject(player, Vector(60, 12)), 0);
    EXPECT_NEAR(world.getView().getCorner().getX(), 6.6667f, 1e-3);
    EXPECT_EQ(world.getView().getCorner().getY(), 0);
    ASSERT_EQ(world.moveObject(player, Vector(199, 12)), 0);
    EXPECT_EQ(corner(), "120,0");
    ASSERT_EQ(world.moveObject(new qm::Object, Vector(1, 12)), 0); // only the followed object moves the view
    EXPECT_EQ(corner(), "120,0");
    world.markForDelete(player); // the view must not keep following a deleted object
    world.update();
    EXPECT_EQ(world.getViewFollowing(), nullptr);
}

// Each piece as "text@x,y", with "c" when centred.
std::string describe(const std::vector<qm::ViewObject::Piece>& pieces)
{
    std::string text;
    for (const qm::ViewObject::Piece& piece : pieces)
    {
        text += piece.text + "@" + qm::toString(piece.position.getX()) + "," + qm::toString(piece.position.getY()) +
                (piece.centered ? "c " : " ");
    }
    return text;
}

TEST_F(View, DisplayTextAndFrameSurroundTheCentredTextInWorldCoordinates)
{
    qm::ViewObject* points = display("Points", 12);
    world.setView(Box(Vector(10, 3), 80, 24)); // a scrolled view: (40, 1) in the view is (50, 4)
    EXPECT_EQ(describe(points->layout()), " Points 12 @50,4c -----------@50,3c -----------@50,5c |@44,4 |@56,4 ");
    points->setValue(7); // an even length: the text ends one short of n/2 right
    EXPECT_EQ(describe(points->layout()), " Points 7 @50,4c ----------@50,3c ----------@50,5c |@44,4 |@55,4 ");
    points->setDrawValue(false);
    EXPECT_EQ(points->getDisplayText(), " Points ");
    points->setBorder(false);
    EXPECT_EQ(describe(points->layout()), "Points@50,3c "); // unframed, on the view's top row
}

TEST_F(View, NamedLocationsOfAnEightyByTwentyFourViewFramedAndUnframed)
{
    qm::ViewObject* shown = display("", 0);
    std::string places;
    for (int location = qm::TOP_LEFT; location <= qm::BOTTOM_RIGHT; ++location)
    {
        shown->setBorder(true);
        shown->setLocation(static_cast<qm::ViewObjectLocation>(location));
        places += qm::toString(shown->getPosition().getX()) + "," + qm::toString(shown->getPosition().getY());
        shown->setBorder(false); // a named display moves to its unframed row
        places += "/" + qm::toString(shown->getPosition().getY()) + " ";
    }
    EXPECT_EQ(places, "13.3333,1/0 40,1/0 66.6667,1/0 13.3333,12/11 40,12/11 66.6667,12/11 "
                      "13.3333,22/23 40,22/23 66.6667,22/23 ");
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
