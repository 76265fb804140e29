#include "support/GameProcess.h"

#include "support/EngineTest.h"
#include "support/InputDriver.h"
#include "support/VirtualDisplay.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace qmtest
{

namespace
{
using Clock = std::chrono::steady_clock;

// Polls `ready` every 20 ms until it holds or `limit` has passed.
template <typename Condition> bool waitUntil(Condition ready, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (!ready())
    {
        if (Clock::now() > deadline)
        {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
} // namespace

GameProcess::GameProcess(const std::string& program, const std::string& workingDirectory,
                         const std::vector<std::string>& environment, const std::string& outputFile)
{
    const pid_t child = fork();
    if (child == 0)
    {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
        if (chdir(workingDirectory.c_str()) != 0)
        {
            _exit(126);
        }
        const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0)
        {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
            close(out);
        }
        for (const std::string& entry : environment)
        {
            putenv(const_cast<char*>(entry.c_str()));
        }
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    pid = child;
}

GameProcess::~GameProcess()
{
    if (pid > 0 && exitStatus == -1)
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

bool GameProcess::waitForText(const std::string& logFile, const std::string& text, int times,
                              std::chrono::milliseconds limit) const
{
    return waitUntil([&] { return countOf(readFile(logFile), text) >= times; }, limit);
}

bool GameProcess::focusWindow(const std::string& title, std::chrono::milliseconds limit)
{
    const bool found = waitUntil(
        [&]
        {
            const std::string id = commandOutput("xdotool search --name '^" + title + "$' 2>/dev/null | head -n 1");
            window = std::strtoul(id.c_str(), nullptr, 10);
            return window != 0;
        },
        limit);
    if (!found)
    {
        return false;
    }
    return runCommand("xdotool windowfocus --sync " + std::to_string(window) + " >/dev/null 2>&1") == 0;
}

bool GameProcess::tap(const std::string& key) const
{
    return runCommand("xdotool key --delay 60 " + key) == 0;
}

bool GameProcess::press(const std::string& key) const
{
    return runCommand("xdotool keydown " + key) == 0;
}

bool GameProcess::release(const std::string& key) const
{
    return runCommand("xdotool keyup " + key) == 0;
}

bool GameProcess::screenshot(const std::string& path) const
{
    return runCommand("import -window root '" + path + "' >/dev/null 2>&1") == 0;
}

bool GameProcess::closeWindow() const
{
    return window != 0 && sendCloseRequest(window);
}

int GameProcess::waitForExit(std::chrono::milliseconds limit)
{
    if (exitStatus != -1)
    {
        return exitStatus;
    }
    int status = 0;
    const bool ended = waitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit);
    if (!ended)
    {
        return -1;
    }
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (exitStatus == -1)
    {
        exitStatus = 255; // ended by a signal: remember that it ended
        return -1;
    }
    return exitStatus;
}

void GameProcess::signal(int number) const
{
    if (pid > 0)
    {
        kill(pid, number);
    }
}

} // namespace qmtest
