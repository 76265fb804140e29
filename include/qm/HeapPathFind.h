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

    /// PathFind's algorithm over the heap and the flags.
    int cycleOnce() override;

protected:
    bool openEmpty() const override { return heap.empty(); }
    Cell takeBestOpen() override;
    bool isOpen(Cell cell) const override { return slot[index(cell)] >= 0; }
    void addOpen(Cell cell) override;
    void openImproved(Cell cell) override;
    bool isClosed(Cell cell) const override { return slot[index(cell)] == CLOSED; }
    void addClosed(Cell cell) override { slot[index(cell)] = CLOSED; }
    bool blocked(int x, int y) override;
    void beginExpansion(Cell current) override;

private:
    friend class PathFind; // its algorithm calls the list operations here directly

    struct Entry
    {
        float estimate;
        std::uint32_t order; // when the cell was added: later ones win among equal estimates
        Cell cell;
    };
    // Slot values of cells that are not open.
    static constexpr std::int32_t UNSEEN = -1;
    static constexpr std::int32_t CLOSED = -2;

    std::size_t index(Cell cell) const { return static_cast<std::size_t>(cell.y) * getWidth() + cell.x; }
    static bool before(const Entry& a, const Entry& b)
    {
        return a.estimate < b.estimate || (a.estimate == b.estimate && a.order > b.order);
    }
    void place(std::size_t at, const Entry& entry);
    void siftUp(std::size_t at);

    std::vector<Entry> heap;
    // Per cell: its heap position while it is open, else UNSEEN or CLOSED (a closed cell
    // is never opened again).
    std::unique_ptr<std::int32_t[]> slot;
    std::uint32_t added = 0;
    // The world stands still during one expansion, so the solid objects that can touch the
    // object anywhere on the 3 x 3 cells around the expanded one are asked of the world's
    // spatial index once (in the solid list's order), and the answers of blocked() for those
    // cells are kept: each side of a diagonal step is also a neighbour asked about.
    Cell around;
    std::int8_t blockedAround[9] = {};
    std::vector<Object*> nearby;
};

} // namespace qm

#endif
