#include <qm/Clock.h>
#include <qm/EventPath.h>
#include <qm/GameManager.h>
#include <qm/HeapPathFind.h>
#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/PathManager.h>
#include <qm/WorldManager.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace qm
{

namespace
{
// The nearest cell to a world coordinate; false when there is none (not finite, or beyond
// the range of a cell coordinate), since converting such a float to int is undefined.
bool toCell(float value, int& cell)
{
    const double rounded = std::floor(static_cast<double>(value) + 0.5);
    if (!std::isfinite(rounded) || rounded < -2147483648.0 || rounded > 2147483647.0)
    {
        return false;
    }
    cell = static_cast<int>(rounded);
    return true;
}

bool toCell(const Vector& position, PathFind::Cell& cell)
{
    return toCell(position.getX(), cell.x) && toCell(position.getY(), cell.y);
}

// The grid of the world boundary, truncated to whole cells; false (logged) when it has no
// cell or more than a search may allocate.
bool gridOfBoundary(int& width, int& height)
{
    const Box boundary = WorldManager::getInstance().getBoundary();
    const float w = boundary.getHorizontal();
    const float h = boundary.getVertical();
    const bool sane = std::isfinite(w) && std::isfinite(h) && w >= 1.0f && h >= 1.0f &&
                      static_cast<double>(std::trunc(w)) * std::trunc(h) <= static_cast<double>(MAX_PATH_CELLS);
    if (!sane)
    {
        LogManager::getInstance().writeLog(
            "PathManager::startSearch(): Error! world boundary %g x %g gives no grid of 1 to %lld cells.",
            static_cast<double>(w), static_cast<double>(h), MAX_PATH_CELLS);
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}
} // namespace

PathManager::PathManager()
{
    setType("PathManager");
}

PathManager::~PathManager() = default;

PathManager& PathManager::getInstance()
{
    static PathManager instance;
    return instance;
}

int PathManager::startUp()
{
    LogManager& log = LogManager::getInstance();
    if (isStarted())
    {
        log.writeLog("PathManager::startup(): already started.");
        return 0;
    }
    minCycleTime = GameManager::getInstance().getFrameTime() / 10;
    Manager::startUp();
    log.writeLog(5, "PathManager::startUp(): successfully started.");
    return 0;
}

void PathManager::shutDown()
{
    // The searches stay listed: each belongs to its object, whose deletion by the world
    // (stopped next) removes it.
    Manager::shutDown();
    LogManager::getInstance().writeLog(5, "PathManager::shutDown(): successfully stopped.");
}

int PathManager::startSearch(Object* object, Vector goal)
{
    LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("PathManager::startSearch(): %s not started!", getType().c_str());
        return -1;
    }
    if (object == nullptr)
    {
        log.writeLog("PathManager::startSearch(): Error! no object to search for.");
        return -1;
    }
    PathFind::Cell to;
    if (!toCell(goal, to))
    {
        log.writeLog("PathManager::startSearch(): Error! goal (%g,%g) is not a cell.", static_cast<double>(goal.getX()),
                     static_cast<double>(goal.getY()));
        return -1;
    }
    return startSearchTo(object, to, nullptr);
}

int PathManager::startSearch(Object* object, Object* target)
{
    LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("PathManager::startSearch(): %s not started!", getType().c_str());
        return -1;
    }
    if (object == nullptr || target == nullptr)
    {
        log.writeLog("PathManager::startSearch(): Error! no %s.",
                     object == nullptr ? "object to search for" : "target");
        return -1;
    }
    PathFind::Cell to;
    if (!toCell(target->getPosition(), to))
    {
        log.writeLog("PathManager::startSearch(): Error! target %d is at no cell.", target->getId());
        return -1;
    }
    return startSearchTo(object, to, target);
}

int PathManager::startSearchTo(Object* object, PathFind::Cell goal, Object* target)
{
    LogManager& log = LogManager::getInstance();
    int width = 0;
    int height = 0;
    if (!gridOfBoundary(width, height))
    {
        return -1;
    }
    PathFind::Cell from;
    if (!toCell(object->getPosition(), from) || from.x < 0 || from.y < 0 || from.x >= width || from.y >= height)
    {
        log.writeLog("PathManager::startSearch(): Error! object %d at (%g,%g) is outside the %d x %d grid.",
                     object->getId(), static_cast<double>(object->getPosition().getX()),
                     static_cast<double>(object->getPosition().getY()), width, height);
        return -1;
    }
    auto* search = new (std::nothrow) HeapPathFind(object, from, goal, target, width, height);
    if (search == nullptr || !search->hasNodes())
    {
        log.writeLog("PathManager::startSearch(): Error! no memory for a %d x %d search.", width, height);
        delete search;
        return -1;
    }
    return startSearch(search);
}

int PathManager::startSearch(PathFind* search)
{
    LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("PathManager::startSearch(): %s not started!", getType().c_str());
        delete search;
        return -1;
    }
    if (search == nullptr || search->getObject() == nullptr)
    {
        log.writeLog("PathManager::startSearch(): Error! no search or no object to search for.");
        delete search;
        return -1;
    }
    searches.push_back(search);
    // After listing, so that the replaced search (if any) is unlisted and deleted and this
    // one stays.
    search->getObject()->setPathSearch(search);
    return 0;
}

int PathManager::removeSearch(PathFind* search)
{
    if (search == nullptr)
    {
        return -1;
    }
    const auto end = std::remove(searches.begin(), searches.end(), search);
    if (end == searches.end())
    {
        return -1;
    }
    searches.erase(end, searches.end());
    return 0;
}

void PathManager::forgetTarget(const Object* object)
{
    for (PathFind* search : searches)
    {
        if (search->getTarget() == object)
        {
            search->dropTarget();
        }
    }
}

void PathManager::cycle(int limit)
{
    if (!isStarted())
    {
        return;
    }
    limit = std::max(limit, minCycleTime);
    const Clock clock;
    const auto elapsed = [&clock] { return clock.split() / 1000; };
    // The first pass always runs: under a 10 ms frame the least cycle time is 0 and the
    // budget often 0 too, and searches must still advance.
    for (bool first = true; !searches.empty(); first = false)
    {
        if (!first && elapsed() >= limit)
        {
            break;
        }
        // The length is read afresh: handlers remove (and may add) searches during a pass.
        for (std::size_t i = 0; i < searches.size(); ++i)
        {
            PathFind* search = searches[i];
            int status = 0;
            Path path;
            try
            {
                status = search->cycleOnce();
                if (status == 2)
                {
                    path = search->buildPath();
                }
            }
            catch (const std::bad_alloc&)
            {
                // The open list grows with the grid: without memory the search ends, unanswered.
                LogManager::getInstance().writeLog(
                    "PathManager::cycle(): Error! no memory to go on with the search of object %d. No path.",
                    search->getObject()->getId());
                status = 0;
                path = Path();
            }
            if (status == 0 || status == 2)
            {
                const EventPath event(status, path);
                // The handler usually removes and deletes the search: it is not touched after.
                search->getObject()->eventHandler(&event);
            }
            if (elapsed() > limit)
            {
                break;
            }
        }
    }
    if (elapsed() > limit)
    {
        LogManager::getInstance().writeLog(5, "PathManager::cycle(): cycle time %d exceeded.", limit);
    }
}

} // namespace qm
