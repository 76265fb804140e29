// A game served over loopback and the real quillmere-watch program watching it: headless,
// the watcher's copies end as the game's objects were; in windows, the watcher shows what
// the game's window shows, cell by cell.
#include "GameStart.h"
#include "WorldServer.h"
#include "loadResources.h"
#include "support/GameProcess.h"
#include "support/InputDriver.h"
#include "support/VirtualDisplay.h"

#include <qm/EventKeyboard.h>
#include <qm/EventStep.h>
#include <qm/InputManager.h>
#include <qm/NetworkManager.h>
#include <qm/ObjectListIterator.h>
#include <qm/WorldManager.h>

#include <SFML/Graphics/Image.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

namespace
{

using qmtest::countOf;

// Every object's whole attribute text, one line each in id order, leaving out `skip`.
std::string worldText(const qm::Object* skip)
{
    std::map<int, std::string> lines;
    const qm::ObjectList all = qm::WorldManager::getInstance().getAllObjects(true);
    for (qm::ObjectListIterator it(&all); !it.isDone(); it.next())
    {
        if (it.currentObject() != skip)
        {
            lines[it.currentObject()->getId()] = it.currentObject()->serialize("ALL");
        }
    }
    std::string text;
    for (const auto& line : lines)
    {
        text += line.second + "\n";
    }
    return text;
}

void key(int which, int action)
{
    qm::EventKeyboard event;
    event.setKey(which);
    event.setKeyboardAction(action);
    qm::InputManager::getInstance().onEvent(&event);
}

class WatchedGame : public qmtest::EngineTest
{
};

// The test process is the game, headless, its keys scripted; the watcher is the real program.
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
        if (startedAt < 0)
        {
            if (qm::NetworkManager::getInstance().getNumConnections() > 0)
            {
                startedAt = step;
                start->startGame();
            }
            else if (step > 500)
            {
                qm::GameManager::getInstance().setGameOver();
            }
            return;
        }
        // Walk right, jump, walk left while enemies and bubbles move; the server has served
        // this step before this handler runs (it registered first).
        const int r = step - startedAt;
        if (r >= 5 && r < 25)
        {
            key(qm::D, r == 5 ? qm::KEY_PRESS : qm::KEY_HELD);
        }
        if (r == 25)
        {
            key(qm::D, qm::KEY_RELEASE);
        }
        if (r == 30)
        {
            key(qm::SPACE, qm::KEY_PRESS);
        }
        if (r >= 40 && r < 50)
        {
            key(qm::A, qm::KEY_HELD);
        }
        if (r == 70)
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

} // namespace
