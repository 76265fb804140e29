// A complete path search across a world with walls: the linear reference against the heap search the
// engine runs, per search and per expanded cell, and their ratio measured in the same run.
#include "HeadlessEngine.h"
#include "pathfinding/HeapPathFind.h"

#include <qm/Box.h>
#include <qm/GameManager.h>
#include <qm/Object.h>
#include <qm/PathFind.h>
#include <qm/Vector.h>
#include <qm/WorldManager.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

HeadlessEngine& engine()
{
    static HeadlessEngine instance("path-bench");
    return instance;
}

// A world of `width` x `height` cells crossed by `walls` vertical HARD walls, each one
// object whose box spans the height but a gap of `gap` cells, at the bottom and the top
// in turn, so that the path zigzags; with `rocks`, a one-cell HARD rock every 9 columns and
// 6 rows as well (more solid objects than the heap search copies, so it asks the spatial
// index). The walker is at the middle of the left edge.
class WalledWorld
{
public:
    WalledWorld(int width, int height, int walls, int gap, bool rocks) : w(width), h(height)
    {
        qm::WorldManager& world = qm::WorldManager::getInstance();
        world.setBoundary(qm::Box(qm::Vector(0, 0), static_cast<float>(width), static_cast<float>(height)));
        for (int i = 1; i <= walls; ++i)
        {
            auto* wall = new qm::Object;
            const float length = static_cast<float>(height - gap);
            const bool fromTop = i % 2 == 1;
            wall->setBox(qm::Box(qm::Vector(-0.5f, -0.5f), 0.99f, length - 0.01f));
            wall->setPosition(
                qm::Vector(static_cast<float>(width * i / (walls + 1)), fromTop ? 0.0f : static_cast<float>(gap)));
            objects.push_back(wall);
        }
        for (int x = 4; rocks && x < width - 1; x += 9)
        {
            for (int y = 3; y < height; y += 6)
            {
                auto* rock = new qm::Object;
                rock->setPosition(qm::Vector(static_cast<float>(x), static_cast<float>(y)));
                objects.push_back(rock);
            }
        }
        walker = new qm::Object;
        walker->setSolidness(qm::SOFT);
        walker->setPosition(qm::Vector(0, static_cast<float>(height / 2)));
        objects.push_back(walker);
    }
    ~WalledWorld()
    {
        qm::WorldManager& world = qm::WorldManager::getInstance();
        for (qm::Object* object : objects)
        {
            world.markForDelete(object);
        }
        world.update();
    }
    WalledWorld(const WalledWorld&) = delete;
    WalledWorld& operator=(const WalledWorld&) = delete;

    // One complete search from the left edge to the right edge; returns its cycleOnce calls
    // (one expanded cell each) and the path length, or -1 calls when no path was found.
    template <class Search> int search(int& pathLength) const
    {
        Search run(walker, {0, h / 2}, {w - 1, h / 2}, nullptr, w, h);
        int calls = 0;
        int status = 1;
        while (status == 1)
        {
            status = run.cycleOnce();
            ++calls;
        }
        pathLength = run.buildPath().getNodeCount();
        return status == 2 ? calls : -1;
    }

private:
    int w;
    int h;
    qm::Object* walker = nullptr;
    std::vector<qm::Object*> objects;
};

struct Layout
{
    int width;
    int height;
    int walls;
    int gap;
    bool rocks;
};
constexpr Layout SCREEN{80, 24, 6, 4, false};
constexpr Layout LARGE{200, 200, 8, 10, false};
constexpr Layout SCREEN_ROCKS{80, 24, 6, 4, true};
constexpr Layout LARGE_ROCKS{200, 200, 8, 10, true};

template <class Search> void BM_Search(benchmark::State& state, Layout layout)
{
    if (!engine().started)
    {
        state.SkipWithError("engine did not start");
        return;
    }
    const WalledWorld world(layout.width, layout.height, layout.walls, layout.gap, layout.rocks);
    long long cells = 0;
    int length = 0;
    for (auto _ : state)
    {
        const int calls = world.search<Search>(length);
        if (calls < 0)
        {
            state.SkipWithError("no path");
            return;
        }
        cells += calls;
    }
    state.counters["cells"] = static_cast<double>(cells) / static_cast<double>(state.iterations());
    state.counters["path"] = length;
    state.counters["per_cell"] =
        benchmark::Counter(static_cast<double>(cells), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Both searches on the same world in the same run: microseconds of processor time of each
// (the machine is shared, so wall time would measure the neighbours) and their ratio.
void BM_LinearOverHeap(benchmark::State& state, Layout layout, int heapRepeats)
{
    if (!engine().started)
    {
        state.SkipWithError("engine did not start");
        return;
    }
    const WalledWorld world(layout.width, layout.height, layout.walls, layout.gap, layout.rocks);
    double linearUs = 0;
    double heapUs = 0;
    for (auto _ : state)
    {
        int linearLength = 0;
        int heapLength = 0;
        const std::clock_t t0 = std::clock();
        const int linearCalls = world.search<qm::PathFind>(linearLength);
        const std::clock_t t1 = std::clock();
        int heapCalls = 0;
        for (int i = 0; i < heapRepeats; ++i)
        {
            heapCalls = world.search<qm::HeapPathFind>(heapLength);
        }
        const std::clock_t t2 = std::clock();
        if (linearCalls < 0 || linearCalls != heapCalls || linearLength != heapLength)
        {
            state.SkipWithError("the searches disagree");
            return;
        }
        linearUs += static_cast<double>(t1 - t0) * 1e6 / CLOCKS_PER_SEC;
        heapUs += static_cast<double>(t2 - t1) * 1e6 / CLOCKS_PER_SEC / heapRepeats;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["linear_us"] = linearUs / n;
    state.counters["heap_us"] = heapUs / n;
    state.counters["ratio"] = linearUs / heapUs;
}

void BM_Linear(benchmark::State& state, Layout layout)
{
    BM_Search<qm::PathFind>(state, layout);
}
void BM_Heap(benchmark::State& state, Layout layout)
{
    BM_Search<qm::HeapPathFind>(state, layout);
}

BENCHMARK_CAPTURE(BM_Linear, 80x24, SCREEN)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Heap, 80x24, SCREEN)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Linear, 200x200, LARGE)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Heap, 200x200, LARGE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LinearOverHeap, 80x24, SCREEN, 50)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_CAPTURE(BM_LinearOverHeap, 200x200, LARGE, 50)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_Heap, 200x200_rocks, LARGE_ROCKS)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LinearOverHeap, 80x24_rocks, SCREEN_ROCKS, 50)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
