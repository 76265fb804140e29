// View objects: text and frame composition, named locations in an 80 x 24 view, and how
// view events change the value.
#include "support/WorldTest.h"

#include <qm/EventView.h>
#include <qm/ViewObject.h>

#include <gtest/gtest.h>

namespace
{

using qm::Box;
using qm::Vector;

class ViewObjectTest : public qmtest::WorldTest
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

TEST_F(ViewObjectTest, TextFollowsBorderAndValueSettings)
{
    qm::ViewObject* lives = display("Lives", -3);
    EXPECT_EQ(lives->getDisplayText(), " Lives -3 ");
    lives->setDrawValue(false);
    EXPECT_EQ(lives->getDisplayText(), " Lives ");
    lives->setBorder(false);
    EXPECT_EQ(lives->getDisplayText(), "Lives");
    EXPECT_EQ(lives->layout().size(), 1u); // no frame
    lives->setDrawValue(true);
    EXPECT_EQ(lives->getDisplayText(), "Lives -3");
}

TEST_F(ViewObjectTest, FrameSurroundsTheCentredTextInWorldCoordinates)
{
    qm::ViewObject* points = display("Points", 12);
    world.setView(Box(Vector(10, 3), 80, 24)); // a scrolled view: pieces move with it
    const std::vector<qm::ViewObject::Piece> pieces = points->layout();
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[0].text, " Points 12 ");
    EXPECT_EQ(pieces[0].position, Vector(50, 4)); // (40, 1) in the view
    EXPECT_TRUE(pieces[0].centered);
    EXPECT_EQ(pieces[1].text + pieces[2].text, std::string(22, '-'));
    EXPECT_EQ(pieces[1].position, Vector(50, 3));
    EXPECT_EQ(pieces[2].position, Vector(50, 5));
    EXPECT_EQ(pieces[3].text, "|");
    EXPECT_FALSE(pieces[3].centered);
    EXPECT_EQ(pieces[3].position, Vector(44, 4)); // 6 cells left of the centre
    EXPECT_EQ(pieces[4].position, Vector(56, 4)); // 6 cells right
    points->setValue(7);                          // an even length: the text ends one short of n/2 right
    EXPECT_EQ(points->layout()[3].position, Vector(44, 4));
    EXPECT_EQ(points->layout()[4].position, Vector(55, 4));
}

struct Placement
{
    qm::ViewObjectLocation location;
    float x, yFramed, yUnframed;
};

TEST_F(ViewObjectTest, NamedLocationsOfAnEightyByTwentyFourView)
{
    const Placement table[] = {
        {qm::TOP_LEFT, 80.0f / 6, 1, 0},      {qm::TOP_CENTER, 40, 1, 0},      {qm::TOP_RIGHT, 400.0f / 6, 1, 0},
        {qm::CENTER_LEFT, 80.0f / 6, 12, 11}, {qm::CENTER_CENTER, 40, 12, 11}, {qm::CENTER_RIGHT, 400.0f / 6, 12, 11},
        {qm::BOTTOM_LEFT, 80.0f / 6, 22, 23}, {qm::BOTTOM_CENTER, 40, 22, 23}, {qm::BOTTOM_RIGHT, 400.0f / 6, 22, 23},
    };
    qm::ViewObject* shown = new qm::ViewObject;
    for (const Placement& place : table)
    {
        SCOPED_TRACE(static_cast<int>(place.location));
        shown->setBorder(true);
        shown->setLocation(place.location);
        EXPECT_FLOAT_EQ(shown->getPosition().getX(), place.x);
        EXPECT_FLOAT_EQ(shown->getPosition().getY(), place.yFramed);
        shown->setBorder(false); // a named display moves to its unframed row
        EXPECT_EQ(shown->getLocation(), place.location);
        EXPECT_FLOAT_EQ(shown->getPosition().getX(), place.x);
        EXPECT_FLOAT_EQ(shown->getPosition().getY(), place.yUnframed);
    }
}

// An event that merely carries the view type name, without being a view event.
class Impostor : public qm::Event
{
public:
    Impostor() { setType(qm::EVENT_VIEW); }
};

TEST_F(ViewObjectTest, ViewEventsAddOrReplaceByLabelAndImpostorsChangeNothing)
{
    qm::ViewObject* points = display("Points", 12);
    qm::ViewObject* twin = display("Points", 0); // same label: reacts to the same events
    qm::ViewObject* lives = display("Lives", 3);
    const qm::EventView add("Points", 5, true), replace("Lives", 5, false);
    EXPECT_EQ(world.onEvent(&add), 3); // delivered to every display
    EXPECT_EQ(world.onEvent(&replace), 3);
    EXPECT_EQ((std::vector<int>{points->getValue(), twin->getValue(), lives->getValue()}),
              (std::vector<int>{17, 5, 5}));

    const Impostor impostor;
    EXPECT_EQ(points->eventHandler(&impostor), 0);
    EXPECT_EQ(points->getValue(), 17);
    EXPECT_EQ(qmtest::countOf(log(), "ViewObject::eventHandler(): Error! Dynamic cast to EventView failed."), 1);
}

} // namespace
