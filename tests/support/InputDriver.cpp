#include "support/InputDriver.h"

#include <qm/DisplayManager.h>
#include <qm/EventKeyboard.h>
#include <qm/EventMouse.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>

#include <SFML/Graphics/RenderWindow.hpp>

#include <X11/Xlib.h>
#include <chrono>
#include <thread>

namespace qmtest
{

bool xdotool(const std::string& arguments)
{
    return runCommand("xdotool " + arguments + " >/dev/null 2>&1") == 0;
}

bool waitFor(const std::function<bool()>& condition, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition())
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool dropFocus()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        return false;
    }
    XSetInputFocus(display, None, RevertToNone, CurrentTime);
    XCloseDisplay(display); // after the server has handled the request
    return true;
}

bool sendCloseRequest(unsigned long window)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        return false;
    }
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return sent != 0;
}

int InputWindowTest::startFocused(const std::string& extra)
{
    qm::LogManager::getInstance().setLogLevel(1);
    if (startWindowed("frame_time:10,\n" + extra) != 0)
    {
        return -1;
    }
    window = static_cast<unsigned long>(qm::DisplayManager::getInstance().getWindow()->getSystemHandle());
    return focusWindow(window) ? 0 : -1;
}

void InputWindowTest::runLoop(const std::function<bool(int step)>& stop)
{
    keys.clear();
    buttons.clear();
    positions.clear();
    auto* recorder = new RecordingObject;
    recorder->registerInterest(qm::EVENT_KEYBOARD);
    recorder->registerInterest(qm::EVENT_MOUSE);
    recorder->registerInterest(qm::EVENT_STEP);
    recorder->onEvent = [&](const qm::Event* event)
    {
        const int step = qm::GameManager::getInstance().getStepCount();
        if (const auto* key = dynamic_cast<const qm::EventKeyboard*>(event))
        {
            keys[key->getKey()].emplace_back(step, key->getKeyboardAction());
        }
        else if (const auto* mouse = dynamic_cast<const qm::EventMouse*>(event))
        {
            buttons[mouse->getMouseButton()].emplace_back(step, mouse->getMouseAction());
            positions.push_back(mouse->getMousePosition());
        }
        else
        {
            lastStep = step;
            qm::GameManager& game = qm::GameManager::getInstance();
            game.setGameOver(game.getGameOver() || stop(step) || step >= 3000);
        }
    };
    qm::GameManager::getInstance().run();
    recorder->onEvent = nullptr; // it refers to `stop`
}

void InputWindowTest::runLoop(const std::map<int, std::string>& commands, int lastStepToRun)
{
    runLoop(
        [&](int step)
        {
            const auto command = commands.find(step);
            EXPECT_TRUE(command == commands.end() || xdotool(command->second)) << command->second;
            return step >= lastStepToRun;
        });
}

} // namespace qmtest
