// Text that no writer produced: every such input is refused or ignored with a log line and
// leaves the object sound, never a crash, a hang or unbounded memory.
#include "SerializationFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace
{

using qmtest::countOf;

struct BadText
{
    const char* name;
    std::string text;
    const char* logged; // a line the refusal writes, or null when it is silent
};

// Failure messages name the case rather than print megabytes of it.
void PrintTo(const BadText& bad, std::ostream* out)
{
    *out << bad.name;
}

std::string garbage(std::size_t size)
{
    std::mt19937 random(7);
    std::string text(size, ' ');
    std::generate(text.begin(), text.end(),
                  [&] { return static_cast<char>(std::uniform_int_distribution<int>(0, 255)(random)); });
    return text;
}

const BadText BAD_TEXTS[] = {
    {"Empty", "", nullptr},
    {"OnlySeparators", ",,,:::,:,:x,", nullptr},
    {"GarbageKeys", "colour:red,pos:3,ID:4,id[0]:1,sprite_name[0]:example,", nullptr},
    {"Megabytes", garbage(3 << 20), nullptr},
    {"UnknownSprite", "sprite_name:ghost,", "Animation::Match(): Sprite 'ghost' not found"},
    {"MalformedFrameIndex", "sprite_index:one,",
     "Animation::deserialize(): Warning! sprite_index 'one' is not an "
     "integer. Ignored."},
    {"NegativeEventCount", "event_count:-1,", "event_count -1 not in range [0,100]"},
    {"EventCountAboveMaximum", "event_count:101,event_name[100]:death,", "event_count 101 not in range [0,100]"},
    {"EventCountBeyondInt", "event_count:99999999999,", "event_count '99999999999' is not an integer"},
    {"AltitudeBelowRange", "altitude:-1,", "Object::setAltitude(): Altitude -1 not in range [0,4].  Ignored."},
    {"AltitudeAboveRange", "altitude:5,", "Object::setAltitude(): Altitude 5 not in range [0,4].  Ignored."},
    {"SolidnessOutOfRange", "solidness:-1,", "Object::setSolidness(): Solidness -1 not one of HARD, SOFT or SPECTRAL."},
    {"OverflowingFloat", "pos-x:1e999,pos-y:2,", "pos-x '1e999' is not a finite number"},
    {"NotANumber", "speed:nan,", "speed 'nan' is not a finite number"},
    {"Infinity", "x_acceleration:inf,", "x_acceleration 'inf' is not a finite number"},
    {"LoneMinus", "box-corner-x:-,box-corner-y:0,box-horizontal:1,box-vertical:1,", "box-corner-x '-' is not a finite"},
    {"TrailingCharacters", "box-corner-x:1.5.5,box-corner-y:0,box-horizontal:1,box-vertical:1,", "'1.5.5'"},
    {"HexNumber", "pos-x:0x10,pos-y:1,", "pos-x '0x10' is not a finite number"},
    {"PathNodeWithoutSeparator", "path:34|,", "Object::deserialize(): malformed node 34."},
    {"PathNodeWithoutBar", "path:3;4,", "Object::deserialize(): malformed node 3;4."},
    {"OpacityOutOfRange", "shape:1,size:3,color:2,opacity:-1,", "opacity -1 not in range [0,255]"},
    {"ShapeSizeNotFinite", "shape:1,size:inf,color:2,opacity:9,", "size 'inf' is not a finite number"},
    {"RgbOutOfRange", "rgb:1;2;300,shape:1,size:3,color:8,opacity:9,", "rgb '1;2;300' is not three values"},
    {"IdNotANumber", "id:twelve,", "id 'twelve' is not an integer"},
    {"IdAtTheTop", "id:2147483647,", "leaves no id for later objects"},
    {"ViewColourOutOfRange", "view_color:-1,", "ViewObject::deserialize(): Warning! color -1 not in range [0,8]."},
    {"ViewLocationOutOfRange", "view_location:9,", "Location out of range (9)"},
    {"ViewValueNotANumber", "view_value:12abc,", "view_value '12abc' is not an integer"},
};

class BadInput : public qmtest::SerializationTest, public testing::WithParamInterface<BadText>
{
};

TEST_P(BadInput, IsRefusedAndLeavesTheObjectAsItWas)
{
    const BadText& bad = GetParam();
    for (qm::Object* object : {new qm::Object, static_cast<qm::Object*>(new qm::ViewObject)})
    {
        const std::string before = object->serialize("ALL");
        EXPECT_EQ(object->deserialize(bad.text), 0);
        const std::string after = object->serialize("ALL");
        if (before != after)
        {
            // Garbage may hold good pairs by chance; whatever it set must still read back.
            qm::Object* copy = dynamic_cast<qm::ViewObject*>(object) ? new qm::ViewObject : new qm::Object;
            copy->deserialize(after);
            EXPECT_EQ(copy->serialize("ALL"), after);
            EXPECT_EQ(bad.logged, nullptr) << "changed by " << bad.name << ": " << before << "\n" << after;
        }
        EXPECT_GE(object->getAltitude(), 0);
        EXPECT_LE(object->getAltitude(), qm::MAX_ALTITUDE);
    }
    if (bad.logged != nullptr)
    {
        // Once for each object, or once for the view object alone.
        const bool viewOnly =
            std::string(bad.logged).rfind("View", 0) == 0 || std::string(bad.name).rfind("View", 0) == 0;
        EXPECT_EQ(countOf(log(), bad.logged), viewOnly ? 1 : 2) << bad.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, BadInput, testing::ValuesIn(BAD_TEXTS),
                         [](const testing::TestParamInfo<BadText>& param) { return std::string(param.param.name); });

} // namespace
