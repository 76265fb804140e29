// What the terminal display sends for the fish game in play: the bytes of each frame's changed
// cells (mean and max over a long game with scripted keys), and the time to make them, at
// each colour depth. Headless: the frames are the engine's grids of cells, written as the
// terminal display writes them.
#include "GameStart.h"
#include "HeadlessEngine.h"
#include "loadResources.h"

#include <qm/AnsiWriter.h>
#include <qm/DisplayManager.h>
#include <qm/EventKeyboard.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/WorldManager.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <vector>

namespace
{

void queue(int key, int action)
{
    qm::EventKeyboard event;
    event.setKey(key);
    event.setKeyboardAction(action);
    (void)qm::InputManager::getInstance().queueKeyboard(event);
}

// Frames of play: the game started from its start screen with Space and played with held keys
// (right, still, left, still, a second each) and jumps, restarted whenever it ends. Argument:
// the colour depth.
void BM_GameInPlayFrameBytes(benchmark::State& state)
{
    static HeadlessEngine engine("terminal-bench");
    static GameStart* start = nullptr;
    if (!engine.started)
    {
        state.SkipWithError("the engine did not start");
        return;
    }
    if (start == nullptr)
    {
        std::filesystem::current_path(QM_RUN_DIR);
        loadResources();
        start = new GameStart;
    }
    const qm::AnsiWriter writer(static_cast<qm::ColorDepth>(state.range(0)));
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    qm::WorldManager& world = qm::WorldManager::getInstance();
    std::mt19937 random(21);
    qm::CellGrid previous;
    std::string bytes;
    double totalBytes = 0, writeMicroseconds = 0;
    std::size_t most = 0;
    long frames = 0;
    int step = 0;
    for (auto _ : state)
    {
        if (start->isActive())
        {
            queue(qm::SPACE, qm::KEY_PRESS);
        }
        else
        {
            // Walks right, stands, walks left and stands, a second each; jumps now and then.
            const int phase = (step / 30) % 4;
            if (phase == 0 || phase == 2)
            {
                queue(phase == 0 ? qm::D : qm::A, qm::KEY_HELD);
            }
            if (random() % 25 == 0)
            {
                queue(qm::SPACE, qm::KEY_PRESS);
                queue(qm::SPACE, qm::KEY_HELD);
            }
        }
        display.swapBuffers();
        qm::InputManager::getInstance().getInput();
        const qm::EventStep event(step++);
        qm::GameManager::getInstance().onEvent(&event);
        world.update();
        world.draw();
        if (start->isActive())
        {
            continue; // only frames of play count
        }
        const qm::CellGrid& grid = display.getCellGrid();
        bytes.clear();
        const auto begin = std::chrono::steady_clock::now();
        writer.write(grid, previous.getWidth() > 0 ? &previous : nullptr, bytes);
        writeMicroseconds +=
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count();
        previous = grid;
        if (frames++ > 0) // the first frame is the whole screen
        {
            totalBytes += static_cast<double>(bytes.size());
            most = std::max(most, bytes.size());
        }
    }
    const double counted = static_cast<double>(std::max(frames - 1, 1L));
    state.counters["play frames"] = static_cast<double>(frames);
    state.counters["mean bytes/frame"] = totalBytes / counted;
    state.counters["max bytes/frame"] = static_cast<double>(most);
    state.counters["ansi us/frame"] = writeMicroseconds / static_cast<double>(std::max(frames, 1L));
}
BENCHMARK(BM_GameInPlayFrameBytes)
    ->ArgName("depth")
    ->Arg(qm::COLORS_8)
    ->Arg(qm::COLORS_24BIT)
    ->Iterations(5000)
    ->Unit(benchmark::kMicrosecond);

} // namespace
