#include <qm/HeapPathFind.h>

#include <algorithm>
#include <new>

namespace qm
{

namespace
{
constexpr std::int8_t UNKNOWN = 0;
constexpr std::int8_t FREE = 1;
constexpr std::int8_t BLOCKED = 2;
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
    closed.reset(new (std::nothrow) std::uint8_t[count]());
    if (slot == nullptr || closed == nullptr)
    {
        releaseNodes();
        return;
    }
    std::fill(slot.get(), slot.get() + count, -1);
}

PathFind::Cell HeapPathFind::takeBestOpen()
{
    const Entry best = heap.front();
    slot[static_cast<std::size_t>(best.cell)] = -1;
    const Entry last = heap.back();
    heap.pop_back();
    if (!heap.empty())
    {
        place(0, last);
        siftDown(0);
    }
    return Cell{best.cell % getWidth(), best.cell / getWidth()};
}

void HeapPathFind::addOpen(Cell cell)
{
    heap.push_back(Entry{node(cell).estimate, added++, static_cast<std::int32_t>(index(cell))});
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
    slot[static_cast<std::size_t>(entry.cell)] = static_cast<std::int32_t>(at);
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

void HeapPathFind::siftDown(std::size_t at)
{
    const Entry moving = heap[at];
    const std::size_t count = heap.size();
    for (;;)
    {
        std::size_t child = 2 * at + 1;
        if (child >= count)
        {
            break;
        }
        if (child + 1 < count && before(heap[child + 1], heap[child]))
        {
            ++child;
        }
        if (!before(heap[child], moving))
        {
            break;
        }
        place(at, heap[child]);
        at = child;
    }
    place(at, moving);
}

void HeapPathFind::beginExpansion(Cell current)
{
    around = current;
    std::fill(std::begin(blockedAround), std::end(blockedAround), UNKNOWN);
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
        known = PathFind::blocked(x, y) ? BLOCKED : FREE;
    }
    return known == BLOCKED;
}

} // namespace qm
