#include "world/SpatialGrid.h"

#include <qm/Object.h>

#include <algorithm>
#include <cmath>

namespace qm
{

namespace
{
bool finite(float a, float b, float c, float d)
{
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

// Removes one occurrence of `slot`; the order inside a list does not matter, since finds
// are sorted by their entries' order.
void dropFrom(std::vector<int>& list, int slot)
{
    const auto at = std::find(list.begin(), list.end(), slot);
    if (at != list.end())
    {
        *at = list.back();
        list.pop_back();
    }
}
} // namespace

SpatialGrid::SpatialGrid(std::uint32_t orderLimit) : lastOrder(orderLimit)
{
    setArea(Box());
}

void SpatialGrid::setArea(const Box& area)
{
    lastArea = area;
    const float width = area.getHorizontal();
    const float height = area.getVertical();
    const Vector corner = area.getCorner();
    bucketSize = requestedSize;
    if (!finite(width, height, corner.getX(), corner.getY()) || width <= 0 || height <= 0)
    {
        columns = 1;
        rows = 1;
        originX = 0;
        originY = 0;
    }
    else
    {
        double across = std::ceil(static_cast<double>(width) / static_cast<double>(bucketSize));
        double down = std::ceil(static_cast<double>(height) / static_cast<double>(bucketSize));
        while (across * down > MAX_BUCKETS)
        {
            bucketSize *= 2;
            across = std::ceil(static_cast<double>(width) / static_cast<double>(bucketSize));
            down = std::ceil(static_cast<double>(height) / static_cast<double>(bucketSize));
        }
        columns = std::max(1, static_cast<int>(across));
        rows = std::max(1, static_cast<int>(down));
        originX = static_cast<double>(corner.getX());
        originY = static_cast<double>(corner.getY());
    }
    inverseSize = 1.0 / static_cast<double>(bucketSize);
    buckets.assign(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows), std::vector<Record>());
    refileAll();
}

int SpatialGrid::setBucketSize(float spaces)
{
    if (!std::isfinite(spaces) || spaces <= 0)
    {
        return -1;
    }
    requestedSize = spaces;
    setArea(lastArea);
    return 0;
}

// Both index functions are monotone in their argument (the float-to-double conversion, the
// subtraction, the scaling, the clamp and the truncation of a non-negative value all are), so
// two spans that share a point share the bucket of that point: the grid never loses a pair
// that overlaps. Arguments are finite.
int SpatialGrid::column(float x) const
{
    const double at = (static_cast<double>(x) - originX) * inverseSize;
    if (at < 1)
    {
        return 0;
    }
    return at >= columns ? columns - 1 : static_cast<int>(at);
}

int SpatialGrid::row(float y) const
{
    const double at = (static_cast<double>(y) - originY) * inverseSize;
    if (at < 1)
    {
        return 0;
    }
    return at >= rows ? rows - 1 : static_cast<int>(at);
}

// The collision test (edges count) holds on x when x0 lies in the other's [x0, x1] or the
// other's x0 lies in this [x0, x1]; either way the spans [x0, max(x0, x1)] of both share a
// point. So the span, not the box, is what is filed: a negative extent counts as zero.
SpatialGrid::Range SpatialGrid::rangeOf(float x0, float y0, float x1, float y1, int limit) const
{
    if (!finite(x0, y0, x1, y1))
    {
        return Range{-1, 0, -1, 0};
    }
    const Range range{column(x0), row(y0), column(x1 > x0 ? x1 : x0), row(y1 > y0 ? y1 : y0)};
    const long long span = static_cast<long long>(range.column1 - range.column0 + 1) * (range.row1 - range.row0 + 1);
    if (span > limit)
    {
        return Range{-1, 0, -1, 0};
    }
    return range;
}

void SpatialGrid::measure(Entry& entry, const Vector& position, const Box& box) const
{
    entry.x0 = box.getCorner().getX() + position.getX();
    entry.y0 = box.getCorner().getY() + position.getY();
    entry.x1 = entry.x0 + box.getHorizontal();
    entry.y1 = entry.y0 + box.getVertical();
}

SpatialGrid::Record SpatialGrid::recordOf(const Entry& entry)
{
    return Record{entry.x0,
                  entry.y0,
                  entry.x1,
                  entry.y1,
                  entry.order,
                  static_cast<std::uint16_t>(entry.column0),
                  static_cast<std::uint16_t>(entry.row0),
                  entry.object};
}

void SpatialGrid::file(int slot)
{
    Entry& entry = entries[static_cast<std::size_t>(slot)];
    const Range range = rangeOf(entry.x0, entry.y0, entry.x1, entry.y1, MAX_SPAN);
    entry.column0 = range.column0;
    entry.row0 = range.row0;
    entry.column1 = range.column1;
    entry.row1 = range.row1;
    if (range.column0 < 0)
    {
        loose.push_back(slot);
        return;
    }
    const Record record = recordOf(entry);
    for (int y = range.row0; y <= range.row1; ++y)
    {
        for (int x = range.column0; x <= range.column1; ++x)
        {
            buckets[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(x)]
                .push_back(record);
        }
    }
}

void SpatialGrid::unfile(int slot)
{
    const Entry& entry = entries[static_cast<std::size_t>(slot)];
    if (entry.column0 < 0)
    {
        dropFrom(loose, slot);
        return;
    }
    for (int y = entry.row0; y <= entry.row1; ++y)
    {
        for (int x = entry.column0; x <= entry.column1; ++x)
        {
            std::vector<Record>& bucket =
                buckets[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(x)];
            for (Record& record : bucket)
            {
                if (record.order == entry.order)
                {
                    record = bucket.back();
                    bucket.pop_back();
                    break;
                }
            }
        }
    }
}

void SpatialGrid::refileAll()
{
    loose.clear();
    for (std::vector<Record>& bucket : buckets)
    {
        bucket.clear();
    }
    for (std::size_t slot = 0; slot < entries.size(); ++slot)
    {
        if (entries[slot].object != nullptr)
        {
            file(static_cast<int>(slot));
        }
    }
}

void SpatialGrid::append(Object* object)
{
    int slot;
    if (!freeSlots.empty())
    {
        slot = freeSlots.back();
        freeSlots.pop_back();
    }
    else
    {
        slot = static_cast<int>(entries.size());
        entries.emplace_back();
    }
    if (nextOrder >= lastOrder)
    {
        renumber();
    }
    Entry& entry = entries[static_cast<std::size_t>(slot)];
    entry = Entry();
    entry.object = object;
    entry.order = nextOrder++;
    measure(entry, object->getPosition(), object->getBox());
    file(slot);

    if (object->spatialEntry < 0)
    {
        object->spatialEntry = slot;
        return;
    }
    int last = object->spatialEntry;
    while (entries[static_cast<std::size_t>(last)].nextOfObject >= 0)
    {
        last = entries[static_cast<std::size_t>(last)].nextOfObject;
    }
    entries[static_cast<std::size_t>(last)].nextOfObject = slot;
}

// Orders are 32 bits, to keep records small: when they run out, the live entries are
// numbered again from 0 in their order, which keeps their relative order.
void SpatialGrid::renumber()
{
    std::vector<int> live;
    for (std::size_t slot = 0; slot < entries.size(); ++slot)
    {
        if (entries[slot].object != nullptr)
        {
            live.push_back(static_cast<int>(slot));
        }
    }
    std::sort(live.begin(), live.end(),
              [this](int a, int b)
              { return entries[static_cast<std::size_t>(a)].order < entries[static_cast<std::size_t>(b)].order; });
    nextOrder = 0;
    for (const int slot : live)
    {
        entries[static_cast<std::size_t>(slot)].order = nextOrder++;
    }
    refileAll();
}

void SpatialGrid::release(int slot)
{
    entries[static_cast<std::size_t>(slot)] = Entry();
    freeSlots.push_back(slot);
}

void SpatialGrid::removeFirst(Object* object)
{
    const int slot = object->spatialEntry;
    if (slot < 0)
    {
        return;
    }
    object->spatialEntry = entries[static_cast<std::size_t>(slot)].nextOfObject;
    unfile(slot);
    release(slot);
}

void SpatialGrid::removeAll(Object* object)
{
    while (object->spatialEntry >= 0)
    {
        removeFirst(object);
    }
}

void SpatialGrid::clear()
{
    for (const Entry& entry : entries)
    {
        if (entry.object != nullptr)
        {
            entry.object->spatialEntry = -1;
        }
    }
    entries.clear();
    freeSlots.clear();
    loose.clear();
    for (std::vector<Record>& bucket : buckets)
    {
        bucket.clear();
    }
}

void SpatialGrid::place(Object* object, const Vector& position, const Box& box)
{
    for (int slot = object->spatialEntry; slot >= 0; slot = entries[static_cast<std::size_t>(slot)].nextOfObject)
    {
        Entry& entry = entries[static_cast<std::size_t>(slot)];
        measure(entry, position, box);
        const Range range = rangeOf(entry.x0, entry.y0, entry.x1, entry.y1, MAX_SPAN);
        if (!(range == Range{entry.column0, entry.row0, entry.column1, entry.row1}))
        {
            unfile(slot);
            file(slot);
            continue;
        }
        // Most moves stay within the same buckets: then only the copies of the box change.
        if (range.column0 < 0)
        {
            continue;
        }
        for (int y = range.row0; y <= range.row1; ++y)
        {
            for (int x = range.column0; x <= range.column1; ++x)
            {
                for (Record& record : buckets[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) +
                                              static_cast<std::size_t>(x)])
                {
                    if (record.order == entry.order)
                    {
                        record.x0 = entry.x0;
                        record.y0 = entry.y0;
                        record.x1 = entry.x1;
                        record.y1 = entry.y1;
                        break;
                    }
                }
            }
        }
    }
}

bool SpatialGrid::search(const Box& box, const Object* ignore, std::vector<Object*>& out) const
{
    const float ax = box.getCorner().getX();
    const float ay = box.getCorner().getY();
    const float ax1 = ax + box.getHorizontal();
    const float ay1 = ay + box.getVertical();
    const Range range = rangeOf(ax, ay, ax1, ay1, MAX_SEARCH_SPAN);
    if (range.column0 < 0)
    {
        return false;
    }
    found.clear();
    // The buckets' records are scattered in memory: asking for all of them first lets their
    // cache misses overlap instead of following one another.
    for (int y = range.row0; y <= range.row1; ++y)
    {
        for (int x = range.column0; x <= range.column1; ++x)
        {
            __builtin_prefetch(
                buckets[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(x)]
                    .data());
        }
    }
    for (int y = range.row0; y <= range.row1; ++y)
    {
        for (int x = range.column0; x <= range.column1; ++x)
        {
            for (const Record& record :
                 buckets[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns) + static_cast<std::size_t>(x)])
            {
                // The very test of the linear search, on the same floats, written with & and |
                // rather than && and || so that it compiles without branches on the data.
                const bool overlapX =
                    ((record.x0 <= ax) & (ax <= record.x1)) | ((ax <= record.x0) & (record.x0 <= ax1));
                const bool overlapY =
                    ((record.y0 <= ay) & (ay <= record.y1)) | ((ay <= record.y0) & (record.y0 <= ay1));
                // An entry in several of the visited buckets is reported from the first of
                // them only: the one at its own first column and row, or the search's.
                const int firstColumn = std::max<int>(record.column0, range.column0);
                const int firstRow = std::max<int>(record.row0, range.row0);
                const bool first = (x == firstColumn) & (y == firstRow);
                if (overlapX & overlapY & first & (record.object != ignore))
                {
                    found.push_back(Found{record.order, record.object});
                }
            }
        }
    }
    for (const int slot : loose)
    {
        const Entry& entry = entries[static_cast<std::size_t>(slot)];
        const bool overlapX = (entry.x0 <= ax && ax <= entry.x1) || (ax <= entry.x0 && entry.x0 <= ax1);
        const bool overlapY = (entry.y0 <= ay && ay <= entry.y1) || (ay <= entry.y0 && entry.y0 <= ay1);
        if (overlapX && overlapY && entry.object != ignore)
        {
            found.push_back(Found{entry.order, entry.object});
        }
    }
    // Usually a handful, for which insertion sort beats std::sort.
    if (found.size() > 32)
    {
        std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.order < b.order; });
    }
    for (std::size_t i = 1; i < found.size() && found.size() <= 32; ++i)
    {
        const Found moving = found[i];
        std::size_t j = i;
        for (; j > 0 && found[j - 1].order > moving.order; --j)
        {
            found[j] = found[j - 1];
        }
        found[j] = moving;
    }
    for (const Found& hit : found)
    {
        out.push_back(hit.object);
    }
    return true;
}

} // namespace qm
