#include "support/VirtualDisplay.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/Texture.hpp>

#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qmtest
{

namespace
{
// Starts Xvfb; returns its display name, or an empty text on failure.
std::string startServer()
{
    int fds[2];
    if (pipe(fds) != 0)
    {
        return "";
    }
    const pid_t pid = fork();
    if (pid == 0)
    {
        // The server must not outlive the test process, nor hold its output pipes open.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        // Xvfb writes the display number it chose to the descriptor once it accepts clients.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (pid > 0 && read(fds[0], &c, 1) == 1 && c != '\n')
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
} // namespace

VirtualDisplay::VirtualDisplay()
{
    static const std::string server = startServer();
    displayName = server;
    if (ok())
    {
        setenv("DISPLAY", displayName.c_str(), 1);
    }
}

sf::Image captureWindow(const sf::RenderWindow& window)
{
    sf::Texture texture;
    texture.create(window.getSize().x, window.getSize().y);
    texture.update(window);
    return texture.copyToImage();
}

int runCommand(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string commandOutput(const std::string& command)
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
