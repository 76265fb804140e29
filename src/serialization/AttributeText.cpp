#include "serialization/AttributeText.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace qm
{
namespace attribute
{

namespace
{
int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
    {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F')
    {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f')
    {
        return c - 'a' + 10;
    }
    return -1;
}

bool needsEscape(unsigned char c)
{
    return c <= ' ' || c == 0x7f || c == ',' || c == ':' || c == '%';
}
} // namespace

std::string writeFloat(float value)
{
    // A negative zero would read back as a value equal to zero, which setters take as no change.
    if (value == 0.0f)
    {
        return "0";
    }
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

bool readFloat(const std::string& text, float& value)
{
    float parsed = 0.0f;
    const char* end = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), end, parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed))
    {
        return false;
    }
    value = parsed;
    return true;
}

bool readInt(const std::string& text, int& value)
{
    int parsed = 0;
    const char* end = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(text.data(), end, parsed);
    if (text.empty() || result.ec != std::errc() || result.ptr != end)
    {
        return false;
    }
    value = parsed;
    return true;
}

std::string writeText(const std::string& text)
{
    static const char HEX[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (needsEscape(byte))
        {
            out += '%';
            out += HEX[byte >> 4];
            out += HEX[byte & 0x0f];
        }
        else
        {
            out += c;
        }
    }
    return out;
}

std::string readText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '%' && i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 && hexDigit(text[i + 2]) >= 0)
        {
            out += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        }
        else
        {
            out += text[i];
        }
    }
    return out;
}

std::string writePath(const Path& path)
{
    std::string out;
    for (int i = 0; i < path.getNodeCount(); ++i)
    {
        const Vector node = path.getNode(i);
        out += writeFloat(node.getX()) + ";" + writeFloat(node.getY()) + "|";
    }
    return out;
}

bool readPath(const std::string& text, Path& path, std::string& badNode)
{
    Path read;
    std::size_t start = 0;
    while (start < text.size())
    {
        const std::size_t bar = text.find('|', start);
        const std::string node = text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        const std::size_t semicolon = node.find(';');
        float x = 0.0f;
        float y = 0.0f;
        if (bar == std::string::npos || semicolon == std::string::npos || !readFloat(node.substr(0, semicolon), x) ||
            !readFloat(node.substr(semicolon + 1), y))
        {
            badNode = node;
            return false;
        }
        read.addNode(Vector(x, y));
        start = bar + 1;
    }
    path = read;
    return true;
}

bool hasSelector(const std::string& attr, const char* name)
{
    const std::string token = std::string(name) + ",";
    for (std::size_t at = attr.find(token); at != std::string::npos; at = attr.find(token, at + 1))
    {
        if (at == 0 || attr[at - 1] == ',' || std::isspace(static_cast<unsigned char>(attr[at - 1])))
        {
            return true;
        }
    }
    return false;
}

bool isSelected(const std::string& attr, const char* name, bool modified)
{
    if (attr == "ALL")
    {
        return true;
    }
    if (attr.empty())
    {
        return modified;
    }
    return hasSelector(attr, name);
}

std::string clip(const std::string& text)
{
    constexpr std::size_t SHOWN = 80;
    return text.size() <= SHOWN ? text : text.substr(0, SHOWN) + "... (" + std::to_string(text.size()) + " bytes)";
}

} // namespace attribute
} // namespace qm
