// Measures how well a font's bold glyphs fit the display's character cells. Each cell's
// background is drawn a tenth of a cell left of and a fifth of a cell below its glyph's
// origin, so a glyph wider than 0.9 cells is partly covered by the next cell's background,
// one that rises above a fifth of a cell by the background of the row above and one that
// hangs lower than 1.2 cells by the row below. This tool loads the glyphs at the size the
// display manager uses and prints, for every printable ASCII glyph that reaches past a
// neighbour's background, by how many pixels.
//
//     qm_fontfit [--cell WIDTHxHEIGHT] [--scale S] [--limit N] FONT
//
// The cell defaults to 12.8 x 32 pixels (1024 x 768 pixels, 80 x 24 cells) and the scale to
// 2 (the configuration's default "font_scale"). The last line reads
// "FONT at 25 px: N of 94 glyphs reach into the next cell's background (most X px); ..." with the
// rows above and below after it. Exit status: 0, 1 when more than N glyphs reach into the next
// cell's background (with --limit), 2 for bad arguments or
// an unreadable font. The glyphs are rendered, so a display must be reachable (DISPLAY).
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Glyph.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

struct Options
{
    float cellWidth = 12.8f;
    float cellHeight = 32.0f;
    float scale = 2.0f;
    int limit = -1; // none
    std::string font;
};

bool parseFloat(const char* text, float& value)
{
    char* end = nullptr;
    value = std::strtof(text, &end);
    return end != text && *end == '\0' && std::isfinite(value) && value > 0;
}

bool parseArguments(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--cell" && hasValue)
        {
            const std::string cell = argv[++i];
            const auto x = cell.find('x');
            if (x == std::string::npos || !parseFloat(cell.substr(0, x).c_str(), options.cellWidth) ||
                !parseFloat(cell.substr(x + 1).c_str(), options.cellHeight))
            {
                return false;
            }
        }
        else if (argument == "--scale" && hasValue)
        {
            if (!parseFloat(argv[++i], options.scale))
            {
                return false;
            }
        }
        else if (argument == "--limit" && hasValue)
        {
            char* end = nullptr;
            const long limit = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || limit < 0 || limit > 1000)
            {
                return false;
            }
            options.limit = static_cast<int>(limit);
        }
        else if (argument.rfind("--", 0) != 0 && options.font.empty())
        {
            options.font = argument;
        }
        else
        {
            return false;
        }
    }
    return !options.font.empty();
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseArguments(argc, argv, options))
    {
        std::fprintf(stderr, "usage: qm_fontfit [--cell WIDTHxHEIGHT] [--scale S] [--limit N] FONT\n");
        return 2;
    }
    sf::Font font;
    if (!font.loadFromFile(options.font))
    {
        std::fprintf(stderr, "qm_fontfit: cannot load the font '%s'\n", options.font.c_str());
        return 2;
    }
    // The display manager's character size: the scale times the smaller cell side, truncated.
    const float size = options.scale * std::min(options.cellWidth, options.cellHeight);
    const unsigned characterSize = static_cast<unsigned>(std::clamp(size, 1.0f, 1024.0f));
    // Measured from the glyph's origin (the text's position); the text's baseline lies one
    // character size below it.
    const float nextBackgroundLeft = options.cellWidth - options.cellWidth / 10.0f;
    const float aboveBackgroundBottom = options.cellHeight / 5.0f;
    const float belowBackgroundTop = options.cellHeight + options.cellHeight / 5.0f;

    // The next cell in a row is drawn right after a glyph (strings and sprite rows run left
    // to right), so reaching into its background cuts every such glyph; rows above and below
    // cover a glyph only when they are drawn later, which is rarer. The limit counts the first.
    int printable = 0, right = 0, up = 0, down = 0;
    float mostRight = 0, mostUp = 0, mostDown = 0;
    for (char c = '!'; c <= '~'; ++c)
    {
        ++printable;
        const sf::FloatRect bounds = font.getGlyph(static_cast<unsigned char>(c), characterSize, true).bounds;
        const float top = static_cast<float>(characterSize) + bounds.top;
        const float overRight = bounds.left + bounds.width - nextBackgroundLeft;
        const float overUp = aboveBackgroundBottom - top;
        const float overDown = top + bounds.height - belowBackgroundTop;
        if (overRight <= 0 && overUp <= 0 && overDown <= 0)
        {
            continue;
        }
        right += overRight > 0;
        up += overUp > 0;
        down += overDown > 0;
        mostRight = std::max(mostRight, overRight);
        mostUp = std::max(mostUp, overUp);
        mostDown = std::max(mostDown, overDown);
        std::printf("'%c': right %+.2f px, up %+.2f px, down %+.2f px\n", c, static_cast<double>(overRight),
                    static_cast<double>(overUp), static_cast<double>(overDown));
    }
    std::printf("%s at %u px: %d of %d glyphs reach into the next cell's background (most %.2f px); "
                "%d rise into the row above's (most %.2f px), %d hang into the row below's (most %.2f px)\n",
                options.font.c_str(), characterSize, right, printable, static_cast<double>(mostRight), up,
                static_cast<double>(mostUp), down, static_cast<double>(mostDown));
    return options.limit >= 0 && right > options.limit ? 1 : 0;
}
