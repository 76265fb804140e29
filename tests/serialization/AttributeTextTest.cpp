// The attribute text itself: what is written for which selector, and how each pair is read.
#include "SerializationFixture.h"

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

// What a copy reports as changed after reading a text is what a relay of it forwards: each pair
// read marks its own attribute and no other, and a setter given the value the object already
// has marks nothing and succeeds.
TEST_F(AttributeText, ReadingAPairMarksItsAttributeAloneAndAnUnchangedValueNothing)
{
    const std::pair<const char*, qm::ObjectAttribute> pairs[] = {
        {"is_visible:false,", qm::VISIBLE},
        {"box-corner-x:3,box-corner-y:-0.5,box-horizontal:0.99,box-vertical:0.99,", qm::BOX},
        {"pos-x:4,pos-y:1,", qm::POSITION},
        {"type:Saucer,", qm::TYPE},
        {"sprite_name:example,sprite_index:1,sprite_slowdown_count:2,", qm::ANIMATION},
        {"altitude:3,", qm::ALTITUDE},
        {"solidness:2,", qm::SOLIDNESS},
        {"no_soft:true,", qm::NO_SOFT},
    };
    auto expectMarked = [](const qm::Object* object, int only, const std::string& what)
    {
        for (int a = 0; a < qm::OBJECT_ATTRIBUTE_COUNT; ++a)
        {
            EXPECT_EQ(object->isModified(static_cast<qm::ObjectAttribute>(a)), a == only)
                << what << ", attribute " << a;
        }
    };
    for (const auto& [text, attribute] : pairs)
    {
        qm::Object* object = new qm::Object;
        object->serialize(""); // a new object has every flag set
        ASSERT_EQ(object->deserialize(text), 0) << text;
        expectMarked(object, attribute, text);
    }

    qm::Object* object = new qm::Object;
    object->serialize("");
    const std::pair<const char*, int> unchanged[] = {
        {"position", object->setPosition(object->getPosition())},
        {"altitude", object->setAltitude(object->getAltitude())},
        {"solidness", object->setSolidness(object->getSolidness())},
        {"visible", object->setVisible(object->isVisible())},
        {"active", object->setActive(object->isActive())},
    };
    for (const auto& [setter, result] : unchanged)
    {
        EXPECT_EQ(result, 0) << setter;
    }
    expectMarked(object, -1, "unchanged values");
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
    object->deserialize("id:" + std::to_string(INT_MAX - 1) + ",");
    EXPECT_EQ((new qm::Object)->getId(), INT_MAX);
    EXPECT_EQ((new qm::Object)->getId(), INT_MAX);
    EXPECT_EQ(countOf(log(), "Object::Object(): Warning! no ids left, id 2147483647 given again."), 1);
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

TEST_F(AttributeText, ViewPairsApplyAndAPlacedDisplayStaysWhereItWasPut)
{
    qm::ViewObject* view = new qm::ViewObject;
    view->deserialize("view_string:Points%20left,view_value:-12,view_border:false,view_color:3,view_location:8,"
                      "view_draw_value:false,");
    EXPECT_EQ(view->getColor(), qm::YELLOW);
    EXPECT_EQ(view->getLocation(), qm::BOTTOM_RIGHT);
    EXPECT_EQ(view->getPosition().getY(), 23.0f); // unframed bottom row of 24

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
