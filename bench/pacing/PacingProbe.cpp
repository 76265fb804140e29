// Loaded into the real game with LD_PRELOAD by scripts/measure-pacing.py, which reads what it
// writes: one line per game-loop iteration, so that the game itself is measured unchanged.
//
// An iteration starts when the loop shows the previous frame (the window's buffer swap, the
// first thing the loop does) and its work ends when the loop goes to sleep until the next one.
// Each line is "<start> <sleep> <cpu>": the iteration's start and the start of its first sleep
// (0 when it did not sleep: it overran its frame), in nanoseconds of the monotonic clock, and
// the processor time the whole process (all its threads) had used at the start. The file is
// named by the environment variable QM_PACING_OUT.
#include "PacingHooks.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pthread.h>

namespace
{

long long monotonicNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Processor time of the whole process, all threads; the C library counts it in microseconds.
long long processorNanoseconds()
{
    return static_cast<long long>(std::clock()) * (1000000000LL / CLOCKS_PER_SEC);
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
        const long long now = monotonicNanoseconds();
        const long long cpu = processorNanoseconds();
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
            sleepStart = monotonicNanoseconds();
        }
    }
};

Probe probe;

} // namespace

void probeSwap()
{
    probe.swap();
}

void probeSleeping()
{
    probe.sleeping();
}
