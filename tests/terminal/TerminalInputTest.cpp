// The terminal's input: byte sequences to engine events (plain keys, the progressive keyboard
// protocol's press, repeat and release, SGR mouse, replies, truncated and garbage input), and
// when keys count as held.
#include "input/TerminalInput.h"

#include "input/TerminalDecoder.h"

#include <qm/EventKeyboard.h>
#include <qm/EventMouse.h>

#include <gtest/gtest.h>

#include <random>

namespace
{

using qm::TerminalEvent;

TerminalEvent key(int code, int action = qm::KEY_PRESS, bool exact = false)
{
    return {TerminalEvent::KEY, code, action, exact};
}

TerminalEvent mouse(int action, int button, int x, int y, bool released = false)
{
    return {TerminalEvent::MOUSE, -1, -1, false, action, button, released, x, y};
}

TerminalEvent of(TerminalEvent::Kind kind)
{
    return {kind};
}

struct Case
{
    const char* name;
    std::string bytes;
    std::vector<TerminalEvent> events; // after the bytes and a flush (no more input came)
};

const Case CASES[] = {
    {"plain letters either case", "dD", {key(qm::D), key(qm::D)}},
    {"space enter tab backspace", " \r\t\x7f", {key(qm::SPACE), key(qm::ENTER), key(qm::TAB), key(qm::BACKSPACE)}},
    {"digits and punctuation",
     "09-+.;",
     {key(qm::NUM0), key(qm::NUM9), key(qm::MINUS), key(qm::PLUS), key(qm::PERIOD), key(qm::SEMICOLON)}},
    {"cursor keys both forms", "\x1b[C\x1bOA", {key(qm::RIGHT_ARROW), key(qm::UP_ARROW)}},
    {"function keys", "\x1bOP\x1b[21~\x1b[24~", {key(qm::F1), key(qm::F10), key(qm::F12)}},
    {"alt and a letter", "\x1bq", {key(qm::Q)}},
    {"lone escape once input stops", "\x1b", {key(qm::ESCAPE)}},
    {"ctrl-c", "\x03", {of(TerminalEvent::STOP)}},
    {"protocol press without type", "\x1b[100u", {key(qm::D, qm::KEY_PRESS, true)}},
    {"protocol press repeat release",
     "\x1b[100;1:1u\x1b[100;1:2u\x1b[100;1:3u",
     {key(qm::D, qm::KEY_PRESS, true), key(qm::D, qm::KEY_HELD, true), key(qm::D, qm::KEY_RELEASE, true)}},
    {"protocol cursor and function key release",
     "\x1b[1;1:3C\x1b[21;1:3~",
     {key(qm::RIGHT_ARROW, qm::KEY_RELEASE, true), key(qm::F10, qm::KEY_RELEASE, true)}},
    {"protocol pause and keypad",
     "\x1b[57362u\x1b[57412u",
     {key(qm::PAUSE, qm::KEY_PRESS, true), key(qm::MINUS, qm::KEY_PRESS, true)}},
    {"protocol ctrl-c press only", "\x1b[99;5u\x1b[99;5:3u", {of(TerminalEvent::STOP)}},
    {"mouse click move release",
     "\x1b[<0;10;5M\x1b[<35;3;4M\x1b[<2;1;1M\x1b[<0;10;5m",
     {mouse(qm::MOUSE_CLICK, qm::BUTTON_LEFT, 9, 4), mouse(qm::MOUSE_MOVE, -1, 2, 3),
      mouse(qm::MOUSE_CLICK, qm::BUTTON_RIGHT, 0, 0), mouse(-1, qm::BUTTON_LEFT, 9, 4, true)}},
    {"replies to the start-up queries",
     "\x1b[?1u\x1b[?62;22c",
     {of(TerminalEvent::KEYBOARD_FLAGS), of(TerminalEvent::DEVICE_ATTRIBUTES)}},
    {"broken sequence read anew",
     "\x1b[\x01"
     "d",
     {key(qm::D)}},
    {"unfinished sequence dropped at the end", "\x1b[100;1", {}},
    {"overlong sequence dropped", "\x1b[" + std::string(100, '1') + "d", {key(qm::D)}},
    {"overlong unfinished sequence dropped", "\x1b[" + std::string(100, '1') + "\x01q", {key(qm::Q)}},
};

std::vector<TerminalEvent> decode(const std::string& bytes, std::size_t chunk)
{
    qm::TerminalDecoder decoder;
    std::vector<TerminalEvent> events;
    for (std::size_t at = 0; at < bytes.size(); at += chunk)
    {
        const std::string piece = bytes.substr(at, chunk);
        decoder.feed(piece.data(), piece.size(), events);
    }
    decoder.flush(events);
    EXPECT_FALSE(decoder.hasPending());
    return events;
}

TEST(TerminalDecoder, TableOfSequencesGivesTheirEventsWholeOrByteByByte)
{
    for (const Case& c : CASES)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode(c.bytes, c.bytes.size() + 1), c.events);
        // Split anywhere across reads, the same events come (sequences are not cut apart).
        EXPECT_EQ(decode(c.bytes, 1), c.events);
        EXPECT_EQ(decode(c.bytes, 3), c.events);
    }
}

TEST(TerminalDecoder, RandomBytesInRandomChunksGiveAtMostOneEventPerByteAndFlushLeavesNothing)
{
    std::mt19937 random(21);
    const char alphabet[] = "\x1b[O;:<?~uMmc0123456789dq\x03";
    for (int round = 0; round < 200; ++round)
    {
        std::string bytes;
        const std::size_t length = random() % 400;
        for (std::size_t i = 0; i < length; ++i)
        {
            bytes += random() % 4 == 0 ? static_cast<char>(random()) : alphabet[random() % (sizeof alphabet - 1)];
        }
        qm::TerminalDecoder decoder;
        std::vector<TerminalEvent> events;
        for (std::size_t at = 0; at < bytes.size();)
        {
            const std::size_t chunk = 1 + random() % 17;
            decoder.feed(bytes.data() + at, std::min(chunk, bytes.size() - at), events);
            at += chunk;
        }
        decoder.flush(events);
        EXPECT_LE(events.size(), bytes.size() + 1);
        EXPECT_FALSE(decoder.hasPending());
    }
}

TEST(TerminalInput, ProtocolKeysAreHeldFromPressToReleaseWhateverTheTime)
{
    qm::TerminalInput input;
    input.update("\x1b[100;1:3u", 0); // the release of a key pressed before (the pause's)
    EXPECT_TRUE(input.getEvents().empty());
    input.update("\x1b[100u\x1b[100;1:2u", 0);
    EXPECT_EQ(input.getEvents(), std::vector<TerminalEvent>{key(qm::D, qm::KEY_PRESS, true)});
    input.update("", 3600LL * 1000000);
    EXPECT_TRUE(input.getEvents().empty());
    EXPECT_TRUE(input.isHeld(qm::D));
    input.update("\x1b[<0;4;2M", 1);
    EXPECT_TRUE(input.isButtonHeld(qm::BUTTON_LEFT));
    input.update("\x1b[100;1:3u\x1b[<0;4;2m", 2);
    EXPECT_EQ(input.getEvents(), std::vector<TerminalEvent>{key(qm::D, qm::KEY_RELEASE, true)});
    EXPECT_FALSE(input.isHeld(qm::D));
    EXPECT_FALSE(input.isButtonHeld(qm::BUTTON_LEFT));
}

TEST(TerminalInput, AFloodOfKeysDeliversABoundedNumberPerFrame)
{
    qm::TerminalInput input;
    input.update(std::string(100000, 'x') + std::string(100000, 'y'), 0);
    EXPECT_EQ(input.getEvents().size(), 2u) << "held keys repeat without new presses";
    std::string many;
    for (int i = 0; i < 2000; ++i)
    {
        many += "\x1b[<35;" + std::to_string(1 + i % 80) + ";1M";
    }
    input.update(many, 1);
    EXPECT_EQ(input.getEvents().size(), static_cast<std::size_t>(qm::TerminalInput::MAX_EVENTS_PER_POLL));
}

} // namespace
