#ifndef QM_HEAPPATHFIND_H
#define QM_HEAPPATHFIND_H

#include <qm/PathFind.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace qm
{

/// The path search the engine runs: PathFind's algorithm with its open cells in a binary
/// heap (ordered by estimate, the latest added first among equals) and a flag per cell for
/// open and closed membership, instead of sequences searched linearly. It finds the same
/// paths in the same number of cycleOnce() calls, with the same statuses, as PathFind.
/// Owned like any search by the object it searches for; PathManager::startSearch makes one.
class HeapPathFind : public PathFind
{
public:
    /// As PathFind; a failed allocation of the per-cell flags also leaves it without a grid.
    HeapPathFind(Object* object, Cell start, Cell goal, Object* target, int width, int height);

protected:
    bool openEmpty() const override { return heap.empty(); }
    Cell takeBestOpen() override;
    bool isOpen(Cell cell) const override { return slot[index(cell)] >= 0; }
    void addOpen(Cell cell) override;
    void openImproved(Cell cell) override;
    bool isClosed(Cell cell) const override { return closed[index(cell)] != 0; }
    void addClosed(Cell cell) override { closed[index(cell)] = 1; }
    bool blocked(int x, int y) override;
    void beginExpansion(Cell current) override;

private:
    struct Entry
    {
        float estimate;
        std::uint32_t order; // when the cell was added: later ones win among equal estimates
        std::int32_t cell;   // y * width + x
    };

    std::size_t index(Cell cell) const { return static_cast<std::size_t>(cell.y) * getWidth() + cell.x; }
    static bool before(const Entry& a, const Entry& b)
    {
        return a.estimate < b.estimate || (a.estimate == b.estimate && a.order > b.order);
    }
    void place(std::size_t at, const Entry& entry);
    void siftUp(std::size_t at);
    void siftDown(std::size_t at);

    std::vector<Entry> heap;
    std::unique_ptr<std::int32_t[]> slot; // heap position of each open cell, -1 for the others
    std::unique_ptr<std::uint8_t[]> closed;
    std::uint32_t added = 0;
    // The answers of blocked() for the 3 x 3 cells around the cell being expanded: the
    // world stands still during one expansion, and each side of a diagonal step is also a
    // neighbour asked about.
    Cell around;
    std::int8_t blockedAround[9] = {};
};

} // namespace qm

#endif
