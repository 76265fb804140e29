// Keys and mouse from the text terminal the game is shown in: reads what the terminal sent,
// decodes it, and keeps which keys and buttons are down, for the input manager and the pause.
#ifndef QM_TERMINALINPUT_H
#define QM_TERMINALINPUT_H

#include "input/TerminalDecoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qm
{

/// The terminal's input while the display is a terminal. With the progressive keyboard
/// protocol (asked for at start) presses, repeats and releases are the terminal's own;
/// otherwise a key's bytes press it, its repeats keep it down, and it is released once no
/// repeat came for a while: FIRST_REPEAT_WAIT after the press (longer than the usual delay
/// before a held key repeats), REPEAT_WAIT after a repeat.
class TerminalInput
{
public:
    static constexpr int FIRST_REPEAT_WAIT_MS = 700;
    static constexpr int REPEAT_WAIT_MS = 150;
    /// Most bytes read and events delivered in one frame; the rest waits for the next ones.
    static constexpr int MAX_BYTES_PER_POLL = 64 * 1024;
    static constexpr int MAX_EVENTS_PER_POLL = 256;

    /// The input of the terminal in use, or null when the display is not a terminal.
    static TerminalInput* active();

    /// Asks the terminal for the progressive keyboard protocol and switches it on when the
    /// terminal has it (waiting up to `waitMilliseconds` for the answer). The terminal must
    /// be open (the display opens it). Makes this the active input.
    void start(int waitMilliseconds);
    /// Switches the protocol off again (the terminal's restore sequence does it on every
    /// other way out) and stops being the active input.
    void stop();

    /// True when the terminal gives exact key presses, repeats and releases.
    bool isExact() const { return exact; }

    /// Reads and decodes what came since the last call (bounded per call) at the time `now`
    /// (monotonic microseconds): keys and mouse events in arrival order, then the releases of
    /// legacy keys that went quiet. A Ctrl-C requests a stop.
    void poll(std::int64_t now);
    const std::vector<TerminalEvent>& getEvents() const { return events; }

    /// Whether the engine key or mouse button is down after the last poll.
    bool isHeld(int key) const;
    bool isButtonHeld(int button) const;
    /// The last mouse position in cells.
    int getMouseX() const { return mouseX; }
    int getMouseY() const { return mouseY; }

    /// Blocks until a key is pressed, a Ctrl-C comes (which requests a stop) or a stop is
    /// requested; what came meanwhile is dropped. The pause's wait.
    void waitForKey();

    /// What poll does with the bytes read: decodes `bytes` (an empty text: nothing came, so
    /// what is pending is complete) at the time `now` and fills the events.
    void update(const std::string& bytes, std::int64_t now);

private:
    void feed(const char* data, std::size_t size, std::int64_t now);
    void handle(const TerminalEvent& event, std::int64_t now);
    void releaseQuietKeys(std::int64_t now);

    TerminalDecoder decoder;
    std::vector<TerminalEvent> decoded;
    std::vector<TerminalEvent> events;
    bool exact = false;
    // Per engine key (0 .. KEY_COUNT - 1): when a legacy key counts as released (0: up).
    static constexpr int KEY_COUNT = 128;
    std::int64_t heldUntil[KEY_COUNT] = {};
    bool held[KEY_COUNT] = {};
    bool buttons[3] = {};
    int mouseX = 0;
    int mouseY = 0;
    int dropped = 0;
};

} // namespace qm

#endif
