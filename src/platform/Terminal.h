// The text terminal the program runs in: raw mode, non-blocking reads and writes, its size,
// and the restoring of its state on every way out, signals and crashes included. The only
// engine code that knows terminal devices; the terminal display and its input use these.
#ifndef QM_TERMINAL_H
#define QM_TERMINAL_H

#include <string>

namespace qm::platform
{

/// Takes the terminal on standard input and output: saves its settings, switches it to raw
/// mode (no echo, no line editing, no signals from keys, no output processing) with both
/// directions non-blocking, and installs handlers that restore it on SIGHUP (which also
/// requests a stop, as SIGINT and SIGTERM do) and on fatal signals. Returns false, with
/// the reason in `error`, when standard input or output is not a terminal or its settings
/// cannot be changed; nothing is changed then. True when it was already open.
bool openTerminal(std::string& error);

/// Sets the bytes written to the terminal on every way out (at most 255; longer is cut):
/// they undo what the program switched on (the alternate screen, a hidden cursor, ...).
void setTerminalRestore(const std::string& sequence);

/// Writes the restore bytes and brings back the settings openTerminal saved. Nothing when
/// the terminal is not open.
void closeTerminal();

bool isTerminalOpen();

/// The terminal's size in cells. False when it cannot be read.
bool terminalSize(int& columns, int& rows);

/// True when the terminal was resized (SIGWINCH) since the last call.
bool takeTerminalResize();

/// Reads what is waiting, at most `size` bytes, without waiting. Returns the count (0 when
/// nothing waits), or -1 when the terminal is gone.
int readTerminal(char* buffer, int size);

/// Waits up to `milliseconds` for input. True when some waits.
bool waitTerminalInput(int milliseconds);

/// Writes what the terminal takes now, without waiting. Returns the count written (may be
/// fewer than `size`, 0 when it takes nothing now), or -1 when the terminal is gone.
int writeTerminal(const char* data, int size);

} // namespace qm::platform

#endif
