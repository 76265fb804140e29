#include "input/TerminalDecoder.h"

#include <qm/EventKeyboard.h>
#include <qm/EventMouse.h>

namespace qm
{

namespace
{
constexpr char ESC = '\x1b';
// Numbers in sequences are capped here: nothing meaningful is larger, and no count overflows.
constexpr int NUMBER_CAP = 1000000;
// The progressive protocol's modifier bit of the Control key (the parameter is 1 + bits).
constexpr int CONTROL_BIT = 4;

// The engine key of a printable character, or UNDEFINED_KEY.
int keyOfChar(int c)
{
    if (c >= 'a' && c <= 'z')
    {
        return A + (c - 'a');
    }
    if (c >= 'A' && c <= 'Z')
    {
        return A + (c - 'A');
    }
    if (c >= '1' && c <= '9')
    {
        return NUM1 + (c - '1');
    }
    switch (c)
    {
    case '0':
        return NUM0;
    case ' ':
        return SPACE;
    case '\r':
    case '\n':
        return ENTER;
    case '\t':
        return TAB;
    case 0x7f:
    case 0x08:
        return BACKSPACE;
    case ESC:
        return ESCAPE;
    case '-':
        return MINUS;
    case '+':
        return PLUS;
    case '~':
    case '`':
        return TILDE;
    case '.':
        return PERIOD;
    case ',':
        return COMMA;
    case '/':
        return SLASH;
    case '=':
        return EQUAL;
    case '\\':
        return BACKSLASH;
    case '*':
        return MULTIPLY;
    case '\'':
        return QUOTE;
    case ';':
        return SEMICOLON;
    default:
        return UNDEFINED_KEY;
    }
}

// The engine key of a progressive-protocol key code (a Unicode code point, or one of the
// protocol's private-use codes for keys without text).
int keyOfCode(int code)
{
    if (code < 128)
    {
        return keyOfChar(code);
    }
    if (code >= 57399 && code <= 57408) // keypad 0 .. 9
    {
        return code == 57399 ? NUM0 : NUM1 + (code - 57400);
    }
    switch (code)
    {
    case 57362:
        return PAUSE;
    case 57409:
        return PERIOD;
    case 57410:
        return SLASH;
    case 57411:
        return MULTIPLY;
    case 57412:
        return MINUS;
    case 57413:
        return PLUS;
    case 57414:
        return ENTER;
    case 57441:
        return LEFT_SHIFT;
    case 57442:
        return LEFT_CONTROL;
    case 57447:
        return RIGHT_SHIFT;
    case 57448:
        return RIGHT_CONTROL;
    default:
        return UNDEFINED_KEY;
    }
}

// The engine key of a "CSI number ~" sequence.
int keyOfTilde(int number)
{
    switch (number)
    {
    case 11:
        return F1;
    case 12:
        return F2;
    case 13:
        return F3;
    case 14:
        return F4;
    case 15:
        return F5;
    case 17:
        return F6;
    case 18:
        return F7;
    case 19:
        return F8;
    case 20:
        return F9;
    case 21:
        return F10;
    case 23:
        return F11;
    case 24:
        return F12;
    default:
        return UNDEFINED_KEY;
    }
}

// The engine key of the final letter of a cursor or function key sequence.
int keyOfLetter(char final)
{
    switch (final)
    {
    case 'A':
        return UP_ARROW;
    case 'B':
        return DOWN_ARROW;
    case 'C':
        return RIGHT_ARROW;
    case 'D':
        return LEFT_ARROW;
    case 'P':
        return F1;
    case 'Q':
        return F2;
    case 'S':
        return F4;
    case 'Z':
        return TAB; // Shift-Tab
    default:
        return UNDEFINED_KEY;
    }
}

// The parameters of a sequence: numbers separated by ';', each with sub-numbers after ':'.
struct Parameters
{
    static constexpr int MAX = 4;
    int values[MAX][2] = {{-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}};
    int count = 0;

    int get(int index, int sub, int missing) const
    {
        return index < count && values[index][sub] >= 0 ? values[index][sub] : missing;
    }
};

Parameters parseParameters(const std::string& input, std::size_t from, std::size_t to)
{
    Parameters parameters;
    int index = 0;
    int sub = 0;
    bool any = false;
    for (std::size_t i = from; i < to; ++i)
    {
        const char c = input[i];
        if (c >= '0' && c <= '9')
        {
            any = true;
            if (index < Parameters::MAX && sub < 2)
            {
                int& value = parameters.values[index][sub];
                value = value < 0 ? c - '0' : value * 10 + (c - '0');
                value = value > NUMBER_CAP ? NUMBER_CAP : value;
            }
        }
        else if (c == ':')
        {
            ++sub;
        }
        else if (c == ';')
        {
            ++index;
            sub = 0;
            any = true;
        }
    }
    parameters.count = any ? (index < Parameters::MAX ? index + 1 : Parameters::MAX) : 0;
    return parameters;
}

TerminalEvent keyEvent(int key, int action, bool exact)
{
    TerminalEvent event;
    event.kind = TerminalEvent::KEY;
    event.key = key;
    event.action = action;
    event.exact = exact;
    return event;
}

// A key of the progressive protocol with its event type (1 press, 2 repeat, 3 release), or
// a legacy press when the sequence carries no event type.
void addKey(int key, const Parameters& parameters, int modifierIndex, std::vector<TerminalEvent>& events)
{
    if (key == UNDEFINED_KEY)
    {
        return;
    }
    const int type = parameters.get(modifierIndex, 1, -1);
    if (type < 0)
    {
        events.push_back(keyEvent(key, KEY_PRESS, false));
        return;
    }
    const int action = type == 2 ? KEY_HELD : type == 3 ? KEY_RELEASE : KEY_PRESS;
    events.push_back(keyEvent(key, action, true));
}
} // namespace

std::size_t TerminalDecoder::decodeCsi(const std::string& input, std::size_t at, std::vector<TerminalEvent>& events)
{
    // ESC '[' parameter bytes (0x30 .. 0x3f), intermediate bytes (0x20 .. 0x2f), a final byte.
    std::size_t i = at + 2;
    while (i < input.size() && input[i] >= 0x30 && input[i] <= 0x3f)
    {
        ++i;
    }
    while (i < input.size() && input[i] >= 0x20 && input[i] <= 0x2f)
    {
        ++i;
    }
    if (i - at > MAX_SEQUENCE)
    {
        // Too long to be a sequence: dropped up to the first byte that cannot belong to one
        // (in later input too), which is read anew.
        skipping = i >= input.size();
        return i - at;
    }
    if (i >= input.size())
    {
        return 0;
    }
    const char final = input[i];
    if (final < 0x40 || final > 0x7e)
    {
        return 2; // not a sequence: ESC '[' are dropped and what follows is read anew
    }
    const std::size_t used = i + 1 - at;
    const char prefix = at + 2 < i ? input[at + 2] : '\0';
    const bool marked = prefix == '<' || prefix == '?' || prefix == '>' || prefix == '=';
    const Parameters parameters = parseParameters(input, at + 2 + (marked ? 1 : 0), i);

    if (prefix == '?')
    {
        if (final == 'u')
        {
            TerminalEvent event;
            event.kind = TerminalEvent::KEYBOARD_FLAGS;
            events.push_back(event);
        }
        else if (final == 'c')
        {
            TerminalEvent event;
            event.kind = TerminalEvent::DEVICE_ATTRIBUTES;
            events.push_back(event);
        }
        return used;
    }
    if (prefix == '<' && (final == 'M' || final == 'm'))
    {
        const int code = parameters.get(0, 0, -1);
        const int column = parameters.get(1, 0, 0);
        const int row = parameters.get(2, 0, 0);
        if (code < 0 || column < 1 || row < 1 || (code & 64) != 0)
        {
            return used; // incomplete report or the wheel: nothing to deliver
        }
        TerminalEvent event;
        event.kind = TerminalEvent::MOUSE;
        event.x = column - 1;
        event.y = row - 1;
        const int button = code & 3;
        event.mouseButton = button == 0 ? BUTTON_LEFT : button == 1 ? BUTTON_MIDDLE : button == 2 ? BUTTON_RIGHT : -1;
        if ((code & 32) != 0)
        {
            event.mouseAction = MOUSE_MOVE;
            event.mouseButton = UNDEFINED_MOUSE_BUTTON;
        }
        else if (final == 'm')
        {
            event.buttonReleased = true;
        }
        else
        {
            event.mouseAction = MOUSE_CLICK;
        }
        if (event.mouseAction != UNDEFINED_MOUSE_ACTION || event.mouseButton != UNDEFINED_MOUSE_BUTTON)
        {
            events.push_back(event);
        }
        return used;
    }
    if (marked)
    {
        return used; // other replies and private sequences carry no input
    }
    if (final == 'u')
    {
        // Only the progressive protocol sends these: a missing event type means a press.
        Parameters typed = parameters;
        typed.count = typed.count < 2 ? 2 : typed.count;
        typed.values[1][1] = typed.values[1][1] < 0 ? 1 : typed.values[1][1];
        const int code = parameters.get(0, 0, -1);
        const int modifiers = parameters.get(1, 0, 1) - 1;
        if (code == 'c' && modifiers >= 0 && (modifiers & CONTROL_BIT) != 0)
        {
            if (parameters.get(1, 1, 1) == 1)
            {
                TerminalEvent event;
                event.kind = TerminalEvent::STOP;
                events.push_back(event);
            }
            return used;
        }
        addKey(keyOfCode(code), typed, 1, events);
    }
    else if (final == '~')
    {
        addKey(keyOfTilde(parameters.get(0, 0, -1)), parameters, 1, events);
    }
    else
    {
        addKey(keyOfLetter(final), parameters, 1, events);
    }
    return used;
}

std::size_t TerminalDecoder::decodeOne(const std::string& input, std::size_t at, std::vector<TerminalEvent>& events)
{
    const char c = input[at];
    if (c != ESC)
    {
        if (c == '\x03')
        {
            TerminalEvent event;
            event.kind = TerminalEvent::STOP;
            events.push_back(event);
        }
        else if (const int key = keyOfChar(static_cast<unsigned char>(c)); key != UNDEFINED_KEY)
        {
            events.push_back(keyEvent(key, KEY_PRESS, false));
        }
        return 1; // other controls and bytes of other characters have no engine key
    }
    if (at + 1 >= input.size())
    {
        return 0;
    }
    const char next = input[at + 1];
    if (next == '[')
    {
        return decodeCsi(input, at, events);
    }
    if (next == 'O')
    {
        if (at + 2 >= input.size())
        {
            return 0;
        }
        Parameters none;
        addKey(keyOfLetter(input[at + 2]), none, 1, events);
        return 3;
    }
    if (next == ESC)
    {
        events.push_back(keyEvent(ESCAPE, KEY_PRESS, false));
        return 1;
    }
    // ESC and a character: the character typed with Alt.
    return 1 + decodeOne(input, at + 1, events);
}

void TerminalDecoder::feed(const char* data, std::size_t size, std::vector<TerminalEvent>& events)
{
    std::string input;
    input.reserve(pending.size() + size);
    input.append(pending);
    input.append(data, size);
    pending.clear();
    std::size_t at = 0;
    while (at < input.size())
    {
        if (skipping)
        {
            if (input[at] >= 0x20 && input[at] <= 0x3f)
            {
                ++at;
                continue;
            }
            skipping = false;
        }
        const std::size_t used = decodeOne(input, at, events);
        if (used == 0)
        {
            pending.assign(input, at, std::string::npos); // at most MAX_SEQUENCE bytes
            return;
        }
        at += used;
    }
}

void TerminalDecoder::flush(std::vector<TerminalEvent>& events)
{
    skipping = false;
    if (pending.empty())
    {
        return;
    }
    if (pending.size() <= 2)
    {
        events.push_back(keyEvent(ESCAPE, KEY_PRESS, false));
        if (pending.size() == 2)
        {
            if (const int key = keyOfChar(static_cast<unsigned char>(pending[1])); key != UNDEFINED_KEY)
            {
                events.push_back(keyEvent(key, KEY_PRESS, false));
            }
        }
    }
    pending.clear();
}

} // namespace qm
