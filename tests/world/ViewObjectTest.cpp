// View objects: text and frame composition, named locations in an 80 x 24 view, and how
// view events change the value.
#include "support/WorldTest.h"

#include <qm/EventView.h>
#include <qm/ViewObject.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using qm::Box;
using qm::Vector;
using qmtest::countOf;

class ViewObjectTest : public qmtest::WorldTest
{
};

TEST_F(ViewObjectTest, NewDisplayIsASpectralFramedZeroAtTopCenter)
{
    qm::ViewObject* display = new qm::ViewObject;
    EXPECT_EQ(display->getSolidness(), qm::SPECTRAL);
    EXPECT_EQ(display->getAltitude(), qm::MAX_ALTITUDE);
    EXPECT_EQ(display->getType(), "ViewObject");
    EXPECT_EQ(display->getLocation(), qm::TOP_CENTER);
    EXPECT_EQ(display->getPosition(), Vector(40, 1));
    EXPECT_EQ(display->getDisplayText(), "  0 ");
    EXPECT_TRUE(display->isModified());
    for (int i = 0; i < qm::VIEW_OBJECT_ATTRIBUTE_COUNT; ++i)
    {
        EXPECT_TRUE(display->isModified(static_cast<qm::ViewObjectAttribute>(i))) << i;
    }
    EXPECT_FALSE(display->isModified(static_cast<qm::ViewObjectAttribute>(qm::VIEW_OBJECT_ATTRIBUTE_COUNT)));
}

TEST_F(ViewObjectTest, TextFollowsBorderAndValueSettings)
{
    qm::ViewObject* display = new qm::ViewObject;
    display->setViewString("Lives");
    display->setValue(-3);
    EXPECT_EQ(display->getDisplayText(), " Lives -3 ");
    EXPECT_EQ(display->draw(), -5); // headless: each of the five display calls refuses
    display->setDrawValue(false);
    EXPECT_EQ(display->getDisplayText(), " Lives ");
    display->setBorder(false);
    EXPECT_EQ(display->getDisplayText(), "Lives");
    EXPECT_EQ(display->layout().size(), 1u); // no frame
    EXPECT_EQ(display->draw(), -1);
    display->setDrawValue(true);
    EXPECT_EQ(display->getDisplayText(), "Lives -3");
}

TEST_F(ViewObjectTest, FrameSurroundsTheCentredTextInWorldCoordinates)
{
    qm::ViewObject* display = new qm::ViewObject;
    display->setViewString("Points");
    display->setValue(12);
    world.setView(Box(Vector(10, 3), 80, 24)); // a scrolled view: pieces move with it
    const std::vector<qm::ViewObject::Piece> pieces = display->layout();
    ASSERT_EQ(pieces.size(), 5u);
    const Vector p(50, 4); // (40, 1) in the view
    EXPECT_EQ(pieces[0].text, " Points 12 ");
    EXPECT_EQ(pieces[0].position, p);
    EXPECT_TRUE(pieces[0].centered);
    EXPECT_EQ(pieces[1].text, std::string(11, '-'));
    EXPECT_EQ(pieces[1].position, Vector(50, 3));
    EXPECT_EQ(pieces[2].text, std::string(11, '-'));
    EXPECT_EQ(pieces[2].position, Vector(50, 5));
    EXPECT_EQ(pieces[3].text, "|");
    EXPECT_FALSE(pieces[3].centered);
    EXPECT_EQ(pieces[3].position, Vector(44, 4)); // 6 cells left of the centre
    EXPECT_EQ(pieces[4].position, Vector(56, 4)); // 6 cells right

    // An even length: centred text starts n/2 left and ends one short of n/2 right.
    display->setValue(7);
    const std::vector<qm::ViewObject::Piece> even = display->layout();
    ASSERT_EQ(even[0].text.size(), 10u);
    EXPECT_EQ(even[3].position, Vector(44, 4));
    EXPECT_EQ(even[4].position, Vector(55, 4));
}

struct Placement
{
    qm::ViewObjectLocation location;
    float x;
    float yFramed;
    float yUnframed;
};

TEST_F(ViewObjectTest, NamedLocationsOfAnEightyByTwentyFourView)
{
    const Placement table[] = {
        {qm::TOP_LEFT, 80.0f / 6, 1, 0},      {qm::TOP_CENTER, 40, 1, 0},      {qm::TOP_RIGHT, 400.0f / 6, 1, 0},
        {qm::CENTER_LEFT, 80.0f / 6, 12, 11}, {qm::CENTER_CENTER, 40, 12, 11}, {qm::CENTER_RIGHT, 400.0f / 6, 12, 11},
        {qm::BOTTOM_LEFT, 80.0f / 6, 22, 23}, {qm::BOTTOM_CENTER, 40, 22, 23}, {qm::BOTTOM_RIGHT, 400.0f / 6, 22, 23},
    };
    qm::ViewObject* display = new qm::ViewObject;
    for (const Placement& place : table)
    {
        SCOPED_TRACE(static_cast<int>(place.location));
        display->setBorder(true);
        display->setLocation(place.location);
        EXPECT_EQ(display->getLocation(), place.location);
        EXPECT_FLOAT_EQ(display->getPosition().getX(), place.x);
        EXPECT_FLOAT_EQ(display->getPosition().getY(), place.yFramed);
        display->setBorder(false); // a named display moves to its unframed row
        EXPECT_EQ(display->getLocation(), place.location);
        EXPECT_FLOAT_EQ(display->getPosition().getX(), place.x);
        EXPECT_FLOAT_EQ(display->getPosition().getY(), place.yUnframed);
    }
}

TEST_F(ViewObjectTest, LocationOutOfRangeIsReportedAndIgnored)
{
    qm::ViewObject* display = new qm::ViewObject;
    display->setLocation(qm::BOTTOM_LEFT);
    const Vector before = display->getPosition();
    display->setLocation(static_cast<qm::ViewObjectLocation>(9));
    display->setLocation(static_cast<qm::ViewObjectLocation>(-1));
    EXPECT_EQ(display->getPosition(), before);
    EXPECT_EQ(display->getLocation(), qm::BOTTOM_LEFT);
    EXPECT_EQ(countOf(log(), "ViewObject::setLocation(): Warning! Location out of range (9). Ignored."), 1);
    EXPECT_EQ(countOf(log(), "ViewObject::setLocation(): Warning! Location out of range (-1). Ignored."), 1);
}

TEST_F(ViewObjectTest, ExplicitPlaceIsKeptWhenTheBorderChanges)
{
    qm::ViewObject* display = new qm::ViewObject;
    display->setPosition(Vector(5, 5));
    EXPECT_EQ(display->getLocation(), -1);
    display->setBorder(false);
    EXPECT_EQ(display->getPosition(), Vector(5, 5));
    // Placing it again where it is keeps the location it has.
    display->setLocation(qm::CENTER_CENTER);
    display->setPosition(display->getPosition());
    EXPECT_EQ(display->getLocation(), qm::CENTER_CENTER);
}

TEST_F(ViewObjectTest, ViewEventsAddReplaceOrPassByTheLabel)
{
    qm::ViewObject* points = new qm::ViewObject;
    points->setViewString("Points");
    points->setValue(12);
    qm::ViewObject* twin = new qm::ViewObject; // same label: reacts to the same events
    twin->setViewString("Points");
    qm::ViewObject* lives = new qm::ViewObject;
    lives->setViewString("Lives");
    lives->setValue(3);

    const qm::EventView add("Points", 5, true);
    EXPECT_EQ(world.onEvent(&add), 3); // delivered to every display, handled by two
    EXPECT_EQ(points->getValue(), 17);
    EXPECT_EQ(twin->getValue(), 5);
    EXPECT_EQ(lives->getValue(), 3);

    const qm::EventView replace("Points", 5, false);
    EXPECT_EQ(points->eventHandler(&replace), 1);
    EXPECT_EQ(points->getValue(), 5);
    const qm::EventView other("Lives", 1, true);
    EXPECT_EQ(points->eventHandler(&other), 0);
    EXPECT_EQ(points->getValue(), 5);
}

// An event that merely carries the view type name, without being a view event.
class Impostor : public qm::Event
{
public:
    Impostor() { setType(qm::EVENT_VIEW); }
};

TEST_F(ViewObjectTest, EventNamedLikeAViewEventButOfAnotherClassChangesNothing)
{
    qm::ViewObject* display = new qm::ViewObject;
    display->setValue(12);
    const Impostor impostor;
    EXPECT_EQ(display->eventHandler(&impostor), 0);
    EXPECT_EQ(world.onEvent(&impostor), 1); // delivered, and refused again
    EXPECT_EQ(display->getValue(), 12);
    EXPECT_EQ(countOf(log(), "ViewObject::eventHandler(): Error! Dynamic cast to EventView failed."), 2);
}

} // namespace
