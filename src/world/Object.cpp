#include "serialization/AttributeText.h"

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
int nextId = 1;

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

// The manager that delivers events of type `name`, or null when none does.
Manager* managerFor(const std::string& name)
{
    if (name == EVENT_STEP)
    {
        return &GameManager::getInstance();
    }
    if (name == EVENT_KEYBOARD || name == EVENT_MOUSE)
    {
        return &InputManager::getInstance();
    }
    if (name == EVENT_NETWORK || name == EVENT_NETWORK_KEYBOARD || name == EVENT_NETWORK_MOUSE ||
        name == EVENT_NETWORK_CUSTOM)
    {
        return &NetworkManager::getInstance();
    }
    return &WorldManager::getInstance();
}
} // namespace

Object::Object() : id(nextId)
{
    // Ids read from text may have raised the counter to its top: it stays there rather than
    // overflow, and later objects share that id.
    static bool topGiven = false;
    if (nextId < INT_MAX)
    {
        ++nextId;
    }
    else if (topGiven)
    {
        LogManager::getInstance().writeLog("Object::Object(): Warning! no ids left, id %d given again.", id);
    }
    topGiven = topGiven || id == INT_MAX;
    shape.setType(-1);
    for (bool& flag : modified)
    {
        flag = true;
    }
    WorldManager& world = WorldManager::getInstance();
    world.insertObject(this);
    // A started world has filed the object (or at worst part of it, after a failed
    // allocation, which removal cleans up); a stopped one refused it entirely.
    inWorld = world.isStarted();
}

Object::~Object()
{
    while (!eventName.empty())
    {
        // Last registered first. A manager that refuses leaves the name in place, so take it
        // off here in any case rather than loop on it.
        const std::string name = eventName.back();
        if (unregisterInterest(name) == -1)
        {
            eventName.pop_back();
        }
    }
    // Path search: this object's own search goes with it, and searches heading for it
    // must not keep its address.
    endPathSearch();
    PathManager::getInstance().forgetTarget(this);
    if (inWorld)
    {
        WorldManager& world = WorldManager::getInstance();
        world.removeObject(this);
        // The view must not go on following an address that a new object may take.
        if (world.getViewFollowing() == this)
        {
            world.setViewFollowing(nullptr);
        }
    }
}

int Object::setPosition(Vector newPosition)
{
    if (newPosition == position)
    {
        return 0;
    }
    if (inWorld)
    {
        WorldManager::getInstance().getSceneGraph().updatePosition(this, newPosition);
    }
    position = newPosition;
    markModified(POSITION);
    return 0;
}

int Object::eventHandler(const Event* event)
{
    if (event->getType() != EVENT_PATH)
    {
        return 0;
    }
    const auto* pathEvent = dynamic_cast<const EventPath*>(event);
    if (pathEvent == nullptr)
    {
        LogManager::getInstance().writeLog("Object::eventHandler(): Error! Dynamic cast to EventPath failed.");
        return 0;
    }
    if (pathEvent->getStatus() == 2)
    {
        setPath(pathEvent->getPath());
        setFollowPath(true);
    }
    endPathSearch();
    return 1;
}

void Object::setPathSearch(PathFind* search)
{
    if (search != pathSearch)
    {
        endPathSearch();
    }
    pathSearch = search;
}

void Object::endPathSearch()
{
    if (pathSearch != nullptr)
    {
        PathManager::getInstance().removeSearch(pathSearch);
        delete pathSearch;
        pathSearch = nullptr;
    }
}

int Object::draw()
{
    const int result = animation.draw(position);
    if (shape.getType() != -1)
    {
        shape.draw(position);
    }
    return result;
}

bool Object::isModified() const
{
    LogManager& log = LogManager::getInstance();
    for (int i = 0; i < OBJECT_ATTRIBUTE_COUNT; ++i)
    {
        // The animation keeps a flag of its own, set as it plays.
        const bool flag = modified[i] || (i == ANIMATION && animation.isModified());
        log.writeLog(20, "Object::isModified(): %d is %s", i, flag ? "true" : "false");
        if (flag)
        {
            return true;
        }
    }
    return false;
}

bool Object::isModified(ObjectAttribute attribute) const
{
    if (attribute < 0 || attribute >= OBJECT_ATTRIBUTE_COUNT)
    {
        return false;
    }
    return modified[attribute] || (attribute == ANIMATION && animation.isModified());
}

void Object::markModified(ObjectAttribute attribute)
{
    modified[attribute] = true;
}

Vector Object::getVelocity() const
{
    Vector velocity = direction;
    velocity.scale(speed);
    return velocity;
}

Vector Object::predictPosition() const
{
    return position + getVelocity();
}

void Object::setType(std::string newType)
{
    if (inWorld)
    {
        // The type is set even when re-filing fails: an inactive object is in no type list,
        // and activation files it under the new type.
        WorldManager::getInstance().getSceneGraph().updateType(this, newType);
    }
    type = std::move(newType);
    markModified(TYPE);
}

int Object::setActive(bool nowActive)
{
    if (nowActive == active)
    {
        return 0;
    }
    if (inWorld && WorldManager::getInstance().getSceneGraph().updateActive(this, nowActive) == -1)
    {
        return -1;
    }
    active = nowActive;
    markModified(ACTIVE);
    return 0;
}

int Object::setVisible(bool nowVisible)
{
    if (nowVisible == visible)
    {
        return 0;
    }
    if (inWorld && WorldManager::getInstance().getSceneGraph().updateVisible(this, nowVisible) == -1)
    {
        return -1;
    }
    visible = nowVisible;
    markModified(VISIBLE);
    return 0;
}

int Object::setAltitude(int newAltitude)
{
    if (newAltitude == altitude)
    {
        return 0;
    }
    if (!valueInRange(static_cast<float>(newAltitude), 0, MAX_ALTITUDE))
    {
        LogManager::getInstance().writeLog("Object::setAltitude(): Altitude %d not in range [%d,%d].  Ignored.",
                                           newAltitude, 0, MAX_ALTITUDE);
        return -1;
    }
    if (inWorld && WorldManager::getInstance().getSceneGraph().updateAltitude(this, newAltitude) == -1)
    {
        return -1;
    }
    altitude = newAltitude;
    markModified(ALTITUDE);
    return 0;
}

int Object::setSolidness(Solidness newSolidness)
{
    if (newSolidness == solidness)
    {
        return 0;
    }
    if (static_cast<unsigned>(newSolidness) > SPECTRAL)
    {
        LogManager::getInstance().writeLog("Object::setSolidness(): Solidness %d not one of HARD, SOFT or SPECTRAL.",
                                           static_cast<int>(newSolidness));
        return -1;
    }
    if (inWorld && WorldManager::getInstance().getSceneGraph().updateSolidness(this, newSolidness) == -1)
    {
        return -1;
    }
    solidness = newSolidness;
    markModified(SOLIDNESS);
    return 0;
}

void Object::setNoSoft(bool refuseSoft)
{
    noSoft = refuseSoft;
    markModified(NO_SOFT);
}

void Object::setAvoidCollisions(bool avoid)
{
    avoidCollisions = avoid;
    markModified(AVOID_COLLISIONS);
}

void Object::setBox(Box newBox)
{
    if (inWorld)
    {
        WorldManager::getInstance().getSceneGraph().updateBox(this, newBox);
    }
    box = newBox;
    markModified(BOX);
}

void Object::setVelocity(Vector velocity)
{
    speed = velocity.getMagnitude();
    velocity.normalize();
    direction = velocity;
    markModified(SPEED);
    markModified(DIRECTION);
}

int Object::setSprite(std::string name)
{
    Sprite* sprite = ResourceManager::getInstance().getSprite(name);
    if (sprite == nullptr)
    {
        LogManager::getInstance().writeLog("Object::setSprite(): Warning! Sprite '%s' not found",
                                           attribute::clip(name).c_str());
        return -1;
    }
    animation.setSprite(sprite);
    const Box spriteBox = animation.getBox();
    if (spriteBox != box)
    {
        // Re-filed around the change of box, which also moves it in the spatial index.
        SceneGraph& graph = WorldManager::getInstance().getSceneGraph();
        if (inWorld)
        {
            graph.removeObject(this);
        }
        box = spriteBox;
        if (inWorld)
        {
            graph.insertObject(this);
        }
        markModified(BOX);
    }
    return 0;
}

void Object::setAnimation(const Animation& newAnimation, bool takeBox)
{
    animation = newAnimation;
    markModified(ANIMATION);
    if (takeBox)
    {
        if (inWorld)
        {
            WorldManager::getInstance().getSceneGraph().updateBox(this, animation.getBox());
        }
        box = animation.getBox();
        markModified(BOX);
    }
}

void Object::setAcceleration(Vector newAcceleration)
{
    acceleration = newAcceleration;
    markModified(ACCELERATION);
}

void Object::setShape(const Shape& newShape)
{
    shape = newShape;
    markModified(SHAPE);
}

void Object::setPath(const Path& newPath)
{
    path = newPath;
    markModified(PATH);
}

void Object::setFollowPath(bool follow)
{
    followingPath = follow;
    if (!path.isDone())
    {
        headFor(path.getCurrentNode());
    }
    markModified(FOLLOW_PATH);
}

void Object::headFor(const Vector& target)
{
    Vector toTarget = target - position;
    toTarget.normalize();
    steer(toTarget);
}

void Object::steer(const Vector& newDirection)
{
    // Marked, although steering follows from the path: a copy kept level from the changes
    // alone would otherwise go on heading the old way.
    if (newDirection != direction)
    {
        direction = newDirection;
        markModified(DIRECTION);
    }
}

void Object::followPath()
{
    if (!followingPath)
    {
        return;
    }
    while (!path.isDone())
    {
        const Vector waypoint = path.getCurrentNode();
        const double reach = static_cast<double>(speed) * 3 * 0.25;
        if (distance(position, waypoint) > reach)
        {
            headFor(waypoint);
            return;
        }
        setPosition(waypoint);
        path.advance();
        markModified(PATH);
    }
    steer(Vector(0, 0));
    setFollowPath(false);
}

void Object::applyAcceleration()
{
    if (acceleration == Vector(0, 0))
    {
        return;
    }
    Vector velocity = getVelocity() + acceleration;
    speed = velocity.getMagnitude();
    velocity.normalize();
    direction = velocity;
    markModified(SPEED);
    markModified(DIRECTION);
}

int Object::registerInterest(std::string name)
{
    LogManager& log = LogManager::getInstance();
    if (static_cast<int>(eventName.size()) == MAX_OBJ_EVENTS)
    {
        log.writeLog("Object::registerInterest(): maximum (%d) reached, cannot register for event '%s'", MAX_OBJ_EVENTS,
                     attribute::clip(name).c_str());
        return -1;
    }
    Manager* manager = managerFor(name);
    if (manager == nullptr)
    {
        log.writeLog("Object::registerInterest(): Error! no manager delivers event '%s'",
                     attribute::clip(name).c_str());
        return -1;
    }
    if (manager->registerInterest(this, name) == -1)
    {
        return -1;
    }
    eventName.push_back(name);
    markModified(EVENTS);
    return 0;
}

int Object::unregisterInterest(std::string name)
{
    const auto found = std::find(eventName.begin(), eventName.end(), name);
    if (found == eventName.end())
    {
        LogManager::getInstance().writeLog("Object::unregisterInterest(): event '%s' not previously registered",
                                           attribute::clip(name).c_str());
        return -1;
    }
    Manager* manager = managerFor(name);
    if (manager == nullptr || manager->unregisterInterest(this, name) == -1)
    {
        return -1;
    }
    eventName.erase(found);
    markModified(EVENTS);
    return 0;
}

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
            if (number >= nextId)
            {
                nextId = number + 1;
            }
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
