#include "core/Utf8.h"

namespace qm
{
namespace utf8
{

namespace
{
// The bytes a lead byte needs after it, and the range its second byte must lie in: the
// narrow ranges after E0, ED, F0 and F4 are what rule out overlong forms, surrogates and code
// points above U+10FFFF at the earliest byte. Leads C0, C1 and F5 .. FF start nothing.
struct Lead
{
    int following = -1;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
};

Lead leadOf(unsigned char byte)
{
    if (byte >= 0xC2 && byte <= 0xDF)
    {
        return {1, 0x80, 0xBF};
    }
    if (byte >= 0xE0 && byte <= 0xEF)
    {
        return {2, static_cast<unsigned char>(byte == 0xE0 ? 0xA0 : 0x80),
                static_cast<unsigned char>(byte == 0xED ? 0x9F : 0xBF)};
    }
    if (byte >= 0xF0 && byte <= 0xF4)
    {
        return {3, static_cast<unsigned char>(byte == 0xF0 ? 0x90 : 0x80),
                static_cast<unsigned char>(byte == 0xF4 ? 0x8F : 0xBF)};
    }
    return {};
}
} // namespace

Decoded decodeAt(std::string_view text, std::size_t at)
{
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80)
    {
        return {byte, 1, true};
    }
    const Lead lead = leadOf(byte);
    if (lead.following < 0)
    {
        return {};
    }
    char32_t ch = byte & (0x3Fu >> lead.following);
    std::size_t length = 1;
    for (int i = 0; i < lead.following; ++i, ++length)
    {
        if (at + length >= text.size())
        {
            return {REPLACEMENT, length, false}; // cut short
        }
        const auto next = static_cast<unsigned char>(text[at + length]);
        const unsigned char low = i == 0 ? lead.low : 0x80;
        const unsigned char high = i == 0 ? lead.high : 0xBF;
        if (next < low || next > high)
        {
            return {REPLACEMENT, length, false};
        }
        ch = (ch << 6) | (next & 0x3Fu);
    }
    return {ch, length, true};
}

std::size_t findMalformed(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();)
    {
        const Decoded decoded = decodeAt(text, at);
        if (!decoded.valid)
        {
            return at;
        }
        at += decoded.length;
    }
    return std::string_view::npos;
}

std::size_t countCodePoints(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count)
    {
        // ASCII, the common case, without the full step.
        at += static_cast<unsigned char>(text[at]) < 0x80 ? 1 : decodeAt(text, at).length;
    }
    return count;
}

std::u32string decode(std::string_view text)
{
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();)
    {
        const Decoded decoded = decodeAt(text, at);
        out += decoded.ch;
        at += decoded.length;
    }
    return out;
}

void append(char32_t ch, std::string& out)
{
    if (!isScalar(ch))
    {
        ch = REPLACEMENT;
    }
    if (ch < 0x80)
    {
        out += static_cast<char>(ch);
    }
    else if (ch < 0x800)
    {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
    else if (ch < 0x10000)
    {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (ch >> 18));
        out += static_cast<char>(0x80 | ((ch >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

} // namespace utf8
} // namespace qm
