// POSIX implementation of the terminal services.
#include "platform/Platform.h"
#include "platform/Terminal.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace qm::platform
{

namespace
{
// Everything the restoring needs, kept in plain static storage so that a signal handler can
// use it: it may call only async-signal-safe functions (write, tcsetattr, fcntl, sigaction).
volatile sig_atomic_t terminalOpen = 0;
volatile sig_atomic_t resized = 0;
termios savedSettings{};
int savedInputFlags = 0;
int savedOutputFlags = 0;
char restoreBytes[256];
volatile sig_atomic_t restoreLength = 0;

const int FATAL_SIGNALS[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
struct sigaction previousFatal[sizeof(FATAL_SIGNALS) / sizeof(FATAL_SIGNALS[0])];
struct sigaction previousHangup;
struct sigaction previousResize;

void restoreNow()
{
    if (terminalOpen == 0)
    {
        return;
    }
    terminalOpen = 0;
    fcntl(STDOUT_FILENO, F_SETFL, savedOutputFlags & ~O_NONBLOCK);
    const char* at = restoreBytes;
    int left = restoreLength;
    while (left > 0)
    {
        const ssize_t n = write(STDOUT_FILENO, at, static_cast<size_t>(left));
        if (n <= 0)
        {
            if (n < 0 && errno == EINTR)
            {
                continue;
            }
            break;
        }
        at += n;
        left -= static_cast<int>(n);
    }
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedSettings);
    fcntl(STDIN_FILENO, F_SETFL, savedInputFlags);
    fcntl(STDOUT_FILENO, F_SETFL, savedOutputFlags);
}

extern "C" void onFatalSignal(int number)
{
    const int savedErrno = errno;
    restoreNow();
    // The earlier handler (or the default action) gets the signal once this one returns.
    for (std::size_t i = 0; i < sizeof(FATAL_SIGNALS) / sizeof(FATAL_SIGNALS[0]); ++i)
    {
        if (FATAL_SIGNALS[i] == number)
        {
            sigaction(number, &previousFatal[i], nullptr);
        }
    }
    raise(number);
    errno = savedErrno;
}

extern "C" void restoreAtExit()
{
    closeTerminal();
}

extern "C" void onHangup(int)
{
    // The terminal is gone: the loop ends at its next iteration and restores what it can.
    requestStop();
}

extern "C" void onResize(int)
{
    resized = 1;
}
} // namespace

bool openTerminal(std::string& error)
{
    if (terminalOpen != 0)
    {
        return true;
    }
    if (isatty(STDIN_FILENO) == 0 || isatty(STDOUT_FILENO) == 0)
    {
        error = "standard input and output must be a terminal";
        return false;
    }
    if (tcgetattr(STDIN_FILENO, &savedSettings) != 0)
    {
        error = std::string("cannot read the terminal's settings: ") + std::strerror(errno);
        return false;
    }
    savedInputFlags = fcntl(STDIN_FILENO, F_GETFL);
    savedOutputFlags = fcntl(STDOUT_FILENO, F_GETFL);
    termios raw = savedSettings;
    raw.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    raw.c_cflag |= CS8;
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0)
    {
        error = std::string("cannot switch the terminal to raw mode: ") + std::strerror(errno);
        return false;
    }
    fcntl(STDIN_FILENO, F_SETFL, savedInputFlags | O_NONBLOCK);
    fcntl(STDOUT_FILENO, F_SETFL, savedOutputFlags | O_NONBLOCK);
    resized = 0;
    terminalOpen = 1;
    static bool exitHandlerSet = false;
    if (!exitHandlerSet)
    {
        // A program that ends through exit() without shutting the engine down still gets
        // its terminal back.
        exitHandlerSet = std::atexit(restoreAtExit) == 0;
    }

    struct sigaction action
    {
    };
    sigemptyset(&action.sa_mask);
    action.sa_handler = onFatalSignal;
    action.sa_flags = 0;
    for (std::size_t i = 0; i < sizeof(FATAL_SIGNALS) / sizeof(FATAL_SIGNALS[0]); ++i)
    {
        sigaction(FATAL_SIGNALS[i], &action, &previousFatal[i]);
    }
    action.sa_handler = onHangup;
    action.sa_flags = SA_RESTART;
    sigaction(SIGHUP, &action, &previousHangup);
    action.sa_handler = onResize;
    sigaction(SIGWINCH, &action, &previousResize);
    return true;
}

void setTerminalRestore(const std::string& sequence)
{
    const std::size_t length = sequence.size() < sizeof(restoreBytes) ? sequence.size() : sizeof(restoreBytes) - 1;
    restoreLength = 0; // a signal meanwhile writes nothing rather than half a sequence
    std::memcpy(restoreBytes, sequence.data(), length);
    restoreLength = static_cast<sig_atomic_t>(length);
}

void closeTerminal()
{
    if (terminalOpen == 0)
    {
        return;
    }
    restoreNow();
    for (std::size_t i = 0; i < sizeof(FATAL_SIGNALS) / sizeof(FATAL_SIGNALS[0]); ++i)
    {
        sigaction(FATAL_SIGNALS[i], &previousFatal[i], nullptr);
    }
    sigaction(SIGHUP, &previousHangup, nullptr);
    sigaction(SIGWINCH, &previousResize, nullptr);
}

bool isTerminalOpen()
{
    return terminalOpen != 0;
}

bool terminalSize(int& columns, int& rows)
{
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0)
    {
        return false;
    }
    columns = size.ws_col;
    rows = size.ws_row;
    return true;
}

bool takeTerminalResize()
{
    const bool was = resized != 0;
    resized = 0;
    return was;
}

int readTerminal(char* buffer, int size)
{
    for (;;)
    {
        const ssize_t n = read(STDIN_FILENO, buffer, static_cast<size_t>(size));
        if (n > 0)
        {
            return static_cast<int>(n);
        }
        if (n == 0)
        {
            return 0; // raw mode with no minimum: nothing waits
        }
        if (errno == EINTR)
        {
            continue;
        }
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

bool waitTerminalInput(int milliseconds)
{
    pollfd input{STDIN_FILENO, POLLIN, 0};
    return poll(&input, 1, milliseconds < 0 ? 0 : milliseconds) > 0 && (input.revents & POLLIN) != 0;
}

int writeTerminal(const char* data, int size)
{
    int written = 0;
    while (written < size)
    {
        const ssize_t n = write(STDOUT_FILENO, data + written, static_cast<size_t>(size - written));
        if (n > 0)
        {
            written += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
        {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
        {
            return written > 0 ? written : -1;
        }
        break;
    }
    return written;
}

} // namespace qm::platform
