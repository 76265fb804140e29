// The watch page in a real headless browser: it says the game is not reachable, reconnects when
// the game starts serving its cells, shows the start screen, and once the game stops stepping
// shows exactly the characters of the game's last grid.
#include "GameStart.h"
#include "loadResources.h"
#include "platform/Socket.h"
#include "support/EngineTest.h"

#include <qm/CellStream.h>
#include <qm/DisplayManager.h>
#include <qm/EventStep.h>
#include <qm/InputManager.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// A program of its own process group, killed with its children when this goes.
class Child
{
public:
    explicit Child(std::vector<std::string> arguments, const std::string& output)
    {
        pid = fork();
        if (pid == 0)
        {
            setpgid(0, 0);
            const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            std::vector<char*> argv;
            for (std::string& argument : arguments)
            {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            execvp(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Child()
    {
        kill(-pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Waits up to `seconds` for the program to end by itself.
    bool ends(int seconds)
    {
        for (int i = 0; i < seconds * 10; ++i)
        {
            if (waitpid(pid, nullptr, WNOHANG) == pid)
            {
                pid = -pid; // nothing left to kill but its group
                return true;
            }
            qm::platform::sleepMilliseconds(100);
        }
        return false;
    }

private:
    pid_t pid = -1;
};

// A port free now (bound by the system, then let go).
int freePort()
{
    int error = 0;
    std::string bound;
    const int socket = qm::platform::listenTcp("127.0.0.1", "0", bound, error);
    const int port = qm::platform::localPort(socket);
    qm::platform::closeSocket(socket, error);
    return port;
}

// Waits up to `seconds` for `ready`, checking every 100 ms.
template <typename Ready> bool waitUntil(Ready ready, int seconds)
{
    for (int i = 0; i < seconds * 10; ++i)
    {
        if (ready())
        {
            return true;
        }
        qm::platform::sleepMilliseconds(100);
    }
    return ready();
}

using WatchPage = qmtest::EngineTest;

TEST_F(WatchPage, ShowsTheStartScreenAfterReconnectingAndTheGamesGridOnceItStops)
{
    const int cellPort = freePort();
    const int webPort = freePort();
    const std::string snapshot = dir.file("page.txt");
    const std::string stop = dir.file("stop");
    setenv("QM_WEB_DIR", QM_WEB_DIR, 1);
    Child bridge({"websockify", "--web", QM_WEB_DIR, std::to_string(webPort), "127.0.0.1:" + std::to_string(cellPort)},
                 dir.file("bridge.txt"));
    ASSERT_TRUE(
        waitUntil([&] { return qmtest::readFile(dir.file("bridge.txt")).find("proxying") != std::string::npos; }, 10))
        << qmtest::readFile(dir.file("bridge.txt"));
    Child browser({"node", QM_SOURCE_DIR "/tests/watch/watch-page.js",
                   "http://127.0.0.1:" + std::to_string(webPort) + "/index.html", snapshot, stop, dir.file("profile")},
                  dir.file("browser.txt"));
    // No game yet: the page says so.
    EXPECT_TRUE(waitUntil([&] { return qmtest::readFile(snapshot).find("not reachable") != std::string::npos; }, 30))
        << qmtest::readFile(snapshot) << qmtest::readFile(dir.file("browser.txt"));

    std::filesystem::current_path(QM_RUN_DIR);
    ASSERT_EQ(startEngine("frame_time:33,\nnetworking:true,\ncell_stream:true,\ncell_port:" + std::to_string(cellPort) +
                          ",\n"),
              0);
    loadResources();
    new GameStart;
    // The loop runs until the page shows the start screen, then starts a game (Space) and
    // stops 45 steps later: the stream's last frame is the grid the engine reports.
    auto* conductor = new qmtest::RecordingObject;
    conductor->registerInterest(qm::EVENT_STEP);
    bool startScreenShown = false;
    int stepsLeft = -1;
    conductor->onEvent = [&](const qm::Event* event)
    {
        const int step = static_cast<const qm::EventStep*>(event)->getStepCount();
        if (stepsLeft < 0 && qmtest::readFile(snapshot).find("Space or P") != std::string::npos)
        {
            startScreenShown = true;
            stepsLeft = 45;
            EXPECT_EQ(qm::InputManager::getInstance().queueKeyboard(qmtest::keyEvent(qm::SPACE, qm::KEY_PRESS)), 0);
        }
        if (stepsLeft == 0 || step > 30 * 40)
        {
            qm::GameManager::getInstance().setGameOver();
        }
        stepsLeft -= stepsLeft > 0 ? 1 : 0;
    };
    qm::GameManager::getInstance().run();
    EXPECT_TRUE(startScreenShown) << qmtest::readFile(snapshot);
    EXPECT_EQ(qm::CellStream::getInstance().getClientCount(), 1) << "the page keeps one connection";

    // The page's lines lose their trailing blanks.
    std::string grid;
    std::istringstream rows(qm::DisplayManager::getInstance().getCellGrid().toText());
    for (std::string row; std::getline(rows, row);)
    {
        grid += (grid.empty() ? "" : "\n") + row.substr(0, row.find_last_not_of(' ') + 1);
    }
    EXPECT_EQ(grid.find("Space or P"), std::string::npos) << "the game should be in play";
    std::string shown;
    EXPECT_TRUE(waitUntil(
        [&]
        {
            shown = qmtest::readFile(snapshot);
            shown = shown.substr(shown.find('\n') + 1);
            return shown == grid;
        },
        10))
        << "page:\n"
        << shown << "\ngrid:\n"
        << grid;
    EXPECT_NE(qmtest::readFile(snapshot).find("Watching the game at ws://127.0.0.1:"), std::string::npos);
    std::ofstream(stop) << "done";
    EXPECT_TRUE(browser.ends(30)) << qmtest::readFile(dir.file("browser.txt"));
}

} // namespace
