#ifndef QM_SPATIALGRID_H
#define QM_SPATIALGRID_H

#include <qm/Box.h>
#include <qm/Vector.h>

#include <cstdint>
#include <vector>

namespace qm
{

class Object;

/// A uniform grid of square buckets laid over an area of the world (the boundary), filing
/// the world boxes of the scene graph's solid objects so that a collision search looks at
/// the objects near a box instead of at all of them. The scene graph owns the one grid and
/// keeps it in step with its solid list: every slot of that list is one entry here, and
/// every entry remembers the order in which it was appended, so that a search can return
/// its finds in the list's order. The grid never owns objects.
///
/// A search returns exactly what walking the solid list with boxIntersectsBox would: the
/// bucket ranges only narrow the candidates, and every candidate is then tested with the
/// same float arithmetic. Places outside the area fall into the edge buckets; entries that
/// would cover more than MAX_SPAN buckets, and those with a non-finite coordinate, are kept
/// in one loose list that every search tests in full.
///
/// An object can be filed in one grid only: the grid keeps the place of the object's first
/// entry in the object itself. Coordinates are world spaces. All operations work in place and allocate only when a
/// bucket outgrows its room.
class SpatialGrid
{
public:
    /// Bucket side in spaces, chosen from the world benchmark (see README).
    static constexpr float DEFAULT_BUCKET_SIZE = 6.0f;

    /// Most buckets in the grid; over a large area the buckets grow to keep within it.
    static constexpr int MAX_BUCKETS = 1 << 16;

    /// Most buckets one entry is filed in before it goes to the loose list instead.
    static constexpr int MAX_SPAN = 64;

    /// Most buckets one search visits; a larger box makes search() decline.
    static constexpr int MAX_SEARCH_SPAN = 256;

    /// `orderLimit`: the entries are numbered again from 0 when this many orders have been
    /// handed out (the default, all 32-bit values, is for the engine; tests lower it).
    explicit SpatialGrid(std::uint32_t orderLimit = UINT32_MAX);

    /// Lays the buckets over `area` and re-files every entry. An area with a non-finite or
    /// non-positive extent gets a single bucket (every entry is then a candidate).
    void setArea(const Box& area);

    /// Sets the bucket side in spaces and re-files every entry. Returns -1, changing nothing,
    /// for a value that is not finite and positive.
    int setBucketSize(float spaces);
    float getBucketSize() const { return requestedSize; }

    /// Bucket side actually used (larger than requested when MAX_BUCKETS would be exceeded).
    float getUsedBucketSize() const { return bucketSize; }
    int getColumns() const { return columns; }
    int getRows() const { return rows; }

    /// Files a new entry for `object`, with its current box and position, after all others.
    void append(Object* object);

    /// Removes the earliest entry of `object`; nothing when it has none.
    void removeFirst(Object* object);

    /// Removes every entry of `object`.
    void removeAll(Object* object);

    /// Removes every entry.
    void clear();

    /// Re-files every entry of `object` for `box` (relative) placed at `position`. Objects
    /// without an entry are ignored.
    void place(Object* object, const Vector& position, const Box& box);

    /// Number of entries.
    int getCount() const { return static_cast<int>(entries.size() - freeSlots.size()); }

    /// Appends to `out` every filed object other than `ignore` whose world box overlaps `box`
    /// (world spaces, edges count), in the order of appending; an object filed twice is found
    /// twice. Returns false, leaving `out` alone, when the grid declines: `box` has a
    /// non-finite coordinate or covers more than MAX_SEARCH_SPAN buckets, and the caller
    /// should walk the list instead.
    bool search(const Box& box, const Object* ignore, std::vector<Object*>& out) const;

private:
    struct Entry
    {
        Object* object = nullptr;
        std::uint32_t order = 0;
        // World box: x0 = corner + position, x1 = x0 + extent, as the collision test has it.
        float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        // Bucket range filed in; column0 < 0 for the loose list.
        int column0 = -1, row0 = 0, column1 = -1, row1 = 0;
        int nextOfObject = -1; // the object's next entry, later in order, or -1
    };

    // An entry's copy in each of its buckets: what a search needs, read in sequence from the
    // bucket rather than from the entries scattered in memory. The first bucket of the entry
    // (column0, row0) lets a search report it from one bucket only.
    struct Record
    {
        float x0, y0, x1, y1;
        std::uint32_t order;
        std::uint16_t column0, row0;
        Object* object;
    };

    struct Range
    {
        int column0, row0, column1, row1; // column0 < 0: loose
        bool operator==(const Range& other) const
        {
            return column0 == other.column0 && row0 == other.row0 && column1 == other.column1 && row1 == other.row1;
        }
    };

    struct Found
    {
        std::uint32_t order;
        Object* object;
    };

    int column(float x) const;
    int row(float y) const;
    Range rangeOf(float x0, float y0, float x1, float y1, int limit) const;
    void measure(Entry& entry, const Vector& position, const Box& box) const;
    static Record recordOf(const Entry& entry);
    void file(int slot);
    void unfile(int slot);
    void release(int slot);
    void refileAll();
    void renumber();

    float requestedSize = DEFAULT_BUCKET_SIZE;
    float bucketSize = DEFAULT_BUCKET_SIZE;
    double originX = 0, originY = 0;
    double inverseSize = 1.0 / static_cast<double>(DEFAULT_BUCKET_SIZE);
    int columns = 1, rows = 1;
    Box lastArea;

    std::vector<Entry> entries;
    std::vector<int> freeSlots;
    std::vector<std::vector<Record>> buckets;
    std::vector<int> loose;
    std::uint32_t nextOrder = 0;
    std::uint32_t lastOrder;

    // Scratch of the last search, reused so that searching allocates nothing once warm.
    mutable std::vector<Found> found;
};

} // namespace qm

#endif
