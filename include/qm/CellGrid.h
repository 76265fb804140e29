#ifndef QM_CELLGRID_H
#define QM_CELLGRID_H

#include <qm/Vector.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qm
{

/// The colour of a cell's character or background: an engine colour (BLACK .. WHITE) or a
/// custom red, green and blue (color CUSTOM).
struct CellColor
{
    std::uint8_t color = 7; // an engine colour 0 .. 7, or 8 (CUSTOM) for r, g, b
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    /// An engine colour; values outside BLACK .. WHITE give WHITE.
    static CellColor engine(int engineColor);
    /// A custom colour.
    static CellColor rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    bool isCustom() const { return color == 8; }
    /// The red, green and blue the window shows for this colour.
    void toRGB(std::uint8_t& red, std::uint8_t& green, std::uint8_t& blue) const;

    bool operator==(const CellColor& other) const
    {
        return color == other.color && (color != 8 || (r == other.r && g == other.g && b == other.b));
    }
    bool operator!=(const CellColor& other) const { return !(*this == other); }
};

/// One character cell: a code point (a drawn char is its byte value, 0 .. 255, read as
/// Latin-1; a space is blank) in a foreground colour, on a background colour.
struct Cell
{
    char32_t ch = U' ';
    CellColor foreground;
    CellColor background = CellColor::engine(0);

    bool operator==(const Cell& other) const
    {
        return ch == other.ch && foreground == other.foreground && background == other.background;
    }
    bool operator!=(const Cell& other) const { return !(*this == other); }
};

/// A frame as a grid of character cells, columns by rows, in view coordinates. The display
/// manager keeps one for every frame in every display mode (window, terminal, headless):
/// whatever a frame draws is set into it too, later drawing covering earlier drawing, and
/// DisplayManager::getCellGrid gives the one of the frame last shown.
///
/// Fractional positions: a character drawn at (x, y) covers the square [x, x + 1) by
/// [y, y + 1), and lands in the cell its centre falls in, column floor(x + 0.5) and row
/// floor(y + 0.5). Every writer of the grid uses this rule (see cellOf).
///
///     const qm::CellGrid& grid = qm::DisplayManager::getInstance().getCellGrid();
///     if (grid.at(10, 5).ch == U'@') { ... }
///     std::string picture = grid.toText(); // rows joined by '\n', UTF-8
class CellGrid
{
public:
    /// An empty grid (0 by 0).
    CellGrid() = default;

    /// Sets the size (negative values count as 0) and blanks every cell on `background`.
    void resize(int columns, int rows, CellColor background);

    /// Blanks every cell: a space on `background`.
    void clear(CellColor background);

    int getWidth() const { return width; }
    int getHeight() const { return height; }

    /// The cell at column x, row y; both must be inside the grid.
    const Cell& at(int x, int y) const { return cells[static_cast<std::size_t>(y * width + x)]; }

    /// Sets the cell at column x, row y. Returns false (and changes nothing) outside the grid.
    bool set(int x, int y, const Cell& cell);

    /// The column or row a character at the view coordinate `position` lands in.
    static int cellOf(float position);

    /// Sets `ch` in `foreground` on `background` at the cell the character at `position`
    /// (view spaces) lands in. Returns false outside the grid (or for a position that is not
    /// a number).
    bool put(Vector position, char32_t ch, CellColor foreground, CellColor background);

    /// Fills the cells whose centres lie inside the convex polygon `corners` (view spaces, in
    /// either winding) as blanks on `color`: how a filled shape is shown in cells.
    void fillInside(const std::vector<Vector>& corners, CellColor color);

    /// The characters, one line per row (UTF-8, rows joined by '\n', no trailing newline).
    std::string toText() const;

    /// The colours, one line per row with two letters per cell, foreground then background:
    /// '0' .. '7' for engine colours and '8' for a custom colour.
    std::string toColorText() const;

    const std::vector<Cell>& getCells() const { return cells; }

    bool operator==(const CellGrid& other) const
    {
        return width == other.width && height == other.height && cells == other.cells;
    }
    bool operator!=(const CellGrid& other) const { return !(*this == other); }

private:
    int width = 0;
    int height = 0;
    std::vector<Cell> cells;
};

/// Appends the UTF-8 bytes of `ch` to `out`. Code points a terminal may not show in exactly
/// one cell (controls, the soft hyphen, combining marks and everything from U+0300 on but the
/// box drawing and block characters U+2500 .. U+25FF and the other characters of the PC
/// character set, code page 437) are written as '?', so the layout never breaks.
void appendUtf8(char32_t ch, std::string& out);

} // namespace qm

#endif
