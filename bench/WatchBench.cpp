// Watching, recording and replaying the fish game in play: the cell stream's bytes per second,
// the time of one frame of serving 1 and 50 stream clients, and the size of one minute of
// game time as an asciicast recording and as an input replay. One minute of play (1818 steps
// of 33 ms, scripted keys, restarted whenever a game ends) is played once, recorded both ways.
#include "GameStart.h"
#include "loadResources.h"
#include "platform/Socket.h"

#include <qm/AnsiWriter.h>
#include <qm/CastRecorder.h>
#include <qm/CellStream.h>
#include <qm/DisplayManager.h>
#include <qm/EventKeyboard.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/InputReplay.h>
#include <qm/Object.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

namespace
{

constexpr int STEPS_PER_MINUTE = 60000 / 33;
constexpr std::size_t KEPT_GRIDS = 300;

void queue(int key, int action)
{
    qm::EventKeyboard event;
    event.setKey(key);
    event.setKeyboardAction(action);
    (void)qm::InputManager::getInstance().queueKeyboard(event);
}

// Plays the keys of a player, counts the stream's bytes and keeps the first grids of play.
class Player : public qm::Object
{
public:
    explicit Player(GameStart* screen) : start(screen)
    {
        setType("BenchPlayer");
        setSolidness(qm::SPECTRAL);
        registerInterest(qm::EVENT_STEP);
    }
    int eventHandler(const qm::Event* event) override
    {
        if (event->getType() != qm::EVENT_STEP)
        {
            return 0;
        }
        if (++steps >= STEPS_PER_MINUTE)
        {
            qm::GameManager::getInstance().setGameOver();
        }
        if (start->isActive())
        {
            queue(qm::SPACE, qm::KEY_PRESS);
            return 1;
        }
        queue(qm::D, qm::KEY_HELD);
        const int key = static_cast<int>(random() % 40);
        if (key < 3)
        {
            queue(key == 0 ? qm::SPACE : key == 1 ? qm::S : qm::A, qm::KEY_PRESS);
        }
        const qm::CellGrid& grid = qm::DisplayManager::getInstance().getCellGrid();
        bytes.clear();
        writer.write(grid, previous.getWidth() > 0 ? &previous : nullptr, bytes);
        previous = grid;
        if (playFrames++ > 0)
        {
            streamBytes += static_cast<double>(bytes.size());
        }
        if (grids.size() < KEPT_GRIDS)
        {
            grids.push_back(grid);
        }
        return 1;
    }

    GameStart* start;
    int steps = 0;
    long playFrames = 0;
    double streamBytes = 0;
    std::vector<qm::CellGrid> grids;

private:
    std::mt19937 random{22};
    qm::AnsiWriter writer{qm::COLORS_256};
    qm::CellGrid previous;
    std::string bytes;
};

struct Minute
{
    bool ok = false;
    double castBytes = 0;
    double replayBytes = 0;
    double streamBytesPerSecond = 0;
    std::vector<qm::CellGrid> grids;
};

// The engine (headless, serving the cell stream on a port of the system's choice) and its
// minute of play, recorded; made once.
const Minute& minute()
{
    static Minute result = []
    {
        Minute made;
        const std::filesystem::path run(QM_RUN_DIR);
        std::filesystem::create_directories(run);
        const std::string config = (run / "watch-bench-config.txt").string();
        std::ofstream(config) << "headless:true,\nframe_time:33,\nrandom_seed:22,\nnetworking:true,\n"
                                 "cell_stream:true,\ncell_port:0,\ncell_clients:64,\n";
        setenv("QUILLMERE_CONFIG", config.c_str(), 1);
        setenv("QUILLMERE_LOG", (run / "watch-bench.log").string().c_str(), 1);
        const std::string cast = (run / "watch-bench.cast").string();
        const std::string replay = (run / "watch-bench.replay").string();
        qm::CastRecorder::getInstance().recordTo(cast);
        qm::InputReplay::getInstance().recordTo(replay);
        qm::GameManager& game = qm::GameManager::getInstance();
        game.setPacing(false);
        if (game.startUp() != 0)
        {
            return made;
        }
        std::filesystem::current_path(run);
        loadResources();
        auto* player = new Player(new GameStart);
        game.run();
        qm::CastRecorder::getInstance().finish();
        qm::InputReplay::getInstance().finish();
        made.ok = true;
        made.castBytes = static_cast<double>(std::filesystem::file_size(cast));
        made.replayBytes = static_cast<double>(std::filesystem::file_size(replay));
        made.streamBytesPerSecond =
            player->streamBytes / static_cast<double>(std::max(player->playFrames - 1, 1L)) * 1000.0 / 33.0;
        made.grids = player->grids;
        return made;
    }();
    return result;
}

void BM_OneMinuteOfPlayRecorded(benchmark::State& state)
{
    const Minute& played = minute();
    if (!played.ok)
    {
        state.SkipWithError("the engine did not start");
        return;
    }
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(played.castBytes);
    }
    state.counters["cast bytes/min"] = played.castBytes;
    state.counters["replay bytes/min"] = played.replayBytes;
    state.counters["stream bytes/s"] = played.streamBytesPerSecond;
}
BENCHMARK(BM_OneMinuteOfPlayRecorded)->Iterations(1);

// One frame of the stream: the game's next grid served to `clients` connected terminals, which
// read everything between frames (outside the timing).
void BM_CellStreamServe(benchmark::State& state)
{
    const Minute& played = minute();
    qm::CellStream& stream = qm::CellStream::getInstance();
    if (!played.ok || played.grids.empty() || !stream.isServing())
    {
        state.SkipWithError("no stream");
        return;
    }
    std::vector<int> clients;
    int error = 0;
    for (int i = 0; i < state.range(0); ++i)
    {
        clients.push_back(qm::platform::connectTcp("127.0.0.1", std::to_string(stream.getPort()), 2000, error));
    }
    std::vector<char> buffer(1 << 16);
    auto drain = [&]
    {
        for (const int client : clients)
        {
            while (qm::platform::receiveBytes(client, buffer.data(), static_cast<long>(buffer.size()), error) > 0)
            {
            }
        }
    };
    stream.serve(played.grids[0]); // the newcomers' whole screens
    drain();
    std::size_t next = 1;
    for (auto _ : state)
    {
        stream.serve(played.grids[next]);
        next = next + 1 < played.grids.size() ? next + 1 : 0;
        state.PauseTiming();
        drain();
        state.ResumeTiming();
    }
    state.counters["clients"] = static_cast<double>(stream.getClientCount());
    for (const int client : clients)
    {
        qm::platform::closeSocket(client, error);
    }
    stream.serve(played.grids[0]); // the stream notices they left
}
BENCHMARK(BM_CellStreamServe)->ArgName("clients")->Arg(1)->Arg(50)->Unit(benchmark::kMicrosecond);

} // namespace
