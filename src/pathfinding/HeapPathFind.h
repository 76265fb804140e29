#ifndef QM_HEAPPATHFIND_H
#define QM_HEAPPATHFIND_H

#include <qm/Box.h>
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
/// It remembers each cell's blocked answer across calls while the scene graph's count of
/// solid changes, the object's box and the goal stay the same.
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
    bool isOpen(Cell cell) const override { return state[index(cell)].slot >= 0; }
    void addOpen(Cell cell) override;
    void openImproved(Cell cell) override;
    bool isClosed(Cell cell) const override { return state[index(cell)].slot == CLOSED; }
    void addClosed(Cell cell) override { state[index(cell)].slot = CLOSED; }
    bool blocked(int x, int y) override;
    void beginExpansion(Cell current) override;

private:
    friend class PathFind; // its algorithm calls the list operations here directly

    struct Entry
    {
        // The estimate's bits above (a float that is never negative orders as its bits do)
        // and the complement of the order of addition below: the smaller key is taken
        // first, and among equal estimates the one added later.
        std::uint64_t key;
        Cell cell;
    };
    struct CellState
    {
        // The heap position while the cell is open, else UNSEEN or CLOSED (a closed cell is
        // never opened again).
        std::int32_t slot;
        // The last answer of blocked() for the cell (lowest bit) and the epoch it belongs to
        // (the bits above); an answer of another epoch is unknown.
        std::uint32_t known;
    };
    // Slot values of cells that are not open.
    static constexpr std::int32_t UNSEEN = -1;
    static constexpr std::int32_t CLOSED = -2;

    std::size_t index(Cell cell) const
    {
        return static_cast<std::size_t>(cell.y) * static_cast<std::size_t>(getWidth()) +
               static_cast<std::size_t>(cell.x);
    }
    static std::uint64_t keyOf(float estimate, std::uint32_t order);
    void place(std::size_t at, const Entry& entry);
    // Places `moving` at `at` or, while it comes before its parent, higher up.
    void siftUp(std::size_t at, Entry moving);
    bool findBlocked(int x, int y);

    std::vector<Entry> heap;
    std::unique_ptr<CellState[]> state;
    std::uint32_t added = 0;

    // The answers of blocked() are kept per cell across calls for as long as nothing they
    // depend on changes: the scene graph's count of solid changes, the object's box and the
    // goal. When one of them differs at the start of an expansion, a new epoch begins and
    // every kept answer is forgotten at once.
    std::uint32_t epoch = 1;
    std::uint64_t seenChanges = 0;
    Box seenBox;
    Cell seenGoal;

    // A cell not known yet is decided against the solid objects of the world, in the solid
    // list's order. With a handful of them, the HARD ones are copied once per epoch (their
    // world boxes and whether each holds the goal) and every unknown cell is tested against
    // the copy. With more, the spatial index is asked for the first HARD object the object
    // would touch on the cell.
    struct HardBox
    {
        float x0, y0, x1, y1;
        bool holdsGoal; // a HARD object whose box holds the goal does not block
    };
    void copyHardObjects();
    bool copied = false;
    bool few = false;
    std::vector<HardBox> hard;
};

} // namespace qm

#endif
