#include "input/TerminalInput.h"

#include "platform/Platform.h"
#include "platform/Terminal.h"
#include "presentation/TerminalDisplay.h"

#include <qm/EventKeyboard.h>
#include <qm/EventMouse.h>
#include <qm/LogManager.h>

#include <string>

namespace qm
{

namespace
{
TerminalInput* activeInput = nullptr;

// Report event types (2), all keys as escape codes (8) so that plain letters report their
// releases too, and disambiguated escapes (1).
const char* const PUSH_KEYBOARD_FLAGS = "\x1b[>11u";
const char* const POP_KEYBOARD_FLAGS = "\x1b[<u";
// The protocol's flags query, then a query every terminal answers, so that the answer to
// the first is known to be missing once the second arrives.
const char* const QUERY_KEYBOARD_FLAGS = "\x1b[?u\x1b[c";

void send(const std::string& bytes)
{
    platform::writeTerminal(bytes.data(), static_cast<int>(bytes.size()));
}
} // namespace

TerminalInput* TerminalInput::active()
{
    return activeInput;
}

void TerminalInput::start(int waitMilliseconds)
{
    activeInput = this;
    exact = false;
    send(QUERY_KEYBOARD_FLAGS);
    bool flagsAnswered = false;
    bool attributesAnswered = false;
    const std::int64_t deadline =
        platform::monotonicMicroseconds() + static_cast<std::int64_t>(waitMilliseconds) * 1000;
    char buffer[256];
    std::vector<TerminalEvent> replies;
    while (!attributesAnswered && platform::monotonicMicroseconds() < deadline)
    {
        const std::int64_t left = (deadline - platform::monotonicMicroseconds()) / 1000;
        if (!platform::waitTerminalInput(static_cast<int>(left) + 1))
        {
            continue;
        }
        const int count = platform::readTerminal(buffer, static_cast<int>(sizeof buffer));
        if (count < 0)
        {
            break;
        }
        replies.clear();
        decoder.feed(buffer, static_cast<std::size_t>(count), replies);
        for (const TerminalEvent& reply : replies)
        {
            flagsAnswered = flagsAnswered || reply.kind == TerminalEvent::KEYBOARD_FLAGS;
            attributesAnswered = attributesAnswered || reply.kind == TerminalEvent::DEVICE_ATTRIBUTES;
        }
    }
    LogManager& log = LogManager::getInstance();
    if (flagsAnswered)
    {
        exact = true;
        send(PUSH_KEYBOARD_FLAGS);
        platform::setTerminalRestore(std::string(POP_KEYBOARD_FLAGS) + TERMINAL_RESTORE);
        log.writeLog(1, "TerminalInput::start(): The terminal reports key presses and releases.");
    }
    else
    {
        log.writeLog(1,
                     "TerminalInput::start(): The terminal reports key presses only%s; a key counts as held "
                     "while it repeats.",
                     attributesAnswered ? "" : " (it did not answer)");
    }
}

void TerminalInput::stop()
{
    if (exact)
    {
        send(POP_KEYBOARD_FLAGS);
        platform::setTerminalRestore(TERMINAL_RESTORE);
    }
    exact = false;
    if (activeInput == this)
    {
        activeInput = nullptr;
    }
}

bool TerminalInput::isHeld(int key) const
{
    return key >= 0 && key < KEY_COUNT && held[key];
}

bool TerminalInput::isButtonHeld(int button) const
{
    return button >= 0 && button < 3 && buttons[button];
}

void TerminalInput::handle(const TerminalEvent& event, std::int64_t now)
{
    if (event.kind == TerminalEvent::STOP)
    {
        LogManager::getInstance().writeLog("TerminalInput::poll(): Ctrl-C. Stop requested.");
        platform::requestStop();
        return;
    }
    if (event.kind == TerminalEvent::MOUSE)
    {
        mouseX = event.x;
        mouseY = event.y;
        if (event.mouseButton >= 0 && event.mouseButton < 3)
        {
            buttons[event.mouseButton] = !event.buttonReleased;
        }
        if (event.mouseAction != UNDEFINED_MOUSE_ACTION)
        {
            events.push_back(event);
        }
        return;
    }
    if (event.kind != TerminalEvent::KEY || event.key < 0 || event.key >= KEY_COUNT)
    {
        return;
    }
    const int key = event.key;
    if (event.exact || exact)
    {
        // A repeat keeps the key down (the window's own repeat is off too); a release of a
        // key that is not down (the key that ended a pause) is nobody's business.
        if (event.action == KEY_PRESS || (event.action == KEY_HELD && !held[key]))
        {
            held[key] = true;
            heldUntil[key] = 0;
            TerminalEvent press = event;
            press.action = KEY_PRESS;
            events.push_back(press);
        }
        else if (event.action == KEY_RELEASE && held[key])
        {
            held[key] = false;
            events.push_back(event);
        }
        return;
    }
    if (!held[key])
    {
        held[key] = true;
        heldUntil[key] = now + static_cast<std::int64_t>(FIRST_REPEAT_WAIT_MS) * 1000;
        events.push_back(event);
    }
    else if (heldUntil[key] != 0)
    {
        heldUntil[key] = now + static_cast<std::int64_t>(REPEAT_WAIT_MS) * 1000;
    }
}

void TerminalInput::feed(const char* data, std::size_t size, std::int64_t now)
{
    decoded.clear();
    if (size > 0)
    {
        decoder.feed(data, size, decoded);
    }
    else
    {
        decoder.flush(decoded); // nothing more came: what is pending is complete
    }
    for (const TerminalEvent& event : decoded)
    {
        if (events.size() >= static_cast<std::size_t>(MAX_EVENTS_PER_POLL))
        {
            ++dropped;
            continue;
        }
        handle(event, now);
    }
}

void TerminalInput::poll(std::int64_t now)
{
    events.clear();
    dropped = 0;
    char buffer[4096];
    int total = 0;
    while (total < MAX_BYTES_PER_POLL)
    {
        const int count = platform::readTerminal(buffer, static_cast<int>(sizeof buffer));
        if (count <= 0)
        {
            break;
        }
        total += count;
        feed(buffer, static_cast<std::size_t>(count), now);
    }
    if (total == 0 && decoder.hasPending())
    {
        feed(nullptr, 0, now);
    }
    releaseQuietKeys(now);
}

void TerminalInput::update(const std::string& bytes, std::int64_t now)
{
    events.clear();
    dropped = 0;
    feed(bytes.data(), bytes.size(), now);
    releaseQuietKeys(now);
}

void TerminalInput::releaseQuietKeys(std::int64_t now)
{
    // Legacy keys with no repeat for a while are let go, in key order.
    for (int key = 0; key < KEY_COUNT; ++key)
    {
        if (held[key] && heldUntil[key] != 0 && heldUntil[key] <= now)
        {
            held[key] = false;
            heldUntil[key] = 0;
            TerminalEvent release;
            release.key = key;
            release.action = KEY_RELEASE;
            events.push_back(release);
        }
    }
    if (dropped > 0)
    {
        LogManager::getInstance().writeLog("TerminalInput::poll(): Warning! %d input events over the limit of %d "
                                           "a frame dropped.",
                                           dropped, MAX_EVENTS_PER_POLL);
    }
}

void TerminalInput::waitForKey()
{
    char buffer[4096];
    std::vector<TerminalEvent> during;
    while (!platform::stopRequested())
    {
        TerminalDisplay::flushActive(); // the frame shown at the pause, whole
        if (!platform::waitTerminalInput(20))
        {
            during.clear();
            decoder.flush(during);
        }
        else
        {
            const int count = platform::readTerminal(buffer, static_cast<int>(sizeof buffer));
            if (count < 0)
            {
                platform::requestStop(); // the terminal is gone
                return;
            }
            during.clear();
            decoder.feed(buffer, static_cast<std::size_t>(count), during);
        }
        for (const TerminalEvent& event : during)
        {
            if (event.kind == TerminalEvent::STOP)
            {
                platform::requestStop();
                return;
            }
            if (event.kind == TerminalEvent::KEY && event.action == KEY_PRESS)
            {
                return;
            }
        }
    }
}

} // namespace qm
