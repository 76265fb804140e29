// The pause: in a real window the game loop frozen until a key is pressed,
// with the input queued before the loop runs or sent later by a process of its own.
#include "support/InputDriver.h"

#include <qm/Pause.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace
{

using qmtest::countOf;
using qmtest::Steps;
using qmtest::xdotool;

const char* const PAUSED = "Pause::eventHandler(): Game paused.";
const char* const RESUMED = "Pause::eventHandler(): Game resumed.";

// A real window with a pause on F10.
class PauseWindow : public qmtest::InputWindowTest
{
protected:
    void SetUp() override
    {
        InputWindowTest::SetUp();
        ASSERT_EQ(startFocused(), 0);
        new qm::Pause(qm::F10);
    }
};

// The pause key freezes the loop until another key is pressed; pressed again it resumes and stays resumed while held.
TEST_F(PauseWindow, PauseKeyFreezesTheLoopUntilAnotherKeyOrItselfIsPressedAgain)
{
    // The loop reads F10 at once; A comes a second later, from a process of its own, which
    // first reads the window's title. The title says so while paused, and only then.
    const auto start = std::chrono::steady_clock::now();
    const std::string title = "xdotool getwindowname " + std::to_string(window) + " >";
    ASSERT_TRUE(xdotool("key F10") && qmtest::runCommand("(sleep 1; " + title + dir.file("paused") +
                                                         "; xdotool key a) >/dev/null 2>&1 &") == 0);
    runLoop([](int step) { return step >= 5; });
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(countOf(log(), PAUSED), 1);
    EXPECT_EQ(countOf(log(), RESUMED), 1);
    EXPECT_EQ(qmtest::readFile(dir.file("paused")), "Quillmere (paused)\n");
    ASSERT_EQ(qmtest::runCommand(title + dir.file("resumed")), 0);
    EXPECT_EQ(qmtest::readFile(dir.file("resumed")), "Quillmere\n");
    // The press reached the objects behind the pause once it ended; the key that resumed did not.
    EXPECT_EQ(keys[qm::F10], (Steps{{0, qm::KEY_PRESS}}));
    EXPECT_TRUE(keys[qm::A].empty() || keys[qm::A][0].second != qm::KEY_PRESS);

    // The second press resumes and stays down: the held reports that follow at once must not pause again.
    ASSERT_TRUE(xdotool("key F10 sleep 0.1 keydown F10"));
    runLoop({{3, "keyup F10"}}, 6);
    EXPECT_EQ(countOf(log(), PAUSED), 2);
    EXPECT_EQ(countOf(log(), RESUMED), 2);
    const int held = qm::KEY_HELD;
    EXPECT_EQ(keys[qm::F10],
              (Steps{{0, qm::KEY_PRESS}, {0, held}, {1, held}, {2, held}, {3, held}, {4, qm::KEY_RELEASE}}));
}

// A close request, then a termination signal, while paused: each ends the pause and the game.
TEST_F(PauseWindow, CloseRequestOrTerminationSignalWhilePausedEndsThePauseAndTheGame)
{
    ASSERT_TRUE(xdotool("key F10") && qmtest::sendCloseRequest(window));
    runLoop([](int step) { return step >= 100; });
    EXPECT_EQ(countOf(log(), "Pause::eventHandler(): Window close event while paused. Setting game over."), 1);
    EXPECT_EQ(countOf(log(), RESUMED), 0);
    // The iteration in which the game was paused was the last one.
    EXPECT_EQ(lastStep, 0);
    EXPECT_EQ(keys[qm::F10], (Steps{{0, qm::KEY_PRESS}}));

    // The signal comes half a second into the pause; a key ten seconds later would end a pause
    // that ignored it, so that this test fails instead of hanging.
    ASSERT_TRUE(xdotool("key F10") && qmtest::runCommand("xdotool sleep 10 key a >/dev/null 2>&1 &") == 0);
    std::thread signaller(
        []
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            std::raise(SIGTERM);
        });
    const auto start = std::chrono::steady_clock::now();
    runLoop([](int step) { return step >= 100; });
    signaller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(countOf(log(), PAUSED), 2);
    EXPECT_EQ(countOf(log(), "Pause::eventHandler(): Stop requested while paused. Resuming."), 1);
    EXPECT_EQ(countOf(log(), "GameManager::run(): Stop requested. Setting game over."), 1);
    // Paused in step 0; the loop sees the request as step 1 begins and ends after it.
    EXPECT_EQ(lastStep, 1);
}

} // namespace
