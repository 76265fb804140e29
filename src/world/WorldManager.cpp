#include "core/EngineHooks.h"

#include <qm/Event.h>
#include <qm/EventCollision.h>
#include <qm/EventOut.h>
#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/ObjectListIterator.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <algorithm>
#include <cmath>
#include <unordered_set>

namespace qm
{

namespace
{
Object* firstHard(const std::vector<Object*>& list)
{
    for (Object* object : list)
    {
        if (object->getSolidness() == HARD)
        {
            return object;
        }
    }
    return nullptr;
}

// The direction in which an avoiding object slides along an obstacle it met from the side
// given by `normal`: the motion into that side is dropped; at a corner the horizontal motion
// is reversed.
Vector slideDirection(const Vector& normal, const Vector& direction)
{
    if (std::fabs(normal.getX()) == 1.0f && std::fabs(normal.getY()) == 1.0f)
    {
        return Vector(-direction.getX(), direction.getY());
    }
    return Vector(std::fabs(normal.getY()) * direction.getX(), std::fabs(normal.getX()) * direction.getY());
}
} // namespace

WorldManager::WorldManager()
{
    setType("WorldManager");
}

WorldManager& WorldManager::getInstance()
{
    static WorldManager instance;
    return instance;
}

bool WorldManager::isValid(std::string eventType) const
{
    LogManager& log = LogManager::getInstance();
    if (eventType == EVENT_KEYBOARD || eventType == EVENT_MOUSE || eventType == EVENT_STEP)
    {
        log.writeLog("WorldManager::isValid(): WorldManager does not handle %s", eventType.c_str());
        return false;
    }
    if (eventType == EVENT_OUT || eventType == EVENT_COLLISION)
    {
        log.writeLog("WorldManager::isValid(): Event %s handled automatically.", eventType.c_str());
        return false;
    }
    return true;
}

int WorldManager::startUp()
{
    LogManager& log = LogManager::getInstance();
    if (isStarted())
    {
        log.writeLog("WorldManager::startup(): already started.");
        return 0;
    }
    deletions.clear();
    setBoundary(Box());
    view = Box();
    viewSlack = Vector(0, 0);
    viewFollowing = nullptr;
    if (sceneGraph.startUp() == -1)
    {
        log.writeLog("WorldManager::startUp(): Error! Unable to startup Scenegraph");
        return -1;
    }
    Manager::startUp();
    log.writeLog(5, "WorldManager::startUp(): successfully started.");
    return 0;
}

void WorldManager::shutDown()
{
    // Stopped first, so that objects created by destructors from here on are refused
    // rather than filed into lists that are being emptied.
    Manager::shutDown();
    const ObjectList all = getAllObjects(true);
    // An object listed twice (only after a failed list operation) must not be deleted twice.
    std::unordered_set<Object*> deleted;
    for (ObjectListIterator it(&all); !it.isDone(); it.next())
    {
        Object* object = it.currentObject();
        if (deleted.insert(object).second)
        {
            delete object;
        }
    }
    // Whatever was still marked has just been deleted with the rest.
    deletions.clear();
    viewFollowing = nullptr;
    sceneGraph.shutDown();
    LogManager::getInstance().writeLog(5, "WorldManager::shutDown(): Successfully stopped.");
}

int WorldManager::insertObject(Object* object)
{
    if (!isStarted())
    {
        LogManager& log = LogManager::getInstance();
        log.writeLog(2, "WorldManager::insertObject(): Warning! Not adding Object %d", object->getId());
        log.writeLog(2, "                              because WorldManager not started.");
        return -1;
    }
    return sceneGraph.insertObject(object);
}

int WorldManager::removeObject(Object* object)
{
    return sceneGraph.removeObject(object);
}

int WorldManager::markForDelete(Object* object)
{
    for (ObjectListIterator it(&deletions); !it.isDone(); it.next())
    {
        if (it.currentObject() == object)
        {
            return 0;
        }
    }
    if (deletions.insert(object) == -1)
    {
        LogManager::getInstance().writeLog(
            "WorldManager::markForDelete(): Error! unable to add Object %p to deletions list",
            static_cast<void*>(object));
        return -1;
    }
    return 0;
}

ObjectList WorldManager::getAllObjects(bool includeInactive) const
{
    if (includeInactive)
    {
        return sceneGraph.activeObjects() + sceneGraph.inactiveObjects();
    }
    return sceneGraph.activeObjects();
}

ObjectList WorldManager::objectsOfType(const std::string& typeName)
{
    return sceneGraph.objectsOfType(typeName);
}

void WorldManager::setBoundary(Box newBoundary)
{
    boundary = newBoundary;
    sceneGraph.setBoundary(newBoundary);
}

ObjectList WorldManager::getCollisions(const Object* object, const Vector& where) const
{
    if (sceneGraph.hasSpatialIndex())
    {
        return sceneGraph.solidObjectsIn(getWorldBox(object, where), object);
    }
    return EngineHooks::collisionsLinear(sceneGraph, object, where);
}

ObjectList EngineHooks::collisionsLinear(const SceneGraph& graph, const Object* object, const Vector& where)
{
    // Compares the moved box with every solid object. It is
    // boxIntersectsBox(getWorldBox(object, where), getWorldBox(other)) with the same float
    // arithmetic, written out so that the compiler can keep it inline.
    ObjectList collisions;
    const Box moved = getWorldBox(object, where);
    const float ax = moved.getCorner().getX();
    const float ay = moved.getCorner().getY();
    const float ax1 = ax + moved.getHorizontal();
    const float ay1 = ay + moved.getVertical();
    const ObjectList& solid = graph.solidObjects();
    for (ObjectListIterator it(&solid); !it.isDone(); it.next())
    {
        Object* other = it.currentObject();
        if (other == object)
        {
            continue;
        }
        const Box box = other->getBox();
        const Vector position = other->getPosition();
        const float bx = box.getCorner().getX() + position.getX();
        const float by = box.getCorner().getY() + position.getY();
        const float bx1 = bx + box.getHorizontal();
        const float by1 = by + box.getVertical();
        const bool overlapX = (bx <= ax && ax <= bx1) || (ax <= bx && bx <= ax1);
        const bool overlapY = (by <= ay && ay <= by1) || (ay <= by && by <= ay1);
        if (overlapX && overlapY)
        {
            collisions.insert(other);
        }
    }
    return collisions;
}

void WorldManager::findCollisions(const Object* object, const Vector& where, std::vector<Object*>& out) const
{
    out.clear();
    if (sceneGraph.hasSpatialIndex())
    {
        sceneGraph.collectSolidObjectsIn(getWorldBox(object, where), object, out);
        return;
    }
    const ObjectList linear = EngineHooks::collisionsLinear(sceneGraph, object, where);
    for (ObjectListIterator it(&linear); !it.isDone(); it.next())
    {
        out.push_back(it.currentObject());
    }
}

int WorldManager::moveObject(Object* object, Vector where)
{
    if (object->isSolid())
    {
        // Handlers below may move other objects: each level of nesting has its own lists.
        if (moveDepth == moveLists.size())
        {
            moveLists.emplace_back();
        }
        MoveLists& lists = moveLists[moveDepth];
        struct Nesting
        {
            std::size_t& depth;
            explicit Nesting(std::size_t& level) : depth(++level) {}
            ~Nesting() { --depth; }
            Nesting(const Nesting&) = delete;
            Nesting& operator=(const Nesting&) = delete;
        } nesting(moveDepth);
        std::vector<Object*>& collisions = lists.collisions;
        findCollisions(object, where, collisions);

        if (!collisions.empty() && object->getSolidness() == HARD && object->getAvoidCollisions())
        {
            if (Object* obstacle = firstHard(collisions))
            {
                Vector slide = slideDirection(getNormal(object, obstacle), object->getDirection());
                slide.normalize();
                slide.scale(object->getSpeed());
                const Vector where2 = object->getPosition() + slide;
                findCollisions(object, where2, lists.retry);
                if (firstHard(lists.retry) != nullptr)
                {
                    LogManager::getInstance().writeLog(
                        5, "WorldManager::moveObject(): Double collision. Object (avoid obstacles) cannot move.");
                    return -1;
                }
                collisions.swap(lists.retry);
                where = where2;
            }
        }

        if (!collisions.empty())
        {
            bool move = true;
            for (Object* other : collisions)
            {
                const EventCollision collision(object, other, where);
                object->eventHandler(&collision);
                other->eventHandler(&collision);
                // Read after both handlers: either may have changed a solidness.
                if (object->getSolidness() == HARD && other->getSolidness() == HARD)
                {
                    move = false;
                }
                if (object->getNoSoft() && other->getSolidness() == SOFT)
                {
                    move = false;
                }
            }
            if (!move)
            {
                return -1;
            }
        }
    }

    const Box before = getWorldBox(object);
    object->setPosition(where);
    const Box after = getWorldBox(object);
    if (boxIntersectsBox(before, boundary) && !boxIntersectsBox(after, boundary))
    {
        const EventOut out;
        object->eventHandler(&out);
    }

    if (object == viewFollowing)
    {
        const Vector corner = view.getCorner();
        float cx = corner.getX() + view.getHorizontal() * 0.5f;
        float cy = corner.getY() + view.getVertical() * 0.5f;
        const float hx = viewSlack.getX() * view.getHorizontal() * 0.5f;
        const float hy = viewSlack.getY() * view.getVertical() * 0.5f;
        const Vector p = object->getPosition();
        if (p.getX() < cx - hx)
        {
            cx -= (cx - hx) - p.getX();
        }
        else if (p.getX() > cx + hx)
        {
            cx += p.getX() - (cx + hx);
        }
        if (p.getY() < cy - hy)
        {
            cy -= (cy - hy) - p.getY();
        }
        else if (p.getY() > cy + hy)
        {
            cy += p.getY() - (cy + hy);
        }
        setViewPosition(Vector(cx, cy));
    }
    return 0;
}

void WorldManager::setViewPosition(Vector position)
{
    const float width = view.getHorizontal();
    const float height = view.getVertical();
    float x = position.getX() - width * 0.5f;
    if (x + width > boundary.getHorizontal())
    {
        x = boundary.getHorizontal() - width;
    }
    x = std::max(0.0f, x);
    float y = position.getY() - height * 0.5f;
    if (y + height > boundary.getVertical())
    {
        y = boundary.getVertical() - height;
    }
    y = std::max(0.0f, y);
    view.setCorner(Vector(x, y));
}

void WorldManager::setViewSlack(Vector slack)
{
    if (slack.getX() < 0 || slack.getX() > 1 || slack.getY() < 0 || slack.getY() > 1)
    {
        LogManager::getInstance().writeLog(
            "WorldManager::setViewSlack(): Warning! view slack units out of range [0-1]");
    }
    viewSlack = slack;
}

void WorldManager::update()
{
    // Objects created during the update are not in this copy: they first move next time.
    const ObjectList active = sceneGraph.activeObjects();
    for (ObjectListIterator it(&active); !it.isDone(); it.next())
    {
        Object* object = it.currentObject();
        const Vector next = object->predictPosition();
        if (next != object->getPosition())
        {
            moveObject(object, next);
        }
        object->followPath();
        object->applyAcceleration();
    }

    // The list itself, not a copy: destructors may mark more objects, and this walk must
    // reach them. Entries are never removed during the walk, so an object deleted here and
    // marked again by a later destructor is found already listed and not deleted twice.
    for (ObjectListIterator it(&deletions); !it.isDone(); it.next())
    {
        delete it.currentObject();
    }
    deletions.clear();
}

void WorldManager::draw()
{
    for (int altitude = 0; altitude <= MAX_ALTITUDE; ++altitude)
    {
        const ObjectList visible = sceneGraph.visibleObjects(altitude);
        for (ObjectListIterator it(&visible); !it.isDone(); it.next())
        {
            Object* object = it.currentObject();
            // View objects sit at fixed places in the window, wherever the view is.
            if (boxIntersectsBox(getWorldBox(object), view) || dynamic_cast<ViewObject*>(object) != nullptr)
            {
                object->draw();
            }
        }
    }
}

} // namespace qm
