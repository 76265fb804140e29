#include <qm/EventKeyboard.h>
#include <qm/EventMouse.h>
#include <qm/ReplayFile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace qm
{

namespace
{
const char* const MAGIC = "quillmere-replay";
const char* const KEY_ACTIONS[] = {"press", "release", "held"}; // by KeyboardAction
const char* const MOUSE_ACTIONS[] = {"click", "held", "move"};  // by MouseAction
// The settings a replay may carry: those that change what the game does.
const char* const SETTINGS[] = {"random_seed", "frame_time", "window_horizontal_chars", "window_vertical_chars"};
// Key codes run from the named keys to the window library's unnamed ones (shifted by 97).
constexpr long MIN_KEY = -1;
constexpr long MAX_KEY = 511;
// Mouse positions far outside any view are not from a real game.
constexpr float MAX_POSITION = 1.0e6f;

std::vector<std::string> splitWords(const std::string& line)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size())
    {
        const std::size_t end = line.find(' ', at);
        const std::size_t stop = end == std::string::npos ? line.size() : end;
        words.push_back(line.substr(at, stop - at));
        at = stop + 1;
    }
    if (!line.empty() && line.back() == ' ')
    {
        words.emplace_back(); // a trailing space leaves an empty word, refused by its reader
    }
    return words;
}

// A decimal integer in [low, high] and nothing else.
bool toInteger(const std::string& word, long low, long high, long& value)
{
    if (word.empty() || word.size() > 12)
    {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtol(word.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && value >= low && value <= high &&
           (std::isdigit(static_cast<unsigned char>(word[0])) != 0 || word[0] == '-');
}

bool toPosition(const std::string& word, float& value)
{
    if (word.empty() || word.size() > 20 || (std::isdigit(static_cast<unsigned char>(word[0])) == 0 && word[0] != '-'))
    {
        return false;
    }
    char* end = nullptr;
    value = std::strtof(word.c_str(), &end);
    return *end == '\0' && std::isfinite(value) && std::fabs(value) <= MAX_POSITION;
}

int indexOf(const char* const* names, int count, const std::string& word)
{
    for (int i = 0; i < count; ++i)
    {
        if (word == names[i])
        {
            return i;
        }
    }
    return -1;
}

// "key:value," settings from SETTINGS with integer values, random_seed among them.
bool validConfig(const std::string& text, std::string& why)
{
    bool seed = false;
    std::size_t at = 0;
    while (at < text.size())
    {
        const std::size_t comma = text.find(',', at);
        if (comma == std::string::npos)
        {
            why = "setting without its comma";
            return false;
        }
        const std::string setting = text.substr(at, comma - at);
        const std::size_t colon = setting.find(':');
        const std::string key = setting.substr(0, colon);
        long value = 0;
        if (colon == std::string::npos || indexOf(SETTINGS, 4, key) < 0)
        {
            why = "setting '" + setting + "' is not one a replay may carry";
            return false;
        }
        if (!toInteger(setting.substr(colon + 1), key == "random_seed" ? -2147483648L : 0, 2147483647L, value))
        {
            why = "setting '" + setting + "' has no valid number";
            return false;
        }
        seed = seed || key == "random_seed";
        at = comma + 1;
    }
    if (!seed)
    {
        why = "no random_seed";
    }
    return seed;
}

std::string lineError(std::size_t line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}
} // namespace

int ReplayFile::parse(const std::string& text, ReplayFile& file, std::string& error)
{
    file = ReplayFile();
    if (text.size() > MAX_REPLAY_BYTES)
    {
        error = "larger than " + std::to_string(MAX_REPLAY_BYTES) + " bytes";
        return -1;
    }
    std::size_t lineNumber = 0;
    std::size_t at = 0;
    int lastStep = 0;
    int eventsInStep = 0;
    bool ended = false;
    auto fail = [&](const std::string& what)
    {
        error = lineError(lineNumber, what);
        file = ReplayFile();
        return -1;
    };
    while (at < text.size())
    {
        ++lineNumber;
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
        {
            return fail("no line end (the file is truncated)");
        }
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r')
        {
            line.pop_back();
        }
        if (line.size() > MAX_REPLAY_LINE)
        {
            return fail("longer than " + std::to_string(MAX_REPLAY_LINE) + " bytes");
        }
        for (const char c : line)
        {
            if (c < 0x20 || c > 0x7e)
            {
                return fail("not text (byte " + std::to_string(static_cast<unsigned char>(c)) + ")");
            }
        }
        if (ended)
        {
            return fail("after the end line");
        }
        const std::vector<std::string> words = splitWords(line);
        if (lineNumber == 1)
        {
            long version = 0;
            if (words.size() != 2 || words[0] != MAGIC)
            {
                return fail("not a replay file (it must start with \"quillmere-replay <version>\")");
            }
            if (!toInteger(words[1], 0, 1000000, version) || version != REPLAY_VERSION)
            {
                return fail("unknown version '" + words[1] + "' (this program reads version " +
                            std::to_string(REPLAY_VERSION) + ")");
            }
            file.version = static_cast<int>(version);
            continue;
        }
        if (lineNumber == 2)
        {
            std::string why;
            if (words.size() != 2 || words[0] != "config")
            {
                return fail("expected \"config <settings>\"");
            }
            if (!validConfig(words[1], why))
            {
                return fail(why);
            }
            file.config = words[1];
            continue;
        }
        long number = 0;
        if (words.size() == 2 && words[0] == "end")
        {
            if (!toInteger(words[1], 0, MAX_REPLAY_STEPS, number) || number < lastStep)
            {
                return fail("bad step count '" + words[1] + "' (at least " + std::to_string(lastStep) + ")");
            }
            if (file.hashes.size() != static_cast<std::size_t>(number / REPLAY_HASH_INTERVAL))
            {
                return fail("the hash of step " +
                            std::to_string((file.hashes.size() + 1) * static_cast<std::size_t>(REPLAY_HASH_INTERVAL)) +
                            " is missing");
            }
            file.steps = static_cast<int>(number);
            ended = true;
            continue;
        }
        if (words.size() < 3 || !toInteger(words[0], 1, MAX_REPLAY_STEPS, number))
        {
            return fail("expected \"<step> key|mouse|hash ...\" or \"end <steps>\"");
        }
        const int step = static_cast<int>(number);
        const int hashedUpTo = static_cast<int>(file.hashes.size()) * REPLAY_HASH_INTERVAL;
        if (step < lastStep || (step <= hashedUpTo && hashedUpTo > 0))
        {
            return fail("step " + std::to_string(step) + " comes after step " +
                        std::to_string(std::max(lastStep, hashedUpTo)));
        }
        if (step > hashedUpTo + REPLAY_HASH_INTERVAL && words[1] != "hash")
        {
            return fail("the hash of step " + std::to_string(hashedUpTo + REPLAY_HASH_INTERVAL) + " is missing");
        }
        eventsInStep = step == lastStep ? eventsInStep : 0;
        lastStep = step;
        if (words[1] == "hash")
        {
            if (step != hashedUpTo + REPLAY_HASH_INTERVAL)
            {
                return fail("a hash belongs to step " + std::to_string(hashedUpTo + REPLAY_HASH_INTERVAL) +
                            ", not step " + std::to_string(step));
            }
            std::uint64_t hash = 0;
            if (words.size() != 3 || words[2].size() != 16 ||
                words[2].find_first_not_of("0123456789abcdef") != std::string::npos)
            {
                return fail("a hash is 16 lower-case hexadecimal digits");
            }
            hash = std::strtoull(words[2].c_str(), nullptr, 16);
            file.hashes.push_back(hash);
            continue;
        }
        if (++eventsInStep > MAX_REPLAY_EVENTS_PER_STEP)
        {
            return fail("more than " + std::to_string(MAX_REPLAY_EVENTS_PER_STEP) + " events in step " +
                        std::to_string(step));
        }
        ReplayEvent event;
        event.step = step;
        long code = 0;
        if (words[1] == "key")
        {
            event.action = indexOf(KEY_ACTIONS, 3, words[2]);
            if (words.size() != 4 || event.action < 0 || !toInteger(words[3], MIN_KEY, MAX_KEY, code))
            {
                return fail("expected \"<step> key press|release|held <key code>\"");
            }
        }
        else if (words[1] == "mouse")
        {
            event.mouse = true;
            event.action = indexOf(MOUSE_ACTIONS, 3, words[2]);
            if (words.size() != 6 || event.action < 0 || !toInteger(words[3], -1, 2, code) ||
                !toPosition(words[4], event.x) || !toPosition(words[5], event.y))
            {
                return fail("expected \"<step> mouse click|held|move <button> <x> <y>\"");
            }
        }
        else
        {
            return fail("unknown record '" + words[1] + "'");
        }
        event.code = static_cast<int>(code);
        file.events.push_back(event);
    }
    if (!ended)
    {
        error = lineError(lineNumber + 1, "missing (no end line: the file is truncated)");
        file = ReplayFile();
        return -1;
    }
    return 0;
}

int ReplayFile::load(const std::string& path, ReplayFile& file, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        error = "cannot open replay file '" + path + "'";
        return -1;
    }
    std::string text;
    char chunk[65536];
    while (text.size() <= MAX_REPLAY_BYTES && in.read(chunk, sizeof chunk).gcount() > 0)
    {
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (parse(text, file, error) != 0)
    {
        error = "replay file '" + path + "': " + error;
        return -1;
    }
    return 0;
}

std::string ReplayFile::headerText(const std::string& config)
{
    return std::string(MAGIC) + " " + std::to_string(REPLAY_VERSION) + "\nconfig " + config + "\n";
}

std::string ReplayFile::eventLine(const ReplayEvent& event)
{
    char line[MAX_REPLAY_LINE];
    const int action = event.action >= 0 && event.action <= 2 ? event.action : 0;
    if (event.mouse)
    {
        std::snprintf(line, sizeof line, "%d mouse %s %d %.9g %.9g\n", event.step, MOUSE_ACTIONS[action], event.code,
                      static_cast<double>(event.x), static_cast<double>(event.y));
    }
    else
    {
        std::snprintf(line, sizeof line, "%d key %s %d\n", event.step, KEY_ACTIONS[action], event.code);
    }
    return line;
}

std::string ReplayFile::hashLine(int step, std::uint64_t hash)
{
    char line[64];
    std::snprintf(line, sizeof line, "%d hash %016" PRIx64 "\n", step, hash);
    return line;
}

std::string ReplayFile::endLine(int steps)
{
    return "end " + std::to_string(steps) + "\n";
}

std::string ReplayFile::toText() const
{
    std::string text = headerText(config);
    std::size_t next = 0;
    for (std::size_t i = 0; i < hashes.size(); ++i)
    {
        const int hashStep = static_cast<int>(i + 1) * REPLAY_HASH_INTERVAL;
        for (; next < events.size() && events[next].step <= hashStep; ++next)
        {
            text += eventLine(events[next]);
        }
        text += hashLine(hashStep, hashes[i]);
    }
    for (; next < events.size(); ++next)
    {
        text += eventLine(events[next]);
    }
    return text + endLine(steps);
}

} // namespace qm
