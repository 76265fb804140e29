// Throughput of the network manager through loopback: the manager serves on 127.0.0.1 and
// connects to itself, so both ends run the engine's own send queue and message reader. And
// the cost per step of serving a game's world to its watchers.
#include "GameStart.h"
#include "WorldServer.h"
#include "loadResources.h"
#include "platform/Socket.h"

#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/NetworkManager.h>
#include <qm/WorldManager.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace
{

constexpr int BATCH = 16;

// Client at index 0, served connection at index 1; -1 when loopback cannot be set up.
bool connectToSelf()
{
    static const bool ready = []
    {
        setenv("QUILLMERE_LOG", "/dev/null", 1);
        qm::LogManager::getInstance().startUp();
        qm::NetworkManager& network = qm::NetworkManager::getInstance();
        network.setMaxSockets(2);
        if (network.startUp() != 0 || network.serve("0", "127.0.0.1") != 0 ||
            network.connect("127.0.0.1", std::to_string(network.getServerPort())) != 0)
        {
            return false;
        }
        for (int tries = 0; tries < 100000 && network.getNumConnections() < 2; ++tries)
        {
            network.accept();
        }
        return network.getNumConnections() == 2;
    }();
    return ready;
}

// BATCH messages of range(0) bytes (prefix included) sent from the client and read whole
// by the server end each iteration.
void BM_LoopbackMessages(benchmark::State& state)
{
    if (!connectToSelf())
    {
        state.SkipWithError("no loopback connection");
        return;
    }
    qm::NetworkManager& network = qm::NetworkManager::getInstance();
    const std::string body(static_cast<std::size_t>(state.range(0) - 4), 'm');
    std::string got;
    for (auto _ : state)
    {
        for (int i = 0; i < BATCH; ++i)
        {
            if (network.send(0, body) != 0)
            {
                state.SkipWithError("send failed");
                return;
            }
        }
        for (int received = 0; received < BATCH;)
        {
            network.flush();
            const int bytes = network.receive(1, got);
            if (bytes < 0)
            {
                state.SkipWithError("receive failed");
                return;
            }
            received += bytes > 0 ? 1 : 0;
        }
        benchmark::DoNotOptimize(got.data());
    }
    state.SetItemsProcessed(state.iterations() * BATCH);
    state.SetBytesProcessed(state.iterations() * BATCH * state.range(0));
}
BENCHMARK(BM_LoopbackMessages)->Arg(100)->Arg(10 * 1024)->UseRealTime();

// Reads and drops whatever waits on a raw watcher socket.
void drain(int socket)
{
    static char buffer[1 << 16];
    int error = 0;
    while (qm::platform::receiveBytes(socket, buffer, sizeof buffer, error) > 0)
    {
    }
}

// One step of serving a game in play (the start screen, the score displays, the ground, the
// fish, eight bubbles, the spawner's enemies) to range(0) watchers: serializing what changed
// and sending it. The world moves between steps, untimed, as the game loop moves it. The
// share of the 33 ms frame is the time per step divided by 33 ms.
void BM_ServeWorld(benchmark::State& state)
{
    const int watchers = static_cast<int>(state.range(0));
    setenv("QUILLMERE_LOG", "/dev/null", 1);
    const std::string config = (std::filesystem::temp_directory_path() / "qm-bench-serve.txt").string();
    std::ofstream(config) << "headless:true,\nnetworking:true,\nnetwork_port:0,\nrandom_seed:5,\n";
    setenv("QUILLMERE_CONFIG", config.c_str(), 1);
    std::filesystem::current_path(QM_RUN_DIR);
    qm::GameManager& game = qm::GameManager::getInstance();
    qm::NetworkManager& network = qm::NetworkManager::getInstance();
    if (network.isStarted())
    {
        // Left by the loopback benchmark: the game manager starts everything itself.
        network.shutDown();
        qm::LogManager::getInstance().shutDown();
    }
    if (game.startUp() != 0)
    {
        state.SkipWithError("engine did not start");
        return;
    }
    loadResources();
    auto* server = new WorldServer;
    (new GameStart)->startGame();
    std::vector<int> sockets;
    int error = 0;
    for (int i = 0; i < watchers; ++i)
    {
        sockets.push_back(qm::platform::connectTcp("127.0.0.1", std::to_string(network.getServerPort()), 2000, error));
        for (int tries = 0; tries < 100000 && network.getNumConnections() <= i; ++tries)
        {
            network.accept();
        }
    }
    qm::WorldManager& world = qm::WorldManager::getInstance();
    int step = 0;
    long long bytes = 0;
    for (auto _ : state)
    {
        server->serve(step++);
        network.flush();
        state.PauseTiming();
        for (int socket : sockets)
        {
            int waiting = qm::platform::bytesWaiting(socket, error);
            bytes += waiting > 0 ? waiting : 0;
            drain(socket);
        }
        const qm::EventStep tick(step);
        game.onEvent(&tick);
        world.update();
        state.ResumeTiming();
    }
    state.counters["watchers"] = watchers;
    state.counters["bytes_per_step_per_watcher"] =
        benchmark::Counter(static_cast<double>(bytes) / watchers, benchmark::Counter::kAvgIterations);
    for (int socket : sockets)
    {
        qm::platform::closeSocket(socket, error);
    }
    game.shutDown();
}
BENCHMARK(BM_ServeWorld)->Arg(1)->Arg(8)->Iterations(300)->UseRealTime();

} // namespace
