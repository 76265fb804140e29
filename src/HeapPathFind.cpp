#include "PathFindCycle.h"

#include <qm/HeapPathFind.h>
#include <qm/Object.h>
#include <qm/ObjectListIterator.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <algorithm>
#include <new>

namespace qm
{

namespace
{
constexpr std::int8_t UNKNOWN = 0;
constexpr std::int8_t FREE = 1;
constexpr std::int8_t BLOCKED = 2;
// Up to this many solid objects, walking the solid list beats asking the spatial index
// (PathBench: about 115 against 146 ns per expanded cell with nine walls).
constexpr int FEW_SOLID_OBJECTS = 32;

// A world box as the collision search computes it, float for float.
struct Extent
{
    float x0, y0, x1, y1;
};

Extent extentOf(const Box& box, float x, float y)
{
    const float x0 = box.getCorner().getX() + x;
    const float y0 = box.getCorner().getY() + y;
    return Extent{x0, y0, x0 + box.getHorizontal(), y0 + box.getVertical()};
}

// The collision search's overlap test of closed boxes (edges count).
bool overlap(const Extent& a, const Extent& b)
{
    const bool overlapX = (b.x0 <= a.x0 && a.x0 <= b.x1) || (a.x0 <= b.x0 && b.x0 <= a.x1);
    const bool overlapY = (b.y0 <= a.y0 && a.y0 <= b.y1) || (a.y0 <= b.y0 && b.y0 <= a.y1);
    return overlapX && overlapY;
}
} // namespace

HeapPathFind::HeapPathFind(Object* searcher, Cell from, Cell to, Object* touched, int gridWidth, int gridHeight)
    : PathFind(searcher, from, to, touched, gridWidth, gridHeight)
{
    if (!hasNodes())
    {
        return;
    }
    const std::size_t count = static_cast<std::size_t>(getWidth()) * static_cast<std::size_t>(getHeight());
    slot.reset(new (std::nothrow) std::int32_t[count]);
    if (slot == nullptr)
    {
        releaseNodes();
        return;
    }
    std::fill(slot.get(), slot.get() + count, UNSEEN);
}

int HeapPathFind::cycleOnce()
{
    return cycleWith(*this);
}

PathFind::Cell HeapPathFind::takeBestOpen()
{
    const Entry best = heap.front();
    slot[index(best.cell)] = UNSEEN; // closed right after by the algorithm
    const Entry last = heap.back();
    heap.pop_back();
    if (!heap.empty())
    {
        // The hole goes down to a leaf by the smaller child (one comparison a level), and the
        // last entry rises from there: it usually belongs near the bottom anyway.
        const std::size_t count = heap.size();
        std::size_t at = 0;
        for (std::size_t child = 1; child < count; child = 2 * at + 1)
        {
            if (child + 1 < count && before(heap[child + 1], heap[child]))
            {
                ++child;
            }
            place(at, heap[child]);
            at = child;
        }
        place(at, last);
        siftUp(at);
    }
    return best.cell;
}

void HeapPathFind::addOpen(Cell cell)
{
    heap.push_back(Entry{node(cell).estimate, added++, cell});
    place(heap.size() - 1, heap.back());
    siftUp(heap.size() - 1);
}

void HeapPathFind::openImproved(Cell cell)
{
    // The estimate did not grow and the order of addition stays: the entry can only rise.
    const auto at = static_cast<std::size_t>(slot[index(cell)]);
    heap[at].estimate = node(cell).estimate;
    siftUp(at);
}

void HeapPathFind::place(std::size_t at, const Entry& entry)
{
    heap[at] = entry;
    slot[index(entry.cell)] = static_cast<std::int32_t>(at);
}

void HeapPathFind::siftUp(std::size_t at)
{
    const Entry moving = heap[at];
    while (at > 0)
    {
        const std::size_t parent = (at - 1) / 2;
        if (!before(moving, heap[parent]))
        {
            break;
        }
        place(at, heap[parent]);
        at = parent;
    }
    place(at, moving);
}

void HeapPathFind::beginExpansion(Cell current)
{
    around = current;
    std::fill(std::begin(blockedAround), std::end(blockedAround), UNKNOWN);
    // The object's box on the 3 x 3 block, with a cell's margin on every side to stay clear
    // of any rounding: the exact test is made per cell in blocked().
    const Object* self = getObject();
    Extent block = extentOf(self->getBox(), static_cast<float>(current.x), static_cast<float>(current.y));
    block = Extent{block.x0 - 2.0f, block.y0 - 2.0f, block.x1 + 2.0f, block.y1 + 2.0f};
    nearby.clear();
    const SceneGraph& scene = WorldManager::getInstance().getSceneGraph();
    const ObjectList& solid = scene.solidObjects();
    if (solid.getCount() > FEW_SOLID_OBJECTS)
    {
        scene.collectSolidObjectsIn(Box(Vector(block.x0, block.y0), block.x1 - block.x0, block.y1 - block.y0), self,
                                    nearby);
        return;
    }
    // With a handful of solid objects, walking them all is quicker than asking the index,
    // and finds the same objects in the same order.
    for (ObjectListIterator it(&solid); !it.isDone(); it.next())
    {
        Object* other = it.currentObject();
        if (other != self &&
            overlap(block, extentOf(other->getBox(), other->getPosition().getX(), other->getPosition().getY())))
        {
            nearby.push_back(other);
        }
    }
}

bool HeapPathFind::blocked(int x, int y)
{
    const int dx = x - around.x;
    const int dy = y - around.y;
    if (dx < -1 || dx > 1 || dy < -1 || dy > 1)
    {
        return PathFind::blocked(x, y);
    }
    std::int8_t& known = blockedAround[(dy + 1) * 3 + (dx + 1)];
    if (known == UNKNOWN)
    {
        // isBlocked() over the gathered objects: the first HARD one touched decides.
        known = FREE;
        const Extent here = extentOf(getObject()->getBox(), static_cast<float>(x), static_cast<float>(y));
        for (const Object* other : nearby)
        {
            if (other->getSolidness() == HARD &&
                overlap(here, extentOf(other->getBox(), other->getPosition().getX(), other->getPosition().getY())))
            {
                const Cell to = getGoal();
                const bool holdsGoal =
                    boxContainsPosition(getWorldBox(other), Vector(static_cast<float>(to.x), static_cast<float>(to.y)));
                known = holdsGoal ? FREE : BLOCKED;
                break;
            }
        }
    }
    return known == BLOCKED;
}

} // namespace qm
