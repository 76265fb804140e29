// The pause object: what it consumes and refuses, and freezing the real game loop until a
// key is pressed, with keys and close requests sent from another process while paused.
#include "support/EngineTest.h"
#include "support/InputDriver.h"

#include <qm/EventKeyboard.h>
#include <qm/EventMouse.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/LogManager.h>
#include <qm/Pause.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace
{

using qmtest::countOf;
using qmtest::InputRecorder;
using qmtest::SeenEvent;

const char* const PAUSED = "Pause::eventHandler(): Game paused.";
const char* const RESUMED = "Pause::eventHandler(): Game resumed.";

qm::EventKeyboard keyEvent(int key, int action)
{
    qm::EventKeyboard event;
    event.setKey(key);
    event.setKeyboardAction(action);
    return event;
}

// The engine runs headless; objects belong to the world, which deletes them at shut-down.
class PauseHeadless : public qmtest::EngineTest
{
};

TEST_F(PauseHeadless, AnnouncesItselfAndListensToTheKeyboard)
{
    ASSERT_EQ(startEngine(), 0);
    qm::Pause* pause = new qm::Pause(qm::F10);
    EXPECT_EQ(countOf(log(), "Pause::Pause(): Pause enabled.  Press any other key to resume."), 1);
    EXPECT_EQ(pause->getType(), "Pause");
    EXPECT_EQ(pause->getPauseKey(), qm::F10);
    EXPECT_EQ(pause->getSolidness(), qm::SPECTRAL);
    const qm::EventKeyboard other = keyEvent(qm::A, qm::KEY_PRESS);
    EXPECT_EQ(qm::InputManager::getInstance().onEvent(&other), 1);
}

TEST_F(PauseHeadless, PauseKeyIsRefusedWithoutAWindow)
{
    qm::LogManager::getInstance().setLogLevel(1);
    ASSERT_EQ(startEngine(), 0);
    qm::Pause* pause = new qm::Pause(qm::F10);
    const qm::EventKeyboard press = keyEvent(qm::F10, qm::KEY_PRESS);
    EXPECT_EQ(pause->eventHandler(&press), 0);
    EXPECT_EQ(countOf(log(), "Pause::eventHandler(): DisplayManager unexpectedly returned null window!  Cannot pause."),
              1);
    EXPECT_EQ(countOf(log(), RESUMED), 0);
}

TEST_F(PauseHeadless, ConsumesKeyboardEventsButOnlyAPressOfThePauseKeyPauses)
{
    ASSERT_EQ(startEngine(), 0);
    qm::Pause* pause = new qm::Pause(qm::F10);
    // Without a window an attempt to pause shows as the refusal line: none may appear for
    // other keys, nor for held or released reports of the pause key.
    for (const auto& [key, action] :
         {std::pair{qm::A, qm::KEY_PRESS}, std::pair{qm::F9, qm::KEY_PRESS}, std::pair{qm::F10, qm::KEY_HELD},
          std::pair{qm::F10, qm::KEY_RELEASE}, std::pair{qm::F10, qm::UNDEFINED_KEYBOARD_ACTION}})
    {
        const qm::EventKeyboard event = keyEvent(key, action);
        EXPECT_EQ(pause->eventHandler(&event), 1) << "key " << key << " action " << action;
    }
    EXPECT_EQ(countOf(log(), "Cannot pause"), 0);

    const qm::EventStep step(0);
    const qm::EventMouse mouse;
    EXPECT_EQ(pause->eventHandler(&step), 0);
    EXPECT_EQ(pause->eventHandler(&mouse), 0);

    const qm::EventKeyboard press = keyEvent(qm::F10, qm::KEY_PRESS);
    EXPECT_EQ(pause->eventHandler(&press), 0);
    EXPECT_EQ(countOf(log(), "Cannot pause"), 1);
}

// Runs the real loop with a pause on F10 and a recorder behind it; input that must arrive
// while the loop is blocked comes from a child process.
class PauseWindow : public qmtest::InputWindowTest
{
protected:
    void SetUp() override
    {
        InputWindowTest::SetUp();
        marker = dir.file("marker");
        done = dir.file("done");
    }

    int logCount(const std::string& text) const { return countOf(log(), text); }
    static bool exists(const std::string& path) { return std::filesystem::exists(path); }

    // In the child: waits until the log holds `count` lines with `text`.
    bool waitForLog(const std::string& text, int count = 1) const
    {
        return qmtest::waitFor([&] { return logCount(text) >= count; }, 30.0);
    }

    // In the child, last: if the test has not ended the loop after a while, the pause is
    // stuck (a fault); keep pressing a key so that the test ends and reports it.
    int unstickUntilDone(int result) const
    {
        const bool finished = qmtest::waitFor([&] { return exists(done); }, 20.0);
        if (!finished)
        {
            qmtest::waitFor(
                [&]
                {
                    qmtest::xdotool("key Escape");
                    return exists(done);
                },
                60.0);
            return 3;
        }
        return result;
    }

    // Runs the loop; `onStep` returns true to end it. Ends anyway after 3000 steps (30 s).
    void runLoop(InputRecorder& recorder, const std::function<bool(int)>& onStep)
    {
        recorder.onStep = [&](int step)
        {
            qm::LogManager::getInstance().writeLog("test step %d", step);
            lastStep = step;
            if (onStep(step) || step >= 3000)
            {
                qm::GameManager::getInstance().setGameOver();
            }
        };
        qm::GameManager::getInstance().run();
        dir.write("done", "");
    }

    // The steps at which the recorder saw `key` with `action`.
    static std::vector<int> stepsOf(const InputRecorder& recorder, int key, int action)
    {
        std::vector<int> steps;
        for (const SeenEvent& event : recorder.keyboard(action))
        {
            if (event.code == key)
            {
                steps.push_back(event.step);
            }
        }
        return steps;
    }

    std::string marker;
    std::string done;
    int lastStep = -1;
};

TEST_F(PauseWindow, PauseKeyFreezesTheLoopUntilAnotherKeyIsPressed)
{
    ASSERT_EQ(startWindowed(), 0);
    new qm::Pause(qm::F10);
    auto* recorder = new InputRecorder;
    std::unique_ptr<qmtest::ChildProcess> child;
    std::vector<bool> markerSeen;
    runLoop(*recorder,
            [&](int step)
            {
                markerSeen.push_back(exists(marker));
                if (step == 2)
                {
                    child = std::make_unique<qmtest::ChildProcess>(
                        [&]
                        {
                            if (!qmtest::xdotool("key F10") || !waitForLog(PAUSED))
                            {
                                return unstickUntilDone(1);
                            }
                            dir.write("marker", "");
                            return unstickUntilDone(qmtest::xdotool("key a") ? 0 : 2);
                        });
                }
                // Five steps after the pause has been seen to end.
                return markerSeen.size() > 5 && markerSeen[markerSeen.size() - 6];
            });
    ASSERT_TRUE(child);
    EXPECT_EQ(child->wait(), 0);
    EXPECT_EQ(logCount(PAUSED), 1);
    EXPECT_EQ(logCount(RESUMED), 1);

    // The press of the pause key reaches the objects behind the pause once it returns; no
    // step ran in between: the first step that sees the marker, written only once the
    // child saw the game paused, is that iteration's.
    const std::vector<int> pressed = stepsOf(*recorder, qm::F10, qm::KEY_PRESS);
    ASSERT_EQ(pressed.size(), 1u);
    const int pausedStep = pressed.front();
    ASSERT_LT(pausedStep, static_cast<int>(markerSeen.size()));
    EXPECT_FALSE(markerSeen[pausedStep - 1]);
    EXPECT_TRUE(markerSeen[pausedStep]);
    const std::string text = log();
    const std::size_t pausedAt = text.find(PAUSED);
    const std::size_t resumedAt = text.find(RESUMED);
    ASSERT_LT(pausedAt, resumedAt);
    EXPECT_EQ(countOf(text.substr(pausedAt, resumedAt - pausedAt), "test step"), 0);

    // The key that resumed was consumed by the pause.
    EXPECT_TRUE(stepsOf(*recorder, qm::A, qm::KEY_PRESS).empty());
}

TEST_F(PauseWindow, PauseKeyPressedAgainResumesAndStaysResumedWhileHeld)
{
    ASSERT_EQ(startWindowed(), 0);
    new qm::Pause(qm::F10);
    auto* recorder = new InputRecorder;
    std::unique_ptr<qmtest::ChildProcess> child;
    int releasedAt = -1;
    runLoop(*recorder,
            [&](int step)
            {
                if (step == 2)
                {
                    child = std::make_unique<qmtest::ChildProcess>(
                        [&]
                        {
                            // The second press stays down: the input manager's held report of it comes
                            // right after the pause returns.
                            const bool ok = qmtest::xdotool("key F10") && waitForLog(PAUSED) &&
                                            qmtest::xdotool("keydown F10") && waitForLog(RESUMED);
                            return unstickUntilDone(ok ? 0 : 1);
                        });
                }
                if (releasedAt < 0 && stepsOf(*recorder, qm::F10, qm::KEY_HELD).size() >= 3)
                {
                    EXPECT_TRUE(qmtest::xdotool("keyup F10"));
                    releasedAt = step;
                }
                return releasedAt >= 0 && step >= releasedAt + 3;
            });
    ASSERT_TRUE(child);
    EXPECT_EQ(child->wait(), 0);
    EXPECT_EQ(logCount(PAUSED), 1);
    EXPECT_EQ(logCount(RESUMED), 1);
    // The held reports passed the pause (registered first) to the recorder without pausing;
    // the second press was consumed.
    EXPECT_GE(stepsOf(*recorder, qm::F10, qm::KEY_HELD).size(), 3u);
    EXPECT_EQ(stepsOf(*recorder, qm::F10, qm::KEY_PRESS).size(), 1u);
    EXPECT_GT(releasedAt, 0);
}

TEST_F(PauseWindow, CloseRequestWhilePausedEndsThePauseAndTheGame)
{
    ASSERT_EQ(startWindowed(), 0);
    new qm::Pause(qm::F10);
    auto* recorder = new InputRecorder;
    const unsigned long window = windowId();
    std::unique_ptr<qmtest::ChildProcess> child;
    runLoop(*recorder,
            [&](int step)
            {
                if (step == 2)
                {
                    child = std::make_unique<qmtest::ChildProcess>(
                        [&]
                        {
                            const bool ok =
                                qmtest::xdotool("key F10") && waitForLog(PAUSED) && qmtest::sendCloseRequest(window);
                            return unstickUntilDone(ok ? 0 : 1);
                        });
                }
                return false;
            });
    ASSERT_TRUE(child);
    EXPECT_EQ(child->wait(), 0);
    EXPECT_TRUE(qm::GameManager::getInstance().getGameOver());
    EXPECT_EQ(logCount("Pause::eventHandler(): Window close event while paused. Setting game over."), 1);
    EXPECT_EQ(logCount(PAUSED), 1);
    EXPECT_EQ(logCount(RESUMED), 0);
    // The iteration in which the game was paused was the last one.
    const std::vector<int> pressed = stepsOf(*recorder, qm::F10, qm::KEY_PRESS);
    ASSERT_EQ(pressed.size(), 1u);
    EXPECT_EQ(lastStep, pressed.front());
}

} // namespace
