#ifndef QM_CLOCK_H
#define QM_CLOCK_H

namespace qm
{

/// Measures elapsed time in microseconds on a monotonic clock, so that readings neither
/// wrap nor jump when the system time is set. Used by the game loop to time iterations.
class Clock
{
public:
    /// Starts timing now.
    Clock();

    /// Microseconds since construction or the previous delta; restarts the timing.
    long long delta();

    /// Microseconds since construction or the previous delta; does not restart.
    long long split() const;

private:
    long long previousTime;
};

} // namespace qm

#endif
