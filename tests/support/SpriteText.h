// Sprite files for tests: the two-frame example as text, and reading the log back as the
// messages alone.
#ifndef QM_TEST_SPRITETEXT_H
#define QM_TEST_SPRITETEXT_H

#include <sstream>
#include <string>
#include <vector>

namespace qmtest
{

/// The two-frame, 3 x 2 yellow sprite with transparency '#' and slowdown 5, one line per
/// entry (line 1 is "<HEADER>", the first row of the first frame is line 10).
inline std::vector<std::string> exampleSpriteLines()
{
    return {"<HEADER>",  "frames 2", "width 3",  "height 2",  "color yellow", "slowdown 5", "transparency #",
            "</HEADER>", "<BODY>",   "#o#",      "/ \\",      "end",          "#O#",        "\\ /",
            "end",       "</BODY>",  "<FOOTER>", "version 1", "</FOOTER>"};
}

/// Joins lines, each followed by `ending`.
inline std::string joinLines(const std::vector<std::string>& lines, const std::string& ending = "\n")
{
    std::string text;
    for (const std::string& line : lines)
    {
        text += line + ending;
    }
    return text;
}

/// The example sprite file as text.
inline std::string exampleSprite()
{
    return joinLines(exampleSpriteLines());
}

/// A sprite file of `frames` frames of `width` x `height`, every frame filled with one
/// character ('a', then 'b', ...), with the header lines given.
inline std::string spriteFile(const std::string& header, int width, int height, int frames)
{
    std::string text = "<HEADER>\n" + header + "</HEADER>\n<BODY>\n";
    for (int f = 0; f < frames; ++f)
    {
        for (int y = 0; y < height; ++y)
        {
            text += std::string(static_cast<std::size_t>(width), static_cast<char>('a' + f % 26)) + "\n";
        }
        text += "end\n";
    }
    return text + "</BODY>\n<FOOTER>\nversion 1\n</FOOTER>\n";
}

/// The messages of a log, without the time and step count that begin each line.
inline std::vector<std::string> logMessages(const std::string& log)
{
    std::vector<std::string> messages;
    std::istringstream stream(log);
    std::string line;
    const std::size_t prefix = std::string("hh:mm:ss    0 ").size();
    while (std::getline(stream, line))
    {
        messages.push_back(line.size() >= prefix ? line.substr(prefix) : line);
    }
    return messages;
}

} // namespace qmtest

#endif
