// A headless, unthrottled run of the real game from its start screen, played by a seeded script of
// keys queued through the input manager (its Space or P starts the next game). It records what a
// long run must keep bounded: memory, live objects, the log and the time of each iteration.
#ifndef QM_TEST_SOAK_GAMERUN_H
#define QM_TEST_SOAK_GAMERUN_H

#include "GameStart.h"
#include "core/Fnv1a.h"
#include "loadResources.h"
#include "support/EngineTest.h"

#include <qm/DisplayManager.h>
#include <qm/EventKeyboard.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/LogManager.h>
#include <qm/ObjectListIterator.h>
#include <qm/SceneGraph.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace qmtest
{

/// Resident and peak resident memory of this process, in KiB (0 when unknown).
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

class GameRun
{
public:
    /// The keys the script plays: walking, crouching and jumping (never Q, which ends the
    /// program on the start screen), and P, which starts a game there.
    static constexpr int SCRIPT_KEYS[] = {qm::A, qm::D, qm::S, qm::SPACE, qm::P};

    /// Starts the engine headless with `gameSeed` for the game's random generator; the log
    /// and configuration go to a scratch folder, the working directory becomes the run folder.
    /// Returns the engine's start-up result; 0 means the start screen is up.
    int start(unsigned gameSeed, unsigned scriptSeed)
    {
        setEnv("QUILLMERE_LOG", logPath.c_str());
        setEnv("QUILLMERE_CONFIG", dir.file("qm-config.txt").c_str());
        dir.write("qm-config.txt", "headless:true,\nframe_time:0,\nrandom_seed:" + std::to_string(gameSeed) + ",\n");
        script.seed(scriptSeed);
        std::filesystem::current_path(QM_RUN_DIR);
        const int result = qm::GameManager::getInstance().startUp();
        if (result == 0)
        {
            qm::LogManager::getInstance().setFlush(true); // as the game's entry does
            loadResources();
            startScreen = new GameStart;
            firstId = startScreen->getId();
        }
        return result;
    }

    ~GameRun()
    {
        if (qm::GameManager::getInstance().isStarted())
        {
            qm::GameManager::getInstance().shutDown();
        }
        setEnv("QUILLMERE_LOG", nullptr);
        setEnv("QUILLMERE_CONFIG", nullptr);
    }

    /// One game-loop iteration as GameManager::run makes it, without its sleep: this
    /// iteration's script keys, then the game manager's step.
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

    /// Iterations run so far.
    int stepCount() const { return qm::GameManager::getInstance().getStepCount(); }

    /// Runs `count` iterations, timing each. The room for the times is filled in advance, so
    /// that it counts in the memory measured after the first game, not as growth after it.
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

    /// The world as a number: for every object (by id, counted from the start screen's), its
    /// type, position, velocity, value for view objects, and the scene graph's lists it is in.
    /// The lists are read as sets, so the order inside them does not count.
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

    /// The iteration time below which `fraction` of the iterations lie, in microseconds.
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

    std::string log() const { return readFile(logPath); }
    /// Size of the log file so far, in bytes.
    std::uintmax_t logSize() const { return log().size(); }

    int gamesEnded = 0;
    int mostObjectsInAGame = 0;
    int mostObjectsOnStartScreen = 0;
    Memory afterFirstGame;
    std::vector<double> times;

private:
    static std::set<const qm::Object*> members(const qm::ObjectList& list)
    {
        std::set<const qm::Object*> result;
        for (qm::ObjectListIterator it(&list); !it.isDone(); it.next())
        {
            result.insert(it.currentObject());
        }
        return result;
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

    ScratchDir dir;
    std::string logPath = dir.file("soak.log");
    std::mt19937 script;
    bool down[std::size(SCRIPT_KEYS)] = {};
    GameStart* startScreen = nullptr;
    int firstId = 0;
    bool wasOnStartScreen = true;

public:
    int refusedKeys = 0;
};

} // namespace qmtest

#endif
