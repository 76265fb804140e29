#include "support/GameProcess.h"

#include "support/InputDriver.h"
#include "support/VirtualDisplay.h"

#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qmtest
{

GameProcess::GameProcess(const std::string& config) : GameProcess(config, "quillmere", {}) {}

GameProcess::GameProcess(const std::string& config, const std::string& name, const std::vector<std::string>& arguments,
                         const std::vector<std::string>& environment)
{
    const std::string configPath = dir.write("qm-config.txt", config);
    const std::string logPath = dir.file("game.log");
    const std::string outputPath = dir.file("output.txt");
    pid = fork();
    if (pid == 0)
    {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlive the test
        const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        setenv("QUILLMERE_LOG", logPath.c_str(), 1);
        setenv("QUILLMERE_CONFIG", configPath.c_str(), 1);
        for (const std::string& variable : environment)
        {
            putenv(const_cast<char*>(variable.c_str())); // the child's copy lives until exec
        }
        const std::string program = std::string(QM_RUN_DIR) + "/" + name;
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& argument : arguments)
        {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        if (chdir(QM_RUN_DIR) == 0)
        {
            execv(program.c_str(), argv.data());
        }
        _exit(127);
    }
}

GameProcess::~GameProcess()
{
    if (pid > 0 && !ended)
    {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

bool GameProcess::waitForLog(const std::string& text, int times) const
{
    return waitFor([&] { return countOf(log(), text) >= times; }, 60);
}

bool GameProcess::focusWindow(const std::string& title)
{
    const auto found = [&]
    {
        const std::string id = commandOutput("xdotool search --name '^" + title + "$' 2>/dev/null | head -n 1");
        window = std::strtoul(id.c_str(), nullptr, 10);
        return window != 0;
    };
    return waitFor(found, 30) && qmtest::focusWindow(window);
}

bool GameProcess::closeWindow() const
{
    return window != 0 && sendCloseRequest(window);
}

int GameProcess::waitForExit()
{
    int status = 0;
    if (!ended && pid > 0 && waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 60))
    {
        ended = true;
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return exitStatus;
}

} // namespace qmtest
