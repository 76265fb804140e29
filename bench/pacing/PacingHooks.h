// The pacing probe's two events, raised by the hooks in PacingHooks.cpp (see PacingProbe.cpp).
#ifndef QM_BENCH_PACINGHOOKS_H
#define QM_BENCH_PACINGHOOKS_H

/// The game loop shows a frame: an iteration ends and the next begins.
void probeSwap();

/// Some thread goes to sleep.
void probeSleeping();

#endif
