// The attribute text itself: what is written for which selector, and how each pair is read.
#include "SerializationFixture.h"

#include <qm/LogManager.h>
#include <qm/match.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace
{

using qm::Vector;
using qmtest::countOf;

using AttributeText = qmtest::SerializationTest;

TEST_F(AttributeText, NewObjectWritesEveryPairInOrderWithDirectionBeforeSpeedAndFollowPathBeforePath)
{
    qm::Object* object = new qm::Object;
    const std::string id = std::to_string(object->getId());
    EXPECT_EQ(object->serialize("ALL"),
              "id:" + id +
                  ",is_active:true,is_visible:true,event_count:0,box-corner-x:-0.5,box-corner-y:-0.5,"
                  "box-horizontal:0.99,box-vertical:0.99,pos-x:1,pos-y:1,type:(Undefined),sprite_name:,sprite_index:0,"
                  "sprite_slowdown_count:0,altitude:2,solidness:0,no_soft:false,x_direction:0,y_direction:0,speed:0,"
                  "x_acceleration:0,y_acceleration:0,shape:-1,size:24,color:7,opacity:255,follow_path:false,path:,"
                  "path_index:0,avoid_collisions:false,");
    EXPECT_FALSE(object->isModified());
    EXPECT_EQ(object->serialize(""), "");

    qm::ViewObject* view = new qm::ViewObject;
    const std::string text = view->serialize("ALL");
    EXPECT_NE(text.find(",event_count:1,event_name[0]:qm-view,"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.find("view_string")), "view_string:,view_value:0,view_border:true,view_color:7,"
                                                     "view_location:1,view_draw_value:true,");
    EXPECT_FALSE(view->isModified());
}

TEST_F(AttributeText, SelectorsWriteWholeNamedAttributesOrWhatChanged)
{
    qm::ViewObject* view = new qm::ViewObject;
    view->serialize("ALL");
    view->setPosition(Vector(2.5f, 3));
    view->setValue(7);
    EXPECT_TRUE(view->isModified(qm::POSITION));
    EXPECT_TRUE(view->isModified(qm::VALUE));
    EXPECT_EQ(view->serialize(""), "pos-x:2.5,pos-y:3,view_value:7,view_location:-1,");
    EXPECT_EQ(view->serialize(""), "");

    const std::pair<const char*, const char*> cases[] = {
        {"POSITION,SPEED,", "pos-x:2.5,pos-y:3,speed:0,"},
        {"SPEED, POSITION,", "pos-x:2.5,pos-y:3,speed:0,"},
        {"FOLLOW_PATH,", "follow_path:false,"}, // not PATH as well
        {"VALUE,", "view_value:7,"},            // not DRAW_VALUE as well
        {"ANIMATION,", "sprite_name:,sprite_index:0,sprite_slowdown_count:0,"},
        {"POSITION", ""},
        {"position,", ""},
    };
    for (const auto& [selector, written] : cases)
    {
        EXPECT_EQ(view->serialize(selector), written) << selector;
    }
    EXPECT_EQ(countOf(log(), "Object::serialize(): Warning! Attribute 'POSITION' missing trailing ','"), 1);
    EXPECT_EQ(countOf(log(), "missing trailing"), 1);
}

TEST_F(AttributeText, ReadingFollowsEachPairsRule)
{
    qm::Object* object = new qm::Object;
    object->setPosition(Vector(4, 4));
    object->setVelocity(Vector(0, 3));
    qm::LogManager::getInstance().setLogLevel(20);
    object->deserialize("pos-x:9,is_active:TRUE,type:Big Fish,altitude:2,altitude:7,x_direction:1,y_direction:0,");
    EXPECT_EQ(object->getPosition(), Vector(4, 4));
    EXPECT_FALSE(object->isActive());
    EXPECT_EQ(object->getType(), "BigFish"); // unescaped white space is lost to the pair parser
    EXPECT_EQ(object->getAltitude(), 2);     // the first of two pairs with the same key wins
    EXPECT_EQ(object->getDirection(), Vector(1, 0));
    EXPECT_EQ(object->getSpeed(), 3.0f); // a lone direction keeps the speed
    object->deserialize("type:Big%20Fish,");
    EXPECT_EQ(object->getType(), "Big Fish");
    EXPECT_EQ(countOf(log(), "Object::deserialize(): position not complete, so ignoring."), 2);
    EXPECT_EQ(countOf(log(), "Object::deserialize(): type is BigFish"), 1);
    const qm::Box box = object->getBox();
    object->deserialize("box-corner-x:-9,box-corner-y:-9,box-horizontal:9,"); // incomplete: ignored
    EXPECT_EQ(object->getBox(), box);
    qm::match("pos-x:30,pos-y:30,", ""); // an empty text does not apply the previous parse again
    EXPECT_EQ(object->deserialize(""), 0);
    EXPECT_EQ(object->getPosition(), Vector(4, 4));
}

TEST_F(AttributeText, PathsReadBackWithTheirIndexAndMalformedNodesRefuseTheWholePath)
{
    qm::Object* object = new qm::Object;
    qm::Path path;
    path.addNode(Vector(3, 4));
    path.addNode(Vector(10.25f, -4));
    path.setIndex(1);
    object->setPath(path);
    EXPECT_EQ(object->serialize("PATH,"), "path:3;4|10.25;-4|,path_index:1,");
    for (const char* bad : {"path:3 4|,", "path:3;4|10;4,", "path:3;4|x;4|,", "path:3;4|;|,", "path:3;4|1e999;0|,"})
    {
        object->deserialize(bad);
        EXPECT_EQ(object->getPath(), path) << bad;
    }
    const std::string lines = log();
    EXPECT_EQ(countOf(lines, "Object::deserialize(): malformed node 34."), 1); // the blank is gone before reading
    EXPECT_EQ(countOf(lines, "Object::deserialize(): malformed node 10;4."), 1);
    EXPECT_EQ(countOf(lines, "\tNot added."), 5);
    object->deserialize("path:,");
    EXPECT_EQ(object->getPath().getNodeCount(), 0);
}

TEST_F(AttributeText, IdsRaiseTheNextIdCounterButNeverPastItsTop)
{
    qm::Object* object = new qm::Object;
    const int own = object->getId();
    object->deserialize("id:" + std::to_string(own + 500) + ",");
    EXPECT_EQ(object->getId(), own + 500);
    EXPECT_EQ((new qm::Object)->getId(), own + 501);
    object->deserialize("id:3,");
    EXPECT_EQ(object->getId(), 3);
    EXPECT_EQ((new qm::Object)->getId(), own + 502); // a lower id leaves the counter alone
    object->deserialize("id:" + std::to_string(INT_MAX) + ",");
    EXPECT_EQ(object->getId(), 3);
    EXPECT_EQ((new qm::Object)->getId(), own + 503);
    EXPECT_EQ(countOf(log(), "leaves no id for later objects"), 1);
    // At the top the counter stays put: later objects share the last id.
    object->deserialize("id:" + std::to_string(INT_MAX - 1) + ",");
    EXPECT_EQ((new qm::Object)->getId(), INT_MAX);
    EXPECT_EQ((new qm::Object)->getId(), INT_MAX);
    EXPECT_EQ(countOf(log(), "Object::Object(): Warning! no ids left, id 2147483647 given again."), 1);
}

TEST_F(AttributeText, EventInterestsAreReplacedWithoutUnregisteringUnknownOnes)
{
    qm::Object* object = new qm::Object;
    object->deserialize("event_count:2,event_name[0]:death,event_name[1]:qm-step,");
    object->deserialize("event_count:2,event_name[0]:qm-step,event_name[1]:custom%20one,");
    EXPECT_EQ(object->serialize("EVENTS,"), "event_count:2,event_name[0]:qm-step,event_name[1]:custom%20one,");
    EXPECT_EQ(countOf(log(), "not previously registered"), 0);
}

// A direction is read in its normalised form; a speed pair sets the speed, and without one it stays.
TEST_F(AttributeText, DirectionsReadNormalisedAndTheSpeedPairSetsTheVelocity)
{
    const std::tuple<const char*, Vector, Vector> cases[] = {
        {"x_direction:0,y_direction:0.5,speed:2,", Vector(0, 1), Vector(0, 2)},
        {"x_direction:0.3,y_direction:-0.4,", Vector(0.6f, -0.8f), Vector(1.8f, -2.4f)},
        {"x_direction:-30,y_direction:40,speed:0.5,", Vector(-0.6f, 0.8f), Vector(-0.3f, 0.4f)},
        {"y_direction:0.25,", Vector(0, 1), Vector(0, 3)},
        {"x_direction:0,y_direction:0,", Vector(0, 0), Vector(0, 0)},
    };
    for (const auto& [text, direction, velocity] : cases)
    {
        qm::Object* object = new qm::Object;
        object->setVelocity(Vector(0, 3));
        object->deserialize(text);
        EXPECT_LT(qm::distance(object->getDirection(), direction), 1e-6f) << text;
        EXPECT_LT(qm::distance(object->getVelocity(), velocity), 1e-6f) << text;
    }
}

// Reading an object's own text again sets the flags of what the reading steps set whenever their
// pairs apply, and not those set only on a change (id, activity, visibility, box, position, ...).
TEST_F(AttributeText, ReadingMarksWhatItsStepsSetEvenWhenTheValueIsTheSame)
{
    qm::Object* object = new qm::Object;
    object->setType("Fish");
    object->setVelocity(Vector(0, 2));
    object->registerInterest("death");
    qm::Path path;
    path.addNode(Vector(3, 4));
    object->setPath(path);
    object->deserialize(object->serialize("ALL"));
    std::string marked;
    for (int a = 0; a < qm::OBJECT_ATTRIBUTE_COUNT; ++a)
    {
        marked += object->isModified(static_cast<qm::ObjectAttribute>(a)) ? '1' : '0';
    }
    // ID ACTIVE VISIBLE EVENTS BOX POSITION TYPE ANIMATION ALTITUDE SOLIDNESS NO_SOFT SPEED
    // DIRECTION ACCELERATION SHAPE PATH FOLLOW_PATH AVOID_COLLISIONS
    EXPECT_EQ(marked, "000100100011111111");
}

// A boolean or number with an empty value is no value at all; a text may be empty and reads back.
TEST_F(AttributeText, EmptyBooleansAndNumbersChangeNothingWhileEmptyTextsApply)
{
    qm::ViewObject* view = new qm::ViewObject;
    view->setNoSoft(true);
    view->setFollowPath(true);
    view->setType("Fish");
    view->setViewString("Points");
    qm::Path path;
    path.addNode(Vector(3, 4));
    view->setPath(path);
    const std::string before = view->serialize("ALL");
    for (const char* key :
         {"id",          "is_active",   "is_visible",    "event_count",      "box-corner-x", "pos-x",
          "altitude",    "solidness",   "no_soft",       "x_direction",      "speed",        "x_acceleration",
          "shape",       "follow_path", "path_index",    "avoid_collisions", "sprite_index", "view_value",
          "view_border", "view_color",  "view_location", "view_draw_value"})
    {
        view->deserialize(std::string(key) + ":,");
        EXPECT_EQ(view->serialize("ALL"), before) << key;
    }
    EXPECT_EQ(countOf(log(), "Warning!"), 0);
    view->deserialize("type:,path:,view_string:,");
    EXPECT_EQ(view->getType(), "");
    EXPECT_EQ(view->getPath().getNodeCount(), 0);
    EXPECT_EQ(view->getViewString(), "");
}

TEST_F(AttributeText, ShapesNeedAllFourPairsAndCarryTheirCustomColour)
{
    qm::Object* object = new qm::Object;
    object->deserialize("shape:2,size:12,color:4,");
    EXPECT_EQ(object->getShape().getType(), -1);
    const std::string text = "shape:2,size:12.5,color:8,opacity:100,rgb:10;20;30,";
    object->deserialize(text);
    EXPECT_EQ(object->getShape().getGreen(), 20);
    EXPECT_EQ(object->serialize("SHAPE,"), text);
}

TEST_F(AttributeText, ViewPairsApplyAndAPlacedDisplayStaysWhereItWasPut)
{
    qm::ViewObject* view = new qm::ViewObject;
    view->deserialize("view_string:Points%20left,view_value:-12,view_border:false,view_color:3,view_location:8,"
                      "view_draw_value:false,");
    EXPECT_EQ(view->getViewString(), "Points left");
    EXPECT_EQ(view->getValue(), -12);
    EXPECT_FALSE(view->getBorder());
    EXPECT_EQ(view->getColor(), qm::YELLOW);
    EXPECT_EQ(view->getLocation(), qm::BOTTOM_RIGHT);
    EXPECT_EQ(view->getPosition().getY(), 23.0f); // unframed bottom row of 24
    EXPECT_FALSE(view->getDrawValue());

    // A display placed by position: the copy keeps the position and drops the name.
    qm::ViewObject* copy = new qm::ViewObject;
    copy->deserialize("pos-x:40,pos-y:1,view_location:-1,view_color:9,");
    EXPECT_EQ(copy->getLocation(), -1);
    EXPECT_EQ(copy->getPosition(), Vector(40, 1));
    EXPECT_EQ(copy->getColor(), qm::WHITE);
    EXPECT_EQ(countOf(log(), "ViewObject::deserialize(): Warning! color 9 not in range [0,8]. Ignored."), 1);
    EXPECT_EQ(countOf(log(), "Location out of range"), 0);
}

} // namespace
