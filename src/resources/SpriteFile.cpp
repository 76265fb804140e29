#include "resources/SpriteFile.h"

#include "core/Utf8.h"

#include <qm/LogManager.h>

#include <climits>
#include <cstdlib>
#include <istream>
#include <sstream>
#include <streambuf>

namespace qm
{

namespace
{
// The line counter shared by the free reading functions; see getLineNumber.
int sharedLineNumber = 0;

struct ColorWord
{
    const char* word;
    int color;
};

const ColorWord COLOR_WORDS[] = {
    {"black", 0},   {"red", 1},  {"green", 2}, {"yellow", 3},  {"blue", 4},
    {"magenta", 5}, {"cyan", 6}, {"white", 7}, {"default", 7},
};

bool beginsWith(const std::string& line, const std::string& key)
{
    return line.size() >= key.size() && line.compare(0, key.size(), key) == 0;
}

// The leading integer of `text` as the C library reads it (leading blanks skipped, the rest
// ignored, 0 without digits), but clamped to int where the C library's own reading of an
// out-of-range number would be undefined.
int leadingInt(const std::string& text)
{
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value > INT_MAX)
    {
        return INT_MAX;
    }
    if (value < INT_MIN)
    {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

// Shared by matchLineInt and matchLineStr: removes every line that begins with `key`; the
// last one gives the result. A line that is exactly the key has no value at all (there is
// not even the separator to skip): it counts as a match whose value is absent.
template <typename Value, typename Parse>
Value matchLine(LineList& lines, const std::string& key, const char* origin, const Value& absent, Parse parse,
                int& lineNumber)
{
    const LogManager& log = LogManager::getInstance();
    Value result = absent;
    for (auto line = lines.begin(); line != lines.end();)
    {
        if (!beginsWith(*line, key))
        {
            ++line;
            continue;
        }
        if (result != absent)
        {
            log.writeLog(1, "%s(): Warning! '%s' matches multiple lines.", origin, line->c_str());
        }
        if (line->size() > key.size())
        {
            // The one character after the key is skipped, whatever its UTF-8 length.
            result = parse(line->substr(key.size() + utf8::decodeAt(*line, key.size()).length));
        }
        else
        {
            log.writeLog(1, "%s(): Warning! '%s' has no value.", origin, line->c_str());
            result = absent;
        }
        line = lines.erase(line);
        ++lineNumber;
    }
    return result;
}

// Sets a condition on the stream without throwing, whatever exceptions its owner enabled.
void markStream(std::istream& file, std::ios::iostate state)
{
    try
    {
        file.setstate(state);
    }
    catch (...)
    {
        // The state is set before the exception is raised; nothing else to do.
    }
}
} // namespace

std::unique_ptr<Sprite> SpriteFile::read()
{
    const LogManager& log = LogManager::getInstance();

    LineList header = readData("HEADER");
    if (header.empty())
    {
        return nullptr;
    }
    const char* const required[] = {"frames", "width", "height"};
    int values[3] = {};
    for (int i = 0; i < 3; ++i)
    {
        values[i] = matchLineInt(header, required[i]);
        if (values[i] == -1)
        {
            log.writeLog("ResourceManager::loadSprite(): Error! Missing '%s' in header.", required[i]);
            return nullptr;
        }
    }
    const int frames = values[0];
    const int width = values[1];
    const int height = values[2];

    std::string color = matchLineStr(header, "color");
    if (color.empty())
    {
        log.writeLog(5, "ResourceManager::loadSprite(): Warning! No '%s' in header.", "color");
        color = "default";
    }
    const std::string transparencyText = matchLineStr(header, "transparency");
    char32_t transparency = 0;
    std::string transparencyShown; // its UTF-8 bytes, for the summary
    if (transparencyText.empty())
    {
        log.writeLog(5, "ResourceManager::loadSprite(): Warning! No '%s' in header.", "transparency");
    }
    else
    {
        // The first character of the value: a code point, which may take several bytes.
        const utf8::Decoded first = utf8::decodeAt(transparencyText, 0);
        transparency = first.ch;
        transparencyShown = transparencyText.substr(0, first.length);
    }
    int slowdown = matchLineInt(header, "slowdown");
    if (slowdown == -1)
    {
        log.writeLog(5, "ResourceManager::loadSprite(): Warning! No '%s' in header.", "slowdown");
        slowdown = 0;
    }
    if (!header.empty())
    {
        log.writeLog(1, "ResourceManager::loadSprite(): Warning! Unused HEADER lines:");
        for (const std::string& line : header)
        {
            log.writeLog(1, "\t'%s'", line.c_str());
        }
        lineNumber += static_cast<int>(header.size());
    }
    log.writeLog(5, "\t      Frames: %d", frames);
    log.writeLog(5, "\t       Width: %d", width);
    log.writeLog(5, "\t      Height: %d", height);
    log.writeLog(5, "\t    Slowdown: %d", slowdown);
    if (transparency != 0)
    {
        log.writeLog(5, "\tTransparency: %s", transparencyShown.c_str());
    }
    else
    {
        log.writeLog(5, "\tTransparency: (none)");
    }
    log.writeLog(5, "\t       Color: %s", color.c_str());

    LineList body = readData("BODY");
    if (body.empty())
    {
        return nullptr;
    }
    auto sprite = std::make_unique<Sprite>(frames);
    // A sprite that could not take the announced number of frames (a negative count) is no
    // sprite at all: refusing here keeps such a file from being half-read.
    if (sprite->getMaxFrameCount() != frames)
    {
        log.writeLog("ResourceManager::loadSprite(): Error! Unable to create Sprite.");
        return nullptr;
    }
    sprite->setWidth(width);
    sprite->setHeight(height);
    sprite->setSlowdown(slowdown);
    sprite->setTransparency(transparency);

    bool known = false;
    for (const ColorWord& entry : COLOR_WORDS)
    {
        if (color == entry.word)
        {
            sprite->setColor(entry.color);
            known = true;
            break;
        }
    }
    if (!known)
    {
        log.writeLog("ResourceManager::loadSprite(): Error! Unrecognized color '%s'.", color.c_str());
        log.writeLog("  Valid colors are: black, red, green, yellow,");
        log.writeLog("                    blue, magenta, cyan and white.");
        return nullptr;
    }

    --lineNumber; // back to the <BODY> line, so that the first row is counted as the line after it
    // Every frame consumes at least its "end" line, so a huge announced count ends as soon
    // as the body runs out ("No more frame data"), long before the count is reached.
    for (int i = 0; i < frames; ++i)
    {
        Frame frame = readFrame(body, width, height);
        if (frame.getString().empty())
        {
            log.writeLog("ResourceManager::loadSprite(): Error! No frame data to add.");
            return nullptr;
        }
        if (sprite->addFrame(std::move(frame)) != 0)
        {
            log.writeLog("ResourceManager::loadSprite(): Error! Cannot add Frame.");
            log.writeLog("\tFramecount is %d, max is %d", sprite->getFrameCount() + 1, frames);
            return nullptr;
        }
    }
    ++lineNumber;
    if (!body.empty())
    {
        log.writeLog(1, "ResourceManager::loadSprite(): Error! Extra BODY:");
        for (const std::string& line : body)
        {
            log.writeLog("\tline %d: %s", lineNumber, line.c_str());
            ++lineNumber;
        }
        return nullptr;
    }

    LineList footer = readData("FOOTER");
    if (footer.empty())
    {
        return nullptr;
    }
    const std::string version = matchLineStr(footer, "version");
    if (version.empty())
    {
        log.writeLog("ResourceManager::loadSprite(): Error! Missing '%s' in FOOTER (line %d).", "version", lineNumber);
        return nullptr;
    }
    if (!footer.empty())
    {
        log.writeLog(1, "ResourceManager::loadSprite(): Warning! Unused FOOTER lines:");
        for (const std::string& line : footer)
        {
            log.writeLog(1, "\t'%s'", line.c_str());
        }
    }
    return sprite;
}

int getLineNumber()
{
    return sharedLineNumber;
}

void setLineNumber(int number)
{
    sharedLineNumber = number;
}

std::string getLine(std::istream& file)
{
    const LogManager& log = LogManager::getInstance();
    std::string line;
    std::streambuf* input = file.good() ? file.rdbuf() : nullptr;
    if (input == nullptr)
    {
        markStream(file, std::ios::failbit);
        log.writeLog("getLine(): Error! Unexpected end of file.");
        return "";
    }
    // Read by hand rather than with std::getline, which would keep growing the line for as
    // long as the file has no newline (gigabytes, or for ever from a device).
    const auto limit = static_cast<std::size_t>(MAX_SPRITE_LINE_LENGTH);
    for (;;)
    {
        int c = std::char_traits<char>::eof();
        try
        {
            c = input->sbumpc();
        }
        catch (...)
        {
            // The file buffer throws on a failed read (a folder opened as a file, an I/O
            // error); the stream's own reading functions would swallow it the same way.
            markStream(file, std::ios::badbit);
        }
        if (c == std::char_traits<char>::eof())
        {
            markStream(file, file.bad() ? std::ios::failbit : std::ios::eofbit | std::ios::failbit);
            log.writeLog("getLine(): Error! Unexpected end of file.");
            return "";
        }
        if (c == '\n')
        {
            break;
        }
        // One character more than the limit may still be the carriage return of a CR-LF line.
        if (line.size() > limit)
        {
            markStream(file, std::ios::failbit);
            log.writeLog("getLine(): Error! Line longer than %d characters.", MAX_SPRITE_LINE_LENGTH);
            return "";
        }
        line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r')
    {
        line.pop_back();
    }
    if (line.size() > limit)
    {
        markStream(file, std::ios::failbit);
        log.writeLog("getLine(): Error! Line longer than %d characters.", MAX_SPRITE_LINE_LENGTH);
        return "";
    }
    return line;
}

LineList readData(std::istream& file, const std::string& name)
{
    SpriteFile reader(file, sharedLineNumber);
    LineList lines = reader.readData(name);
    sharedLineNumber = reader.getLineNumber();
    return lines;
}

// The free functions that read lines already taken from a file use a reader of no file.
namespace
{
template <typename Result, typename Read> Result withSharedCounter(Read read)
{
    std::istringstream none;
    SpriteFile reader(none, sharedLineNumber);
    Result result = read(reader);
    sharedLineNumber = reader.getLineNumber();
    return result;
}
} // namespace

int matchLineInt(LineList& lines, const std::string& key)
{
    return withSharedCounter<int>([&](SpriteFile& reader) { return reader.matchLineInt(lines, key); });
}

std::string matchLineStr(LineList& lines, const std::string& key)
{
    return withSharedCounter<std::string>([&](SpriteFile& reader) { return reader.matchLineStr(lines, key); });
}

Frame readFrame(LineList& lines, int width, int height)
{
    return withSharedCounter<Frame>([&](SpriteFile& reader) { return reader.readFrame(lines, width, height); });
}

LineList SpriteFile::readData(const std::string& name)
{
    const LogManager& log = LogManager::getInstance();
    const std::string opening = "<" + name + ">";
    const std::string closing = "</" + name + ">";

    std::string line = getLine(file);
    ++lineNumber;
    if (line != opening)
    {
        log.writeLog("readData(): Error line %d! Expected '%s', have '%s'.", lineNumber, opening.c_str(), line.c_str());
        return {};
    }
    LineList lines;
    std::size_t characters = 0;
    for (;;)
    {
        line = getLine(file);
        if (line == closing)
        {
            ++lineNumber;
            return lines;
        }
        if (line.empty())
        {
            log.writeLog("readData(): Error! Never encountered '%s'.", closing.c_str());
            return {};
        }
        if (lines.size() == static_cast<std::size_t>(MAX_SECTION_LINES))
        {
            log.writeLog("readData(): Error! Section '%s' has more than %d lines.", name.c_str(), MAX_SECTION_LINES);
            return {};
        }
        characters += line.size();
        if (characters > static_cast<std::size_t>(MAX_SECTION_CHARACTERS))
        {
            log.writeLog("readData(): Error! Section '%s' has more than %d characters.", name.c_str(),
                         MAX_SECTION_CHARACTERS);
            return {};
        }
        // Sprite files are UTF-8; a line that is not would be drawn as guesses. Data lines
        // are counted only as they are used, but they follow the opening line one by one.
        const std::size_t malformed = utf8::findMalformed(line);
        if (malformed != std::string::npos)
        {
            log.writeLog("readData(): Error line %d! Malformed UTF-8 at byte %d of the line.",
                         lineNumber + static_cast<int>(lines.size()) + 1, static_cast<int>(malformed) + 1);
            return {};
        }
        lines.push_back(std::move(line));
    }
}

int SpriteFile::matchLineInt(LineList& lines, const std::string& key)
{
    return matchLine(lines, key, "matchLineInt", -1, leadingInt, lineNumber);
}

std::string SpriteFile::matchLineStr(LineList& lines, const std::string& key)
{
    return matchLine(
        lines, key, "matchLineStr", std::string(), [](std::string value) { return value; }, lineNumber);
}

Frame SpriteFile::readFrame(LineList& lines, int width, int height)
{
    const LogManager& log = LogManager::getInstance();
    if (lines.empty())
    {
        log.writeLog("\tError! Line %d: No more frame data.", lineNumber + 1);
        return Frame();
    }
    std::string text;
    for (int row = 0; row < height; ++row)
    {
        // Rows missing at the end of the body read as empty lines, which only a frame of
        // width 0 would accept, row after row for as many rows as announced: stop instead.
        if (lines.empty() && width == 0)
        {
            log.writeLog("\tError! Line %d: No more frame data.", lineNumber + 1);
            return Frame();
        }
        const std::string line = lines.empty() ? std::string() : lines.front();
        ++lineNumber;
        // The width counts characters (code points), not bytes.
        const std::size_t length = utf8::countCodePoints(line);
        if (width < 0 || length != static_cast<std::size_t>(width))
        {
            log.writeLog("\tError! Line %d: Line length is %d (frame width is %d).", lineNumber,
                         static_cast<int>(length), width);
            log.writeLog("\tLine %d: '%s'", lineNumber, line.c_str());
            return Frame();
        }
        text += line;
        lines.pop_front();
    }
    const std::string end = lines.empty() ? std::string() : lines.front();
    ++lineNumber;
    if (end != "end")
    {
        log.writeLog("\tError! Line %d: Expected '%s'.", lineNumber, "end");
        log.writeLog("\tLine %d: '%s'", lineNumber, end.c_str());
        return Frame();
    }
    lines.pop_front();
    return Frame(width, height, text);
}

} // namespace qm
