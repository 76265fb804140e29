#include "support/InputDriver.h"

#include <qm/DisplayManager.h>
#include <qm/EventKeyboard.h>
#include <qm/EventMouse.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>

#include <SFML/Graphics/RenderWindow.hpp>

#include <X11/Xlib.h>
#include <chrono>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qmtest
{

namespace
{
// Everything a test may leave pressed when it fails half-way.
const char* const RELEASE_ALL = "keyup space q a b F10 F12 KP_0 BackSpace 0 F9 Tab Up semicolon "
                                "mouseup 1 mouseup 3";
} // namespace

bool waitFor(const std::function<bool()>& condition, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition())
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool xdotool(const std::string& arguments)
{
    return runCommand("xdotool " + arguments + " >/dev/null 2>&1") == 0;
}

bool focusWindow(unsigned long window)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        return false;
    }
    // The window may not be viewable yet right after it was created; setting the focus on
    // it fails until it is, so ask again until the server reports it focused.
    const bool focused = waitFor(
        [&]
        {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(display, window, &attributes) == 0 || attributes.map_state != IsViewable)
            {
                return false;
            }
            XSetInputFocus(display, window, RevertToParent, CurrentTime);
            XSync(display, False);
            Window focus = 0;
            int revert = 0;
            XGetInputFocus(display, &focus, &revert);
            return focus == window;
        },
        30.0);
    XCloseDisplay(display);
    return focused;
}

bool dropFocus()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        return false;
    }
    XSetInputFocus(display, None, RevertToNone, CurrentTime);
    XSync(display, False);
    XCloseDisplay(display);
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
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent != 0;
}

ChildProcess::ChildProcess(const std::function<int()>& body)
{
    pid = fork();
    if (pid == 0)
    {
        // _exit: the child must not run the test program's exit handlers, which belong to
        // the parent (the X server, open files).
        _exit(body());
    }
}

ChildProcess::~ChildProcess()
{
    wait();
}

int ChildProcess::wait()
{
    if (pid > 0)
    {
        int raw = 0;
        if (waitpid(pid, &raw, 0) == pid)
        {
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        }
        pid = -1;
    }
    return status;
}

InputRecorder::InputRecorder()
{
    registerInterest(qm::EVENT_KEYBOARD);
    registerInterest(qm::EVENT_MOUSE);
    registerInterest(qm::EVENT_STEP);
}

int InputRecorder::eventHandler(const qm::Event* event)
{
    const int step = qm::GameManager::getInstance().getStepCount();
    if (event->getType() == qm::EVENT_KEYBOARD)
    {
        const auto* keyboardEvent = static_cast<const qm::EventKeyboard*>(event);
        seen.push_back({step, event->getType(), keyboardEvent->getKey(), keyboardEvent->getKeyboardAction(), {}});
    }
    else if (event->getType() == qm::EVENT_MOUSE)
    {
        const auto* mouseEvent = static_cast<const qm::EventMouse*>(event);
        seen.push_back({step, event->getType(), mouseEvent->getMouseButton(), mouseEvent->getMouseAction(),
                        mouseEvent->getMousePosition()});
    }
    else if (event->getType() == qm::EVENT_STEP && onStep)
    {
        onStep(static_cast<const qm::EventStep*>(event)->getStepCount());
    }
    return 1;
}

std::vector<SeenEvent> InputRecorder::keyboard(int action) const
{
    std::vector<SeenEvent> result;
    for (const SeenEvent& event : seen)
    {
        if (event.type == qm::EVENT_KEYBOARD && (action == -2 || event.action == action))
        {
            result.push_back(event);
        }
    }
    return result;
}

std::vector<SeenEvent> InputRecorder::mouse() const
{
    std::vector<SeenEvent> result;
    for (const SeenEvent& event : seen)
    {
        if (event.type == qm::EVENT_MOUSE)
        {
            result.push_back(event);
        }
    }
    return result;
}

void InputWindowTest::SetUp()
{
    EngineTest::SetUp();
    ASSERT_TRUE(xserver.ok()) << "Xvfb could not be started";
}

void InputWindowTest::TearDown()
{
    xdotool(RELEASE_ALL);
    EngineTest::TearDown();
}

int InputWindowTest::startWindowed(const std::string& extra)
{
    dir.write("qm-config.txt", "font_file:" + std::string(QM_RUN_DIR) +
                                   "/qm-font.ttf,\nframe_time:10,\nwindow_title:InputTest,\n" + extra);
    qm::LogManager::getInstance().setLogLevel(logLevel);
    const int result = qm::GameManager::getInstance().startUp();
    qm::LogManager::getInstance().setFlush(true);
    if (result != 0 || qm::DisplayManager::getInstance().getWindow() == nullptr)
    {
        return -1;
    }
    return focusWindow(windowId()) ? 0 : -1;
}

unsigned long InputWindowTest::windowId() const
{
    return static_cast<unsigned long>(qm::DisplayManager::getInstance().getWindow()->getSystemHandle());
}

} // namespace qmtest
