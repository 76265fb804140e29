// A game served over loopback and the real quillmere-watch program watching it: headless, the copies end as
// the game's objects were; in windows, the watcher shows what the game's window shows, cell by cell.
#include "GameStart.h"
#include "WorldServer.h"
#include "loadResources.h"
#include "support/GameProcess.h"
#include "support/InputDriver.h"
#include "support/VirtualDisplay.h"
#include "support/WorldTest.h"

#include <qm/EventStep.h>
#include <qm/NetworkManager.h>
#include <qm/WorldManager.h>

#include <SFML/Graphics/Image.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <regex>
#include <thread>

namespace
{

using qmtest::countOf;

// Every object's whole attribute text, one line each in id order, leaving out `skip`.
std::string worldText(const qm::Object* skip)
{
    std::map<int, std::string> lines;
    for (qm::Object* object : qmtest::contents(qm::WorldManager::getInstance().getAllObjects(true)))
    {
        lines[object->getId()] = object != skip ? object->serialize("ALL") + "\n" : "";
    }
    std::string text;
    for (const auto& line : lines)
    {
        text += line.second;
    }
    return text;
}

using WatchedGame = qmtest::EngineTest;

// The test process is the game, headless; the watcher is the real program.
TEST_F(WatchedGame, TheWatchersCopiesEndAsTheGamesObjectsWere)
{
    std::filesystem::current_path(QM_RUN_DIR);
    ASSERT_EQ(startEngine("networking:true,\nnetwork_port:0,\nrandom_seed:11,\nframe_time:20,\n"), 0);
    loadResources();
    auto* server = new WorldServer;
    const int port = qm::NetworkManager::getInstance().getServerPort();
    ASSERT_GT(port, 0);
    auto* script = new qmtest::RecordingObject;
    script->registerInterest(qm::EVENT_STEP);
    auto* start = new GameStart;

    qmtest::ScratchDir watchDir;
    const std::string copiesFile = watchDir.file("copies.txt");
    qmtest::GameProcess watcher("headless:true,\n", "quillmere-watch", {"127.0.0.1", std::to_string(port)},
                                {"QUILLMERE_WATCH_COPIES=" + copiesFile});

    int startedAt = -1;
    std::string gameText;
    script->onEvent = [&](const qm::Event* event)
    {
        const int step = static_cast<const qm::EventStep*>(event)->getStepCount();
        if (startedAt < 0 && qm::NetworkManager::getInstance().getNumConnections() > 0)
        {
            startedAt = step;
            start->startGame();
        }
        // 70 steps into the game (enemies and bubbles moved; the server served this step first),
        // or no watcher after 500.
        else if (startedAt >= 0 ? step - startedAt == 70 : step > 500)
        {
            gameText = worldText(server);
            qm::GameManager::getInstance().setGameOver();
        }
    };
    qm::GameManager::getInstance().run();
    ASSERT_GE(startedAt, 0) << "the watcher never connected:\n" << watcher.log();
    qm::GameManager::getInstance().shutDown(); // the watcher ends when the game closes the connection
    EXPECT_EQ(watcher.waitForExit(), 0) << watcher.log();
    EXPECT_EQ(countOf(watcher.log(), "Watcher::eventHandler(): The game closed the connection."), 1);

    EXPECT_GT(countOf(gameText, "type:Player,"), 0) << gameText;
    EXPECT_GT(countOf(gameText, "view_string:"), 2) << "the score displays";
    EXPECT_EQ(qmtest::readFile(copiesFile), gameText);
}

// Side by side, 640 x 480 (80 x 24 cells of 8 x 20 pixels): the game, paused, and its watcher.
class WatchedWindow : public ::testing::Test
{
protected:
    static constexpr unsigned WIDTH = 640;
    static constexpr unsigned HEIGHT = 480;

    bool capture(unsigned long window, const std::string& name, sf::Image& image) const
    {
        const std::string file = game.dir.file(name);
        return qmtest::runCommand("import -window " + std::to_string(window) + " png:'" + file + "' >/dev/null 2>&1") ==
                   0 &&
               image.loadFromFile(file) && image.getSize() == sf::Vector2u(WIDTH, HEIGHT);
    }

    qmtest::VirtualDisplay xserver;
    const std::string windowConfig = "window_horizontal_pixels:640,\nwindow_vertical_pixels:480,\nnetworking:true,\n";
    qmtest::GameProcess game{windowConfig + "network_port:0,\nrandom_seed:4242,\n"};
};

TEST_F(WatchedWindow, TheWatcherShowsWhatThePausedGameShowsCellByCell)
{
    ASSERT_TRUE(xserver.ok());
    ASSERT_TRUE(game.focusWindow());
    ASSERT_TRUE(qmtest::xdotool("key --delay 60 Return")); // past the splash screens
    ASSERT_TRUE(game.waitForLog("Pause::Pause(): Pause enabled.")) << game.log();
    std::smatch port;
    const std::string gameLog = game.log();
    ASSERT_TRUE(std::regex_search(gameLog, port, std::regex(R"(Listening on 127\.0\.0\.1:(\d+)\.)"))) << gameLog;

    qmtest::GameProcess watcher(windowConfig + "window_title:Quillmere-watch,\n", "quillmere-watch",
                                {"127.0.0.1", port[1].str()});
    ASSERT_TRUE(watcher.focusWindow("Quillmere-watch")) << watcher.log();
    // Side by side: a window that covers part of another hides that part from its capture.
    ASSERT_TRUE(qmtest::xdotool("windowmove " + std::to_string(game.windowId()) + " 0 0"));
    ASSERT_TRUE(qmtest::xdotool("windowmove " + std::to_string(watcher.windowId()) + " 640 0"));
    ASSERT_TRUE(game.waitForLog("WorldServer::eventHandler(): Watcher 0 connected.")) << game.log();
    ASSERT_TRUE(game.focusWindow());
    ASSERT_TRUE(qmtest::xdotool("key --delay 60 space"));
    ASSERT_TRUE(game.waitForLog("WorldManager::isValid(): Event qm-collision handled automatically."));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // enemies and bubbles on their way
    ASSERT_TRUE(qmtest::xdotool("key --delay 60 F10"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000)); // the game paused, the watcher caught up

    sf::Image shown;
    sf::Image watched;
    ASSERT_TRUE(capture(game.windowId(), "game.png", shown));
    ASSERT_TRUE(capture(watcher.windowId(), "watcher.png", watched));
    std::vector<bool> differs(80 * 24), drawn(80 * 24); // by cell, row * 80 + column
    for (unsigned y = 0; y < HEIGHT; ++y)
    {
        for (unsigned x = 0; x < WIDTH; ++x)
        {
            const sf::Color c = shown.getPixel(x, y);
            const std::size_t cell = y / 20 * 80 + x / 8;
            differs[cell] = differs[cell] || c != watched.getPixel(x, y);
            drawn[cell] = drawn[cell] || c != sf::Color::Black;
        }
    }
    EXPECT_GT(std::count(drawn.begin(), drawn.end(), true), 100) << "the ground, the fish and the displays";
    const long first = std::find(differs.begin(), differs.end(), true) - differs.begin();
    EXPECT_EQ(first, 80 * 24) << std::count(differs.begin(), differs.end(), true)
                              << " cells differ, the first at column " << first % 80 << ", row " << first / 80
                              << "; see " << game.dir.path();
    ASSERT_TRUE(qmtest::xdotool("key --delay 60 F10")); // resume: the watcher ends with the game
}

} // namespace
