// Throughput of the network manager through loopback: the manager serves on 127.0.0.1 and
// connects to itself, so both ends run the engine's own send queue and message reader.
#include <qm/LogManager.h>
#include <qm/NetworkManager.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

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
BENCHMARK(BM_LoopbackMessages)->Arg(100)->Arg(10 * 1024);

} // namespace
