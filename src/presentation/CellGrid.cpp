#include "core/Utf8.h"

#include <qm/CellGrid.h>
#include <qm/utility.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

namespace qm
{

CellColor CellColor::engine(int engineColor)
{
    CellColor color;
    color.color = static_cast<std::uint8_t>(engineColor >= BLACK && engineColor <= WHITE ? engineColor : WHITE);
    return color;
}

CellColor CellColor::rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    CellColor color;
    color.color = CUSTOM;
    color.r = red;
    color.g = green;
    color.b = blue;
    return color;
}

void CellColor::toRGB(std::uint8_t& red, std::uint8_t& green, std::uint8_t& blue) const
{
    red = r;
    green = g;
    blue = b;
    if (!isCustom())
    {
        colorToRGB(color, red, green, blue);
    }
}

void CellGrid::resize(int columns, int rows, CellColor background)
{
    width = std::max(columns, 0);
    height = std::max(rows, 0);
    cells.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), Cell{});
    clear(background);
}

void CellGrid::clear(CellColor background)
{
    Cell blank;
    blank.background = background;
    std::fill(cells.begin(), cells.end(), blank);
}

bool CellGrid::set(int x, int y, const Cell& cell)
{
    if (x < 0 || y < 0 || x >= width || y >= height)
    {
        return false;
    }
    cells[static_cast<std::size_t>(y * width + x)] = cell;
    return true;
}

int CellGrid::cellOf(float position)
{
    // Far-off and non-numeric positions map to a cell no grid holds.
    const float centre = std::floor(position + 0.5f);
    if (!(centre > -1e6f && centre < 1e6f))
    {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(centre);
}

bool CellGrid::put(Vector position, char32_t ch, CellColor foreground, CellColor background)
{
    Cell cell;
    cell.ch = ch;
    cell.foreground = foreground;
    cell.background = background;
    return set(cellOf(position.getX()), cellOf(position.getY()), cell);
}

void CellGrid::fillInside(const std::vector<Vector>& corners, CellColor color)
{
    if (corners.size() < 3)
    {
        return;
    }
    float left = corners[0].getX(), right = left, top = corners[0].getY(), bottom = top;
    for (const Vector& corner : corners)
    {
        left = std::min(left, corner.getX());
        right = std::max(right, corner.getX());
        top = std::min(top, corner.getY());
        bottom = std::max(bottom, corner.getY());
    }
    if (!(left >= -1e6f && right <= 1e6f && top >= -1e6f && bottom <= 1e6f))
    {
        return;
    }
    // Only the cells whose centres (x + 0.5, y + 0.5) can lie inside the bounds are tried.
    const int x0 = std::max(0, static_cast<int>(std::ceil(left - 0.5f)));
    const int x1 = std::min(width - 1, static_cast<int>(std::floor(right - 0.5f)));
    const int y0 = std::max(0, static_cast<int>(std::ceil(top - 0.5f)));
    const int y1 = std::min(height - 1, static_cast<int>(std::floor(bottom - 0.5f)));
    Cell blank;
    blank.background = color;
    for (int y = y0; y <= y1; ++y)
    {
        for (int x = x0; x <= x1; ++x)
        {
            const float cx = static_cast<float>(x) + 0.5f;
            const float cy = static_cast<float>(y) + 0.5f;
            // Inside a convex polygon: on the same side of every edge (either winding).
            bool positive = false, negative = false;
            for (std::size_t i = 0; i < corners.size(); ++i)
            {
                const Vector& a = corners[i];
                const Vector& b = corners[(i + 1) % corners.size()];
                const float cross = (b.getX() - a.getX()) * (cy - a.getY()) - (b.getY() - a.getY()) * (cx - a.getX());
                positive = positive || cross > 0;
                negative = negative || cross < 0;
            }
            if (!(positive && negative))
            {
                cells[static_cast<std::size_t>(y * width + x)] = blank;
            }
        }
    }
}

namespace
{
// The characters of the old PC character set (code page 437) beyond Latin-1 and U+2500 ..
// U+25FF: Greek letters, arrows, mathematical signs and card suits that character art uses,
// each one cell wide in terminals. Sorted.
constexpr char32_t PC_SET_SYMBOLS[] = {
    0x0393, 0x0398, 0x03a3, 0x03a6, 0x03a9, 0x03b1, 0x03b4, 0x03b5, 0x03c0, 0x03c3, 0x03c4, 0x03c6,
    0x2022, 0x203c, 0x207f, 0x20a7, 0x2190, 0x2191, 0x2192, 0x2193, 0x2194, 0x2195, 0x21a8, 0x2219,
    0x221a, 0x221e, 0x221f, 0x2229, 0x2248, 0x2261, 0x2264, 0x2265, 0x2302, 0x2310, 0x2320, 0x2321,
    0x263a, 0x263b, 0x263c, 0x2640, 0x2642, 0x2660, 0x2663, 0x2665, 0x2666, 0x266a, 0x266b,
};
} // namespace

void appendUtf8(char32_t ch, std::string& out)
{
    // Only code points every terminal shows one cell wide: Latin-1 and the like (combining
    // marks from U+0300 on take no cell, many later ones take two), the box drawing and
    // block characters, and the rest of the PC character set.
    const bool oneCell = (ch >= 0x20 && ch < 0x7f) || (ch >= 0xa0 && ch < 0x300 && ch != 0xad) ||
                         (ch >= 0x2500 && ch < 0x2600) ||
                         std::binary_search(std::begin(PC_SET_SYMBOLS), std::end(PC_SET_SYMBOLS), ch);
    if (!oneCell)
    {
        out += '?';
    }
    else
    {
        utf8::append(ch, out);
    }
}

std::string CellGrid::toText() const
{
    std::string text;
    text.reserve(cells.size() + static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
    {
        if (y > 0)
        {
            text += '\n';
        }
        for (int x = 0; x < width; ++x)
        {
            appendUtf8(at(x, y).ch, text);
        }
    }
    return text;
}

std::string CellGrid::toColorText() const
{
    std::string text;
    text.reserve(cells.size() * 2 + static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y)
    {
        if (y > 0)
        {
            text += '\n';
        }
        for (int x = 0; x < width; ++x)
        {
            text += static_cast<char>('0' + at(x, y).foreground.color);
            text += static_cast<char>('0' + at(x, y).background.color);
        }
    }
    return text;
}

} // namespace qm
