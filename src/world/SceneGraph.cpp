#include "core/EngineHooks.h"
#include "world/SpatialGrid.h"

#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/ObjectListIterator.h>
#include <qm/SceneGraph.h>
#include <qm/utility.h>

namespace qm
{

namespace
{
bool altitudeInRange(int altitude)
{
    return valueInRange(static_cast<float>(altitude), 0, MAX_ALTITUDE);
}

// During shut-down objects leave their lists in deletion order, so some removals are
// expected to fail; those complaints are silenced while the game is over.
bool gameOver()
{
    return GameManager::getInstance().getGameOver();
}
} // namespace

SceneGraph::SceneGraph() : grid(std::make_unique<SpatialGrid>()) {}

SceneGraph::~SceneGraph() = default;

int SceneGraph::startUp()
{
    typeMap.clear();
    LogManager::getInstance().writeLog(1, "Scenegraph configuration: SIMPLE");
    return 0;
}

void SceneGraph::shutDown()
{
    typeMap.clear();
}

ObjectList SceneGraph::visibleObjects(int altitude) const
{
    if (!altitudeInRange(altitude))
    {
        LogManager::getInstance().writeLog("SceneGraph::visibleObjects(): Warning! altitude %d not in [%d,%d].",
                                           altitude, 0, MAX_ALTITUDE);
        return ObjectList();
    }
    return visibleList[altitude];
}

ObjectList SceneGraph::objectsOfType(const std::string& type)
{
    return typeMap[type];
}

int SceneGraph::updatePosition(Object* object, const Vector& position)
{
    if (object->isSolid())
    {
        ++solidChanges;
    }
    if (indexed)
    {
        grid->place(object, position, object->getBox());
    }
    return 0;
}

int SceneGraph::updateBox(Object* object, const Box& box)
{
    if (object->isSolid())
    {
        ++solidChanges;
    }
    if (indexed)
    {
        grid->place(object, object->getPosition(), box);
    }
    return 0;
}

void SceneGraph::setBoundary(const Box& boundary)
{
    ++solidChanges;
    grid->setArea(boundary);
}

void SceneGraph::setSpatialIndex(bool on)
{
    if (on == indexed)
    {
        return;
    }
    indexed = on;
    ++solidChanges;
    grid->clear();
    if (on)
    {
        for (ObjectListIterator it(&solidList); !it.isDone(); it.next())
        {
            grid->append(it.currentObject());
        }
    }
}

const SpatialGrid* EngineHooks::spatialGrid(const SceneGraph& graph)
{
    return graph.indexed ? graph.grid.get() : nullptr;
}

int SceneGraph::setBucketSize(float spaces)
{
    return grid->setBucketSize(spaces);
}

float SceneGraph::getBucketSize() const
{
    return grid->getBucketSize();
}

ObjectList SceneGraph::solidObjectsIn(const Box& box, const Object* ignore) const
{
    std::vector<Object*> found;
    collectSolidObjectsIn(box, ignore, found);
    ObjectList result;
    for (Object* object : found)
    {
        result.insert(object);
    }
    return result;
}

void SceneGraph::collectSolidObjectsIn(const Box& box, const Object* ignore, std::vector<Object*>& out) const
{
    if (indexed && grid->search(box, ignore, out))
    {
        return;
    }
    for (ObjectListIterator it(&solidList); !it.isDone(); it.next())
    {
        Object* other = it.currentObject();
        if (other != ignore && boxIntersectsBox(box, getWorldBox(other)))
        {
            out.push_back(other);
        }
    }
}

Object* SceneGraph::firstHardObjectIn(const Box& box, const Object* ignore) const
{
    hardScratch.clear();
    if (indexed && grid->search(box, ignore, hardScratch))
    {
        for (Object* object : hardScratch)
        {
            if (object->getSolidness() == HARD)
            {
                return object;
            }
        }
        return nullptr;
    }
    for (ObjectListIterator it(&solidList); !it.isDone(); it.next())
    {
        Object* other = it.currentObject();
        if (other != ignore && other->getSolidness() == HARD && boxIntersectsBox(box, getWorldBox(other)))
        {
            return other;
        }
    }
    return nullptr;
}

int SceneGraph::insertSolid(Object* object)
{
    ++solidChanges;
    if (solidList.insert(object) == -1)
    {
        return -1;
    }
    if (indexed)
    {
        grid->append(object);
    }
    return 0;
}

int SceneGraph::removeSolid(Object* object)
{
    ++solidChanges;
    if (solidList.remove(object) == -1)
    {
        return -1;
    }
    if (indexed)
    {
        grid->removeFirst(object);
    }
    return 0;
}

int SceneGraph::insertObject(Object* object)
{
    LogManager& log = LogManager::getInstance();
    if (!object->isActive())
    {
        return inactiveList.insert(object);
    }
    if (objects.insert(object) == -1)
    {
        log.writeLog("SceneGraph::insertObject(): Error! unable to insert active Object (id %d)", object->getId());
        return -1;
    }
    if (typeMap[object->getType()].insert(object) == -1)
    {
        log.writeLog("SceneGraph::insertObject(): Error! unable to insert Object (id %d) into type map",
                     object->getId());
        return -1;
    }
    if (object->isSolid() && insertSolid(object) == -1)
    {
        log.writeLog("SceneGraph::insertObject(): Error! unable to insert solid Object (id %d)", object->getId());
        return -1;
    }
    if (object->isVisible())
    {
        const int altitude = object->getAltitude();
        if (!altitudeInRange(altitude))
        {
            log.writeLog("SceneGraph::insertObject(): Warning! Altitude %d not in range [%d,%d]", altitude, 0,
                         MAX_ALTITUDE);
            return -1;
        }
        if (visibleList[altitude].insert(object) == -1)
        {
            log.writeLog("SceneGraph::insertObject(): Error! unable to insert visible object (id %d)", object->getId());
            return -1;
        }
    }
    return 0;
}

int SceneGraph::removeObject(Object* object)
{
    bool failed = false;
    if (object->isActive())
    {
        failed |= objects.remove(object) == -1;
        failed |= typeMap[object->getType()].remove(object) == -1;
        if (object->isVisible())
        {
            const int altitude = object->getAltitude();
            failed |= !altitudeInRange(altitude) || visibleList[altitude].remove(object) == -1;
        }
        if (object->isSolid())
        {
            failed |= removeSolid(object) == -1;
        }
    }
    else
    {
        failed |= inactiveList.remove(object) == -1;
    }
    if (failed)
    {
        LogManager::getInstance().writeLog("SceneGraph::removeObject(): Error removing Object (id %d)! Pointer is %p.",
                                           object->getId(), static_cast<void*>(object));
        // The lists disagree with the object's state (a failed update left it elsewhere).
        // Its destructor calls this, so no list may keep the address: the world would
        // later walk it, or delete it again at shut-down.
        purge(object);
        return -1;
    }
    return 0;
}

void SceneGraph::purge(Object* object)
{
    auto drop = [object](ObjectList& list)
    {
        while (list.remove(object) == 0)
        {
        }
    };
    drop(objects);
    ++solidChanges;
    drop(solidList);
    grid->removeAll(object);
    for (ObjectList& list : visibleList)
    {
        drop(list);
    }
    drop(inactiveList);
    for (auto& entry : typeMap)
    {
        drop(entry.second);
    }
}

int SceneGraph::updateActive(Object* object, bool active)
{
    if (active == object->isActive())
    {
        return 0;
    }
    LogManager& log = LogManager::getInstance();
    const std::string type = object->getType();
    const bool silent = gameOver();
    bool failed = false;
    // Each step is attempted even after an earlier one failed, so that as many lists as
    // possible end up right; a failure hidden by game over does not count.
    auto check = [&](bool ok, const char* what, const char* list)
    {
        if (!ok && !silent)
        {
            log.writeLog("SceneGraph::updateActive(): %s (%s) failed for %s!", what, type.c_str(), list);
            failed = true;
        }
    };

    const int altitude = object->getAltitude();
    const bool altitudeOk = altitudeInRange(altitude);
    if (!active)
    {
        check(objects.remove(object) == 0, "remove object", "objects");
        if (typeMap[type].remove(object) == -1)
        {
            failed = true;
        }
        if (object->isVisible())
        {
            check(altitudeOk && visibleList[altitude].remove(object) == 0, "remove visible object", "visible_objects");
        }
        if (object->isSolid())
        {
            check(removeSolid(object) == 0, "remove object", "solid_objects");
        }
        check(inactiveList.insert(object) == 0, "insert object", "inactive_objects");
    }
    else
    {
        check(objects.insert(object) == 0, "insert Object", "objects");
        if (typeMap[type].insert(object) == -1)
        {
            log.writeLog("SceneGraph::updateActive(): Error! insert Object (%s) failed for type map!", type.c_str());
            return -1;
        }
        if (object->isVisible())
        {
            check(altitudeOk && visibleList[altitude].insert(object) == 0, "insert Object", "visible_objects");
        }
        if (object->isSolid())
        {
            check(insertSolid(object) == 0, "insert object", "solid_objects");
        }
        check(inactiveList.remove(object) == 0, "remove object", "inactive_objects");
    }
    return failed ? -1 : 0;
}

int SceneGraph::updateAltitude(Object* object, int altitude)
{
    if (!object->isActive())
    {
        return 0;
    }
    LogManager& log = LogManager::getInstance();
    if (!altitudeInRange(altitude))
    {
        log.writeLog("SceneGraph::updateAltitude(): New altitude %d not in [%d,%d]!  No update.", altitude, 0,
                     MAX_ALTITUDE);
        return -1;
    }
    const int old = object->getAltitude();
    if (!altitudeInRange(old))
    {
        log.writeLog("SceneGraph::updateAltitude(): Old altitude %d not in [%d,%d]! This is unxepected. No update.",
                     old, 0, MAX_ALTITUDE);
        return -1;
    }
    if (object->isVisible())
    {
        if (visibleList[old].remove(object) == -1 && !gameOver())
        {
            log.writeLog("SceneGraph::updateAltitude(): remove from old altitude (%d) failed!", old);
            return -1;
        }
        if (visibleList[altitude].insert(object) == -1)
        {
            log.writeLog("SceneGraph::updateAltitude()): insert visible object at altitude %d failed!", altitude);
            return -1;
        }
    }
    return 0;
}

int SceneGraph::updateSolidness(Object* object, Solidness solidness)
{
    if (!object->isActive())
    {
        return 0;
    }
    // HARD and SOFT objects stay in the solid list between the two, but only HARD ones block.
    ++solidChanges;
    const bool willBeSolid = solidness == HARD || solidness == SOFT;
    if (object->isSolid() && solidness == SPECTRAL)
    {
        // A solid object missing from the solid list is already where it should end up.
        if (removeSolid(object) == -1 && !gameOver())
        {
            LogManager::getInstance().writeLog("SceneGraph::updateSolidness(): unable to remove solid object (%s)",
                                               object->getType().c_str());
        }
    }
    if (!object->isSolid() && willBeSolid)
    {
        if (insertSolid(object) == -1 && !gameOver())
        {
            LogManager::getInstance().writeLog("SceneGraph::updateSolidness(): Error! unable to insert solid object");
            return -1;
        }
    }
    return 0;
}

int SceneGraph::updateVisible(Object* object, bool visible)
{
    if (!object->isActive() || visible == object->isVisible())
    {
        return 0;
    }
    const int altitude = object->getAltitude();
    const bool altitudeOk = altitudeInRange(altitude);
    LogManager& log = LogManager::getInstance();
    if (!visible)
    {
        if (!(altitudeOk && visibleList[altitude].remove(object) == 0) && !gameOver())
        {
            log.writeLog("SceneGraph::updateVisible(): unable to remove visible object (%s)",
                         object->getType().c_str());
            return -1;
        }
    }
    else if (!(altitudeOk && visibleList[altitude].insert(object) == 0) && !gameOver())
    {
        log.writeLog("SceneGraph::updateVisible(): unable to add visible object (%s)", object->getType().c_str());
        return -1;
    }
    return 0;
}

int SceneGraph::updateType(Object* object, const std::string& type)
{
    LogManager& log = LogManager::getInstance();
    const std::string old = object->getType();
    if (typeMap[old].remove(object) == -1)
    {
        log.writeLog("SceneGraph::updateType(): Error! Unable to remove Object (%d) type %s", object->getId(),
                     old.c_str());
        return -1;
    }
    if (typeMap[type].insert(object) == -1)
    {
        log.writeLog("SceneGraph::updateType(): Error! Unable to insert Object (%d) type %s", object->getId(),
                     type.c_str());
        return -1;
    }
    return 0;
}

} // namespace qm
