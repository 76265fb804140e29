// Turns the bytes a terminal sends into key, mouse and reply events: plain keys and the
// common escape sequences, the progressive keyboard protocol's key events (press, repeat,
// release), SGR mouse reports, and the answers to the start-up queries.
#ifndef QM_TERMINALDECODER_H
#define QM_TERMINALDECODER_H

#include <cstddef>
#include <string>
#include <vector>

namespace qm
{

/// One happening decoded from terminal input.
struct TerminalEvent
{
    enum Kind
    {
        KEY,               // key, action (KEY_PRESS, KEY_HELD for a repeat, KEY_RELEASE), exact
        MOUSE,             // mouseAction (MOUSE_CLICK, MOUSE_MOVE), or a button release; x, y
        STOP,              // Ctrl-C: the player asks the program to end
        KEYBOARD_FLAGS,    // the terminal answered the progressive keyboard protocol's query
        DEVICE_ATTRIBUTES, // the terminal answered the device attributes query
    };
    Kind kind = KEY;
    int key = -1;
    int action = -1;
    // True for keys of the progressive protocol, whose press, repeat and release are real;
    // false for legacy bytes, which only say that a key went down (or repeated).
    bool exact = false;
    int mouseAction = -1;
    int mouseButton = -1;
    bool buttonReleased = false;
    int x = 0; // cells from the left edge, 0-based
    int y = 0; // cells from the top edge, 0-based

    bool operator==(const TerminalEvent& other) const
    {
        return kind == other.kind && key == other.key && action == other.action && exact == other.exact &&
               mouseAction == other.mouseAction && mouseButton == other.mouseButton &&
               buttonReleased == other.buttonReleased && x == other.x && y == other.y;
    }
};

/// Decodes a terminal's input stream, sequences split across reads included. Holds at most
/// MAX_SEQUENCE bytes of an unfinished sequence; longer or malformed sequences are dropped,
/// so any input is consumed in time linear in its size and in bounded memory.
///
///     TerminalDecoder decoder;
///     std::vector<TerminalEvent> events;
///     decoder.feed(bytes, count, events);
///     if (nothingCameThisFrame) decoder.flush(events); // a lone ESC is the Escape key
class TerminalDecoder
{
public:
    static constexpr std::size_t MAX_SEQUENCE = 64;

    /// Decodes `size` bytes after what is pending, appending the events to `events`.
    void feed(const char* data, std::size_t size, std::vector<TerminalEvent>& events);

    /// Ends what is pending once no more input came: a lone ESC (or ESC and '[' / 'O') is the
    /// Escape key (and the key of that letter); anything longer is dropped.
    void flush(std::vector<TerminalEvent>& events);

    bool hasPending() const { return !pending.empty(); }

private:
    // Decodes one sequence starting at `at`; returns the bytes it used, or 0 when it needs
    // bytes not there yet.
    std::size_t decodeOne(const std::string& input, std::size_t at, std::vector<TerminalEvent>& events);
    std::size_t decodeCsi(const std::string& input, std::size_t at, std::vector<TerminalEvent>& events);

    std::string pending;
    bool skipping = false; // in the rest of an overlong sequence
};

} // namespace qm

#endif
