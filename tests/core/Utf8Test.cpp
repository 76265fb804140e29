// The strict UTF-8 decoder: a table of valid and malformed sequences, encoding and decoding as
// inverses over random code points and bytes, and a configuration line that is not UTF-8.
#include "core/Utf8.h"

#include "support/EngineTest.h"

#include <qm/CastRecorder.h>
#include <qm/Config.h>

#include <gtest/gtest.h>

#include <random>

namespace
{

using namespace qm::utf8;
constexpr std::size_t ALL_VALID = std::string::npos;
const std::u32string R(1, REPLACEMENT);

struct Sequence
{
    std::string bytes;
    std::u32string decoded;     // each malformed sequence one REPLACEMENT
    std::size_t firstMalformed; // ALL_VALID when there is none
};

const Sequence SEQUENCES[] = {
    {"", U"", ALL_VALID},
    {"a~\x7f", U"a~\x7f", ALL_VALID},
    {"\xc2\x80\xdf\xbf", U"\u0080\u07ff", ALL_VALID},
    {"\xe0\xa0\x80\xef\xbf\xbf", U"\u0800\uffff", ALL_VALID},
    {"\xed\x9f\xbf\xee\x80\x80", U"\ud7ff\ue000", ALL_VALID}, // either side of the surrogates
    {"\xf0\x90\x80\x80\xf4\x8f\xbf\xbf", U"\U00010000\U0010ffff", ALL_VALID},
    {"\xe2\x95\x94\xe2\x96\x88\xe2\x96\x91", U"\u2554\u2588\u2591", ALL_VALID},
    // Overlong forms: the lead or the second byte is refused, each byte then on its own.
    {"\xc0\x80", R + R, 0},
    {"\xc1\xbf", R + R, 0},
    {"\xe0\x80\xaf", R + R + R, 0},
    {"\xe0\x9f\xbf", R + R + R, 0},
    {"\xf0\x8f\xbf\xbf", R + R + R + R, 0},
    // Surrogates, and code points above U+10FFFF.
    {"\xed\xa0\x80", R + R + R, 0},
    {"x\xed\xbf\xbf", U"x" + R + R + R, 1},
    {"\xf4\x90\x80\x80", R + R + R + R, 0},
    {"\xf5\x80\x80\x80", R + R + R + R, 0},
    {"\xfe\xff", R + R, 0},
    // Cut short, at the end or by another character: what was begun is one replacement.
    {"a\xe2\x94", U"a" + R, 1},
    {"\xf0\x9f\x98z", R + U"z", 0},
    {"\xc3", R, 0},
    {"ab\xe2\x94\xe2\x94\x80", U"ab" + R + U"\u2500", 2},
    {"x\x80y\xbf", U"x" + R + U"y" + R, 1}, // stray continuation bytes
};

TEST(Utf8, DecodesValidSequencesAndGivesEachMalformedSequenceOneReplacement)
{
    for (const Sequence& sequence : SEQUENCES)
    {
        SCOPED_TRACE(testing::PrintToString(sequence.bytes));
        EXPECT_EQ(decode(sequence.bytes), sequence.decoded);
        EXPECT_EQ(countCodePoints(sequence.bytes), sequence.decoded.size());
        EXPECT_EQ(findMalformed(sequence.bytes), sequence.firstMalformed);
    }
}

TEST(Utf8, EncodedCodePointsDecodeBackAndRandomBytesAreValidExactlyWhenTheyReEncodeToThemselves)
{
    std::mt19937 random(23);
    const char32_t limits[] = {0x80, 0x800, 0x10000, 0x110000, 0x200000}; // each encoded length
    std::u32string codePoints;
    std::string text;
    for (int i = 0; i < 20000; ++i)
    {
        const auto ch = static_cast<char32_t>(random() % limits[random() % 5]); // surrogates and beyond U+10FFFF too
        codePoints += isScalar(ch) ? ch : REPLACEMENT;
        append(ch, text);
    }
    EXPECT_EQ(decode(text), codePoints);
    EXPECT_EQ(findMalformed(text), ALL_VALID);

    const unsigned char edges[] = {0x41, 0x7f, 0x80, 0x8f, 0x90, 0x9f, 0xa0, 0xbf, 0xc0,
                                   0xc2, 0xdf, 0xe0, 0xed, 0xef, 0xf0, 0xf4, 0xf5, 0xff};
    for (int i = 0; i < 20000; ++i)
    {
        std::string bytes;
        for (auto n = random() % 7; n > 0; --n)
        {
            bytes += static_cast<char>(random() % 2 ? edges[random() % sizeof(edges)] : random() % 256);
        }
        const std::u32string decoded = decode(bytes);
        std::string again;
        for (const char32_t ch : decoded)
        {
            ASSERT_TRUE(isScalar(ch));
            append(ch, again);
        }
        ASSERT_EQ(countCodePoints(bytes), decoded.size()) << testing::PrintToString(bytes);
        ASSERT_EQ(findMalformed(bytes) == ALL_VALID, again == bytes) << testing::PrintToString(bytes);
    }
}

class Utf8Config : public qmtest::EngineTest
{
};

TEST_F(Utf8Config, TitleTakesAnyCharacterAndALineThatIsNotUtf8IsRefusedNamingIt)
{
    ASSERT_EQ(startEngine(), 0);
    dir.write("qm-config.txt", "#\xff comments are not read\nwindow_title:Fisch\xc3\xa9\xe2\x95\x90,\n"
                               "frame_time:20,window_title:x\xe0\x80\xaf,\n");
    qm::Config& config = qm::Config::getInstance();
    config.loadConfig("");
    EXPECT_EQ(config.getWindowTitle(), "Fisch\xc3\xa9\xe2\x95\x90");
    EXPECT_EQ(config.getFrameTime(), 33) << "the whole line is refused";
    EXPECT_EQ(qm::CastRecorder::jsonString("x\xe0\x80\xaf\"\xc3\xa9"),
              "\"x\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\\\"\xc3\xa9\"")
        << "a title given as Latin-1 still makes a recording's header valid JSON";
    EXPECT_EQ(qmtest::countOf(log(), "Config::readConfig(): Error! Line 3 of '" + dir.file("qm-config.txt") +
                                         "' is not UTF-8 (malformed at byte 29). Line ignored."),
              1);
}

} // namespace
