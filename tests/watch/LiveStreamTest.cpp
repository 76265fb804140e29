// The live cell stream as people watch it: in a real terminal (`nc` in a tmux pane) and on the
// watch page in a real headless browser (Chromium driven by puppeteer-core, through
// websockify). Each shows the start screen, and once the game stops stepping, exactly the
// characters of the game's last grid; the page also says when the game is not reachable, and
// reconnects.
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

// `text` with the trailing blanks of each line removed.
std::string trimmed(const std::string& text)
{
    std::string lines;
    std::istringstream rows(text);
    for (std::string row; std::getline(rows, row);)
    {
        lines += (lines.empty() ? "" : "\n") + row.substr(0, row.find_last_not_of(' ') + 1);
    }
    return lines;
}

// The screen a viewer shows, without trailing blanks; the browser's status line first.
class LiveStream : public qmtest::EngineTest, public ::testing::WithParamInterface<const char*>
{
protected:
    bool inBrowser() const { return std::string(GetParam()) == "browser"; }

    // Starts the viewer of the stream on `cellPort` (the browser before the game serves).
    void startViewer(int cellPort)
    {
        if (!inBrowser())
        {
            dir.write("tmux.conf", "set -g status off\n");
            tmux = "tmux -S " + dir.file("tmux.sock") + " -f " + dir.file("tmux.conf") + " ";
            ASSERT_EQ(qmtest::runCommand(tmux + "new-session -d -s watch -x 80 -y 24 'nc 127.0.0.1 " +
                                         std::to_string(cellPort) + "; sleep 600'"),
                      0);
            return;
        }
        const int webPort = freePort();
        setenv("QM_WEB_DIR", QM_WEB_DIR, 1);
        bridge =
            std::make_unique<Child>(std::vector<std::string>{"websockify", "--web", QM_WEB_DIR, std::to_string(webPort),
                                                             "127.0.0.1:" + std::to_string(cellPort)},
                                    dir.file("bridge.txt"));
        ASSERT_TRUE(qmtest::waitFor(
            [&] { return qmtest::readFile(dir.file("bridge.txt")).find("proxying") != std::string::npos; }, 10))
            << qmtest::readFile(dir.file("bridge.txt"));
        browser = std::make_unique<Child>(
            std::vector<std::string>{"node", QM_SOURCE_DIR "/tests/watch/watch-page.js",
                                     "http://127.0.0.1:" + std::to_string(webPort) + "/index.html",
                                     dir.file("page.txt"), dir.file("stop"), dir.file("profile")},
            dir.file("browser.txt"));
    }
    std::string screen() const
    {
        return inBrowser() ? qmtest::readFile(dir.file("page.txt"))
                           : trimmed(qmtest::commandOutput(tmux + "capture-pane -p -t watch 2>/dev/null"));
    }
    void TearDown() override
    {
        if (!tmux.empty())
        {
            qmtest::runCommand(tmux + "kill-server > /dev/null 2>&1");
        }
        if (browser)
        {
            std::ofstream(dir.file("stop")) << "done";
            EXPECT_TRUE(browser->ends(30)) << qmtest::readFile(dir.file("browser.txt"));
        }
        qmtest::EngineTest::TearDown();
    }

    std::string tmux;
    std::unique_ptr<Child> bridge;
    std::unique_ptr<Child> browser;
};

TEST_P(LiveStream, ShowsTheStartScreenThenTheGamesLastGridOnceItStops)
{
    const int cellPort = freePort();
    if (inBrowser())
    {
        startViewer(cellPort);
        // No game yet: the page says so (and tries again).
        EXPECT_TRUE(qmtest::waitFor([&] { return screen().find("not reachable") != std::string::npos; }, 30))
            << screen() << qmtest::readFile(dir.file("browser.txt"));
    }
    std::filesystem::current_path(QM_RUN_DIR);
    ASSERT_EQ(startEngine("frame_time:33,\nnetworking:true,\ncell_stream:true,\ncell_port:" + std::to_string(cellPort) +
                          ",\n"),
              0);
    if (!inBrowser())
    {
        startViewer(cellPort);
    }
    loadResources();
    new GameStart;
    // The loop runs until the viewer shows the start screen, then starts a game (Space) and
    // stops 45 steps later: the stream's last frame is the grid the engine reports.
    auto* conductor = new qmtest::RecordingObject;
    conductor->registerInterest(qm::EVENT_STEP);
    bool startScreenShown = false;
    int stepsLeft = -1;
    conductor->onEvent = [&](const qm::Event* event)
    {
        const int step = static_cast<const qm::EventStep*>(event)->getStepCount();
        if (stepsLeft < 0 && step % 5 == 0 && screen().find("Space or P") != std::string::npos)
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
    EXPECT_TRUE(startScreenShown) << screen();
    EXPECT_EQ(qm::CellStream::getInstance().getClientCount(), 1) << "the viewer keeps one connection";

    // The viewers' lines lose their trailing blanks.
    const std::string grid = trimmed(qm::DisplayManager::getInstance().getCellGrid().toText());
    EXPECT_EQ(grid.find("Space or P"), std::string::npos) << "the game should be in play";
    std::string shown;
    EXPECT_TRUE(qmtest::waitFor(
        [&]
        {
            shown = screen();
            if (inBrowser())
            {
                shown = shown.substr(shown.find('\n') + 1);
            }
            return shown == grid;
        },
        10))
        << "viewer:\n"
        << shown << "\ngrid:\n"
        << grid;
    if (inBrowser())
    {
        EXPECT_NE(screen().find("Watching the game at ws://127.0.0.1:"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Viewers, LiveStream, ::testing::Values("terminal", "browser"),
                         [](const ::testing::TestParamInfo<const char*>& param) { return std::string(param.param); });

} // namespace
