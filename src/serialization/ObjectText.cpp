#include "serialization/AttributeText.h"
#include "world/ObjectIds.h"

#include <qm/Event.h>
#include <qm/EventPath.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/LogManager.h>
#include <qm/NetworkManager.h>
#include <qm/Object.h>
#include <qm/PathFind.h>
#include <qm/PathManager.h>
#include <qm/ResourceManager.h>
#include <qm/SceneGraph.h>
#include <qm/Sprite.h>
#include <qm/WorldManager.h>
#include <qm/match.h>
#include <qm/utility.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace qm
{

namespace
{
// Selector names of the object attributes, by ObjectAttribute.
const char* const ATTRIBUTE_NAMES[OBJECT_ATTRIBUTE_COUNT] = {
    "ID",        "ACTIVE",       "VISIBLE",  "EVENTS",    "BOX",         "POSITION",
    "TYPE",      "ANIMATION",    "ALTITUDE", "SOLIDNESS", "NO_SOFT",     "SPEED",
    "DIRECTION", "ACCELERATION", "SHAPE",    "PATH",      "FOLLOW_PATH", "AVOID_COLLISIONS",
};

std::string pair(const char* key, const std::string& value)
{
    return std::string(key) + ":" + value + ",";
}

// Look-ups in the last parse of match that log and refuse values that are not numbers.
bool readIntValue(const char* key, int& value)
{
    if (!hasMatch(key))
    {
        return false;
    }
    const std::string text = match("", key);
    if (!attribute::readInt(text, value))
    {
        LogManager::getInstance().writeLog("Object::deserialize(): Warning! %s '%s' is not an integer. Ignored.", key,
                                           attribute::clip(text).c_str());
        return false;
    }
    return true;
}

bool readFloatValue(const char* key, float& value)
{
    if (!hasMatch(key))
    {
        return false;
    }
    const std::string text = match("", key);
    if (!attribute::readFloat(text, value))
    {
        LogManager::getInstance().writeLog("Object::deserialize(): Warning! %s '%s' is not a finite number. Ignored.",
                                           key, attribute::clip(text).c_str());
        return false;
    }
    return true;
}

// A direction read from text is kept exactly unless it is longer than a unit vector, so that
// the copy moves as the original did: the engine's own directions are unit vectors to within
// rounding, or shorter when too small to normalize in float. Longer ones are normalized, in
// double so that no component overflows or underflows on the way.
Vector unitDirection(const Vector& v)
{
    const double x = v.getX();
    const double y = v.getY();
    const double length = std::sqrt(x * x + y * y);
    if (length <= 1.0 + 1e-6)
    {
        return v;
    }
    return Vector(static_cast<float>(x / length), static_cast<float>(y / length));
}
} // namespace

std::string Object::serialize(std::string attr)
{
    LogManager& log = LogManager::getInstance();
    log.writeLog(20, "Object::serialize(): attr is '%s'", attribute::clip(attr).c_str());
    if (!attr.empty() && attr != "ALL" && attr.back() != ',')
    {
        log.writeLog("Object::serialize(): Warning! Attribute '%s' missing trailing ','",
                     attribute::clip(attr).c_str());
    }
    // Whether an attribute is written; writing clears its flag.
    const auto take = [this, &attr](ObjectAttribute a, bool flag)
    {
        if (!attribute::isSelected(attr, ATTRIBUTE_NAMES[a], flag))
        {
            return false;
        }
        modified[a] = false;
        return true;
    };
    using attribute::writeFloat;
    std::string out;
    if (take(ID, modified[ID]))
    {
        out += pair("id", toString(id));
    }
    if (take(ACTIVE, modified[ACTIVE]))
    {
        out += pair("is_active", toString(active));
    }
    if (take(VISIBLE, modified[VISIBLE]))
    {
        out += pair("is_visible", toString(visible));
    }
    if (take(EVENTS, modified[EVENTS]))
    {
        out += pair("event_count", toString(static_cast<int>(eventName.size())));
        for (std::size_t i = 0; i < eventName.size(); ++i)
        {
            out += "event_name[" + std::to_string(i) + "]:" + attribute::writeText(eventName[i]) + ",";
        }
    }
    if (take(BOX, modified[BOX]))
    {
        out += pair("box-corner-x", writeFloat(box.getCorner().getX())) +
               pair("box-corner-y", writeFloat(box.getCorner().getY())) +
               pair("box-horizontal", writeFloat(box.getHorizontal())) +
               pair("box-vertical", writeFloat(box.getVertical()));
    }
    if (take(POSITION, modified[POSITION]))
    {
        out += pair("pos-x", writeFloat(position.getX())) + pair("pos-y", writeFloat(position.getY()));
    }
    if (take(TYPE, modified[TYPE]))
    {
        out += pair("type", attribute::writeText(type));
    }
    if (take(ANIMATION, modified[ANIMATION] || animation.isModified()))
    {
        out += animation.serialize("ALL");
    }
    if (take(ALTITUDE, modified[ALTITUDE]))
    {
        out += pair("altitude", toString(altitude));
    }
    if (take(SOLIDNESS, modified[SOLIDNESS]))
    {
        out += pair("solidness", toString(static_cast<int>(solidness)));
    }
    if (take(NO_SOFT, modified[NO_SOFT]))
    {
        out += pair("no_soft", toString(noSoft));
    }
    // Direction before speed: a reader that sets the velocity from the direction then still
    // ends with the speed written.
    if (take(DIRECTION, modified[DIRECTION]))
    {
        out += pair("x_direction", writeFloat(direction.getX())) + pair("y_direction", writeFloat(direction.getY()));
    }
    if (take(SPEED, modified[SPEED]))
    {
        out += pair("speed", writeFloat(speed));
    }
    if (take(ACCELERATION, modified[ACCELERATION]))
    {
        out += pair("x_acceleration", writeFloat(acceleration.getX())) +
               pair("y_acceleration", writeFloat(acceleration.getY()));
    }
    if (take(SHAPE, modified[SHAPE]))
    {
        out += pair("shape", toString(shape.getType())) + pair("size", writeFloat(shape.getSize())) +
               pair("color", toString(shape.getColor())) + pair("opacity", toString(int{shape.getOpacity()}));
        if (shape.getColor() == CUSTOM)
        {
            out += pair("rgb", toString(int{shape.getRed()}) + ";" + toString(int{shape.getGreen()}) + ";" +
                                   toString(int{shape.getBlue()}));
        }
    }
    if (take(FOLLOW_PATH, modified[FOLLOW_PATH]))
    {
        out += pair("follow_path", toString(followingPath));
    }
    if (take(PATH, modified[PATH]))
    {
        out += pair("path", attribute::writePath(path)) + pair("path_index", toString(path.getIndex()));
    }
    if (take(AVOID_COLLISIONS, modified[AVOID_COLLISIONS]))
    {
        out += pair("avoid_collisions", toString(avoidCollisions));
    }
    return out;
}

int Object::deserialize(std::string str)
{
    // An empty text would leave the previous parse in place and apply that again.
    if (str.empty())
    {
        return 0;
    }
    LogManager& log = LogManager::getInstance();
    match(str, "");
    const auto text = [](const char* key) { return match("", key); };

    int number = 0;
    if (readIntValue("id", number))
    {
        log.writeLog(20, "Object::deserialize(): id is %d", number);
        if (number == INT_MAX)
        {
            // The next-id counter goes one above the highest id, which has no room here.
            log.writeLog("Object::deserialize(): Warning! id %d leaves no id for later objects. Ignored.", number);
        }
        else if (number != id)
        {
            reserveObjectId(number);
            id = number;
            markModified(ID);
        }
    }
    if (hasMatch("is_active"))
    {
        log.writeLog(20, "Object::deserialize(): is_active is %s", attribute::clip(text("is_active")).c_str());
        setActive(text("is_active") == "true");
    }
    if (hasMatch("is_visible"))
    {
        log.writeLog(20, "Object::deserialize(): is_visible is %s", attribute::clip(text("is_visible")).c_str());
        setVisible(text("is_visible") == "true");
    }
    if (readIntValue("event_count", number))
    {
        log.writeLog(20, "Object::deserialize(): event_count is %d", number);
        if (number < 0 || number > MAX_OBJ_EVENTS)
        {
            log.writeLog("Object::deserialize(): Warning! event_count %d not in range [0,%d]. Ignored.", number,
                         MAX_OBJ_EVENTS);
        }
        else
        {
            std::vector<std::string> names;
            for (int i = 0; i < number; ++i)
            {
                const std::string key = "event_name[" + std::to_string(i) + "]";
                if (hasMatch(key))
                {
                    names.push_back(attribute::readText(match("", key)));
                    log.writeLog(20, "Object::deserialize(): event_name[%d] is '%s'", i,
                                 attribute::clip(names.back()).c_str());
                }
            }
            // Interests already held as given are kept rather than withdrawn and registered again.
            if (names != eventName)
            {
                for (std::size_t i = eventName.size(); i-- > 0;)
                {
                    unregisterInterest(eventName[i]);
                }
                for (const std::string& name : names)
                {
                    registerInterest(name);
                }
            }
        }
    }
    const char* const boxKeys[] = {"box-corner-x", "box-corner-y", "box-horizontal", "box-vertical"};
    float boxValue[4] = {};
    int boxValues = 0;
    for (int i = 0; i < 4; ++i)
    {
        if (readFloatValue(boxKeys[i], boxValue[i]))
        {
            log.writeLog(20, "Object::deserialize(): %s is %g", boxKeys[i], static_cast<double>(boxValue[i]));
            ++boxValues;
        }
    }
    if (boxValues == 4)
    {
        const Box newBox(Vector(boxValue[0], boxValue[1]), boxValue[2], boxValue[3]);
        if (newBox != box)
        {
            // Re-filed around the change, where a spatial index would move the object.
            SceneGraph& graph = WorldManager::getInstance().getSceneGraph();
            if (inWorld)
            {
                graph.removeObject(this);
            }
            box = newBox;
            if (inWorld)
            {
                graph.insertObject(this);
            }
            markModified(BOX);
        }
    }
    else
    {
        log.writeLog(20, "Object::deserialize(): box not complete, so ignoring.");
    }
    float x = 0.0f;
    float y = 0.0f;
    const bool hasX = readFloatValue("pos-x", x);
    const bool hasY = readFloatValue("pos-y", y);
    if (hasX && hasY)
    {
        log.writeLog(20, "Object::deserialize(): pos-x is %.2f", static_cast<double>(x));
        log.writeLog(20, "Object::deserialize(): pos-y is %.2f", static_cast<double>(y));
        setPosition(Vector(x, y));
    }
    else
    {
        log.writeLog(20, "Object::deserialize(): position not complete, so ignoring.");
    }
    if (hasMatch("type"))
    {
        const std::string newType = attribute::readText(text("type"));
        log.writeLog(20, "Object::deserialize(): type is %s", attribute::clip(newType).c_str());
        if (newType != type)
        {
            setType(newType);
        }
    }
    animation.deserialize(str);
    if (readIntValue("altitude", number))
    {
        log.writeLog(20, "Object::deserialize(): altitude is %d", number);
        setAltitude(number);
    }
    if (readIntValue("solidness", number))
    {
        log.writeLog(20, "Object::deserialize(): solidness is %d", number);
        setSolidness(static_cast<Solidness>(number));
    }
    if (hasMatch("no_soft"))
    {
        log.writeLog(20, "Object::deserialize(): no_soft is %s", attribute::clip(text("no_soft")).c_str());
        setNoSoft(text("no_soft") == "true");
    }
    // A direction without a speed changes only the direction.
    const bool hasDirectionX = readFloatValue("x_direction", x);
    const bool hasDirectionY = readFloatValue("y_direction", y);
    if (hasDirectionX || hasDirectionY)
    {
        if (hasDirectionX)
        {
            log.writeLog(20, "Object::deserialize(): x_direction is %.2f", static_cast<double>(x));
        }
        if (hasDirectionY)
        {
            log.writeLog(20, "Object::deserialize(): y_direction is %.2f", static_cast<double>(y));
        }
        steer(unitDirection(Vector(hasDirectionX ? x : direction.getX(), hasDirectionY ? y : direction.getY())));
    }
    if (readFloatValue("speed", x))
    {
        log.writeLog(20, "Object::deserialize(): speed is %.2f", static_cast<double>(x));
        speed = x;
        markModified(SPEED);
    }
    const bool hasAccelerationX = readFloatValue("x_acceleration", x);
    const bool hasAccelerationY = readFloatValue("y_acceleration", y);
    if (hasAccelerationX || hasAccelerationY)
    {
        if (hasAccelerationX)
        {
            log.writeLog(20, "Object::deserialize(): x_acceleration is %.2f", static_cast<double>(x));
        }
        if (hasAccelerationY)
        {
            log.writeLog(20, "Object::deserialize(): y_acceleration is %.2f", static_cast<double>(y));
        }
        setAcceleration(Vector(hasAccelerationX ? x : acceleration.getX(), hasAccelerationY ? y : acceleration.getY()));
    }
    deserializeShape();
    if (hasMatch("follow_path"))
    {
        log.writeLog(20, "Object::deserialize(): follow_path is %s", attribute::clip(text("follow_path")).c_str());
        // Set without steering: the direction came with the text.
        followingPath = text("follow_path") == "true";
        markModified(FOLLOW_PATH);
    }
    Path newPath = path;
    bool pathRead = true;
    if (hasMatch("path"))
    {
        std::string badNode;
        pathRead = attribute::readPath(text("path"), newPath, badNode);
        if (!pathRead)
        {
            log.writeLog("Object::deserialize(): malformed node %s.", attribute::clip(badNode).c_str());
            log.writeLog("\tNot added.");
        }
    }
    if (pathRead && readIntValue("path_index", number))
    {
        newPath.setIndex(number);
    }
    if (pathRead && newPath != path)
    {
        setPath(newPath);
    }
    if (hasMatch("avoid_collisions"))
    {
        log.writeLog(20, "Object::deserialize(): avoid_collisions is %s",
                     attribute::clip(text("avoid_collisions")).c_str());
        setAvoidCollisions(text("avoid_collisions") == "true");
    }
    return 0;
}

void Object::deserializeShape()
{
    LogManager& log = LogManager::getInstance();
    const char* const keys[] = {"shape", "size", "color", "opacity"};
    for (const char* key : keys)
    {
        if (!hasMatch(key))
        {
            return;
        }
    }
    log.writeLog(20, "Object::deserialize(): shape is '%s'", attribute::clip(match("", "shape")).c_str());
    log.writeLog(20, "Object::deserialize(): size is '%s'", attribute::clip(match("", "size")).c_str());
    log.writeLog(20, "Object::deserialize(): color is '%s'", attribute::clip(match("", "color")).c_str());
    log.writeLog(20, "Object::deserialize(): opacity is '%s'", attribute::clip(match("", "opacity")).c_str());
    int shapeType = 0;
    float size = 0.0f;
    int color = 0;
    int opacity = 0;
    if (!readIntValue("shape", shapeType) || !readFloatValue("size", size) || !readIntValue("color", color) ||
        !readIntValue("opacity", opacity))
    {
        return;
    }
    if (opacity < 0 || opacity > 255)
    {
        log.writeLog("Object::deserialize(): Warning! opacity %d not in range [0,255]. Shape ignored.", opacity);
        return;
    }
    Shape newShape = shape;
    newShape.setType(shapeType);
    newShape.setSize(size);
    newShape.setColor(color);
    newShape.setOpacity(static_cast<std::uint8_t>(opacity));
    if (hasMatch("rgb"))
    {
        // "r;g;b", each 0 to 255: the fill of a CUSTOM colour.
        const std::string rgb = match("", "rgb");
        const std::size_t first = rgb.find(';');
        const std::size_t second = first == std::string::npos ? first : rgb.find(';', first + 1);
        int red = -1;
        int green = -1;
        int blue = -1;
        if (second == std::string::npos || !attribute::readInt(rgb.substr(0, first), red) ||
            !attribute::readInt(rgb.substr(first + 1, second - first - 1), green) ||
            !attribute::readInt(rgb.substr(second + 1), blue) || red < 0 || red > 255 || green < 0 || green > 255 ||
            blue < 0 || blue > 255)
        {
            log.writeLog("Object::deserialize(): Warning! rgb '%s' is not three values 0 to 255. Shape ignored.",
                         attribute::clip(rgb).c_str());
            return;
        }
        else
        {
            newShape.setRGB(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                            static_cast<std::uint8_t>(blue));
        }
    }
    if (newShape != shape)
    {
        setShape(newShape);
    }
}
} // namespace qm
