// Strict UTF-8 for the text that enters the engine: sprite files, view strings, drawn strings
// and the window title. Private to the engine.
#ifndef QM_UTF8_H
#define QM_UTF8_H

#include <cstddef>
#include <string>
#include <string_view>

namespace qm
{
namespace utf8
{

/// What malformed text is drawn as: one replacement character per malformed sequence.
constexpr char32_t REPLACEMENT = 0xFFFD;

/// One step of decoding: the code point and the bytes it took.
struct Decoded
{
    char32_t ch = REPLACEMENT;
    std::size_t length = 1; // 1 to 4
    bool valid = false;
};

/// Decodes the character that starts at byte `at` of `text` (at < text.size()). A malformed
/// sequence (a byte that cannot start a character, an overlong form, a surrogate, a code point
/// above U+10FFFF, a sequence cut short) is REPLACEMENT, not valid, and takes the bytes that
/// could still have begun a valid sequence (at least one), so decoding goes on at the next
/// byte that may start a character.
Decoded decodeAt(std::string_view text, std::size_t at);

/// The offset of the first malformed sequence of `text`, or npos when it is all valid UTF-8.
std::size_t findMalformed(std::string_view text);

/// The characters of `text`: its code points, each malformed sequence counting as one.
std::size_t countCodePoints(std::string_view text);

/// The code points of `text`, each malformed sequence as one REPLACEMENT.
std::u32string decode(std::string_view text);

/// True for a Unicode scalar value: at most U+10FFFF and no surrogate.
constexpr bool isScalar(char32_t ch)
{
    return ch <= 0x10FFFF && (ch < 0xD800 || ch > 0xDFFF);
}

/// Appends the UTF-8 bytes of `ch` (REPLACEMENT's for what is not a scalar value) to `out`.
void append(char32_t ch, std::string& out);

} // namespace utf8
} // namespace qm

#endif
