// Real keyboard and mouse input for window tests: keys and clicks sent to the private X
// server with xdotool, window close requests sent as a window manager would, a background
// process for input that must arrive while the test thread is busy in the game loop, and
// a fixture that starts the engine with a focused window and records what it delivers.
#ifndef QM_TEST_INPUTDRIVER_H
#define QM_TEST_INPUTDRIVER_H

#include "support/EngineTest.h"
#include "support/VirtualDisplay.h"

#include <qm/Object.h>
#include <qm/Vector.h>

#include <functional>
#include <string>
#include <vector>

namespace qmtest
{

/// Polls `condition` every few milliseconds until it holds or `seconds` have passed.
/// Returns whether it held.
bool waitFor(const std::function<bool()>& condition, double seconds);

/// Runs xdotool with `arguments` on the test's X server; true when it succeeded.
bool xdotool(const std::string& arguments);

/// Gives `window` the keyboard focus (there is no window manager to do it) and waits until
/// the server reports it. True on success.
bool focusWindow(unsigned long window);

/// Takes the keyboard focus away from every window (as switching to another program does).
bool dropFocus();

/// Asks `window` to close as a window manager's close button does (a WM_DELETE_WINDOW
/// message). True when the request was sent.
bool sendCloseRequest(unsigned long window);

/// Runs `body` in a forked child process, so that it can send input while the test thread
/// is blocked in the game loop. The child must not touch the engine; it ends with the
/// body's result. The destructor waits for the child.
class ChildProcess
{
public:
    explicit ChildProcess(const std::function<int()>& body);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// Waits for the child and returns its exit status (-1 when it did not exit normally).
    int wait();

private:
    int pid = -1;
    int status = -1;
};

/// One event as an InputRecorder saw it.
struct SeenEvent
{
    int step;         ///< the game loop's step count when it arrived
    std::string type; ///< event type name
    int code;         ///< key or mouse button
    int action;       ///< keyboard or mouse action
    qm::Vector position;
};

/// Records every keyboard and mouse event with the step in which it arrived, and calls
/// `onStep` for every step event.
class InputRecorder : public qm::Object
{
public:
    InputRecorder();
    int eventHandler(const qm::Event* event) override;

    /// Keyboard events (type "qm-keyboard") with `action`, or all with -2.
    std::vector<SeenEvent> keyboard(int action = -2) const;
    /// Mouse events.
    std::vector<SeenEvent> mouse() const;

    std::vector<SeenEvent> seen;
    std::function<void(int step)> onStep;
};

/// Starts the engine with a real, focused window on the test's private X server (log level
/// `logLevel`, 10 ms frames) and shuts it down after the test, releasing the keys and
/// buttons that tests press. Objects are made with `new` once the engine runs and belong
/// to the world, which deletes them at shut-down.
class InputWindowTest : public EngineTest
{
protected:
    void SetUp() override;
    void TearDown() override;

    /// Starts the engine windowed with `extra` configuration lines and focuses the window.
    /// Returns the game manager's start-up result, or -1 when the window could not be focused.
    int startWindowed(const std::string& extra = "");

    /// The X window id of the engine's window.
    unsigned long windowId() const;

    VirtualDisplay xserver;
    int logLevel = 1; ///< the log level startWindowed sets
};

} // namespace qmtest

#endif
