// Feeds arbitrary bytes to the strict UTF-8 decoder and checks it against a decoder written
// the other way round (the value first, the rules after): every valid character decodes to the
// same code point and length, every malformed one is a replacement of at least one byte and at
// most what the reference read, and the whole-text functions agree with the step.
#include "core/Utf8.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace
{

void check(bool condition)
{
    if (!condition)
    {
        __builtin_trap();
    }
}

// The textbook reading: the lead's high bits give the length, the continuation bytes the
// value; a sequence is valid when every byte is there, the value needed that length, and it
// is a scalar value.
bool reference(std::string_view text, std::size_t at, char32_t& ch, std::size_t& length)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    int following = 0;
    char32_t smallest = 0;
    if (lead < 0x80)
    {
        ch = lead;
        length = 1;
        return true;
    }
    if ((lead & 0xE0) == 0xC0)
    {
        following = 1;
        smallest = 0x80;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        following = 2;
        smallest = 0x800;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        following = 3;
        smallest = 0x10000;
    }
    else
    {
        length = 1;
        return false;
    }
    ch = lead & (0x3Fu >> following);
    length = 1;
    for (int i = 0; i < following; ++i, ++length)
    {
        if (at + length >= text.size() || (static_cast<unsigned char>(text[at + length]) & 0xC0) != 0x80)
        {
            return false;
        }
        ch = (ch << 6) | (static_cast<unsigned char>(text[at + length]) & 0x3Fu);
    }
    return ch >= smallest && qm::utf8::isScalar(ch);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t count = 0;
    std::size_t firstMalformed = std::string_view::npos;
    std::string encoded;
    for (std::size_t at = 0; at < text.size(); ++count)
    {
        const qm::utf8::Decoded decoded = qm::utf8::decodeAt(text, at);
        char32_t ch = 0;
        std::size_t length = 0;
        const bool valid = reference(text, at, ch, length);
        check(decoded.valid == valid);
        check(qm::utf8::isScalar(decoded.ch));
        if (valid)
        {
            check(decoded.ch == ch && decoded.length == length);
        }
        else
        {
            check(decoded.ch == qm::utf8::REPLACEMENT && decoded.length >= 1 && decoded.length <= length);
            check(decoded.length <= 3 && at + decoded.length <= text.size());
            if (firstMalformed == std::string_view::npos)
            {
                firstMalformed = at;
            }
        }
        qm::utf8::append(decoded.ch, encoded);
        at += decoded.length;
    }
    check(qm::utf8::countCodePoints(text) == count);
    check(qm::utf8::decode(text).size() == count);
    check(qm::utf8::findMalformed(text) == firstMalformed);
    check((firstMalformed == std::string_view::npos) == (encoded == text));
    return 0;
}
