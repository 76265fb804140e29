// The functions the probe stands in for: each reports to the probe, then calls the real one.
// This file includes no time header, so the C library's sleep functions can be declared here
// with their argument structures left opaque (only the symbols' names matter to the loader).
#include "PacingHooks.h"

#include <dlfcn.h>

namespace
{
template <typename Function> Function next(const char* name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}
} // namespace

struct Interval; // the C library's seconds-and-nanoseconds pair, passed through untouched

extern "C"
{
    // The window library's buffer swap (display and drawable are opaque here).
    void glXSwapBuffers(void* display, unsigned long drawable)
    {
        static const auto real = next<void (*)(void*, unsigned long)>("glXSwapBuffers");
        probeSwap();
        real(display, drawable);
    }

    int nanosleep(const Interval* request, Interval* remaining)
    {
        static const auto real = next<int (*)(const Interval*, Interval*)>("nanosleep");
        probeSleeping();
        return real(request, remaining);
    }

    int clock_nanosleep(int clock, int flags, const Interval* request, Interval* remaining)
    {
        static const auto real = next<int (*)(int, int, const Interval*, Interval*)>("clock_nanosleep");
        probeSleeping();
        return real(clock, flags, request, remaining);
    }
}
