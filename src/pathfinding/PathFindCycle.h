// The search algorithm shared by PathFind and its replacements: one definition, so that every
// search expands the same cells in the same order and adds up exactly the same costs.
#ifndef QM_SRC_PATHFINDCYCLE_H
#define QM_SRC_PATHFINDCYCLE_H

#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/PathFind.h>
#include <qm/utility.h>

#include <cmath>

namespace qm
{

namespace pathcycle
{
// Distances are taken in double and stored as float.
inline float straightLine(double dx, double dy)
{
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}
// The length of a diagonal step: the square root of 2 in double, stored as float (sqrt is
// exact to the last bit, so this is what straightLine(1, 1) gives).
constexpr float DIAGONAL_STEP = static_cast<float>(1.4142135623730951);
} // namespace pathcycle

template <class Search> int PathFind::cycleWith(Search& self)
{
    if (nodes == nullptr)
    {
        LogManager::getInstance().writeLog("PathFind::cycleOnce(): node graph not allocated.  Cannot find path.");
        return 0;
    }
    if (!inGrid(start.x, start.y))
    {
        // Expanding it would read a node outside the grid.
        LogManager::getInstance().writeLog(
            "PathFind::cycleOnce(): start (%d,%d) outside the %d x %d grid.  Cannot find path.", start.x, start.y,
            width, height);
        return 0;
    }
    if (found)
    {
        // Going on would pop further cells and, with a target, could move the goal the path
        // was built to.
        return 2;
    }

    // The open list is empty only on the first call, or after a call that returned 0: the
    // start is then expanded again, which picks up neighbours freed since.
    const Cell current = self.Search::openEmpty() ? start : self.Search::takeBestOpen();
    if (!self.Search::isClosed(current))
    {
        self.Search::addClosed(current);
    }
    if (current == goal)
    {
        found = true;
    }
    if (target != nullptr)
    {
        const Box here = getWorldBox(object, Vector(static_cast<float>(current.x), static_cast<float>(current.y)));
        const Box there = getWorldBox(target, Vector(static_cast<float>(goal.x), static_cast<float>(goal.y)));
        if (boxIntersectsBox(here, there))
        {
            found = true;
            goal = current;
        }
    }
    if (found)
    {
        return 2;
    }

    self.Search::beginExpansion(current);
    const float currentCost = node(current).cost;
    for (int dy = -1; dy <= 1; ++dy)
    {
        for (int dx = -1; dx <= 1; ++dx)
        {
            if (dx == 0 && dy == 0)
            {
                continue;
            }
            const Cell next{current.x + dx, current.y + dy};
            if (!inGrid(next.x, next.y) || self.Search::isClosed(next) || self.blocked(next.x, next.y))
            {
                continue;
            }
            // No squeezing diagonally between two blocked cells; one blocked side is allowed.
            if (dx != 0 && dy != 0 && self.blocked(current.x + dx, current.y) &&
                self.blocked(current.x, current.y + dy))
            {
                continue;
            }
            const float newCost = (dx != 0 && dy != 0 ? pathcycle::DIAGONAL_STEP : 1.0f) + currentCost;
            const bool open = self.Search::isOpen(next);
            Node& n = node(next);
            if (open && newCost > n.cost)
            {
                continue;
            }
            n.parent = current;
            n.cost = newCost;
            n.estimate = newCost + pathcycle::straightLine(static_cast<double>(next.x) - goal.x,
                                                           static_cast<double>(next.y) - goal.y);
            if (open)
            {
                self.Search::openImproved(next);
            }
            else
            {
                self.Search::addOpen(next);
            }
        }
    }
    return self.Search::openEmpty() ? 0 : 1;
}

} // namespace qm

#endif
