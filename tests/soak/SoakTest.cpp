// The real game played headless and unthrottled by a seeded script of keys (its Space or P starts the next
// game): a long run ends every game cleanly, objects and log bounded; a seed and script give one world.
#include "GameStart.h"
#include "core/Fnv1a.h"
#include "loadResources.h"
#include "support/WorldTest.h"

#include <qm/EventKeyboard.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/SceneGraph.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

namespace
{

using namespace qmtest;

// Resident memory of this process, in KiB (0 when unknown).
long residentMemory()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
    {
        if (line.rfind("VmRSS:", 0) == 0)
        {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

class GameRun : public EngineTest
{
protected:
    // Walking, crouching and jumping (never Q, which ends the program on the start screen), and P.
    static constexpr int SCRIPT_KEYS[] = {qm::A, qm::D, qm::S, qm::SPACE, qm::P};

    // Starts the engine (again) headless with `gameSeed` for the game and a new script; 0: the start screen is up.
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

    // Game-loop iterations as GameManager::run makes them, without its sleep.
    void run(int count)
    {
        for (int i = 0; i < count && !qm::GameManager::getInstance().getGameOver(); ++i)
        {
            const int objects = qm::WorldManager::getInstance().getAllObjects(true).getCount();
            const bool onStartScreen = startScreen->isActive();
            if (onStartScreen && !wasOnStartScreen && ++gamesEnded == 1)
            {
                afterFirstGame = residentMemory();
            }
            // After a whole iteration on the start screen every object of the last game is gone.
            int& most = onStartScreen ? mostObjectsOnStartScreen : mostObjectsInAGame;
            most = !onStartScreen || wasOnStartScreen ? std::max(most, objects) : most;
            wasOnStartScreen = onStartScreen;
            queueScriptKeys();
            qm::GameManager::getInstance().step();
        }
    }

    std::uint64_t hashAfter(int iterations, unsigned gameSeed, unsigned scriptSeed)
    {
        EXPECT_EQ(start(gameSeed, scriptSeed), 0);
        run(iterations);
        EXPECT_GE(gamesEnded, 1) << "the script should have played at least one whole game";
        return worldHash();
    }

    // For every object by id (counted from the start screen's): its type, position, velocity, view
    // value and the scene graph's lists it is in (the order inside them does not count).
    std::uint64_t worldHash()
    {
        const qm::SceneGraph& graph = qm::WorldManager::getInstance().getSceneGraph();
        std::map<int, const qm::Object*> byId;
        for (const qm::Object* object : contents(qm::WorldManager::getInstance().getAllObjects(true)))
        {
            byId[object->getId()] = object;
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
            std::int64_t lists = (occurrences(graph.activeObjects(), object) ? 1 : 0) |
                                 (occurrences(graph.inactiveObjects(), object) ? 2 : 0) |
                                 (occurrences(graph.solidObjects(), object) ? 4 : 0);
            for (int altitude = 0; altitude <= qm::MAX_ALTITUDE; ++altitude)
            {
                lists |= occurrences(graph.visibleObjects(altitude), object) ? (8 << altitude) : 0;
            }
            hash.add(lists);
        }
        return hash.get();
    }

    int gamesEnded = 0;
    int mostObjectsInAGame = 0;
    int mostObjectsOnStartScreen = 0;
    long afterFirstGame = 0;
    int refusedKeys = 0;

private:
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
            refusedKeys +=
                input.queueKeyboard(keyEvent(SCRIPT_KEYS[which], down[which] ? qm::KEY_PRESS : qm::KEY_RELEASE)) != 0;
        }
        for (int i = 0; i < KEY_COUNT; ++i)
        {
            refusedKeys += down[i] && input.queueKeyboard(keyEvent(SCRIPT_KEYS[i], qm::KEY_HELD)) != 0;
        }
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

// The seeded run gives the committed hash, then goes on as a soak run: `make soak` asks for more
// iterations and also bounds the memory's growth after the first game (not under the sanitizers of
// `make test`, whose allocator keeps freed memory for a while).
TEST_F(GameRun, SeededRunGivesTheCommittedWorldHashAndALongRunEndsEveryGameCleanly)
{
    const int iterations = std::max(envInt("QM_SOAK_ITERATIONS", 10000), DETERMINISM_ITERATIONS);
    const std::uint64_t first = hashAfter(DETERMINISM_ITERATIONS, 7, 7);
    EXPECT_EQ(first, EXPECTED_WORLD_HASH);

    run(iterations - DETERMINISM_ITERATIONS);
    const std::string text = log();
    EXPECT_EQ(qm::GameManager::getInstance().getStepCount(), iterations)
        << "the run ended early (the script must never quit)";
    EXPECT_GE(gamesEnded, iterations / 5000) << "the script's fish should die now and then";
    EXPECT_EQ(mostObjectsOnStartScreen, 1) << "objects of an ended game outlived it";
    EXPECT_LE(mostObjectsInAGame, 60) << "objects pile up within a game";
    EXPECT_EQ(refusedKeys, 0);
    EXPECT_EQ(countOf(text, "Error"), 0) << text.substr(0, 4000);
    EXPECT_LT(text.size(), 20000u + 2000u * static_cast<unsigned>(gamesEnded)) << "the log grows without bound";
    if (envInt("QM_SOAK_CHECK_MEMORY", 0) != 0)
    {
        EXPECT_GT(gamesEnded, 1);
        EXPECT_LT(100 * (residentMemory() - afterFirstGame) / std::max(afterFirstGame, 1L), 5) << "memory grows";
    }

    EXPECT_EQ(hashAfter(DETERMINISM_ITERATIONS, 7, 7), first) << "a second run in the same process differs";
    // The hash does read the world: another key script plays another game.
    EXPECT_NE(hashAfter(DETERMINISM_ITERATIONS, 7, 8), first);
}

} // namespace
