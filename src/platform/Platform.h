// The host services the engine takes from the operating system. This header and its source
// in this folder are the only engine code that includes OS headers; everything else calls
// these functions, so porting the engine means reimplementing this one file.
#ifndef QM_PLATFORM_H
#define QM_PLATFORM_H

#include <cstdint>
#include <functional>
#include <string>

namespace qm::platform
{

/// Sleeps the calling thread for about `milliseconds` (nothing for zero or less). A stop
/// request (see stopRequested) ends the sleep early, within 50 ms, whatever its length.
void sleepMilliseconds(int milliseconds);

/// Waits about `microseconds` (nothing for zero or less): a short slice for loops that poll.
/// The actual wait may be longer, bounded below by the scheduler's resolution. A stop request
/// ends it as it ends sleepMilliseconds.
void waitMicroseconds(int microseconds);

/// Asks the scheduler for a timer resolution of `milliseconds`. Returns false when the
/// system refuses; systems that always schedule finely enough accept without doing anything.
bool beginTimerResolution(int milliseconds);

/// Releases a resolution obtained with beginTimerResolution. Returns false when refused.
bool endTimerResolution(int milliseconds);

/// Microseconds on a monotonic clock: never jumps when the system time is set.
std::int64_t monotonicMicroseconds();

/// Reads an environment variable. Returns false when it does not exist; an existing
/// variable with an empty value returns true and an empty `value`.
bool getEnvironment(const char* name, std::string& value);

/// Routes SIGINT and SIGTERM to a flag that stopRequested() reads. The handler only sets
/// an async-signal-safe flag; the game loop polls it. Safe to call more than once.
void installStopHandlers();

/// True once a stop signal has arrived (or requestStop was called). Stays true.
bool stopRequested();

/// Sets the stop flag as a signal would.
void requestStop();

/// Clears the stop flag (for tests that simulate more than one program run).
void clearStopRequest();

/// Opens and holds a connection to the display named by DISPLAY (X11). Returns false when
/// none can be opened. The window library ends the whole process when it cannot open the
/// display, so the display manager asks here first; holding the connection until
/// releaseDisplay() also keeps a bare X server from resetting (it resets when its last
/// client leaves) while the window library connects.
bool holdDisplay();

/// Closes the connection opened by holdDisplay (nothing when none is held).
void releaseDisplay();

/// Runs `action` with the process's standard error sent to a temporary file, and returns
/// what was written there (at most 64 KiB). Libraries that print straight to the terminal
/// (the sound system when no device exists) are kept quiet this way. When no temporary file
/// can be made, `action` runs with standard error as it is and the result is empty.
std::string captureStandardError(const std::function<void()>& action);

} // namespace qm::platform

#endif
