// Real input for window tests: keys and clicks sent with xdotool, focus and close requests sent as a window manager
// would, and a fixture that runs the game loop in a focused window recording the input it delivers.
#ifndef QM_TEST_INPUTDRIVER_H
#define QM_TEST_INPUTDRIVER_H

#include "support/WindowTest.h"

#include <qm/Vector.h>

#include <functional>
#include <map>

namespace qmtest
{

/// Runs xdotool with `arguments` on the test's X server; true when it succeeded.
bool xdotool(const std::string& arguments);

/// Polls `condition` every 10 ms until it holds (true) or `seconds` have passed (false).
bool waitFor(const std::function<bool()>& condition, double seconds);

/// Gives `window` the keyboard focus (no window manager does it), retrying for up to 30 s until it is viewable.
inline bool focusWindow(unsigned long window)
{
    return waitFor([&] { return xdotool("windowfocus --sync " + std::to_string(window)); }, 30);
}

/// Takes the keyboard focus away from every window (as switching to another program does).
bool dropFocus();

/// Asks `window` to close as a window manager's close button does (a WM_DELETE_WINDOW message).
bool sendCloseRequest(unsigned long window);

/// (step, action) pairs: when an event arrived and what it was.
using Steps = std::vector<std::pair<int, int>>;

/// Runs the engine's game loop in a real, focused window (log level 1, 10 ms frames) recording the input delivered.
class InputWindowTest : public WindowTest
{
protected:
    /// Starts the engine windowed (configuration lines `extra` added), sets `window` and focuses it: 0, or -1
    /// when either failed.
    int startFocused(const std::string& extra = "");

    /// Runs the game loop, recording after the objects made so far, until `stop(step)` or 3000 steps (30 s).
    void runLoop(const std::function<bool(int step)>& stop);
    /// Runs the loop to `lastStep`, sending `commands[n]` with xdotool at step n.
    void runLoop(const std::map<int, std::string>& commands, int lastStep);

    unsigned long window = 0;          ///< the X window id of the engine's window
    std::map<int, Steps> keys;         ///< the last run's keyboard events by key
    std::map<int, Steps> buttons;      ///< the last run's mouse events by button (none for a move)
    std::vector<qm::Vector> positions; ///< the cells of the last run's mouse events
    int lastStep = -1;                 ///< the last step the loop ran
};

} // namespace qmtest

#endif
