#include "WatchMessage.h"

namespace
{
constexpr int MAX_DIGITS = 9;

// The decimal number at `from`, up to `end`; -1 when there are no digits or too many.
int readNumber(const std::string& text, std::size_t from, std::size_t end)
{
    if (end <= from || end - from > MAX_DIGITS)
    {
        return -1;
    }
    int value = 0;
    for (std::size_t i = from; i < end; ++i)
    {
        if (text[i] < '0' || text[i] > '9')
        {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}
} // namespace

std::string WatchMessage::object(int id, const std::string& attributes)
{
    return "O" + std::to_string(id) + "|" + attributes;
}

std::string WatchMessage::view(int id, const std::string& attributes)
{
    return "V" + std::to_string(id) + "|" + attributes;
}

std::string WatchMessage::deletion(int id)
{
    return "D" + std::to_string(id);
}

std::string WatchMessage::step(int step)
{
    return "S" + std::to_string(step);
}

WatchMessage WatchMessage::parse(const std::string& body)
{
    WatchMessage message;
    if (body.empty())
    {
        return message;
    }
    const char kind = body[0];
    std::size_t end = body.size();
    if (kind == OBJECT || kind == VIEW)
    {
        end = body.find('|');
        if (end == std::string::npos)
        {
            return message;
        }
        message.attributes = body.substr(end + 1);
    }
    else if (kind != DELETION && kind != STEP)
    {
        return message;
    }
    message.number = readNumber(body, 1, end);
    if (message.number < 0)
    {
        message.number = 0;
        message.attributes.clear();
        return message;
    }
    message.kind = static_cast<Kind>(kind);
    return message;
}
