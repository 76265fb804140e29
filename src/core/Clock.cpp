#include "platform/Platform.h"

#include <qm/Clock.h>

namespace qm
{

Clock::Clock() : previousTime(platform::monotonicMicroseconds()) {}

long long Clock::delta()
{
    const long long now = platform::monotonicMicroseconds();
    const long long elapsed = now - previousTime;
    previousTime = now;
    return elapsed;
}

long long Clock::split() const
{
    return platform::monotonicMicroseconds() - previousTime;
}

} // namespace qm
