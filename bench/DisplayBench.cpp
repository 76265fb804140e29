// Cost of drawing in a real window, both ways the engine can draw: every character its own
// background rectangle and glyph (two draw calls; "batch_drawing:false"), or the frame's
// characters collected and drawn with one call (the default). A full 80 x 24 screen is 1,920
// characters. Also the cost of drawing sprites and of reading the game's sprite files.
// Needs a display; scripts/run-benchmarks.sh gives it a virtual one when there is none.
#include <qm/Animation.h>
#include <qm/AnsiWriter.h>
#include <qm/CellGrid.h>
#include <qm/DisplayManager.h>
#include <qm/EngineCounters.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/ResourceManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

const char* const GAME_SPRITES[][2] = {
    {"saucer", "saucer-spr.txt"},
    {"ship", "ship-spr.txt"},
    {"bullet", "bullet-spr.txt"},
    {"explosion", "explosion-spr.txt"},
    {"gameover", "gameover-spr.txt"},
    {"gamestart", "gamestart-spr.txt"},
    {"ground", "ground-spr.txt"},
    {"enemy-fish", "enemy-fish-spr.txt"},
    {"enemy-seaweed", "enemy-seaweed-spr.txt"},
    {"player", "player-spr.txt"},
    {"player-crouch", "player-crouch-spr.txt"},
    {"powered-up", "player-powered-spr.txt"},
    {"background", "background1-spr.txt"},
    {"dead-player", "dead-player-spr.txt"},
    {"powered-crouch", "player-powered-crouch-spr.txt"},
    {"invincible-powerup", "powerups/invincible-powerup-spr.txt"},
    {"jump-powerup", "powerups/jump-powerup-spr.txt"},
    {"slow-powerup", "powerups/slow-powerup-spr.txt"},
    {"speed-powerup", "powerups/speed-powerup-spr.txt"},
};

// The engine with its default 1024 x 768 window of 80 x 24 cells, started once for all
// benchmarks, its log and configuration in the temporary folder.
class Engine
{
public:
    Engine()
    {
        const std::string stem = "/tmp/qm-display-bench-" + std::to_string(getpid());
        configPath = stem + ".cfg";
        logPath = stem + ".log";
        // QM_BENCH_DISPLAY_CONFIG adds settings, e.g. "window_resizable:true," to measure the
        // picture scaled to the window.
        const char* extra = std::getenv("QM_BENCH_DISPLAY_CONFIG");
        std::ofstream(configPath) << "font_file:" << QM_RUN_DIR << "/qm-font.ttf,\n" << (extra ? extra : "");
        setenv("QUILLMERE_CONFIG", configPath.c_str(), 1);
        setenv("QUILLMERE_LOG", logPath.c_str(), 1);
        started = qm::GameManager::getInstance().startUp() == 0;
        if (started)
        {
            // Measure the drawing, not the wait for the screen's refresh.
            qm::DisplayManager::getInstance().getWindow()->setVerticalSyncEnabled(false);
        }
    }

    ~Engine()
    {
        qm::GameManager::getInstance().shutDown();
        std::remove(configPath.c_str());
        std::remove(logPath.c_str());
    }

    bool started = false;

private:
    std::string configPath;
    std::string logPath;
};

bool engineReady(benchmark::State& state)
{
    static Engine engine;
    if (!engine.started)
    {
        state.SkipWithError("the engine could not open its window (no display?)");
    }
    return engine.started;
}

// Processor time used so far by all threads of this process, in milliseconds.
double processCpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// Milliseconds per full-screen frame drawn cell by cell, and collected, in this run, for ratios.
double perCellMilliseconds = 0;
double batchedMilliseconds = 0;

// A whole screen of characters in all eight colours, changing every frame, then the swap that
// shows it: cell by cell (argument 0), then collected (argument 1), whose "x per-cell" counter
// is how many times faster it is than the first in the same run.
void BM_FullScreenFrame(benchmark::State& state)
{
    if (!engineReady(state))
    {
        return;
    }
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    const bool batched = state.range(0) == 1;
    display.setBatched(batched);
    if (display.isBatched() != batched)
    {
        state.SkipWithError("the display cannot collect characters");
        return;
    }
    const int columns = display.getHorizontal();
    const int rows = display.getVertical();
    long characters = 0;
    long drawCalls = 0;
    int frame = 0;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = processCpuMilliseconds();
    for (auto _ : state)
    {
        for (int y = 0; y < rows; ++y)
        {
            for (int x = 0; x < columns; ++x)
            {
                const char ch = static_cast<char>('!' + (x + y + frame) % 94);
                if (display.drawCh(qm::Vector(static_cast<float>(x), static_cast<float>(y)), ch, (x + y + frame) % 8) ==
                    0)
                {
                    ++characters;
                }
            }
        }
        display.swapBuffers();
        drawCalls += qm::getEngineCounters().frameDrawCalls;
        ++frame;
    }
    const double frames = static_cast<double>(state.iterations());
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / frames;
    // The whole process's processor time, the renderer's own threads included.
    state.counters["cpu ms/frame"] = (processCpuMilliseconds() - cpuStart) / frames;
    state.counters["chars/frame"] = static_cast<double>(characters) / frames;
    state.counters["draws/frame"] = static_cast<double>(drawCalls) / frames;
    state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    if (batched)
    {
        batchedMilliseconds = milliseconds;
    }
    if (!batched)
    {
        perCellMilliseconds = milliseconds;
    }
    else if (perCellMilliseconds > 0)
    {
        state.counters["x per-cell"] = perCellMilliseconds / milliseconds;
    }
    display.setBatched(true);
}
BENCHMARK(BM_FullScreenFrame)
    ->ArgName("batched")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

// What the grid of cells adds to every frame (argument 0): the same full screen set into a grid
// as drawCh does (its engine colour at the cell of its view position), then the swap of the shown and drawn grids and
// the clearing of the new one. With argument 1, also what the terminal display does with the frame: the ANSI bytes of
// the cells that changed. "% of window frame" compares with the collected full-screen frame above.
void BM_FullScreenCells(benchmark::State& state)
{
    if (!engineReady(state))
    {
        return;
    }
    const bool ansi = state.range(0) == 1;
    const qm::DisplayManager& display = qm::DisplayManager::getInstance();
    const int columns = display.getHorizontal();
    const int rows = display.getVertical();
    const qm::CellColor background = qm::CellColor::engine(qm::BLACK);
    qm::CellGrid drawing, shown;
    drawing.resize(columns, rows, background);
    shown.resize(columns, rows, background);
    const qm::AnsiWriter writer(qm::COLORS_256);
    std::string bytes;
    double totalBytes = 0;
    int frame = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
    {
        for (int y = 0; y < rows; ++y)
        {
            for (int x = 0; x < columns; ++x)
            {
                const char ch = static_cast<char>('!' + (x + y + frame) % 94);
                const int color = (x + y + frame) % 8;
                const qm::Vector cell = qm::worldToView(qm::Vector(static_cast<float>(x), static_cast<float>(y)));
                drawing.put(cell, static_cast<unsigned char>(ch), qm::CellColor::engine(color), background);
            }
        }
        if (ansi)
        {
            bytes.clear();
            writer.write(drawing, &shown, bytes);
            totalBytes += static_cast<double>(bytes.size());
        }
        std::swap(shown, drawing);
        drawing.clear(background);
        benchmark::DoNotOptimize(shown.getCells().data());
        ++frame;
    }
    const double frames = static_cast<double>(state.iterations());
    const double milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / frames;
    if (batchedMilliseconds > 0)
    {
        state.counters["% of window frame"] = 100.0 * milliseconds / batchedMilliseconds;
    }
    if (ansi)
    {
        state.counters["bytes/frame"] = totalBytes / frames;
    }
}
BENCHMARK(BM_FullScreenCells)->ArgName("ansi")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The floor under every frame: showing and clearing the window with nothing drawn.
void BM_EmptyFrame(benchmark::State& state)
{
    if (!engineReady(state))
    {
        return;
    }
    for (auto _ : state)
    {
        qm::DisplayManager::getInstance().swapBuffers();
    }
}
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

// A frame of play: the game's scenery and creatures drawn from their sprites, then the swap.
void BM_GameSpritesFrame(benchmark::State& state)
{
    if (!engineReady(state))
    {
        return;
    }
    qm::ResourceManager& resources = qm::ResourceManager::getInstance();
    const std::string folder = std::string(QM_RUN_DIR) + "/sprites/";
    const std::pair<const char*, qm::Vector> scene[] = {
        {"background", qm::Vector(40, 5)},         {"ground", qm::Vector(40, 21.2f)},
        {"player", qm::Vector(8, 17.5f)},          {"enemy-fish", qm::Vector(52, 15.2f)},
        {"enemy-seaweed", qm::Vector(68, 16.95f)}, {"speed-powerup", qm::Vector(28, 14)},
    };
    std::vector<qm::Animation> animations;
    for (const auto& [label, where] : scene)
    {
        if (resources.getSprite(label) == nullptr)
        {
            for (const auto& sprite : GAME_SPRITES)
            {
                if (std::string(sprite[0]) == label)
                {
                    (void)resources.loadSprite(folder + sprite[1], label);
                }
            }
        }
        animations.emplace_back();
        animations.back().setSprite(resources.getSprite(label));
    }
    for (auto _ : state)
    {
        for (std::size_t i = 0; i < animations.size(); ++i)
        {
            animations[i].draw(scene[i].second);
        }
        qm::DisplayManager::getInstance().swapBuffers();
    }
}
BENCHMARK(BM_GameSpritesFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Reading all 19 of the game's sprite files, as the game does once at start-up.
void BM_LoadGameSprites(benchmark::State& state)
{
    if (!engineReady(state))
    {
        return;
    }
    qm::ResourceManager& resources = qm::ResourceManager::getInstance();
    const std::string folder = std::string(QM_RUN_DIR) + "/sprites/";
    for (auto _ : state)
    {
        state.PauseTiming();
        resources.shutDown(); // room for the next 19
        resources.startUp();
        state.ResumeTiming();
        for (const auto& sprite : GAME_SPRITES)
        {
            benchmark::DoNotOptimize(resources.loadSprite(folder + sprite[1], sprite[0]));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(std::size(GAME_SPRITES)));
}
BENCHMARK(BM_LoadGameSprites)->Unit(benchmark::kMillisecond);

} // namespace
