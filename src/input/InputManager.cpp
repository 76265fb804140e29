#include "input/TerminalInput.h"
#include "platform/Platform.h"

#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/EventMouse.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/InputReplay.h>
#include <qm/LogManager.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Window/Event.hpp>
#include <SFML/Window/Keyboard.hpp>
#include <SFML/Window/Mouse.hpp>

#include <bitset>

namespace qm
{

namespace
{
// Keys without an engine name keep the window library's code, shifted past the named ones.
constexpr int UNNAMED_KEY_OFFSET = 97;

struct PolledKey
{
    sf::Keyboard::Key windowKey;
    Key key;
};

// The keys whose held state is polled every iteration, in delivery order. F11 and F12 are
// left out: they only give press and release events.
const PolledKey POLLED_KEYS[] = {
    {sf::Keyboard::Up, UP_ARROW},
    {sf::Keyboard::Down, DOWN_ARROW},
    {sf::Keyboard::Left, LEFT_ARROW},
    {sf::Keyboard::Right, RIGHT_ARROW},
    {sf::Keyboard::Space, SPACE},
    {sf::Keyboard::Enter, ENTER},
    {sf::Keyboard::Tab, TAB},
    {sf::Keyboard::Escape, ESCAPE},
    {sf::Keyboard::Pause, PAUSE},
    {sf::Keyboard::Subtract, MINUS},
    {sf::Keyboard::Add, PLUS},
    {sf::Keyboard::Tilde, TILDE},
    {sf::Keyboard::Period, PERIOD},
    {sf::Keyboard::Comma, COMMA},
    {sf::Keyboard::Slash, SLASH},
    {sf::Keyboard::Equal, EQUAL},
    {sf::Keyboard::Backslash, BACKSLASH},
    {sf::Keyboard::Multiply, MULTIPLY},
    {sf::Keyboard::Quote, QUOTE},
    {sf::Keyboard::Semicolon, SEMICOLON},
    {sf::Keyboard::LControl, LEFT_CONTROL},
    {sf::Keyboard::RControl, RIGHT_CONTROL},
    {sf::Keyboard::LShift, LEFT_SHIFT},
    {sf::Keyboard::RShift, RIGHT_SHIFT},
    {sf::Keyboard::F1, F1},
    {sf::Keyboard::F2, F2},
    {sf::Keyboard::F3, F3},
    {sf::Keyboard::F4, F4},
    {sf::Keyboard::F5, F5},
    {sf::Keyboard::F6, F6},
    {sf::Keyboard::F7, F7},
    {sf::Keyboard::F8, F8},
    {sf::Keyboard::F9, F9},
    {sf::Keyboard::F10, F10},
    {sf::Keyboard::A, A},
    {sf::Keyboard::B, B},
    {sf::Keyboard::C, C},
    {sf::Keyboard::D, D},
    {sf::Keyboard::E, E},
    {sf::Keyboard::F, F},
    {sf::Keyboard::G, G},
    {sf::Keyboard::H, H},
    {sf::Keyboard::I, I},
    {sf::Keyboard::J, J},
    {sf::Keyboard::K, K},
    {sf::Keyboard::L, L},
    {sf::Keyboard::M, M},
    {sf::Keyboard::N, N},
    {sf::Keyboard::O, O},
    {sf::Keyboard::P, P},
    {sf::Keyboard::Q, Q},
    {sf::Keyboard::R, R},
    {sf::Keyboard::S, S},
    {sf::Keyboard::T, T},
    {sf::Keyboard::U, U},
    {sf::Keyboard::V, V},
    {sf::Keyboard::W, W},
    {sf::Keyboard::X, X},
    {sf::Keyboard::Y, Y},
    {sf::Keyboard::Z, Z},
    {sf::Keyboard::Num1, NUM1},
    {sf::Keyboard::Num2, NUM2},
    {sf::Keyboard::Num3, NUM3},
    {sf::Keyboard::Num4, NUM4},
    {sf::Keyboard::Num5, NUM5},
    {sf::Keyboard::Num6, NUM6},
    {sf::Keyboard::Num7, NUM7},
    {sf::Keyboard::Num8, NUM8},
    {sf::Keyboard::Num9, NUM9},
    {sf::Keyboard::Num0, NUM0},
    {sf::Keyboard::BackSpace, BACKSPACE},
};

// The engine's code of a window key: the polled keys' own, F11 and F12, or for keys without
// an engine name the window library's code shifted past the named ones.
int engineKey(sf::Keyboard::Key key)
{
    for (const PolledKey& polled : POLLED_KEYS)
    {
        if (polled.windowKey == key)
        {
            return polled.key;
        }
    }
    if (key == sf::Keyboard::F11 || key == sf::Keyboard::F12)
    {
        return F11 + (key - sf::Keyboard::F11);
    }
    return static_cast<int>(key) + UNNAMED_KEY_OFFSET;
}

struct PolledButton
{
    sf::Mouse::Button windowButton;
    MouseButton button;
};

const PolledButton POLLED_BUTTONS[] = {
    {sf::Mouse::Left, BUTTON_LEFT},
    {sf::Mouse::Right, BUTTON_RIGHT},
    {sf::Mouse::Middle, BUTTON_MIDDLE},
};

int engineButton(sf::Mouse::Button button)
{
    for (const PolledButton& polled : POLLED_BUTTONS)
    {
        if (polled.windowButton == button)
        {
            return polled.button;
        }
    }
    return UNDEFINED_MOUSE_BUTTON;
}

// The cell under a window pixel, through the scaling of the picture when it is scaled.
Vector cellsAt(int x, int y)
{
    return pixelsToSpaces(
        DisplayManager::getInstance().windowToPicture(Vector(static_cast<float>(x), static_cast<float>(y))));
}

// With key repeat off, the window library drops the release and the press the display server
// makes for each repeat of a held key, but only when both arrive in one reading of the window's
// events. Under load the press can come a reading later, and the game would see the held key
// released and pressed again. A release of a key that is still down is such a repeat's: it is
// dropped, and so is the key's next press.
class RepeatFilter
{
public:
    // True when a window release of `key` is a repeat's (the key is still down).
    bool dropsRelease(sf::Keyboard::Key key)
    {
        if (key == sf::Keyboard::Unknown || !sf::Keyboard::isKeyPressed(key))
        {
            return false;
        }
        pressExpected.set(key);
        return true;
    }

    // True when a window press of `key` is the one a dropped release announced.
    bool dropsPress(sf::Keyboard::Key key)
    {
        if (key == sf::Keyboard::Unknown || !pressExpected.test(key))
        {
            return false;
        }
        pressExpected.reset(key);
        return true;
    }

    // A key that is up has been released for real: its next press is a new one. Without the
    // focus every press expected is forgotten, as its events go to another program.
    void forgetReleased(bool focused)
    {
        if (pressExpected.none())
        {
            return; // the usual case: nothing to ask the display server
        }
        for (std::size_t key = 0; key < pressExpected.size(); ++key)
        {
            if (pressExpected.test(key) &&
                (!focused || !sf::Keyboard::isKeyPressed(static_cast<sf::Keyboard::Key>(key))))
            {
                pressExpected.reset(key);
            }
        }
    }

private:
    std::bitset<sf::Keyboard::KeyCount> pressExpected;
};

RepeatFilter repeats;

// The terminal's input while the display is a terminal.
TerminalInput terminalInput;
// How long start-up waits for the terminal to say which key reports it gives.
constexpr int TERMINAL_QUERY_MILLISECONDS = 500;

// Delivers the terminal's input as the window's is delivered: keys and mouse in arrival
// order, then a MOUSE_HELD per button down, then a KEY_HELD per polled key down.
void deliverTerminalInput(const InputManager& manager, TerminalInput& terminal)
{
    terminal.poll(platform::monotonicMicroseconds());
    for (const TerminalEvent& happening : terminal.getEvents())
    {
        if (happening.kind == TerminalEvent::KEY)
        {
            EventKeyboard keyboard;
            keyboard.setKey(happening.key);
            keyboard.setKeyboardAction(happening.action);
            manager.onEvent(&keyboard);
        }
        else
        {
            EventMouse mouse;
            mouse.setMouseAction(happening.mouseAction);
            mouse.setMouseButton(happening.mouseButton);
            mouse.setMousePosition(Vector(static_cast<float>(happening.x), static_cast<float>(happening.y)));
            manager.onEvent(&mouse);
        }
    }
    const Vector position(static_cast<float>(terminal.getMouseX()), static_cast<float>(terminal.getMouseY()));
    for (const PolledButton& polled : POLLED_BUTTONS)
    {
        if (terminal.isButtonHeld(polled.button))
        {
            EventMouse mouse;
            mouse.setMouseAction(MOUSE_HELD);
            mouse.setMouseButton(polled.button);
            mouse.setMousePosition(position);
            manager.onEvent(&mouse);
        }
    }
    for (const PolledKey& polled : POLLED_KEYS)
    {
        if (terminal.isHeld(polled.key))
        {
            EventKeyboard keyboard;
            keyboard.setKey(polled.key);
            keyboard.setKeyboardAction(KEY_HELD);
            manager.onEvent(&keyboard);
        }
    }
}
} // namespace

InputManager::InputManager()
{
    setType("InputManager");
}

InputManager::~InputManager() = default;

InputManager& InputManager::getInstance()
{
    static InputManager instance;
    return instance;
}

bool InputManager::isValid(std::string eventType) const
{
    return eventType == EVENT_KEYBOARD || eventType == EVENT_MOUSE;
}

int InputManager::startUp()
{
    LogManager& log = LogManager::getInstance();
    if (Config::getInstance().getHeadless())
    {
        log.writeLog(1, "InputManager::startUp(): not doing input since in headless mode.");
    }
    else
    {
        if (isStarted())
        {
            log.writeLog("InputManager::startUp(): Already started.");
            return 0;
        }
        const DisplayManager& display = DisplayManager::getInstance();
        if (!display.isStarted())
        {
            log.writeLog("InputManager::startUp(): Error starting InputManager. DisplayManager must be started first.");
            return -1;
        }
        if (display.isTerminal())
        {
            terminalInput.start(TERMINAL_QUERY_MILLISECONDS);
        }
        else if (sf::Window* window = display.getInputWindow())
        {
            window->setKeyRepeatEnabled(false);
            log.writeLog(2, "InputManager::startUp(): Keyboard repeated disabled.");
        }
        else
        {
            log.writeLog("InputManager::startUp(): Warning - DisplayManager unexpectedly returned null window! "
                         "Cannot disable keyboard repeat.");
        }
    }
    Manager::startUp();
    log.writeLog(5, "InputManager::startUp(): successfully started.");
    return 0;
}

void InputManager::shutDown()
{
    LogManager& log = LogManager::getInstance();
    if (TerminalInput::active() == &terminalInput)
    {
        terminalInput.stop();
    }
    if (sf::Window* window = DisplayManager::getInstance().getInputWindow())
    {
        window->setKeyRepeatEnabled(true);
        log.writeLog(2, "InputManager::shutDown(): Keyboard repeat enabled.");
    }
    if (!queuedKeys.empty())
    {
        log.writeLog(1, "InputManager::shutDown(): dropping %d queued keys.", getQueuedKeyCount());
        queuedKeys.clear();
    }
    Manager::shutDown();
    log.writeLog(5, "InputManager::shutDown(): successfully stopped.");
}

void InputManager::ignoreLiveInput() const
{
    if (TerminalInput* terminal = TerminalInput::active())
    {
        terminal->poll(platform::monotonicMicroseconds()); // keeps its buffer bounded
        return;
    }
    sf::Window* window = DisplayManager::getInstance().getInputWindow();
    sf::Event event;
    while (window != nullptr && window->pollEvent(event))
    {
        if (event.type == sf::Event::Closed)
        {
            LogManager::getInstance().writeLog(1, "InputManager::getInput(): Window close event. Setting game over.");
            GameManager::getInstance().setGameOver(true);
            return;
        }
    }
}

EventKeyboard InputManager::toEventKeyboard(const sf::Event& event) const
{
    EventKeyboard keyboard;
    keyboard.setKey(engineKey(event.key.code));
    LogManager::getInstance().writeLog(15, "InputManager::toEventKeyboard(): Keyboard event '%c' (%d)",
                                       keyboard.getKey(), static_cast<int>(event.key.code));
    return keyboard;
}

int InputManager::queueKeyboard(const EventKeyboard& event)
{
    LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("%s not started!", "InputManager");
        return -1;
    }
    const int action = event.getKeyboardAction();
    if (action != KEY_PRESS && action != KEY_RELEASE && action != KEY_HELD)
    {
        log.writeLog("InputManager::queueKeyboard(): Error! key %d has no keyboard action (%d), not queued.",
                     event.getKey(), action);
        return -1;
    }
    if (getQueuedKeyCount() >= MAX_QUEUED_KEYS)
    {
        log.writeLog("InputManager::queueKeyboard(): Error! %d keys already queued, key %d not queued.",
                     MAX_QUEUED_KEYS, event.getKey());
        return -1;
    }
    queuedKeys.push_back(event);
    return 0;
}

void InputManager::deliverQueuedKeys()
{
    // A handler may queue more keys (or shut the manager down); those wait for the next call.
    std::deque<EventKeyboard> delivering;
    delivering.swap(queuedKeys);
    for (const EventKeyboard& keyboard : delivering)
    {
        onEvent(&keyboard);
    }
}

int InputManager::onEvent(const Event* event) const
{
    InputReplay::getInstance().noteEvent(event);
    if (event->getType() == EVENT_KEYBOARD)
    {
        const auto* keyboard = static_cast<const EventKeyboard*>(event);
        if (keyboard->getKey() == F12 && keyboard->getKeyboardAction() == KEY_PRESS)
        {
            DisplayManager::getInstance().requestScreenshot();
        }
    }
    return Manager::onEvent(event);
}

void InputManager::getInput()
{
    InputReplay& replay = InputReplay::getInstance();
    if (replay.isPlaying())
    {
        // The recorded events stand for every source of input, queued keys included.
        queuedKeys.clear();
        replay.deliverStep(*this);
        ignoreLiveInput();
        return;
    }
    deliverQueuedKeys();
    if (Config::getInstance().getHeadless())
    {
        return;
    }
    if (TerminalInput* terminal = TerminalInput::active())
    {
        deliverTerminalInput(*this, *terminal);
        return;
    }
    LogManager& log = LogManager::getInstance();
    sf::Window* window = DisplayManager::getInstance().getInputWindow();
    if (window == nullptr)
    {
        log.writeLog("InputManager::getInput(): DisplayManager unexpectedly returned null window!");
        return;
    }

    sf::Event event;
    while (window->pollEvent(event))
    {
        switch (event.type)
        {
        case sf::Event::Closed:
            // The rest of the queue and the polling are skipped: the loop ends after this
            // iteration, and nothing should react to input of a closing game.
            log.writeLog(1, "InputManager::getInput(): Window close event. Setting game over.");
            GameManager::getInstance().setGameOver(true);
            return;
        case sf::Event::KeyPressed:
        case sf::Event::KeyReleased:
        {
            DisplayManager& display = DisplayManager::getInstance();
            if (event.key.alt && event.key.code == sf::Keyboard::Enter && display.isScaled())
            {
                // Alt+Enter is the window's own key: it toggles fullscreen and reaches no object.
                if (event.type == sf::Event::KeyPressed && display.toggleFullscreen() == 0)
                {
                    window->setKeyRepeatEnabled(false); // a new window starts with repeats on
                }
                break;
            }
            const bool pressed = event.type == sf::Event::KeyPressed;
            if (pressed ? repeats.dropsPress(event.key.code) : repeats.dropsRelease(event.key.code))
            {
                break;
            }
            EventKeyboard keyboard = toEventKeyboard(event);
            keyboard.setKeyboardAction(pressed ? KEY_PRESS : KEY_RELEASE);
            onEvent(&keyboard);
            break;
        }
        case sf::Event::MouseMoved:
        {
            EventMouse mouse;
            mouse.setMouseAction(MOUSE_MOVE);
            mouse.setMousePosition(cellsAt(event.mouseMove.x, event.mouseMove.y));
            onEvent(&mouse);
            break;
        }
        case sf::Event::MouseButtonPressed:
        {
            // The button is the one the event names. Asking which buttons are down now
            // would miss a click released within the same iteration and would report the
            // left button for a right click made while the left one is held.
            EventMouse mouse;
            mouse.setMouseAction(MOUSE_CLICK);
            mouse.setMouseButton(engineButton(event.mouseButton.button));
            mouse.setMousePosition(cellsAt(event.mouseButton.x, event.mouseButton.y));
            onEvent(&mouse);
            break;
        }
        default:
            break;
        }
    }

    // Held keys and buttons are read from the whole keyboard and mouse, not from this
    // window's events: without the focus they belong to another program.
    const bool focused = window->hasFocus();
    repeats.forgetReleased(focused);
    if (!focused)
    {
        return;
    }
    const sf::Vector2i pointer = sf::Mouse::getPosition(*window);
    const Vector position = cellsAt(pointer.x, pointer.y);
    for (const PolledButton& polled : POLLED_BUTTONS)
    {
        if (sf::Mouse::isButtonPressed(polled.windowButton))
        {
            EventMouse mouse;
            mouse.setMouseAction(MOUSE_HELD);
            mouse.setMouseButton(polled.button);
            mouse.setMousePosition(position);
            onEvent(&mouse);
        }
    }

    for (const PolledKey& polled : POLLED_KEYS)
    {
        if (sf::Keyboard::isKeyPressed(polled.windowKey))
        {
            EventKeyboard keyboard;
            keyboard.setKey(polled.key);
            keyboard.setKeyboardAction(KEY_HELD);
            onEvent(&keyboard);
        }
    }
}

} // namespace qm
