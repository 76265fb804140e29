// A terminal emulator's screen (libvterm) for tests: bytes go in, cells come out, compared
// with a grid of cells as the ANSI writer would show it at a colour depth.
#ifndef QM_TEST_VTERMSCREEN_H
#define QM_TEST_VTERMSCREEN_H

#include <qm/AnsiWriter.h>
#include <qm/CellGrid.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vterm.h>

namespace qmtest
{

class VtermScreen
{
public:
    VtermScreen(int columns, int rows) : terminal(vterm_new(rows, columns)), width(columns), height(rows)
    {
        vterm_set_utf8(terminal, 1);
        screen = vterm_obtain_screen(terminal);
        vterm_screen_reset(screen, 1);
    }
    ~VtermScreen() { vterm_free(terminal); }
    VtermScreen(const VtermScreen&) = delete;
    VtermScreen& operator=(const VtermScreen&) = delete;

    void feed(const std::string& bytes) { vterm_input_write(terminal, bytes.data(), bytes.size()); }

    VTermScreenCell cell(int x, int y) const
    {
        VTermScreenCell found{};
        vterm_screen_get_cell(screen, VTermPos{y, x}, &found);
        return found;
    }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

private:
    VTerm* terminal;
    VTermScreen* screen = nullptr;
    int width;
    int height;
};

/// The colour a terminal holds for `color` written at `depth`, as text ("i3", "#0a141e").
inline std::string expectedColor(qm::CellColor color, qm::ColorDepth depth)
{
    if (!color.isCustom())
    {
        return "i" + std::to_string(color.color);
    }
    if (depth == qm::COLORS_24BIT)
    {
        char text[8];
        std::snprintf(text, sizeof text, "#%02x%02x%02x", color.r, color.g, color.b);
        return text;
    }
    return "i" + std::to_string(depth == qm::COLORS_256 ? qm::AnsiWriter::nearest256(color.r, color.g, color.b)
                                                        : qm::AnsiWriter::nearest8(color.r, color.g, color.b));
}

/// A colour the terminal holds, as text ("i3", "#0a141e", "default").
inline std::string heldColor(const VTermColor& color, bool background)
{
    if (background ? VTERM_COLOR_IS_DEFAULT_BG(&color) : VTERM_COLOR_IS_DEFAULT_FG(&color))
    {
        return "default";
    }
    if (VTERM_COLOR_IS_INDEXED(&color))
    {
        return "i" + std::to_string(color.indexed.idx);
    }
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color.rgb.red, color.rgb.green, color.rgb.blue);
    return text;
}

/// The character a terminal shows for `ch` (what cannot take one cell is written as '?').
inline char32_t shownChar(char32_t ch)
{
    std::string bytes;
    qm::appendUtf8(ch, bytes);
    return bytes == "?" ? U'?' : ch;
}

/// A random cell: mostly printable ASCII, sometimes Latin-1 letters or a character a terminal
/// cannot show in one cell (a control, a combining mark, a wide one); engine or custom colours.
inline qm::Cell randomCell(std::mt19937& random)
{
    static const char32_t special[] = {U'\u00e9', U'\u00df', U'\u00ff', U'\u2588', U'\x07', U'\u0301', U'\u4e2d'};
    const auto color = [&]
    {
        return random() % 3 == 0
                   ? qm::CellColor::rgb(static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                                        static_cast<std::uint8_t>(random()))
                   : qm::CellColor::engine(static_cast<int>(random() % 8));
    };
    qm::Cell cell;
    cell.ch = random() % 8 == 0 ? special[random() % std::size(special)] : static_cast<char32_t>(' ' + random() % 95);
    cell.foreground = color();
    cell.background = color();
    return cell;
}

/// Sets `count` randomly chosen places of `grid` to random cells.
inline void changeCells(qm::CellGrid& grid, std::mt19937& random, int count)
{
    for (int i = 0; i < count; ++i) // some fall outside the grid: setting those changes nothing
    {
        grid.set(static_cast<int>(random()) % grid.getWidth(), static_cast<int>(random()) % grid.getHeight(),
                 randomCell(random));
    }
}

/// A `columns` x `rows` grid of random cells.
inline qm::CellGrid randomGrid(std::mt19937& random, int columns, int rows)
{
    qm::CellGrid grid;
    grid.resize(columns, rows, qm::CellColor::engine(0));
    for (int i = 0; i < columns * rows; ++i)
    {
        grid.set(i % columns, i / columns, randomCell(random));
    }
    return grid;
}

/// Expects every cell of `screen` to show the cell of `grid` at `depth`.
inline void expectScreenShows(const VtermScreen& screen, const qm::CellGrid& grid, qm::ColorDepth depth)
{
    int wrong = 0;
    for (int y = 0; y < grid.getHeight(); ++y)
    {
        for (int x = 0; x < grid.getWidth(); ++x)
        {
            const VTermScreenCell held = screen.cell(x, y);
            const qm::Cell& cell = grid.at(x, y);
            const char32_t ch = held.chars[0] == 0 ? U' ' : static_cast<char32_t>(held.chars[0]);
            const bool same = ch == shownChar(cell.ch) &&
                              heldColor(held.fg, false) == expectedColor(cell.foreground, depth) &&
                              heldColor(held.bg, true) == expectedColor(cell.background, depth);
            if (!same && ++wrong <= 5)
            {
                ADD_FAILURE() << "cell (" << x << ", " << y << "): terminal U+" << std::hex << ch << " "
                              << heldColor(held.fg, false) << " on " << heldColor(held.bg, true) << ", grid U+"
                              << cell.ch << std::dec << " " << expectedColor(cell.foreground, depth) << " on "
                              << expectedColor(cell.background, depth);
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "cells that differ";
}

} // namespace qmtest

#endif
