// The program as a person runs it: from its run directory, in a real window.
#include "support/EngineTest.h"
#include "support/GameProcess.h"
#include "support/VirtualDisplay.h"

#include <gtest/gtest.h>

#include <csignal>

namespace
{

using qmtest::countOf;
using qmtest::readFile;

class Entry : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(xserver.ok()); }

    qmtest::GameProcess start()
    {
        return qmtest::GameProcess(std::string(QM_RUN_DIR) + "/quillmere", QM_RUN_DIR,
                                   {"QUILLMERE_LOG=" + logPath, "QUILLMERE_CONFIG=" + dir.file("none.txt")},
                                   dir.file("output.txt"));
    }

    qmtest::VirtualDisplay xserver;
    qmtest::ScratchDir dir;
    std::string logPath = dir.file("game.log");
};

// The signal arrives during the splash screens' run of the loop (they last about three
// seconds): it must end the whole program, not just the splash.
TEST_F(Entry, TerminationSignalDuringTheSplashEndsTheProgram)
{
    qmtest::GameProcess game = start();
    ASSERT_TRUE(game.started());
    ASSERT_TRUE(game.waitForText(logPath, "** Game engine started **")) << readFile(dir.file("output.txt"));
    ASSERT_TRUE(game.focusWindow("Quillmere"));
    game.signal(SIGTERM);
    EXPECT_EQ(game.waitForExit(), 0);
    const std::string log = readFile(logPath);
    // Once for the splash's loop, once for the game's loop that follows it.
    EXPECT_EQ(countOf(log, "GameManager::run(): Stop requested. Setting game over."), 2);
    EXPECT_EQ(countOf(log, "** Game engine stopped **"), 1);
}

TEST_F(Entry, InterruptFromTheTerminalShutsDownCleanly)
{
    qmtest::GameProcess game = start();
    ASSERT_TRUE(game.waitForText(logPath, "** Game engine started **"));
    game.signal(SIGINT);
    EXPECT_EQ(game.waitForExit(), 0);
    EXPECT_EQ(countOf(readFile(logPath), "** Game engine stopped **"), 1);
}

} // namespace
