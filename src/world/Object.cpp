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
#include <qm/utility.h>

#include <algorithm>
#include <climits>
#include <cmath>

namespace qm
{

namespace
{
int nextId = 1;

// The manager that delivers events of type `name`: the world manager for every name the
// other managers do not deliver (collisions, deaths, game-defined events).
Manager& managerFor(const std::string& name)
{
    if (name == EVENT_STEP)
    {
        return GameManager::getInstance();
    }
    if (name == EVENT_KEYBOARD || name == EVENT_MOUSE)
    {
        return InputManager::getInstance();
    }
    if (name == EVENT_NETWORK || name == EVENT_NETWORK_KEYBOARD || name == EVENT_NETWORK_MOUSE ||
        name == EVENT_NETWORK_CUSTOM)
    {
        return NetworkManager::getInstance();
    }
    return WorldManager::getInstance();
}
} // namespace

void reserveObjectId(int id)
{
    if (id >= nextId)
    {
        nextId = id + 1;
    }
}

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
        if (static_cast<double>(distance(position, waypoint)) > reach)
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
    if (managerFor(name).registerInterest(this, name) == -1)
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
    if (managerFor(name).unregisterInterest(this, name) == -1)
    {
        return -1;
    }
    eventName.erase(found);
    markModified(EVENTS);
    return 0;
}

} // namespace qm
