// A private X server for window tests: each test process starts its own, so window tests
// run side by side without sharing keyboard focus, and run where no display exists.
#ifndef QM_TEST_VIRTUALDISPLAY_H
#define QM_TEST_VIRTUALDISPLAY_H

#include <qm/DisplayManager.h>

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qmtest
{

/// Points DISPLAY at an X server (Xvfb, 1280 x 1024) private to this test process, started by the first instance for
/// as long as the process (the window library keeps its connection open to the end).
class VirtualDisplay
{
public:
    VirtualDisplay()
    {
        static const std::string server = startServer();
        if (!(displayName = server).empty())
        {
            setenv("DISPLAY", displayName.c_str(), 1);
        }
    }
    bool ok() const { return !displayName.empty(); }

private:
    // Starts Xvfb; returns its display name, or an empty text on failure.
    static std::string startServer()
    {
        int fds[2] = {-1, -1};
        const pid_t pid = pipe(fds) == 0 ? fork() : -1;
        if (pid == 0)
        {
            // Never outliving the test nor holding its output open; writing its display number once it accepts clients.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            std::freopen("/dev/null", "w", stdout);
            std::freopen("/dev/null", "w", stderr);
            execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0", "1280x1024x24",
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        for (char c; pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n';)
        {
            number += c;
        }
        close(fds[0]);
        if (number.empty() && pid > 0)
        {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return number.empty() ? "" : ":" + number;
    }

    std::string displayName;
};

/// What the engine's window holds now, with the characters still collected drawn into it.
inline sf::Image captureDisplay()
{
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    display.flush();
    sf::Texture texture;
    texture.create(display.getWindow()->getSize().x, display.getWindow()->getSize().y);
    texture.update(*display.getWindow());
    return texture.copyToImage();
}

/// Runs a shell command with DISPLAY set; returns its exit status.
inline int runCommand(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

/// Runs a shell command and returns what it printed on standard output.
inline std::string commandOutput(const std::string& command)
{
    std::string output;
    if (FILE* stream = popen(command.c_str(), "r"))
    {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;)
        {
            output.append(buffer, n);
        }
        pclose(stream);
    }
    return output;
}

} // namespace qmtest

#endif
