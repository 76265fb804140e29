// Loaded into the real game with LD_PRELOAD by scripts/measure-pacing.py, which reads what it
// writes: one line per game-loop iteration, so that the game itself is measured unchanged.
//
// An iteration starts when the loop shows the previous frame (the window's buffer swap, the
// first thing the loop does) and its work ends when the loop goes to sleep until the next one.
// Each line is "<start> <sleep> <cpu>": the iteration's start and the start of its first sleep
// (0 when it did not sleep: it overran its frame), in nanoseconds of the monotonic clock, and
// the processor time the whole process (all its threads) had used at the start. The file is
// named by the environment variable QM_PACING_OUT.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <pthread.h>

namespace
{

long long nanoseconds(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Probe
{
    std::FILE* out = nullptr;
    pthread_t loopThread{};
    std::atomic<bool> started{false};
    long long iterationStart = 0;
    long long iterationCpu = 0;
    long long sleepStart = 0;

    // Called by the loop's thread at each buffer swap: the previous iteration is complete.
    void swap()
    {
        const long long now = nanoseconds(CLOCK_MONOTONIC);
        const long long cpu = nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
        if (!started.load())
        {
            const char* name = std::getenv("QM_PACING_OUT");
            out = name != nullptr ? std::fopen(name, "w") : nullptr;
            loopThread = pthread_self();
            started.store(true);
        }
        else if (out != nullptr)
        {
            std::fprintf(out, "%lld %lld %lld\n", iterationStart, sleepStart, iterationCpu);
            std::fflush(out);
        }
        iterationStart = now;
        iterationCpu = cpu;
        sleepStart = 0;
    }

    // Called on every sleep of any thread; only the loop's first sleep of an iteration counts.
    void sleeping()
    {
        if (started.load() && pthread_equal(pthread_self(), loopThread) && sleepStart == 0)
        {
            sleepStart = nanoseconds(CLOCK_MONOTONIC);
        }
    }
};

Probe probe;

template <typename Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C"
{
    // The window library's buffer swap (display and drawable are opaque here).
    void glXSwapBuffers(void* display, unsigned long drawable)
    {
        static const auto real = next<void (*)(void*, unsigned long)>("glXSwapBuffers");
        probe.swap();
        real(display, drawable);
    }

    int nanosleep(const timespec* request, timespec* remaining)
    {
        static const auto real = next<int (*)(const timespec*, timespec*)>("nanosleep");
        probe.sleeping();
        return real(request, remaining);
    }

    int clock_nanosleep(clockid_t clock, int flags, const timespec* request, timespec* remaining)
    {
        static const auto real = next<int (*)(clockid_t, int, const timespec*, timespec*)>("clock_nanosleep");
        probe.sleeping();
        return real(clock, flags, request, remaining);
    }
}
