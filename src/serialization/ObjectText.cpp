// The attribute text of objects: writing the selected attributes as key:value pairs, and
// reading a text back as a short list of steps, one per group of keys.
#include "serialization/AttributeText.h"
#include "world/ObjectIds.h"

#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/SceneGraph.h>
#include <qm/WorldManager.h>
#include <qm/match.h>
#include <qm/utility.h>

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
    return attribute::readIntValue("Object::deserialize()", key, value);
}

bool readFloatValue(const char* key, float& value)
{
    return attribute::readFloatValue("Object::deserialize()", key, value);
}

// A direction read from text in its normalised form, as setting the velocity gives it: a unit
// vector, or zero. The engine's own directions are unit vectors to within float rounding; one
// of those is kept exactly, so that a copy reads back the very direction written (normalising
// it again could move its last bit). Others are normalised in double, so that no component
// overflows or underflows on the way.
Vector unitDirection(const Vector& v)
{
    const auto x = static_cast<double>(v.getX());
    const auto y = static_cast<double>(v.getY());
    const double length = std::sqrt(x * x + y * y);
    if (length == 0.0 || std::fabs(length - 1.0) <= 1e-6)
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

// Applies the pairs of the last parse of match to one object, one group of keys per step.
// Every value read is logged at level 20 as "Object::deserialize(): <key> is <value>".
class ObjectTextReader
{
public:
    explicit ObjectTextReader(Object& target) : object(target), log(LogManager::getInstance()) {}

    void readId();
    void readActiveAndVisible();
    void readEvents();
    void readBox();
    void readPosition();
    void readType();
    void readPlacement();
    void readMotion();
    void readShape();
    void readPath();
    void readAvoidCollisions();

private:
    // A boolean key: true when it has a value, with `value` whether it reads "true".
    bool readBool(const char* key, bool& value);
    // An integer or float key, logged as read: false when absent or not a number.
    bool readInt(const char* key, int& value);
    bool readFloat(const char* key, float& value);
    // An x and a y key, each optional: false when neither is present; a missing one keeps
    // its component of `value`.
    bool readPair(const char* xKey, const char* yKey, Vector& value);

    Object& object;
    LogManager& log;
};

int Object::deserialize(std::string str)
{
    // An empty text would leave the previous parse in place and apply that again.
    if (str.empty())
    {
        return 0;
    }
    match(str, "");
    ObjectTextReader reader(*this);
    reader.readId();
    reader.readActiveAndVisible();
    reader.readEvents();
    reader.readBox();
    reader.readPosition();
    reader.readType();
    animation.deserialize(str);
    reader.readPlacement();
    reader.readMotion();
    reader.readShape();
    reader.readPath();
    reader.readAvoidCollisions();
    return 0;
}

bool ObjectTextReader::readBool(const char* key, bool& value)
{
    if (!attribute::hasValue(key))
    {
        return false;
    }
    const std::string text = match("", key);
    log.writeLog(20, "Object::deserialize(): %s is %s", key, attribute::clip(text).c_str());
    value = text == "true";
    return true;
}

bool ObjectTextReader::readInt(const char* key, int& value)
{
    if (!readIntValue(key, value))
    {
        return false;
    }
    log.writeLog(20, "Object::deserialize(): %s is %d", key, value);
    return true;
}

bool ObjectTextReader::readFloat(const char* key, float& value)
{
    if (!readFloatValue(key, value))
    {
        return false;
    }
    log.writeLog(20, "Object::deserialize(): %s is %.2f", key, static_cast<double>(value));
    return true;
}

bool ObjectTextReader::readPair(const char* xKey, const char* yKey, Vector& value)
{
    float x = value.getX();
    float y = value.getY();
    const bool hasX = readFloat(xKey, x);
    const bool hasY = readFloat(yKey, y);
    value = Vector(x, y);
    return hasX || hasY;
}

void ObjectTextReader::readId()
{
    int number = 0;
    if (!readInt("id", number))
    {
        return;
    }
    if (number == INT_MAX)
    {
        // The next-id counter goes one above the highest id, which has no room here.
        log.writeLog("Object::deserialize(): Warning! id %d leaves no id for later objects. Ignored.", number);
    }
    else if (number != object.id)
    {
        reserveObjectId(number);
        object.id = number;
        object.markModified(ID);
    }
}

void ObjectTextReader::readActiveAndVisible()
{
    bool on = false;
    if (readBool("is_active", on))
    {
        object.setActive(on);
    }
    if (readBool("is_visible", on))
    {
        object.setVisible(on);
    }
}

void ObjectTextReader::readEvents()
{
    int count = 0;
    if (!readInt("event_count", count))
    {
        return;
    }
    if (count < 0 || count > MAX_OBJ_EVENTS)
    {
        log.writeLog("Object::deserialize(): Warning! event_count %d not in range [0,%d]. Ignored.", count,
                     MAX_OBJ_EVENTS);
        return;
    }
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
    {
        const std::string key = "event_name[" + std::to_string(i) + "]";
        if (hasMatch(key))
        {
            names.push_back(attribute::readText(match("", key)));
            log.writeLog(20, "Object::deserialize(): event_name[%d] is '%s'", i, attribute::clip(names.back()).c_str());
        }
    }
    // Interests already held as given are kept rather than withdrawn and registered again;
    // the events still count as set.
    if (names == object.eventName)
    {
        object.markModified(EVENTS);
        return;
    }
    for (std::size_t i = object.eventName.size(); i-- > 0;)
    {
        object.unregisterInterest(object.eventName[i]);
    }
    for (const std::string& name : names)
    {
        object.registerInterest(name);
    }
}

void ObjectTextReader::readBox()
{
    const char* const keys[] = {"box-corner-x", "box-corner-y", "box-horizontal", "box-vertical"};
    float value[4] = {};
    int found = 0;
    for (int i = 0; i < 4; ++i)
    {
        if (readFloatValue(keys[i], value[i]))
        {
            log.writeLog(20, "Object::deserialize(): %s is %g", keys[i], static_cast<double>(value[i]));
            ++found;
        }
    }
    if (found != 4)
    {
        log.writeLog(20, "Object::deserialize(): box not complete, so ignoring.");
        return;
    }
    const Box newBox(Vector(value[0], value[1]), value[2], value[3]);
    if (newBox == object.box)
    {
        return;
    }
    // Re-filed around the change, where a spatial index would move the object.
    SceneGraph& graph = WorldManager::getInstance().getSceneGraph();
    if (object.inWorld)
    {
        graph.removeObject(&object);
    }
    object.box = newBox;
    if (object.inWorld)
    {
        graph.insertObject(&object);
    }
    object.markModified(BOX);
}

void ObjectTextReader::readPosition()
{
    float x = 0.0f;
    float y = 0.0f;
    const bool hasX = readFloatValue("pos-x", x);
    const bool hasY = readFloatValue("pos-y", y);
    if (!hasX || !hasY)
    {
        log.writeLog(20, "Object::deserialize(): position not complete, so ignoring.");
        return;
    }
    log.writeLog(20, "Object::deserialize(): pos-x is %.2f", static_cast<double>(x));
    log.writeLog(20, "Object::deserialize(): pos-y is %.2f", static_cast<double>(y));
    object.setPosition(Vector(x, y));
}

void ObjectTextReader::readType()
{
    if (!hasMatch("type"))
    {
        return;
    }
    const std::string newType = attribute::readText(match("", "type"));
    log.writeLog(20, "Object::deserialize(): type is %s", attribute::clip(newType).c_str());
    if (newType != object.type)
    {
        object.setType(newType);
    }
    else
    {
        object.markModified(TYPE);
    }
}

void ObjectTextReader::readPlacement()
{
    int number = 0;
    if (readInt("altitude", number))
    {
        object.setAltitude(number);
    }
    if (readInt("solidness", number))
    {
        object.setSolidness(static_cast<Solidness>(number));
    }
    bool on = false;
    if (readBool("no_soft", on))
    {
        object.setNoSoft(on);
    }
}

void ObjectTextReader::readMotion()
{
    // A direction without a speed changes only the direction.
    Vector direction = object.direction;
    if (readPair("x_direction", "y_direction", direction))
    {
        // As setting the velocity does: both flags are set.
        object.steer(unitDirection(direction));
        object.markModified(DIRECTION);
        object.markModified(SPEED);
    }
    float speed = 0.0f;
    if (readFloat("speed", speed))
    {
        object.speed = speed;
        object.markModified(SPEED);
    }
    Vector acceleration = object.acceleration;
    if (readPair("x_acceleration", "y_acceleration", acceleration))
    {
        object.setAcceleration(acceleration);
    }
}

void ObjectTextReader::readShape()
{
    const char* const keys[] = {"shape", "size", "color", "opacity"};
    for (const char* key : keys)
    {
        if (!attribute::hasValue(key))
        {
            return;
        }
    }
    for (const char* key : keys)
    {
        log.writeLog(20, "Object::deserialize(): %s is '%s'", key, attribute::clip(match("", key)).c_str());
    }
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
    Shape newShape = object.shape;
    newShape.setType(shapeType);
    newShape.setSize(size);
    newShape.setColor(color);
    newShape.setOpacity(static_cast<std::uint8_t>(opacity));
    if (attribute::hasValue("rgb"))
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
        newShape.setRGB(static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                        static_cast<std::uint8_t>(blue));
    }
    object.setShape(newShape);
}

void ObjectTextReader::readPath()
{
    bool follow = false;
    if (readBool("follow_path", follow))
    {
        // Set without steering: the direction came with the text.
        object.followingPath = follow;
        object.markModified(FOLLOW_PATH);
    }
    Path newPath = object.path;
    bool read = false;
    if (hasMatch("path"))
    {
        read = true;
        std::string badNode;
        if (!attribute::readPath(match("", "path"), newPath, badNode))
        {
            log.writeLog("Object::deserialize(): malformed node %s.", attribute::clip(badNode).c_str());
            log.writeLog("\tNot added.");
            return;
        }
    }
    int index = 0;
    if (readIntValue("path_index", index))
    {
        read = true;
        newPath.setIndex(index);
    }
    if (read)
    {
        object.setPath(newPath);
    }
}

void ObjectTextReader::readAvoidCollisions()
{
    bool avoid = false;
    if (readBool("avoid_collisions", avoid))
    {
        object.setAvoidCollisions(avoid);
    }
}

} // namespace qm
