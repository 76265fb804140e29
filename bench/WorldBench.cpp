// Costs of the world manager that every frame pays: moving and colliding objects, and
// walking the visible objects to draw them.
#include "HeadlessEngine.h"
#include "world/SpatialGrid.h"

#include <qm/Animation.h>
#include <qm/Box.h>
#include <qm/Config.h>
#include <qm/Event.h>
#include <qm/Frame.h>
#include <qm/GameManager.h>
#include <qm/Object.h>
#include <qm/Sprite.h>
#include <qm/Vector.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

namespace
{

constexpr float WORLD_SIZE = 200;

// A solid object that drifts at a constant velocity and re-enters on the opposite side
// when it leaves the world, so that the density stays the same however long the run.
class Drifter : public qm::Object
{
public:
    Drifter(qm::Vector where, qm::Vector velocity, long long& contactCount) : contacts(contactCount)
    {
        setSolidness(qm::SOFT);
        setPosition(where);
        setVelocity(velocity);
    }

    int eventHandler(const qm::Event* event) override
    {
        if (event->getType() == qm::EVENT_COLLISION)
        {
            ++contacts;
            return 1;
        }
        if (event->getType() == qm::EVENT_OUT)
        {
            qm::Vector p = getPosition();
            p.setX(p.getX() < 0 ? p.getX() + WORLD_SIZE : (p.getX() > WORLD_SIZE ? p.getX() - WORLD_SIZE : p.getX()));
            p.setY(p.getY() < 0 ? p.getY() + WORLD_SIZE : (p.getY() > WORLD_SIZE ? p.getY() - WORLD_SIZE : p.getY()));
            setPosition(p);
            return 1;
        }
        return 0;
    }

    long long& contacts;
};

// Fills the 200 x 200 world with `count` drifters of 1 x 1 to 5 x 3 cells (whole cells, corner
// at the position), placed and set moving by a fixed seed, so that every run starts alike.
void populate(int count, long long& contacts)
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    world.setBoundary(qm::Box(qm::Vector(0, 0), WORLD_SIZE, WORLD_SIZE));
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> place(0, WORLD_SIZE);
    std::uniform_real_distribution<float> drift(-1, 1);
    std::uniform_int_distribution<int> width(1, 5);
    std::uniform_int_distribution<int> height(1, 3);
    for (int i = 0; i < count; ++i)
    {
        const qm::Vector where(place(random), place(random));
        const qm::Vector velocity(drift(random), drift(random));
        auto* drifter = new Drifter(where, velocity, contacts);
        drifter->setBox(
            qm::Box(qm::Vector(0, 0), static_cast<float>(width(random)), static_cast<float>(height(random))));
    }
}

// Processor milliseconds per update of the linear search, by object count, for the indexed
// runs that follow it in the same program to compare themselves with. Processor time rather
// than wall time, because the machine is shared and the two runs would see different loads.
std::map<long long, double>& linearMilliseconds()
{
    static std::map<long long, double> measured;
    return measured;
}

// Runs world updates and returns the mean processor time of one, in milliseconds.
template <typename State> double timeUpdates(State& state)
{
    qm::WorldManager& world = qm::WorldManager::getInstance();
    const std::clock_t start = std::clock();
    for (auto _ : state)
    {
        world.update();
    }
    const double spent = static_cast<double>(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC;
    return spent / static_cast<double>(state.iterations());
}

// One world update with N moving solid objects, every collision search walking the whole
// solid list (the reference the index is measured against): the cost grows with N squared.
void BM_WorldUpdateLinear(benchmark::State& state)
{
    HeadlessEngine engine("world-bench");
    if (!engine.started)
    {
        state.SkipWithError("engine did not start");
        return;
    }
    qm::WorldManager::getInstance().getSceneGraph().setSpatialIndex(false);
    long long contacts = 0;
    populate(static_cast<int>(state.range(0)), contacts);
    linearMilliseconds()[state.range(0)] = timeUpdates(state);
    qm::WorldManager::getInstance().getSceneGraph().setSpatialIndex(true);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["contacts/update"] =
        benchmark::Counter(static_cast<double>(contacts) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_WorldUpdateLinear)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same world updates with the scene graph's spatial index, whose buckets are the second
// argument in spaces; "x_linear" is how many times less processor time than the linear
// search in this run an update takes.
void BM_WorldUpdateIndexed(benchmark::State& state)
{
    HeadlessEngine engine("world-bench");
    if (!engine.started)
    {
        state.SkipWithError("engine did not start");
        return;
    }
    qm::SceneGraph& graph = qm::WorldManager::getInstance().getSceneGraph();
    if (graph.setBucketSize(static_cast<float>(state.range(1))) != 0)
    {
        state.SkipWithError("bucket size refused");
        return;
    }
    long long contacts = 0;
    populate(static_cast<int>(state.range(0)), contacts);
    const double milliseconds = timeUpdates(state);
    graph.setBucketSize(qm::SpatialGrid::DEFAULT_BUCKET_SIZE);
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["contacts/update"] =
        benchmark::Counter(static_cast<double>(contacts) / static_cast<double>(state.iterations()));
    const auto linear = linearMilliseconds().find(state.range(0));
    if (linear != linearMilliseconds().end())
    {
        state.counters["x_linear"] = linear->second / milliseconds;
    }
}
BENCHMARK(BM_WorldUpdateIndexed)
    ->Args({1000, 6})
    ->Args({10000, 1})
    ->Args({10000, 2})
    ->Args({10000, 3})
    ->Args({10000, 4})
    ->Args({10000, 6})
    ->Args({10000, 8})
    ->Args({10000, 16})
    ->Unit(benchmark::kMillisecond);

// One world draw with every cell of the 80 x 24 view covered by an object showing a
// one-character sprite, and three framed view objects on top. Headless, the display refuses
// each object's first character at once, so this measures the world's side of drawing
// (walking the altitude lists, the view test, each object's animation); the cost of the
// characters themselves needs a window.
void BM_WorldDrawScreenFull(benchmark::State& state)
{
    HeadlessEngine engine("world-bench");
    if (!engine.started)
    {
        state.SkipWithError("engine did not start");
        return;
    }
    qm::Sprite sprite(1);
    sprite.setWidth(1);
    sprite.setHeight(1);
    sprite.addFrame(qm::Frame(1, 1, "#"));
    qm::Animation animation;
    animation.setSprite(&sprite);
    qm::WorldManager& world = qm::WorldManager::getInstance();
    const qm::Box view = world.getView();
    int count = 0;
    for (int y = 0; y < static_cast<int>(view.getVertical()); ++y)
    {
        for (int x = 0; x < static_cast<int>(view.getHorizontal()); ++x)
        {
            qm::Object* object = new qm::Object;
            object->setSolidness(qm::SPECTRAL);
            object->setAnimation(animation, true);
            object->setAltitude(count % (qm::MAX_ALTITUDE + 1));
            object->setPosition(qm::Vector(static_cast<float>(x), static_cast<float>(y)));
            ++count;
        }
    }
    for (qm::ViewObjectLocation place : {qm::TOP_LEFT, qm::TOP_CENTER, qm::TOP_RIGHT})
    {
        qm::ViewObject* display = new qm::ViewObject;
        display->setViewString("Points");
        display->setLocation(place);
        ++count;
    }
    for (auto _ : state)
    {
        world.draw();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["objects"] = count;
}
BENCHMARK(BM_WorldDrawScreenFull)->Unit(benchmark::kMicrosecond);

} // namespace
