// Keyboard and mouse input through a real window on a private X server, the key table, and
// the input manager's start-up rules.
#include "support/EngineTest.h"
#include "support/InputDriver.h"

#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/EventKeyboard.h>
#include <qm/EventMouse.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/LogManager.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace
{

using qmtest::countOf;
using qmtest::InputRecorder;
using qmtest::SeenEvent;
using qmtest::xdotool;

// What the window library's key codes must become, written from the engine's key list.
std::map<int, int> expectedKeyTable()
{
    std::map<int, int> table = {
        {sf::Keyboard::Space, 0},     {sf::Keyboard::Enter, 1},      {sf::Keyboard::Escape, 2},
        {sf::Keyboard::Tab, 3},       {sf::Keyboard::Left, 4},       {sf::Keyboard::Right, 5},
        {sf::Keyboard::Up, 6},        {sf::Keyboard::Down, 7},       {sf::Keyboard::Pause, 8},
        {sf::Keyboard::Subtract, 9},  {sf::Keyboard::Add, 10},       {sf::Keyboard::Tilde, 11},
        {sf::Keyboard::Period, 12},   {sf::Keyboard::Comma, 13},     {sf::Keyboard::Slash, 14},
        {sf::Keyboard::Equal, 15},    {sf::Keyboard::Backslash, 16}, {sf::Keyboard::Multiply, 17},
        {sf::Keyboard::Quote, 18},    {sf::Keyboard::Semicolon, 19}, {sf::Keyboard::LControl, 20},
        {sf::Keyboard::RControl, 21}, {sf::Keyboard::LShift, 22},    {sf::Keyboard::RShift, 23},
        {sf::Keyboard::Num0, 71},     {sf::Keyboard::BackSpace, 72},
    };
    for (int i = 0; i < 12; ++i)
    {
        table[sf::Keyboard::F1 + i] = 24 + i;
    }
    for (int i = 0; i < 26; ++i)
    {
        table[sf::Keyboard::A + i] = 36 + i;
    }
    for (int i = 0; i < 9; ++i)
    {
        table[sf::Keyboard::Num1 + i] = 62 + i;
    }
    return table;
}

qm::EventKeyboard convert(int windowKey)
{
    sf::Event event;
    event.type = sf::Event::KeyPressed;
    event.key = sf::Event::KeyEvent{static_cast<sf::Keyboard::Key>(windowKey), false, false, false, false};
    return qm::InputManager::getInstance().toEventKeyboard(event);
}

TEST(KeyTable, EveryWindowKeyGetsItsEngineCodeAndUnnamedOnesAreShiftedBy97)
{
    const std::map<int, int> table = expectedKeyTable();
    ASSERT_EQ(table.size(), 73u);
    for (int windowKey = sf::Keyboard::Unknown; windowKey < sf::Keyboard::KeyCount; ++windowKey)
    {
        const auto named = table.find(windowKey);
        const int expected = named != table.end() ? named->second : windowKey + 97;
        const qm::EventKeyboard event = convert(windowKey);
        EXPECT_EQ(event.getKey(), expected) << "window key " << windowKey;
        EXPECT_EQ(event.getKeyboardAction(), qm::UNDEFINED_KEYBOARD_ACTION) << "window key " << windowKey;
        EXPECT_EQ(event.getType(), qm::EVENT_KEYBOARD);
    }
    EXPECT_EQ(convert(sf::Keyboard::Unknown).getKey(), 96);
    EXPECT_EQ(convert(sf::Keyboard::Numpad0).getKey(), 172);
    EXPECT_EQ(convert(sf::Keyboard::P).getKey(), qm::P);
    EXPECT_EQ(qm::P, 51);
    EXPECT_EQ(qm::Q, 52);
    EXPECT_EQ(qm::F10, 33);
}

TEST(InputInterest, KeyboardAndMouseRegistrationsGoToTheInputManager)
{
    qmtest::RecordingObject object;
    ASSERT_EQ(object.registerInterest(qm::EVENT_KEYBOARD), 0);
    ASSERT_EQ(object.registerInterest(qm::EVENT_MOUSE), 0);
    const qm::EventKeyboard key;
    const qm::EventMouse mouse;
    const qm::EventStep step(0);
    qm::InputManager& input = qm::InputManager::getInstance();
    EXPECT_EQ(input.onEvent(&key), 1);
    EXPECT_EQ(input.onEvent(&mouse), 1);
    EXPECT_EQ(input.onEvent(&step), 0);
    EXPECT_EQ(qm::GameManager::getInstance().onEvent(&key), 0);
    EXPECT_EQ(object.received, (std::vector<std::string>{qm::EVENT_KEYBOARD, qm::EVENT_MOUSE}));
}

class InputStartUp : public qmtest::EngineTest
{
};

TEST_F(InputStartUp, RefusesToStartBeforeTheDisplay)
{
    qm::Config::getInstance().loadConfig("headless:false,");
    qm::LogManager& log = qm::LogManager::getInstance();
    ASSERT_EQ(log.startUp(), 0);
    log.setFlush(true);
    EXPECT_EQ(qm::InputManager::getInstance().startUp(), -1);
    EXPECT_FALSE(qm::InputManager::getInstance().isStarted());
    log.shutDown();
    EXPECT_EQ(countOf(this->log(),
                      "InputManager::startUp(): Error starting InputManager. DisplayManager must be started first."),
              1);
}

TEST_F(InputStartUp, HeadlessStartsWithItsMessageAndDeliversNothing)
{
    qm::LogManager::getInstance().setLogLevel(1);
    ASSERT_EQ(startEngine(), 0);
    EXPECT_TRUE(qm::InputManager::getInstance().isStarted());
    EXPECT_EQ(countOf(log(), "InputManager::startUp(): not doing input since in headless mode."), 1);
    EXPECT_EQ(countOf(log(), "Input manager started."), 1);

    InputRecorder& recorder = *new InputRecorder;
    recorder.onStep = [](int step)
    {
        if (step == 3)
        {
            qm::GameManager::getInstance().setGameOver();
        }
    };
    qm::InputManager::getInstance().getInput();
    qm::GameManager::getInstance().run();
    EXPECT_TRUE(recorder.seen.empty());
    EXPECT_EQ(countOf(log(), "null window"), 0);
    qm::GameManager::getInstance().shutDown();
    EXPECT_FALSE(qm::InputManager::getInstance().isStarted());
    EXPECT_EQ(countOf(log(), "Input manager stopped"), 1);
}

class InputWindow : public qmtest::InputWindowTest
{
protected:
    // Runs the loop, calling actions[n] in step n's handler, until step `lastStep`.
    void runSteps(InputRecorder& recorder, std::map<int, std::function<void()>> actions, int lastStep)
    {
        recorder.onStep = [&, lastStep](int step)
        {
            const auto action = actions.find(step);
            if (action != actions.end())
            {
                action->second();
            }
            if (step >= lastStep)
            {
                qm::GameManager::getInstance().setGameOver();
            }
            lastSeenStep = step;
        };
        qm::GameManager::getInstance().run();
    }

    // Keyboard events of `key` as (step, action) pairs.
    static std::vector<std::pair<int, int>> history(const InputRecorder& recorder, int key)
    {
        std::vector<std::pair<int, int>> result;
        for (const SeenEvent& event : recorder.keyboard())
        {
            if (event.code == key)
            {
                result.emplace_back(event.step, event.action);
            }
        }
        return result;
    }

    int lastSeenStep = -1;
};

using Steps = std::vector<std::pair<int, int>>;

TEST_F(InputWindow, PressAndReleaseWithinOneIterationGiveNoHeldReport)
{
    ASSERT_EQ(startWindowed(), 0);
    auto* recorder = new InputRecorder;
    // xdotool has finished (press and release sent) before the next iteration reads input.
    runSteps(*recorder, {{2, [] { ASSERT_TRUE(xdotool("key space")); }}}, 6);
    EXPECT_EQ(history(*recorder, qm::SPACE), (Steps{{3, qm::KEY_PRESS}, {3, qm::KEY_RELEASE}}));
    EXPECT_EQ(recorder->keyboard().size(), 2u);
}

TEST_F(InputWindow, HeldKeyGivesOnePressOneHeldReportPerIterationAndOneRelease)
{
    ASSERT_EQ(startWindowed(), 0);
    auto* recorder = new InputRecorder;
    // Held for 120 iterations of 10 ms: longer than the server's key repeat delay, so
    // repeated presses would show if key repeat were on.
    const int down = 2, up = 122;
    runSteps(*recorder,
             {{down, [] { ASSERT_TRUE(xdotool("keydown q")); }}, {up, [] { ASSERT_TRUE(xdotool("keyup q")); }}},
             up + 3);
    Steps expected{{down + 1, qm::KEY_PRESS}};
    for (int step = down + 1; step <= up; ++step)
    {
        expected.emplace_back(step, qm::KEY_HELD);
    }
    expected.emplace_back(up + 1, qm::KEY_RELEASE);
    EXPECT_EQ(history(*recorder, qm::Q), expected);
}

TEST_F(InputWindow, KeysHeldForAnotherProgramAreNotReported)
{
    ASSERT_EQ(startWindowed(), 0);
    auto* recorder = new InputRecorder;
    runSteps(*recorder,
             {{2, [] { ASSERT_TRUE(qmtest::dropFocus()); }},
              {4, [] { ASSERT_TRUE(xdotool("keydown q")); }},
              {20, [] { xdotool("keyup q"); }}},
             24);
    EXPECT_TRUE(history(*recorder, qm::Q).empty());
}

TEST_F(InputWindow, ServerRepeatsHeldKeysOnceWindowKeyRepeatIsBackOn)
{
    // The check above only means something if the server repeats held keys: switching
    // repeat back on (as shutDown does) must produce repeated presses.
    ASSERT_EQ(startWindowed(), 0);
    qm::DisplayManager::getInstance().getWindow()->setKeyRepeatEnabled(true);
    auto* recorder = new InputRecorder;
    runSteps(*recorder,
             {{2, [] { ASSERT_TRUE(xdotool("keydown q")); }}, {122, [] { ASSERT_TRUE(xdotool("keyup q")); }}}, 125);
    EXPECT_GT(recorder->keyboard(qm::KEY_PRESS).size(), 1u);
}

TEST_F(InputWindow, HeldKeysAreReportedInTheEngineOrder)
{
    ASSERT_EQ(startWindowed(), 0);
    auto* recorder = new InputRecorder;
    runSteps(*recorder,
             {{2, [] { ASSERT_TRUE(xdotool("keydown BackSpace 0 q a F9 Tab space Up semicolon F12 KP_0")); }},
              {6, [] { ASSERT_TRUE(xdotool("keyup BackSpace 0 q a F9 Tab space Up semicolon F12 KP_0")); }}},
             9);
    const std::vector<int> order = {qm::UP_ARROW, qm::SPACE, qm::TAB,  qm::SEMICOLON, qm::F9,
                                    qm::A,        qm::Q,     qm::NUM0, qm::BACKSPACE};
    for (int step = 3; step <= 6; ++step)
    {
        std::vector<int> held;
        for (const SeenEvent& event : recorder->keyboard(qm::KEY_HELD))
        {
            if (event.step == step)
            {
                held.push_back(event.code);
            }
        }
        EXPECT_EQ(held, order) << "step " << step;
    }
    // F12 and keypad 0 are never polled: press and release only.
    EXPECT_EQ(history(*recorder, qm::F12), (Steps{{3, qm::KEY_PRESS}, {7, qm::KEY_RELEASE}}));
    EXPECT_EQ(history(*recorder, 172), (Steps{{3, qm::KEY_PRESS}, {7, qm::KEY_RELEASE}}));
    EXPECT_EQ(history(*recorder, qm::BACKSPACE).front(), std::make_pair(3, static_cast<int>(qm::KEY_PRESS)));
    EXPECT_EQ(recorder->keyboard(qm::KEY_HELD).back().step, 6);
}

// Mouse events of one action as (step, button) pairs.
Steps mouseHistory(const InputRecorder& recorder, int action)
{
    Steps result;
    for (const SeenEvent& event : recorder.mouse())
    {
        if (event.action == action)
        {
            result.emplace_back(event.step, event.code);
        }
    }
    return result;
}

TEST_F(InputWindow, ClickAtAPixelReportsItsCell)
{
    ASSERT_EQ(startWindowed(), 0);
    auto* recorder = new InputRecorder;
    const std::string window = std::to_string(windowId());
    // 1024 x 768 pixels over 80 x 24 cells: a cell is 12.8 x 32 pixels, so (128, 64) is (10, 2).
    runSteps(*recorder,
             {{2, [&] { ASSERT_TRUE(xdotool("mousemove --window " + window + " 128 64 mousedown 1")); }},
              {5, [] { ASSERT_TRUE(xdotool("mouseup 1")); }}},
             8);
    EXPECT_EQ(mouseHistory(*recorder, qm::MOUSE_CLICK), (Steps{{3, qm::BUTTON_LEFT}}));
    EXPECT_EQ(mouseHistory(*recorder, qm::MOUSE_HELD),
              (Steps{{3, qm::BUTTON_LEFT}, {4, qm::BUTTON_LEFT}, {5, qm::BUTTON_LEFT}}));
    ASSERT_FALSE(mouseHistory(*recorder, qm::MOUSE_MOVE).empty());
    for (const SeenEvent& event : recorder->mouse())
    {
        EXPECT_FLOAT_EQ(event.position.getX(), 10.0f) << "action " << event.action << " at step " << event.step;
        EXPECT_FLOAT_EQ(event.position.getY(), 2.0f) << "action " << event.action << " at step " << event.step;
        if (event.action == qm::MOUSE_MOVE)
        {
            EXPECT_EQ(event.code, qm::UNDEFINED_MOUSE_BUTTON);
        }
    }
    // Within one iteration the window's events come before the held report.
    std::vector<int> actionsAtThree;
    for (const SeenEvent& event : recorder->mouse())
    {
        if (event.step == 3)
        {
            actionsAtThree.push_back(event.action);
        }
    }
    ASSERT_GE(actionsAtThree.size(), 3u);
    EXPECT_EQ(actionsAtThree.front(), qm::MOUSE_MOVE);
    EXPECT_EQ(actionsAtThree[actionsAtThree.size() - 2], qm::MOUSE_CLICK);
    EXPECT_EQ(actionsAtThree.back(), qm::MOUSE_HELD);
}

TEST_F(InputWindow, ClickReportsTheButtonOfTheEventNotTheButtonsDownNow)
{
    ASSERT_EQ(startWindowed(), 0);
    auto* recorder = new InputRecorder;
    const std::string window = std::to_string(windowId());
    runSteps(*recorder,
             {{1, [&] { ASSERT_TRUE(xdotool("mousemove --window " + window + " 300 300")); }},
              // A click released before the iteration reads it is still a left click.
              {2, [] { ASSERT_TRUE(xdotool("click 1")); }},
              // A right click while the left button is held is a right click.
              {4, [] { ASSERT_TRUE(xdotool("mousedown 1")); }},
              {6, [] { ASSERT_TRUE(xdotool("click 3")); }},
              {8, [] { ASSERT_TRUE(xdotool("mouseup 1")); }}},
             10);
    EXPECT_EQ(mouseHistory(*recorder, qm::MOUSE_CLICK),
              (Steps{{3, qm::BUTTON_LEFT}, {5, qm::BUTTON_LEFT}, {7, qm::BUTTON_RIGHT}}));
    EXPECT_EQ(mouseHistory(*recorder, qm::MOUSE_HELD),
              (Steps{{5, qm::BUTTON_LEFT}, {6, qm::BUTTON_LEFT}, {7, qm::BUTTON_LEFT}, {8, qm::BUTTON_LEFT}}));
}

TEST_F(InputWindow, CloseRequestEndsTheLoopAndDropsTheRestOfThatIterationsInput)
{
    ASSERT_EQ(startWindowed(), 0);
    auto* recorder = new InputRecorder;
    const unsigned long window = windowId();
    // The close request is queued before a key press, and the key stays down: neither the
    // press nor a held report may reach the game.
    runSteps(*recorder,
             {{2,
               [&]
               {
                   ASSERT_TRUE(qmtest::sendCloseRequest(window));
                   ASSERT_TRUE(xdotool("keydown b"));
               }}},
             100);
    EXPECT_EQ(lastSeenStep, 3);
    EXPECT_TRUE(qm::GameManager::getInstance().getGameOver());
    EXPECT_TRUE(recorder->keyboard().empty());
    EXPECT_EQ(countOf(log(), "InputManager::getInput(): Window close event. Setting game over."), 1);
}

TEST_F(InputWindow, KeyRepeatIsRestoredAtShutDown)
{
    logLevel = 2;
    ASSERT_EQ(startWindowed(), 0);
    qm::GameManager::getInstance().shutDown();
    EXPECT_EQ(countOf(log(), "InputManager::startUp(): Keyboard repeated disabled."), 1);
    EXPECT_EQ(countOf(log(), "InputManager::shutDown(): Keyboard repeat enabled."), 1);
    EXPECT_EQ(countOf(log(), "Input manager stopped"), 1);
}

} // namespace
