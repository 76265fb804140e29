// Runs the real game program as a person would: in its run directory, in a window on the
// private X server (see VirtualDisplay), its configuration, log and output in a scratch folder.
#ifndef QM_TEST_GAMEPROCESS_H
#define QM_TEST_GAMEPROCESS_H

#include "support/EngineTest.h"

#include <string>
#include <vector>

namespace qmtest
{

class GameProcess
{
public:
    /// Starts the game with `config` as the text of its configuration file. DISPLAY must be
    /// set. The program is killed when this object goes, should it still run.
    explicit GameProcess(const std::string& config);
    /// The same for another program of the run directory, with arguments and environment
    /// variables ("NAME=value") of its own.
    GameProcess(const std::string& config, const std::string& program, const std::vector<std::string>& arguments,
                const std::vector<std::string>& environment = {});
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    std::string log() const { return readFile(dir.file("game.log")); }
    std::string output() const { return readFile(dir.file("output.txt")); }
    /// Waits (up to a minute) until the log holds `text` at least `times` times.
    bool waitForLog(const std::string& text, int times = 1) const;
    /// Waits for the window titled `title` and gives it the keyboard focus.
    bool focusWindow(const std::string& title = "Quillmere");
    unsigned long windowId() const { return window; }
    /// Asks the window to close, as its close button does (a WM_DELETE_WINDOW message).
    bool closeWindow() const;
    /// Waits (up to a minute) for the program to end: its exit status, or -1.
    int waitForExit();

    const ScratchDir dir;

private:
    int pid = -1;
    unsigned long window = 0;
    bool ended = false;
    int exitStatus = -1;
};

} // namespace qmtest

#endif
