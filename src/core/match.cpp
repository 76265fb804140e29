#include <qm/LogManager.h>
#include <qm/match.h>

#include <cctype>
#include <vector>

namespace qm
{

namespace
{
// The last parse, shared by every caller in the process (one thread only).
std::vector<std::string> matchKeys;
std::vector<std::string> matchValues;

// Splits `text` at any run of `separator`, skipping empty pieces, as strtok does.
std::vector<std::string> tokens(const std::string& text, char separator)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    while (start < text.size())
    {
        if (text[start] == separator)
        {
            ++start;
            continue;
        }
        std::size_t end = text.find(separator, start);
        if (end == std::string::npos)
        {
            end = text.size();
        }
        result.push_back(text.substr(start, end - start));
        start = end;
    }
    return result;
}

void parse(std::string str)
{
    const LogManager& log = LogManager::getInstance();
    std::string cleaned;
    cleaned.reserve(str.size());
    for (const char c : str)
    {
        if (!std::isspace(static_cast<unsigned char>(c)))
        {
            cleaned += c;
        }
    }
    matchKeys.clear();
    matchValues.clear();

    int elements = 1;
    for (const char c : cleaned)
    {
        elements += c == ',' ? 1 : 0;
    }
    log.writeLog(25, "match(): number of elements allocated is %d", elements);

    int item = 0;
    for (const std::string& piece : tokens(cleaned, ','))
    {
        log.writeLog(25, "\titem number %d", item++);
        log.writeLog(28, "\tp_element is '%s' (%p)", piece.c_str(), static_cast<const void*>(piece.c_str()));
        const std::vector<std::string> parts = tokens(piece, ':');
        if (parts.empty())
        {
            break; // a piece of colons only has no key: the parse ends here
        }
        log.writeLog(28, "\ttoken is '%s' (%p)", parts[0].c_str(), static_cast<const void*>(parts[0].c_str()));
        log.writeLog(25, "\tkey %s", parts[0].c_str());
        const std::string value = parts.size() > 1 ? parts[1] : std::string();
        log.writeLog(25, "\tval %s", value.c_str());
        matchKeys.push_back(parts[0]);
        matchValues.push_back(value);
    }

    log.writeLog(25, "match(): parsed.");
    for (std::size_t i = 0; i < matchKeys.size(); ++i)
    {
        log.writeLog(28, "\t%d  %s : %s", static_cast<int>(i), matchKeys[i].c_str(), matchValues[i].c_str());
    }
}
} // namespace

std::string match(std::string str, std::string find)
{
    const LogManager& log = LogManager::getInstance();
    log.writeLog(25, "match(\"%s\", \"%s\")", str.c_str(), find.c_str());
    if (!str.empty())
    {
        parse(std::move(str));
    }
    log.writeLog(25, "match(): Looking for match '%s' among %d items.", find.c_str(),
                 static_cast<int>(matchKeys.size()));
    for (std::size_t i = 0; i < matchKeys.size(); ++i)
    {
        log.writeLog(28, "match(): %d: %s == %s?", static_cast<int>(i), matchKeys[i].c_str(), find.c_str());
        if (matchKeys[i] == find)
        {
            return matchValues[i];
        }
    }
    return "";
}

bool hasMatch(const std::string& find)
{
    for (const std::string& key : matchKeys)
    {
        if (key == find)
        {
            return true;
        }
    }
    return false;
}

} // namespace qm
