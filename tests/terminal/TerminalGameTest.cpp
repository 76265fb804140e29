// The real game in --terminal mode in a tmux pane of 80 x 24 with DISPLAY unset, as a player over
// SSH runs it: the start screen, a game walked, paused and resumed, quit, and the terminal as it was.
#include "support/EngineTest.h"
#include "support/GameProcess.h"
#include "support/InputDriver.h"
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <thread>

namespace
{

using qmtest::commandOutput;
using qmtest::readFile;
using qmtest::runCommand;

const char* const TAGLINE = "Walk the sea floor.  Jump over the weed, duck under the fish.";
const char* const PLAY_KEYS = "Space or P   play                 Q   quit";
const char* const GAME_KEYS = "A / D   walk    Space   jump    S   crouch    F10   pause";
// The middle row of the player's first frame, as its sprite file draws it (without the
// see-through character around it).
std::string fishRow()
{
    const std::string sprite = qmtest::readFile(std::string(QM_RUN_DIR) + "/sprites/player-spr.txt");
    std::size_t at = sprite.find("<BODY>");
    for (int line = 0; line < 2 && at != std::string::npos; ++line)
    {
        at = sprite.find('\n', at + 1);
    }
    const std::string row = at == std::string::npos ? "" : sprite.substr(at + 1, sprite.find('\n', at + 1) - at - 1);
    const std::size_t first = row.find_first_not_of('#');
    return first == std::string::npos ? "" : row.substr(first, row.find_last_not_of('#') - first + 1);
}

void sleepMs(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// A tmux server of its own (its socket in the scratch folder) running one 80 x 24 pane.
class TerminalGame : public ::testing::Test
{
protected:
    void SetUp() override { startInTmux("./quillmere --terminal"); }

    // Runs `command` in the run folder in a new tmux server's pane, without DISPLAY.
    void startInTmux(const std::string& command)
    {
        socket = dir.file("sock" + std::to_string(++servers)); // a new server for each program
        dir.write("tmux.conf", "set -g status off\nset -sg escape-time 0\nset -g default-terminal screen\n");
        dir.write("qm-config.txt", "random_seed:21,\n");
        // The program's pid (through exec), its exit status, and the terminal's settings
        // before and after it, in files.
        dir.write("run.sh", "cd " + std::string(QM_RUN_DIR) + "\nstty -a > " + dir.file("stty-before") + "\n" +
                                "export QUILLMERE_CONFIG=" + dir.file("qm-config.txt") +
                                " QUILLMERE_LOG=" + dir.file("game.log") + " QUILLMERE_CELL_DUMP=" + dir.file("cells") +
                                "\nunset DISPLAY\nsh -c 'echo $$ > " + dir.file("pid") + "; exec " + command + "' 2> " +
                                dir.file("stderr") + "\nstatus=$?\nstty -a > " + dir.file("stty-after") +
                                "\necho $status > " + dir.file("status") + "\nsleep 600\n");
        std::remove(dir.file("status").c_str());
        ASSERT_EQ(tmux("new-session -d -s game -x 80 -y 24 'sh " + dir.file("run.sh") + "'"), 0);
    }
    // Waits for the program's end; expects its status and the terminal as it was before.
    void expectEndedAndRestored(const std::string& status) const
    {
        ASSERT_TRUE(qmtest::waitFor([&] { return !readFile(dir.file("status")).empty(); }, 30)) << pane();
        if (!status.empty())
        {
            EXPECT_EQ(readFile(dir.file("status")), status) << readFile(dir.file("stderr"));
        }
        EXPECT_EQ(readFile(dir.file("stty-after")), readFile(dir.file("stty-before")));
        EXPECT_EQ(pane().find("#####"), std::string::npos) << "the normal screen is back:\n" << pane();
    }
    void TearDown() override { tmux("kill-server"); }

    int tmux(const std::string& arguments) const
    {
        return runCommand("tmux -S " + socket + " -f " + dir.file("tmux.conf") + " " + arguments + " > /dev/null 2>&1");
    }
    void keys(const std::string& names) const { tmux("send-keys -t game " + names); }
    std::string pane(bool colours = false) const
    {
        return commandOutput("tmux -S " + socket + " capture-pane -p " + (colours ? "-e -N " : "") +
                             "-t game 2>/dev/null");
    }
    bool paneShows(const std::string& text, double seconds = 30) const
    {
        return qmtest::waitFor([&] { return pane().find(text) != std::string::npos; }, seconds);
    }
    // The fish's column in the engine's last frame, or -1.
    int fishColumn() const
    {
        const std::string cells = readFile(dir.file("cells"));
        static const std::string fish = fishRow();
        const std::size_t at = fish.empty() ? std::string::npos : cells.find(fish);
        return at == std::string::npos ? -1 : static_cast<int>(at % 81);
    }

    qmtest::ScratchDir dir;
    std::string socket;
    int servers = 0;
};

TEST_F(TerminalGame, PlaysWithoutDisplayShowsTheEngineGridAndRestoresTheTerminal)
{
    // Return skips the splash screens; the start screen reads as in the window.
    ASSERT_TRUE(qmtest::waitFor(
        [&]
        {
            keys("Enter");
            sleepMs(200);
            return pane().find(TAGLINE) != std::string::npos;
        },
        60))
        << pane() << readFile(dir.file("game.log"));
    const std::string start = pane();
    EXPECT_NE(start.find(PLAY_KEYS), std::string::npos) << start;
    EXPECT_NE(start.find(GAME_KEYS), std::string::npos) << start;
    // F12 writes the screen's grid as text in the run folder, as it does without a window.
    keys("F12");
    const std::regex saved("screenshot saved as '(qm-shot-[^']+\\.txt)'");
    std::smatch shot;
    std::string log;
    ASSERT_TRUE(
        qmtest::waitFor([&] { return std::regex_search(log = readFile(dir.file("game.log")), shot, saved); }, 10))
        << log;
    const std::string shotFile = std::string(QM_RUN_DIR) + "/" + shot[1].str();
    EXPECT_NE(readFile(shotFile).find(TAGLINE), std::string::npos);
    std::remove(shotFile.c_str());

    keys("Space");
    ASSERT_TRUE(qmtest::waitFor([&] { return fishColumn() >= 0; }, 30)) << pane();
    sleepMs(500);
    const int standing = fishColumn();
    // A held D as a terminal sends it: the key repeating every 40 ms.
    int walked = standing;
    for (int i = 0; i < 8; ++i)
    {
        keys("d");
        sleepMs(40);
        walked = std::max(walked, fishColumn());
    }
    EXPECT_GT(walked, standing + 3) << "the fish walks right";

    keys("F10");
    sleepMs(1000); // the last held key's release, then the pause
    const std::string paused = pane(true);
    sleepMs(700);
    EXPECT_EQ(pane(true), paused) << "the bubbles stand still while paused";

    keys("x"); // any key resumes
    sleepMs(700);
    EXPECT_NE(pane(true), paused) << "the game runs again";

    keys("q"); // the fish gives up and floats away; then Q on the start screen ends the program
    ASSERT_TRUE(paneShows(TAGLINE)) << pane();
    keys("q");
    expectEndedAndRestored("0\n");
}

// Every way out gives the terminal back: a termination, a hang-up, a crash. Before the first, a
// terminal made smaller than the game says the size it needs; resized, it shows the game again.
TEST_F(TerminalGame, TooSmallTerminalSaysTheSizeNeededAndSignalsAndCrashesRestoreTheTerminal)
{
    for (const int number : {SIGTERM, SIGHUP, SIGSEGV})
    {
        SCOPED_TRACE("signal " + std::to_string(number));
        if (number != SIGTERM) // the first game was started by SetUp
        {
            tmux("kill-server");
            SetUp();
        }
        ASSERT_TRUE(qmtest::waitFor(
            [&] { return readFile(dir.file("game.log")).find("Pause::Pause()") != std::string::npos; }, 60))
            << pane();
        ASSERT_TRUE(paneShows("#####")) << pane();
        if (number == SIGTERM)
        {
            ASSERT_EQ(tmux("resize-window -t game -x 60 -y 20"), 0);
            ASSERT_TRUE(paneShows("The game needs a terminal of 80x24; this one is 60x20.")) << pane();
            ASSERT_EQ(tmux("resize-window -t game -x 80 -y 24"), 0);
            ASSERT_TRUE(paneShows("#####")) << pane();
            EXPECT_EQ(pane().find("needs a terminal"), std::string::npos) << pane();
        }
        const int pid = std::atoi(readFile(dir.file("pid")).c_str());
        ASSERT_GT(pid, 0);
        ASSERT_EQ(kill(pid, number), 0);
        expectEndedAndRestored("");
    }
}

// A game served headless on a server, watched in a terminal over what could be SSH.
TEST_F(TerminalGame, WatcherShowsAServedGameInTheTerminal)
{
    tmux("kill-server"); // no game in the pane: the watcher goes there
    qmtest::GameProcess game("headless:true,\nnetworking:true,\nnetwork_port:0,\n");
    ASSERT_TRUE(game.waitForLog("Pause::Pause(): Pause enabled.")) << game.log();
    std::smatch port;
    const std::string gameLog = game.log();
    ASSERT_TRUE(std::regex_search(gameLog, port, std::regex(R"(Listening on 127\.0\.0\.1:(\d+)\.)"))) << gameLog;
    startInTmux("./quillmere-watch --terminal 127.0.0.1 " + port[1].str());
    ASSERT_TRUE(paneShows(TAGLINE)) << pane() << readFile(dir.file("game.log"));
    keys("q");
    expectEndedAndRestored("0\n");
}

} // namespace
