#ifndef QM_ANSIWRITER_H
#define QM_ANSIWRITER_H

#include <qm/CellGrid.h>

#include <cstdint>
#include <string>

namespace qm
{

/// How many colours the receiving terminal shows.
enum ColorDepth
{
    COLORS_8 = 0,    // the 8 basic colours (SGR 30-37, 40-47)
    COLORS_256 = 1,  // the 256-colour palette (SGR 38;5 and 48;5)
    COLORS_24BIT = 2 // any red, green and blue (SGR 38;2 and 48;2)
};

/// Turns grids of cells into the bytes an ANSI terminal needs to show them: only the cells
/// that changed since the previous grid, each placed with cursor moves and coloured with SGR
/// sequences, characters in UTF-8. It does no I/O: the caller sends the bytes where it
/// wants (a terminal, a socket, a recording) and chooses the colour depth.
///
/// Engine colours are always sent as the 8 basic colours (the terminal's own palette);
/// custom colours as 24-bit, the nearest of the 256-colour palette, or the nearest basic
/// colour, by depth. Every write ends with the attributes reset (SGR 0).
///
///     qm::AnsiWriter writer(qm::COLORS_256);
///     std::string bytes;
///     writer.write(frame, &shownBefore, bytes); // appends; nothing when nothing changed
class AnsiWriter
{
public:
    explicit AnsiWriter(ColorDepth colorDepth = COLORS_256) : depth(colorDepth) {}

    ColorDepth getDepth() const { return depth; }
    void setDepth(ColorDepth colorDepth) { depth = colorDepth; }

    /// Appends to `out` the bytes that turn a terminal showing `previous` into one showing
    /// `current`, the grid's upper-left cell at the terminal's upper-left corner. Without a
    /// previous grid, or with one of another size, the screen is cleared and every cell is
    /// written. Returns the number of cells written.
    int write(const CellGrid& current, const CellGrid* previous, std::string& out) const;

    /// The SGR parameters that select `color` as foreground or background at `depth`
    /// (for example "33", "38;5;196" or "48;2;10;20;30").
    static std::string colorParameters(CellColor color, bool background, ColorDepth depth);

    /// The index (16 .. 255) of the 256-colour palette nearest to (r, g, b).
    static int nearest256(std::uint8_t r, std::uint8_t g, std::uint8_t b);

    /// The engine colour (BLACK .. WHITE) nearest to (r, g, b).
    static int nearest8(std::uint8_t r, std::uint8_t g, std::uint8_t b);

    /// The depth a terminal announces through its COLORTERM and TERM variables: 24-bit for
    /// COLORTERM "truecolor" or "24bit", 256 colours for a TERM naming "256color", else 8.
    static ColorDepth depthFor(const std::string& colorterm, const std::string& term);

private:
    ColorDepth depth;
};

} // namespace qm

#endif
