#include <qm/AnsiWriter.h>
#include <qm/utility.h>

#include <climits>

namespace qm
{

namespace
{
// The six levels of each primary in the palette's colour cube (indices 16 .. 231).
constexpr int CUBE_LEVELS[6] = {0, 95, 135, 175, 215, 255};

int squaredDistance(int r1, int g1, int b1, int r2, int g2, int b2)
{
    return (r1 - r2) * (r1 - r2) + (g1 - g2) * (g1 - g2) + (b1 - b2) * (b1 - b2);
}

int nearestCubeLevel(int value)
{
    int best = 0;
    for (int i = 1; i < 6; ++i)
    {
        if (std::abs(CUBE_LEVELS[i] - value) < std::abs(CUBE_LEVELS[best] - value))
        {
            best = i;
        }
    }
    return best;
}

void appendNumber(int value, std::string& out)
{
    char digits[12];
    int count = 0;
    unsigned magnitude = static_cast<unsigned>(value < 0 ? -value : value);
    do
    {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (value < 0)
    {
        out += '-';
    }
    while (count > 0)
    {
        out += digits[--count];
    }
}

void appendColor(CellColor color, bool background, ColorDepth depth, std::string& out)
{
    if (!color.isCustom())
    {
        appendNumber((background ? 40 : 30) + color.color, out);
        return;
    }
    switch (depth)
    {
    case COLORS_24BIT:
        out += background ? "48;2;" : "38;2;";
        appendNumber(color.r, out);
        out += ';';
        appendNumber(color.g, out);
        out += ';';
        appendNumber(color.b, out);
        break;
    case COLORS_256:
        out += background ? "48;5;" : "38;5;";
        appendNumber(AnsiWriter::nearest256(color.r, color.g, color.b), out);
        break;
    default:
        appendNumber((background ? 40 : 30) + AnsiWriter::nearest8(color.r, color.g, color.b), out);
        break;
    }
}

void moveTo(int x, int y, std::string& out)
{
    out += "\x1b[";
    appendNumber(y + 1, out);
    out += ';';
    appendNumber(x + 1, out);
    out += 'H';
}
} // namespace

int AnsiWriter::nearest256(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    const int ri = nearestCubeLevel(r), gi = nearestCubeLevel(g), bi = nearestCubeLevel(b);
    const int cube = 16 + 36 * ri + 6 * gi + bi;
    const int cubeDistance = squaredDistance(r, g, b, CUBE_LEVELS[ri], CUBE_LEVELS[gi], CUBE_LEVELS[bi]);
    // The 24 greys (indices 232 .. 255) are 8, 18, .. 238.
    const int average = (r + g + b) / 3;
    int grey = average < 8 ? 0 : average > 238 ? 23 : (average - 8 + 5) / 10;
    grey = grey > 23 ? 23 : grey;
    const int level = 8 + 10 * grey;
    const int greyDistance = squaredDistance(r, g, b, level, level, level);
    return greyDistance < cubeDistance ? 232 + grey : cube;
}

int AnsiWriter::nearest8(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    int best = BLACK;
    int bestDistance = INT_MAX;
    for (int color = BLACK; color <= WHITE; ++color)
    {
        std::uint8_t cr = 0, cg = 0, cb = 0;
        colorToRGB(color, cr, cg, cb);
        const int distance = squaredDistance(r, g, b, cr, cg, cb);
        if (distance < bestDistance)
        {
            best = color;
            bestDistance = distance;
        }
    }
    return best;
}

ColorDepth AnsiWriter::depthFor(const std::string& colorterm, const std::string& term)
{
    if (colorterm == "truecolor" || colorterm == "24bit")
    {
        return COLORS_24BIT;
    }
    if (term.find("256color") != std::string::npos)
    {
        return COLORS_256;
    }
    return COLORS_8;
}

std::string AnsiWriter::colorParameters(CellColor color, bool background, ColorDepth colorDepth)
{
    std::string out;
    appendColor(color, background, colorDepth, out);
    return out;
}

int AnsiWriter::write(const CellGrid& current, const CellGrid* previous, std::string& out) const
{
    const bool whole = previous == nullptr || previous->getWidth() != current.getWidth() ||
                       previous->getHeight() != current.getHeight();
    if (whole)
    {
        out += "\x1b[0m\x1b[2J";
    }
    // Where the cursor is (-1: unknown) and which colours are selected (none yet).
    int cursorX = -1, cursorY = -1;
    bool colored = false;
    CellColor foreground, background;
    int written = 0;
    for (int y = 0; y < current.getHeight(); ++y)
    {
        for (int x = 0; x < current.getWidth(); ++x)
        {
            const Cell& cell = current.at(x, y);
            if (!whole && cell == previous->at(x, y))
            {
                continue;
            }
            if (cursorY != y || cursorX != x)
            {
                if (cursorY == y && cursorX >= 0 && x > cursorX && x - cursorX <= 4)
                {
                    out += "\x1b[";
                    appendNumber(x - cursorX, out);
                    out += 'C';
                }
                else
                {
                    moveTo(x, y, out);
                }
            }
            const bool newForeground = !colored || foreground != cell.foreground;
            const bool newBackground = !colored || background != cell.background;
            if (newForeground || newBackground)
            {
                out += "\x1b[";
                if (newForeground)
                {
                    appendColor(cell.foreground, false, depth, out);
                }
                if (newBackground)
                {
                    if (newForeground)
                    {
                        out += ';';
                    }
                    appendColor(cell.background, true, depth, out);
                }
                out += 'm';
                foreground = cell.foreground;
                background = cell.background;
                colored = true;
            }
            appendUtf8(cell.ch, out);
            ++written;
            // After the last column the cursor waits to wrap; the next cell is placed anew.
            cursorX = x + 1 < current.getWidth() ? x + 1 : -1;
            cursorY = y;
        }
    }
    if (colored)
    {
        out += "\x1b[0m";
    }
    return written;
}

} // namespace qm
