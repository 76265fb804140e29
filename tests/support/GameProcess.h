// Drives a real program the way a person would: starts it in its run directory on the
// private X server, sends it keys through xdotool, reads its log, takes screenshots and
// closes its window.
#ifndef QM_TEST_GAMEPROCESS_H
#define QM_TEST_GAMEPROCESS_H

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace qmtest
{

class GameProcess
{
public:
    /// Starts `program` with `workingDirectory` as its current directory and the given
    /// extra environment variables ("NAME=value"). DISPLAY must already be set (see
    /// VirtualDisplay). Standard output and error go to `outputFile`.
    GameProcess(const std::string& program, const std::string& workingDirectory,
                const std::vector<std::string>& environment, const std::string& outputFile);

    /// Kills the program if it still runs.
    ~GameProcess();

    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool started() const { return pid > 0; }

    /// Waits until the file `logFile` contains `text` at least `times` times.
    bool waitForText(const std::string& logFile, const std::string& text, int times = 1,
                     std::chrono::milliseconds limit = std::chrono::seconds(30)) const;

    /// Waits until a window titled `title` exists and gives it the keyboard focus.
    bool focusWindow(const std::string& title, std::chrono::milliseconds limit = std::chrono::seconds(30));

    /// Presses and releases a key (an xdotool key name such as "space", "F10", "d").
    bool tap(const std::string& key) const;

    /// Presses a key and keeps it down until release().
    bool press(const std::string& key) const;
    bool release(const std::string& key) const;

    /// Saves a PNG of the whole screen to `path`.
    bool screenshot(const std::string& path) const;

    /// Asks the window to close, as its close button does (a WM_DELETE_WINDOW message).
    bool closeWindow() const;

    /// Waits for the program to end; returns its exit status, or -1 on time-out or signal.
    int waitForExit(std::chrono::milliseconds limit = std::chrono::seconds(30));

    /// Sends a signal (e.g. SIGTERM) to the program.
    void signal(int number) const;

private:
    int pid = -1;
    unsigned long window = 0;
    int exitStatus = -1;
};

} // namespace qmtest

#endif
