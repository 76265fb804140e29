// Keyboard and mouse input through a real window on a private X server, the key table, and
// the input manager's start-up rules.
#include "support/InputDriver.h"

#include <qm/Config.h>
#include <qm/EventMouse.h>
#include <qm/InputManager.h>

#include <SFML/Window/Event.hpp>

#include <algorithm>
#include <iterator>

namespace
{

using qmtest::countOf;
using qmtest::keyEvent;
using qmtest::Steps;
using InputWindow = qmtest::InputWindowTest;
using InputStartUp = qmtest::EngineTest;

TEST(KeyTable, EveryWindowKeyGetsItsEngineCodeAndUnnamedOnesAreShiftedBy97)
{
    // Written from the engine's key list, in the order of its codes: these are 0 to 23.
    const sf::Keyboard::Key firstNamed[] = {
        sf::Keyboard::Space,     sf::Keyboard::Enter,    sf::Keyboard::Escape, sf::Keyboard::Tab,
        sf::Keyboard::Left,      sf::Keyboard::Right,    sf::Keyboard::Up,     sf::Keyboard::Down,
        sf::Keyboard::Pause,     sf::Keyboard::Subtract, sf::Keyboard::Add,    sf::Keyboard::Tilde,
        sf::Keyboard::Period,    sf::Keyboard::Comma,    sf::Keyboard::Slash,  sf::Keyboard::Equal,
        sf::Keyboard::Backslash, sf::Keyboard::Multiply, sf::Keyboard::Quote,  sf::Keyboard::Semicolon,
        sf::Keyboard::LControl,  sf::Keyboard::RControl, sf::Keyboard::LShift, sf::Keyboard::RShift};
    // The engine codes run on without a gap from 24: F1 to F12, A to Z, 1 to 9, 0, BackSpace.
    std::vector<int> order(std::begin(firstNamed), std::end(firstNamed));
    for (const auto& [first, count] :
         {std::pair{sf::Keyboard::F1, 12}, std::pair{sf::Keyboard::A, 26}, std::pair{sf::Keyboard::Num1, 9},
          std::pair{sf::Keyboard::Num0, 1}, std::pair{sf::Keyboard::BackSpace, 1}})
    {
        std::generate_n(std::back_inserter(order), count,
                        [next = static_cast<int>(first)]() mutable { return next++; });
    }
    // From Unknown (-1, so 96) to the last key; keypad 0, for one, has no name (172).
    for (int windowKey = sf::Keyboard::Unknown; windowKey < sf::Keyboard::KeyCount; ++windowKey)
    {
        sf::Event event;
        event.type = sf::Event::KeyPressed;
        event.key = sf::Event::KeyEvent{static_cast<sf::Keyboard::Key>(windowKey), false, false, false, false};
        const qm::EventKeyboard key = qm::InputManager::getInstance().toEventKeyboard(event);
        const auto named = std::find(order.begin(), order.end(), windowKey);
        EXPECT_EQ(key.getKey(), named != order.end() ? named - order.begin() : windowKey + 97)
            << "window key " << windowKey;
        EXPECT_EQ(key.getKeyboardAction(), qm::UNDEFINED_KEYBOARD_ACTION) << "window key " << windowKey;
    }
}

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

// ---- Keys queued by a script: delivered by getInput like window keys, also headless.
using QueuedKeys = qmtest::EngineTest;

TEST_F(QueuedKeys, RefusesWithALogLineWhenFullWithoutActionOrNotStarted)
{
    qm::InputManager& input = qm::InputManager::getInstance();
    EXPECT_EQ(input.queueKeyboard(keyEvent(qm::A, qm::KEY_PRESS)), -1) << "not started";
    ASSERT_EQ(startEngine(), 0);
    EXPECT_EQ(input.queueKeyboard(keyEvent(qm::A, qm::UNDEFINED_KEYBOARD_ACTION)), -1);
    for (int i = 0; i < qm::MAX_QUEUED_KEYS; ++i)
    {
        ASSERT_EQ(input.queueKeyboard(keyEvent(qm::A, qm::KEY_HELD)), 0) << i;
    }
    EXPECT_EQ(input.queueKeyboard(keyEvent(qm::B, qm::KEY_PRESS)), -1);
    EXPECT_EQ(input.getQueuedKeyCount(), qm::MAX_QUEUED_KEYS);
    EXPECT_EQ(countOf(log(), "InputManager::queueKeyboard(): Error! key " + std::to_string(qm::A) +
                                 " has no keyboard action (-1), not queued."),
              1);
    EXPECT_EQ(countOf(log(), "InputManager::queueKeyboard(): Error! 1024 keys already queued, key " +
                                 std::to_string(qm::B) + " not queued."),
              1);

    // What is still queued at shut-down is not delivered to the next run.
    qm::GameManager::getInstance().shutDown();
    ASSERT_EQ(startEngine(), 0);
    auto* object = new qmtest::RecordingObject;
    object->registerInterest(qm::EVENT_KEYBOARD);
    input.getInput();
    EXPECT_TRUE(object->received.empty());
    EXPECT_EQ(input.getQueuedKeyCount(), 0);
}

// In one focused window: clicks, tapped and held keys, then keys while another program has the focus.
TEST_F(InputWindow, ClicksAndKeysAreReportedPerIterationOnlyWhileTheWindowHasTheFocus)
{
    ASSERT_EQ(startFocused(), 0);
    // A cell is 1024 / 80 x 768 / 24 pixels, so (128, 64) is (10, 2). A click released before the iteration
    // reads it is still a left click; a right click while the left button is held is a right click.
    const std::string to = "mousemove --window " + std::to_string(window) + " 128 64 ";
    runLoop({{2, to + "mousedown 1"}, {3, "mouseup 1 click 1"}, {5, "mousedown 1"}, {6, "click 3"}, {7, "mouseup 1"}},
            9);
    const int click = qm::MOUSE_CLICK, mouseHeld = qm::MOUSE_HELD;
    EXPECT_EQ(buttons[qm::BUTTON_LEFT],
              (Steps{{3, click}, {3, mouseHeld}, {4, click}, {6, click}, {6, mouseHeld}, {7, mouseHeld}}));
    EXPECT_EQ(buttons[qm::BUTTON_RIGHT], (Steps{{7, click}}));
    EXPECT_EQ(buttons[qm::UNDEFINED_MOUSE_BUTTON], (Steps{{3, qm::MOUSE_MOVE}}));
    for (const qm::Vector& cell : positions)
    {
        EXPECT_FLOAT_EQ(cell.getX(), 10.0f);
        EXPECT_FLOAT_EQ(cell.getY(), 2.0f);
    }

    // A key tapped within an iteration has no held report, a held key one per iteration. Each command is sent
    // before the next iteration reads input. Q is held longer than the key repeat delay.
    runLoop({{2, "key space keydown q"}, {122, "keyup q"}}, 125);
    EXPECT_EQ(keys[qm::SPACE], (Steps{{3, qm::KEY_PRESS}, {3, qm::KEY_RELEASE}}));
    Steps held{{3, qm::KEY_PRESS}};
    std::generate_n(std::back_inserter(held), 120, [step = 3]() mutable { return std::pair{step++, qm::KEY_HELD}; });
    held.emplace_back(123, qm::KEY_RELEASE);
    EXPECT_EQ(keys[qm::Q], held);
    // The server does repeat held keys: with the window's key repeat on, repeated presses show.
    qm::DisplayManager::getInstance().getWindow()->setKeyRepeatEnabled(true);
    runLoop({{2, "keydown q"}, {122, "keyup q"}}, 125);
    EXPECT_GT(keys[qm::Q].size(), held.size());

    // Keys held for another program are not reported.
    ASSERT_TRUE(qmtest::dropFocus());
    runLoop({{4, "keydown q"}, {20, "keyup q"}}, 24);
    EXPECT_TRUE(keys.empty());
}

} // namespace
