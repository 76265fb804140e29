// The live cell stream as people watch it: on the watch page in a real headless browser (Chromium driven by
// puppeteer-core, through websockify). It says when the game is not reachable, reconnects, shows the start screen,
// and once the game stops stepping, exactly the characters of the game's last grid.
#include "GameStart.h"
#include "loadResources.h"
#include "platform/Socket.h"
#include "support/EngineTest.h"
#include "support/InputDriver.h"

#include <qm/CellStream.h>
#include <qm/DisplayManager.h>
#include <qm/EventStep.h>
#include <qm/InputManager.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <regex>
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

    // Waits up to `seconds` for the program to end by itself.
    bool ends(int seconds)
    {
        const bool ended = qmtest::waitFor([this] { return waitpid(pid, nullptr, WNOHANG) == pid; }, seconds);
        pid = ended ? -pid : pid; // once ended, nothing left to kill but its group
        return ended;
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

// The watch page's screen, its status line first, without trailing blanks.
class LiveStream : public qmtest::EngineTest
{
protected:
    std::string screen() const { return qmtest::readFile(dir.file("page.txt")); }
    void TearDown() override
    {
        if (browser)
        {
            std::ofstream(dir.file("stop")) << "done";
            EXPECT_TRUE(browser->ends(30)) << qmtest::readFile(dir.file("browser.txt"));
        }
        qmtest::EngineTest::TearDown();
    }

    std::unique_ptr<Child> bridge;
    std::unique_ptr<Child> browser;
};

TEST_F(LiveStream, ShowsTheStartScreenThenTheGamesLastGridOnceItStops)
{
    const int cellPort = freePort();
    const int webPort = freePort();
    setenv("QM_WEB_DIR", QM_WEB_DIR, 1);
    bridge =
        std::make_unique<Child>(std::vector<std::string>{"websockify", "--web", QM_WEB_DIR, std::to_string(webPort),
                                                         "127.0.0.1:" + std::to_string(cellPort)},
                                dir.file("bridge.txt"));
    ASSERT_TRUE(qmtest::waitFor(
        [&] { return qmtest::readFile(dir.file("bridge.txt")).find("proxying") != std::string::npos; }, 10))
        << qmtest::readFile(dir.file("bridge.txt"));
    browser =
        std::make_unique<Child>(std::vector<std::string>{"node", QM_SOURCE_DIR "/tests/watch/watch-page.js",
                                                         "http://127.0.0.1:" + std::to_string(webPort) + "/index.html",
                                                         dir.file("page.txt"), dir.file("stop"), dir.file("profile")},
                                dir.file("browser.txt"));
    // No game yet: the page says so (and tries again).
    EXPECT_TRUE(qmtest::waitFor([&] { return screen().find("not reachable") != std::string::npos; }, 30))
        << screen() << qmtest::readFile(dir.file("browser.txt"));
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
    int stepsLeft = -1;
    conductor->onEvent = [&](const qm::Event* event)
    {
        const int step = static_cast<const qm::EventStep*>(event)->getStepCount();
        if (stepsLeft < 0 && step % 5 == 0 && screen().find("Space or P") != std::string::npos)
        {
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
    EXPECT_EQ(stepsLeft, 0) << "the start screen never showed:\n" << screen();
    EXPECT_EQ(qm::CellStream::getInstance().getClientCount(), 1) << "the viewer keeps one connection";

    // The page's lines lose their trailing blanks.
    const std::string grid =
        std::regex_replace(qm::DisplayManager::getInstance().getCellGrid().toText(), std::regex(" +(\n|$)"), "$1");
    EXPECT_EQ(grid.find("Space or P"), std::string::npos) << "the game should be in play";
    std::string shown;
    EXPECT_TRUE(qmtest::waitFor(
        [&]
        {
            shown = screen();
            return shown.substr(shown.find('\n') + 1) == grid;
        },
        10))
        << shown << "\n--- grid:\n"
        << grid;
    EXPECT_NE(shown.find("Watching the game at ws://127.0.0.1:"), std::string::npos) << shown;
}

} // namespace
