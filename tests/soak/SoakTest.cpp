// The real game played headless and unthrottled by a seeded script of keys queued through the
// input manager (its Space or P starts the next game): a long run ends every game cleanly and
// keeps its objects and log bounded; a fixed seed and script always give the same world.
#include "GameStart.h"
#include "core/Fnv1a.h"
#include "loadResources.h"
#include "support/WorldTest.h"

#include <qm/EventKeyboard.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/LogManager.h>
#include <qm/SceneGraph.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace
{

using namespace qmtest;

// Resident and peak resident memory of this process, in KiB (0 when unknown).
struct Memory
{
    long rss = 0;
    long peak = 0;
};

inline Memory readMemory()
{
    Memory memory;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
    {
        if (line.rfind("VmRSS:", 0) == 0)
        {
            memory.rss = std::stol(line.substr(6));
        }
        else if (line.rfind("VmHWM:", 0) == 0)
        {
            memory.peak = std::stol(line.substr(6));
        }
    }
    return memory;
}

class GameRun : public EngineTest
{
protected:
    // Walking, crouching and jumping (never Q, which ends the program on the start screen), and P.
    static constexpr int SCRIPT_KEYS[] = {qm::A, qm::D, qm::S, qm::SPACE, qm::P};

    // Starts the engine (again) headless with `gameSeed` for the game's random generator and a
    // new script; 0 means the start screen is up.
    int start(unsigned gameSeed, unsigned scriptSeed)
    {
        if (qm::GameManager::getInstance().isStarted())
        {
            qm::GameManager::getInstance().shutDown();
        }
        std::fill(std::begin(down), std::end(down), false);
        script.seed(scriptSeed);
        wasOnStartScreen = true;
        gamesEnded = 0;
        std::filesystem::current_path(QM_RUN_DIR);
        const int result = startEngine("frame_time:0,\nrandom_seed:" + std::to_string(gameSeed) + ",\n");
        if (result == 0)
        {
            loadResources();
            startScreen = new GameStart;
            firstId = startScreen->getId();
        }
        return result;
    }

    // One game-loop iteration as GameManager::run makes it, without its sleep.
    void iterate()
    {
        qm::WorldManager& world = qm::WorldManager::getInstance();
        const int objects = world.getAllObjects(true).getCount();
        const bool onStartScreen = startScreen->isActive();
        if (onStartScreen && !wasOnStartScreen && ++gamesEnded == 1)
        {
            afterFirstGame = readMemory();
        }
        // After a whole iteration on the start screen every object of the last game is gone.
        int& most = onStartScreen ? mostObjectsOnStartScreen : mostObjectsInAGame;
        most = !onStartScreen || wasOnStartScreen ? std::max(most, objects) : most;
        wasOnStartScreen = onStartScreen;

        queueScriptKeys();
        qm::GameManager::getInstance().step();
    }

    std::uint64_t hashAfter(int iterations, unsigned gameSeed, unsigned scriptSeed)
    {
        EXPECT_EQ(start(gameSeed, scriptSeed), 0);
        run(iterations);
        EXPECT_GE(gamesEnded, 1) << "the script should have played at least one whole game";
        return worldHash();
    }

    int stepCount() const { return qm::GameManager::getInstance().getStepCount(); }

    // Runs `count` iterations, timing each; the times' room is made first, so it is not growth after a game.
    void run(int count)
    {
        std::size_t next = times.size();
        times.resize(next + static_cast<std::size_t>(count), 0.0);
        for (int i = 0; i < count && !qm::GameManager::getInstance().getGameOver(); ++i)
        {
            const auto begin = std::chrono::steady_clock::now();
            iterate();
            times[next++] = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count();
        }
        times.resize(next);
    }

    // For every object by id (counted from the start screen's): its type, position, velocity, view
    // value and the scene graph's lists it is in, read as sets (the order inside them does not count).
    std::uint64_t worldHash()
    {
        qm::SceneGraph& graph = qm::WorldManager::getInstance().getSceneGraph();
        const std::set<const qm::Object*> active = members(graph.activeObjects());
        const std::set<const qm::Object*> inactive = members(graph.inactiveObjects());
        const std::set<const qm::Object*> solid = members(graph.solidObjects());
        std::set<const qm::Object*> visible[qm::MAX_ALTITUDE + 1];
        for (int altitude = 0; altitude <= qm::MAX_ALTITUDE; ++altitude)
        {
            visible[altitude] = members(graph.visibleObjects(altitude));
        }
        std::map<int, const qm::Object*> byId;
        for (const auto* list : {&active, &inactive})
        {
            for (const qm::Object* object : *list)
            {
                byId[object->getId()] = object;
            }
        }
        qm::Fnv1a hash;
        for (const auto& [id, object] : byId)
        {
            hash.add(static_cast<std::int64_t>(id - firstId));
            hash.add(object->getType());
            hash.add(object->getPosition().getX());
            hash.add(object->getPosition().getY());
            hash.add(object->getVelocity().getX());
            hash.add(object->getVelocity().getY());
            if (const auto* view = dynamic_cast<const qm::ViewObject*>(object))
            {
                hash.add(static_cast<std::int64_t>(view->getValue()));
            }
            std::int64_t lists =
                (active.count(object) ? 1 : 0) | (inactive.count(object) ? 2 : 0) | (solid.count(object) ? 4 : 0);
            for (int altitude = 0; altitude <= qm::MAX_ALTITUDE; ++altitude)
            {
                lists |= visible[altitude].count(object) ? (8 << altitude) : 0;
            }
            hash.add(lists);
        }
        return hash.get();
    }

    // The iteration time below which `fraction` of the iterations lie, in microseconds.
    double percentile(double fraction) const
    {
        if (times.empty())
        {
            return 0;
        }
        std::vector<double> sorted = times;
        const auto at = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size() - 1));
        std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(at), sorted.end());
        return sorted[at];
    }

    int gamesEnded = 0;
    int mostObjectsInAGame = 0;
    int mostObjectsOnStartScreen = 0;
    Memory afterFirstGame;
    std::vector<double> times;
    int refusedKeys = 0;

private:
    static std::set<const qm::Object*> members(const qm::ObjectList& list)
    {
        const std::vector<qm::Object*> all = contents(list);
        return {all.begin(), all.end()};
    }

    // About one key in eight iterations changes state; a key that is down is reported held
    // every iteration after its press, as the input manager's polling would.
    void queueScriptKeys()
    {
        qm::InputManager& input = qm::InputManager::getInstance();
        constexpr int KEY_COUNT = static_cast<int>(std::size(SCRIPT_KEYS));
        if (std::uniform_int_distribution<int>(0, 7)(script) == 0)
        {
            const int which = std::uniform_int_distribution<int>(0, KEY_COUNT - 1)(script);
            down[which] = !down[which];
            queue(input, SCRIPT_KEYS[which], down[which] ? qm::KEY_PRESS : qm::KEY_RELEASE);
        }
        for (int i = 0; i < KEY_COUNT; ++i)
        {
            if (down[i])
            {
                queue(input, SCRIPT_KEYS[i], qm::KEY_HELD);
            }
        }
    }

    void queue(qm::InputManager& input, int key, int action)
    {
        refusedKeys += input.queueKeyboard(keyEvent(key, action)) != 0;
    }

    std::mt19937 script;
    bool down[std::size(SCRIPT_KEYS)] = {};
    GameStart* startScreen = nullptr;
    int firstId = 0;
    bool wasOnStartScreen = true;
};

int envInt(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// The world after DETERMINISM_ITERATIONS iterations with game seed 7 and script seed 7. A change
// to it changes what the game does: say so in the commit that changes it.
constexpr std::uint64_t EXPECTED_WORLD_HASH = 0x5754348861bfa4c4ULL;
constexpr int DETERMINISM_ITERATIONS = 3000;

using Soak = GameRun;
using Determinism = GameRun;

// `make soak` asks for more iterations and also bounds the memory's growth after the first game
// (not under the sanitizers of `make test`, whose allocator keeps freed memory for a while).
TEST_F(Soak, LongRunEndsEveryGameCleanlyWithBoundedObjectsAndLog)
{
    const int iterations = envInt("QM_SOAK_ITERATIONS", 10000);
    const bool checkMemory = envInt("QM_SOAK_CHECK_MEMORY", 0) != 0;
    ASSERT_EQ(start(1, 1), 0);
    const Memory atStart = readMemory();
    run(iterations);
    const Memory atEnd = readMemory();

    const double growth = afterFirstGame.rss > 0 ? 100.0 * static_cast<double>(atEnd.rss - afterFirstGame.rss) /
                                                       static_cast<double>(afterFirstGame.rss)
                                                 : 0;
    const std::string text = log();
    const std::uintmax_t logBytes = text.size();
    std::printf("soak: %d iterations, %d games ended, most live objects in a game %d, on the start screen %d\n"
                "soak: RSS start %ld KiB, after first game %ld KiB, final %ld KiB, peak %ld KiB, growth after "
                "first game %.2f %%\n"
                "soak: log %ju bytes (%.0f per game); iteration p50 %.1f us, p99 %.1f us, max %.1f us\n",
                stepCount(), gamesEnded, mostObjectsInAGame, mostObjectsOnStartScreen, atStart.rss, afterFirstGame.rss,
                atEnd.rss, atEnd.peak, growth, logBytes, static_cast<double>(logBytes) / std::max(gamesEnded, 1),
                percentile(0.5), percentile(0.99), percentile(1.0));

    EXPECT_EQ(stepCount(), iterations) << "the run ended early (the script must never quit)";
    EXPECT_GE(gamesEnded, iterations / 5000) << "the script's fish should die now and then";
    EXPECT_EQ(mostObjectsOnStartScreen, 1) << "objects of an ended game outlived it";
    EXPECT_LE(mostObjectsInAGame, 60) << "objects pile up within a game";
    EXPECT_EQ(refusedKeys, 0);
    EXPECT_EQ(countOf(text, "Error"), 0) << text.substr(0, 4000);
    EXPECT_LT(logBytes, 20000u + 2000u * static_cast<unsigned>(gamesEnded)) << "the log grows without bound";
    if (checkMemory)
    {
        EXPECT_GT(gamesEnded, 1);
        EXPECT_LT(growth, 5.0) << "memory grows from game to game";
    }
}

TEST_F(Determinism, SeededRunGivesTheCommittedWorldHashEveryTime)
{
    const std::uint64_t first = hashAfter(DETERMINISM_ITERATIONS, 7, 7);
    std::printf("determinism: world hash after %d iterations 0x%016" PRIx64 "\n", DETERMINISM_ITERATIONS, first);
    EXPECT_EQ(first, EXPECTED_WORLD_HASH);
    EXPECT_EQ(hashAfter(DETERMINISM_ITERATIONS, 7, 7), first) << "a second run in the same process differs";
    // The hash does read the world: another key script plays another game.
    EXPECT_NE(hashAfter(DETERMINISM_ITERATIONS, 7, 8), first);
}

} // namespace
