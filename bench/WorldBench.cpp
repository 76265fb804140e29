// Costs of the world manager that every frame pays: moving and colliding objects, and
// walking the visible objects to draw them.
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
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace
{

// Starts the engine headless with its log and configuration in the build's run folder, and
// stops it (deleting every object) when the benchmark ends.
class HeadlessEngine
{
public:
    HeadlessEngine()
    {
        const std::filesystem::path run(QM_RUN_DIR);
        std::filesystem::create_directories(run);
        const std::string config = (run / "world-bench-config.txt").string();
        std::ofstream(config) << "headless:true,\n";
        setenv("QUILLMERE_CONFIG", config.c_str(), 1);
        setenv("QUILLMERE_LOG", (run / "world-bench.log").string().c_str(), 1);
        started = qm::GameManager::getInstance().startUp() == 0;
    }
    ~HeadlessEngine() { qm::GameManager::getInstance().shutDown(); }
    HeadlessEngine(const HeadlessEngine&) = delete;
    HeadlessEngine& operator=(const HeadlessEngine&) = delete;

    bool started = false;
};

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

// One world update with N solid objects moving through a 200 x 200 world: every move
// searches the solid list, so the cost grows with N squared.
void BM_WorldUpdate(benchmark::State& state)
{
    HeadlessEngine engine;
    if (!engine.started)
    {
        state.SkipWithError("engine did not start");
        return;
    }
    qm::WorldManager& world = qm::WorldManager::getInstance();
    world.setBoundary(qm::Box(qm::Vector(0, 0), WORLD_SIZE, WORLD_SIZE));
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> place(0, WORLD_SIZE);
    std::uniform_real_distribution<float> drift(-1, 1);
    long long contacts = 0;
    for (int i = 0; i < state.range(0); ++i)
    {
        new Drifter(qm::Vector(place(random), place(random)), qm::Vector(drift(random), drift(random)), contacts);
    }
    for (auto _ : state)
    {
        world.update();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["contacts/update"] =
        benchmark::Counter(static_cast<double>(contacts) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_WorldUpdate)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// One world draw with every cell of the 80 x 24 view covered by an object showing a
// one-character sprite, and three framed view objects on top. Headless, the display refuses
// each object's first character at once, so this measures the world's side of drawing
// (walking the altitude lists, the view test, each object's animation); the cost of the
// characters themselves needs a window.
void BM_WorldDrawScreenFull(benchmark::State& state)
{
    HeadlessEngine engine;
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
