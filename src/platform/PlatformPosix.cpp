// POSIX implementation of the platform services.
#include "platform/Platform.h"

#include <X11/Xlib.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <signal.h>
#include <time.h>
#include <unistd.h>

namespace qm::platform
{

namespace
{
volatile sig_atomic_t stopFlag = 0;

extern "C" void onStopSignal(int)
{
    stopFlag = 1;
}
} // namespace

namespace
{
// The longest stretch a wait sleeps without looking at the stop flag: a stop request (a signal
// delivered to any thread, or requestStop) ends every wait within this time.
constexpr std::int64_t STOP_CHECK_MICROSECONDS = 50000;

void waitUnlessStopped(std::int64_t microseconds)
{
    const std::int64_t end = monotonicMicroseconds() + microseconds;
    for (std::int64_t left = microseconds; left > 0 && stopFlag == 0; left = end - monotonicMicroseconds())
    {
        const std::int64_t slice = left < STOP_CHECK_MICROSECONDS ? left : STOP_CHECK_MICROSECONDS;
        const timespec request{static_cast<time_t>(slice / 1000000), static_cast<long>(slice % 1000000) * 1000L};
        // A signal interrupts the sleep: the loop looks at the flag and sleeps on for the rest.
        nanosleep(&request, nullptr);
    }
}
} // namespace

void sleepMilliseconds(int milliseconds)
{
    if (milliseconds > 0)
    {
        waitUnlessStopped(static_cast<std::int64_t>(milliseconds) * 1000);
    }
}

void waitMicroseconds(int microseconds)
{
    if (microseconds > 0)
    {
        waitUnlessStopped(microseconds);
    }
}

bool beginTimerResolution(int milliseconds)
{
    // The POSIX scheduler already sleeps with sub-millisecond precision.
    return milliseconds > 0;
}

bool endTimerResolution(int milliseconds)
{
    return milliseconds > 0;
}

std::int64_t monotonicMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

bool getEnvironment(const char* name, std::string& value)
{
    const char* found = std::getenv(name);
    if (found == nullptr)
    {
        return false;
    }
    value = found;
    return true;
}

void installStopHandlers()
{
    struct sigaction action
    {
    };
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool stopRequested()
{
    return stopFlag != 0;
}

void requestStop()
{
    stopFlag = 1;
}

void clearStopRequest()
{
    stopFlag = 0;
}

namespace
{
Display* heldDisplay = nullptr;
}

bool holdDisplay()
{
    if (heldDisplay == nullptr)
    {
        heldDisplay = XOpenDisplay(nullptr);
    }
    return heldDisplay != nullptr;
}

void releaseDisplay()
{
    if (heldDisplay != nullptr)
    {
        XCloseDisplay(heldDisplay);
        heldDisplay = nullptr;
    }
}

std::string captureStandardError(const std::function<void()>& action)
{
    std::fflush(stderr);
    std::FILE* scratch = std::tmpfile();
    const int saved = scratch != nullptr ? dup(STDERR_FILENO) : -1;
    if (saved < 0 || dup2(fileno(scratch), STDERR_FILENO) < 0)
    {
        if (saved >= 0)
        {
            close(saved);
        }
        if (scratch != nullptr)
        {
            std::fclose(scratch);
        }
        action();
        return "";
    }
    action();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);

    std::string captured;
    std::rewind(scratch);
    char buffer[4096];
    std::size_t n;
    constexpr std::size_t LIMIT = 64 * 1024;
    while (captured.size() < LIMIT && (n = std::fread(buffer, 1, sizeof buffer, scratch)) > 0)
    {
        captured.append(buffer, n);
    }
    std::fclose(scratch);
    return captured;
}

} // namespace qm::platform
