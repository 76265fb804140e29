#include "pathfinding/HeapPathFind.h"

#include "core/EngineHooks.h"
#include "pathfinding/PathFindCycle.h"

#include <qm/Object.h>
#include <qm/ObjectListIterator.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace qm
{

namespace
{
// Up to this many solid objects, a copy of the HARD ones is tested cell by cell; with more,
// the spatial index is asked about each cell (PathBench: with 6 walls the copy takes about
// 70 against 90 ns an expanded cell, with 42 solid objects about 140 against 108 ns).
constexpr int FEW_SOLID_OBJECTS = 24;

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
    state.reset(new (std::nothrow) CellState[count]);
    if (state == nullptr)
    {
        releaseNodes();
        return;
    }
    std::fill(state.get(), state.get() + count, CellState{UNSEEN, 0});
    seenChanges = EngineHooks::solidChangeCount(WorldManager::getInstance().getSceneGraph());
    seenBox = getObject()->getBox();
    seenGoal = getGoal();
}

int HeapPathFind::cycleOnce()
{
    return cycleWith(*this);
}

std::uint64_t HeapPathFind::keyOf(float estimate, std::uint32_t order)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &estimate, sizeof bits);
    return (static_cast<std::uint64_t>(bits) << 32) | (UINT32_MAX - order);
}

PathFind::Cell HeapPathFind::takeBestOpen()
{
    const Entry best = heap.front();
    state[index(best.cell)].slot = UNSEEN; // closed right after by the algorithm
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
            if (child + 1 < count && heap[child + 1].key < heap[child].key)
            {
                ++child;
            }
            place(at, heap[child]);
            at = child;
        }
        siftUp(at, last);
    }
    return best.cell;
}

void HeapPathFind::addOpen(Cell cell)
{
    const Entry entry{keyOf(node(cell).estimate, added++), cell};
    heap.push_back(entry);
    siftUp(heap.size() - 1, entry);
}

void HeapPathFind::openImproved(Cell cell)
{
    // The estimate did not grow and the order of addition stays: the entry can only rise.
    const auto at = static_cast<std::size_t>(state[index(cell)].slot);
    const std::uint64_t order = heap[at].key & UINT32_MAX;
    std::uint32_t bits = 0;
    const float estimate = node(cell).estimate;
    std::memcpy(&bits, &estimate, sizeof bits);
    siftUp(at, Entry{(static_cast<std::uint64_t>(bits) << 32) | order, cell});
}

void HeapPathFind::place(std::size_t at, const Entry& entry)
{
    heap[at] = entry;
    state[index(entry.cell)].slot = static_cast<std::int32_t>(at);
}

void HeapPathFind::siftUp(std::size_t at, const Entry moving)
{
    // `moving` comes by value rather than being read back from heap[at], which the caller
    // has often only just written.
    while (at > 0)
    {
        const std::size_t parent = (at - 1) / 2;
        if (!(moving.key < heap[parent].key))
        {
            break;
        }
        place(at, heap[parent]);
        at = parent;
    }
    place(at, moving);
}

void HeapPathFind::beginExpansion(Cell)
{
    const std::uint64_t changes = EngineHooks::solidChangeCount(WorldManager::getInstance().getSceneGraph());
    const Box box = getObject()->getBox();
    if (changes == seenChanges && box == seenBox && getGoal() == seenGoal)
    {
        return;
    }
    seenChanges = changes;
    copied = false;
    seenBox = box;
    seenGoal = getGoal();
    if (++epoch > UINT32_MAX >> 1)
    {
        // Out of epochs (after two thousand million changes): forget every answer by hand.
        const std::size_t count = static_cast<std::size_t>(getWidth()) * static_cast<std::size_t>(getHeight());
        for (std::size_t i = 0; i < count; ++i)
        {
            state[i].known = 0;
        }
        epoch = 1;
    }
}

bool HeapPathFind::blocked(int x, int y)
{
    CellState& cell =
        state[static_cast<std::size_t>(y) * static_cast<std::size_t>(getWidth()) + static_cast<std::size_t>(x)];
    if (cell.known >> 1 == epoch)
    {
        return (cell.known & 1) != 0;
    }
    const bool answer = findBlocked(x, y);
    cell.known = (epoch << 1) | (answer ? 1 : 0);
    return answer;
}

void HeapPathFind::copyHardObjects()
{
    copied = true;
    hard.clear();
    const ObjectList& solid = WorldManager::getInstance().getSceneGraph().solidObjects();
    few = solid.getCount() <= FEW_SOLID_OBJECTS;
    if (!few)
    {
        return;
    }
    const Object* self = getObject();
    const Vector goalPoint(static_cast<float>(seenGoal.x), static_cast<float>(seenGoal.y));
    for (ObjectListIterator it(&solid); !it.isDone(); it.next())
    {
        const Object* other = it.currentObject();
        if (other != self && other->getSolidness() == HARD)
        {
            const Extent e = extentOf(other->getBox(), other->getPosition().getX(), other->getPosition().getY());
            hard.push_back(HardBox{e.x0, e.y0, e.x1, e.y1, boxContainsPosition(getWorldBox(other), goalPoint)});
        }
    }
}

bool HeapPathFind::findBlocked(int x, int y)
{
    if (!copied)
    {
        copyHardObjects();
    }
    if (few)
    {
        // isBlocked() over the copy: the first HARD object touched decides.
        const Extent here = extentOf(seenBox, static_cast<float>(x), static_cast<float>(y));
        for (const HardBox& other : hard)
        {
            if (overlap(here, Extent{other.x0, other.y0, other.x1, other.y1}))
            {
                return !other.holdsGoal;
            }
        }
        return false;
    }
    // isBlocked() through the spatial index: the first HARD object touched decides.
    const Extent here = extentOf(seenBox, static_cast<float>(x), static_cast<float>(y));
    const Object* first = WorldManager::getInstance().getSceneGraph().firstHardObjectIn(
        Box(Vector(here.x0, here.y0), seenBox.getHorizontal(), seenBox.getVertical()), getObject());
    return first != nullptr && !boxContainsPosition(getWorldBox(first), Vector(static_cast<float>(seenGoal.x),
                                                                               static_cast<float>(seenGoal.y)));
}

} // namespace qm
