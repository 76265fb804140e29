#include "audio/AudioDevice.h"
#include "serialization/AttributeText.h"

#include <qm/LogManager.h>
#include <qm/ResourceManager.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <istream>
#include <streambuf>

namespace qm
{

namespace
{
// The number of the sprite-file line being read; see getLineNumber.
int lineNumber = 0;

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
Value matchLine(LineList& lines, const std::string& key, const char* origin, const Value& absent, Parse parse)
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
            result = parse(line->substr(key.size() + 1));
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

int notLoaded(const std::string& label)
{
    LogManager::getInstance().writeLog("ResourceManager::loadSprite(): Sprite '%s' not loaded.", label.c_str());
    return -1;
}

// Reads the three sections of an opened sprite file. Returns the sprite, or null once the
// reason has been logged (the caller adds the "not loaded" line).
std::unique_ptr<Sprite> readSprite(std::istream& file)
{
    const LogManager& log = LogManager::getInstance();

    LineList header = readData(file, "HEADER");
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
    char transparency = 0;
    if (transparencyText.empty())
    {
        log.writeLog(5, "ResourceManager::loadSprite(): Warning! No '%s' in header.", "transparency");
    }
    else
    {
        transparency = transparencyText[0];
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
        log.writeLog(5, "\tTransparency: %c", transparency);
    }
    else
    {
        log.writeLog(5, "\tTransparency: (none)");
    }
    log.writeLog(5, "\t       Color: %s", color.c_str());

    LineList body = readData(file, "BODY");
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

    LineList footer = readData(file, "FOOTER");
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

// Logs each frame row by row (at level 15) as the sprite was read.
void dumpFrames(const Sprite& sprite)
{
    const LogManager& log = LogManager::getInstance();
    if (log.getLogLevel() < 15)
    {
        return;
    }
    log.writeLog(15, "Sprite '%s' frames:", sprite.getLabel().c_str());
    for (int i = 0; i < sprite.getFrameCount(); ++i)
    {
        const Frame frame = sprite.getFrame(i);
        const std::string text = frame.getString();
        const auto width = static_cast<std::size_t>(frame.getWidth());
        log.writeLog(15, "Frame %d:", i + 1);
        for (std::size_t at = 0; at < text.size(); at += width)
        {
            log.writeLog(15, "\t%s", text.substr(at, width).c_str());
        }
    }
}
// The first resource in load order whose label is `label`, or null with a warning. `kind`
// names it in the messages ("sprite"), `method` is the look-up's name ("getSprite").
template <typename T>
T* findByLabel(const std::unique_ptr<T>* items, int count, const std::string& label, const char* method,
               const char* kind)
{
    const LogManager& log = LogManager::getInstance();
    log.writeLog(5, "ResourceManager::%s(): Looking for %s '%s'.", method, kind, label.c_str());
    for (int i = 0; i < count; ++i)
    {
        if (items[i]->getLabel() == label)
        {
            return items[i].get();
        }
    }
    std::string capitalised = kind;
    capitalised[0] = static_cast<char>(capitalised[0] - 'a' + 'A');
    log.writeLog("ResourceManager::%s(): Warning! %s '%s' not found.", method, capitalised.c_str(),
                 attribute::clip(label).c_str());
    return nullptr;
}
} // namespace

int getLineNumber()
{
    return lineNumber;
}

void setLineNumber(int number)
{
    lineNumber = number;
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
        lines.push_back(std::move(line));
    }
}

int matchLineInt(LineList& lines, const std::string& key)
{
    return matchLine(lines, key, "matchLineInt", -1, leadingInt);
}

std::string matchLineStr(LineList& lines, const std::string& key)
{
    return matchLine(lines, key, "matchLineStr", std::string(), [](std::string value) { return value; });
}

Frame readFrame(LineList& lines, int width, int height)
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
        if (width < 0 || line.size() != static_cast<std::size_t>(width))
        {
            log.writeLog("\tError! Line %d: Line length is %d (frame width is %d).", lineNumber,
                         static_cast<int>(line.size()), width);
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

ResourceManager::ResourceManager()
{
    setType("ResourceManager");
}

ResourceManager::~ResourceManager() = default;

ResourceManager& ResourceManager::getInstance()
{
    static ResourceManager instance;
    return instance;
}

int ResourceManager::startUp()
{
    if (isStarted())
    {
        LogManager::getInstance().writeLog("ResourceManager::startUp(): Already started.");
        return 0;
    }
    spriteCount = 0;
    soundCount = 0;
    musicCount = 0;
    silentAudioReported = false;
    Manager::startUp();
    LogManager::getInstance().writeLog(5, "ResourceManager::startUp(): successfully started.");
    return 0;
}

void ResourceManager::shutDown()
{
    for (int i = 0; i < spriteCount; ++i)
    {
        sprites[i].reset();
    }
    spriteCount = 0;
    for (int i = 0; i < soundCount; ++i)
    {
        sounds[i]->stop();
    }
    for (int i = 0; i < musicCount; ++i)
    {
        music[i]->stop();
    }
    Manager::shutDown();
    LogManager::getInstance().writeLog(5, "ResourceManager::shutDown(): successfully stopped.");
}

int ResourceManager::loadSprite(std::string filename, std::string label)
{
    const LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("%s not started!", "ResourceManager");
        return -1;
    }
    if (spriteCount == MAX_SPRITES)
    {
        log.writeLog("ResourceManager::loadSprite(): Error! Cannot add more Sprites (max is %d).", MAX_SPRITES);
        return notLoaded(label);
    }
    log.writeLog("ResourceManager::loadSprite(): Loading sprite '%s'.", filename.c_str());
    // Opening a named pipe would wait for a writer for ever: such a path is no sprite file.
    std::error_code ignored;
    const bool pipe = std::filesystem::is_fifo(filename, ignored);
    std::ifstream file;
    if (!pipe)
    {
        file.open(filename);
    }
    if (!file.is_open())
    {
        log.writeLog("ResourceManager::loadSprite(): Error! Cannot open file '%s'.", filename.c_str());
        return notLoaded(label);
    }
    log.writeLog(1, "ResourceManager::loadSprite(): Opened file '%s'.", filename.c_str());
    lineNumber = 0;

    std::unique_ptr<Sprite> sprite = readSprite(file);
    if (!sprite)
    {
        return notLoaded(label);
    }
    sprite->setLabel(label);
    sprites[spriteCount] = std::move(sprite);
    ++spriteCount;
    dumpFrames(*sprites[spriteCount - 1]);
    log.writeLog("ResourceManager::loadSprite(): Sprite '%s' loaded.", label.c_str());
    return 0;
}

Sprite* ResourceManager::getSprite(std::string label) const
{
    return findByLabel(sprites, spriteCount, label, "getSprite", "sprite");
}

void ResourceManager::reportSilentAudio(const char* origin)
{
    if (silentAudioReported || AudioDevice::isAvailable())
    {
        return;
    }
    silentAudioReported = true;
    const LogManager& log = LogManager::getInstance();
    log.writeLog("%s: Warning! No audio device: sounds and music load but play silently.", origin);
    // What the audio library said about the device, for whoever needs to know why.
    for (const std::string& line : AudioDevice::getMessages())
    {
        log.writeLog(1, "\t%s", line.c_str());
    }
}

int ResourceManager::loadSound(std::string filename, std::string label)
{
    const LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("%s not started!", "ResourceManager");
        return -1;
    }
    if (soundCount == MAX_SOUNDS)
    {
        log.writeLog("ResourceManager::loadSound(): Error! Unable to add more sounds (max is %d).", MAX_SOUNDS);
        return -1;
    }
    reportSilentAudio("ResourceManager::loadSound()");
    // A slot whose load failed keeps its object for the next load.
    if (!sounds[soundCount])
    {
        sounds[soundCount] = std::make_unique<Sound>();
    }
    if (sounds[soundCount]->loadSound(filename) != 0)
    {
        log.writeLog("ResourceManager::loadSound(): Error! Cannot load sound from file '%s'.", filename.c_str());
        return -1;
    }
    sounds[soundCount]->setLabel(label);
    log.writeLog(1, "ResourceManager::loadSound(): Sound '%s' successfully loaded.", label.c_str());
    ++soundCount;
    return 0;
}

Sound* ResourceManager::getSound(std::string label) const
{
    return findByLabel(sounds, soundCount, label, "getSound", "sound");
}

int ResourceManager::loadMusic(std::string filename, std::string label)
{
    const LogManager& log = LogManager::getInstance();
    if (!isStarted())
    {
        log.writeLog("%s not started!", "ResourceManager");
        return -1;
    }
    if (musicCount == MAX_MUSICS)
    {
        log.writeLog("ResourceManager::loadMusic(): Error! Unable to add more musics (max is %d).", MAX_MUSICS);
        return -1;
    }
    if (label.empty())
    {
        log.writeLog("ResourceManager::loadMusic(): Error! Must provide label for music.");
        return -1;
    }
    reportSilentAudio("ResourceManager::loadMusic()");
    if (!music[musicCount])
    {
        music[musicCount] = std::make_unique<Music>();
    }
    if (music[musicCount]->loadMusic(filename) != 0)
    {
        log.writeLog("ResourceManager::loadmusic(): Error! Cannot load music from file '%s'.", filename.c_str());
        return -1;
    }
    music[musicCount]->setLabel(label);
    log.writeLog(1, "ResourceManager::loadMusic(): Music '%s' successfully loaded.", label.c_str());
    ++musicCount;
    return 0;
}

Music* ResourceManager::getMusic(std::string label) const
{
    return findByLabel(music, musicCount, label, "getMusic", "music");
}

} // namespace qm
