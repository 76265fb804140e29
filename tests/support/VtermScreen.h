// A terminal emulator's screen (libvterm): bytes go in, cells come out, compared with a grid of cells.
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
    VtermScreen(int columns, int rows) : terminal(vterm_new(rows, columns)), screen(vterm_obtain_screen(terminal))
    {
        vterm_set_utf8(terminal, 1);
        vterm_screen_reset(screen, 1);
    }
    ~VtermScreen() { vterm_free(terminal); }

    void feed(const std::string& bytes) { vterm_input_write(terminal, bytes.data(), bytes.size()); }

    VTermScreenCell cell(int x, int y) const
    {
        VTermScreenCell found{};
        vterm_screen_get_cell(screen, VTermPos{y, x}, &found);
        return found;
    }

private:
    VTerm* terminal;
    VTermScreen* screen;
};

// A colour as text: "i3" for palette index 3 (index not negative), else "#0a141e" for its red, green, blue.
inline std::string colorText(int index, int red = 0, int green = 0, int blue = 0)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", red, green, blue);
    return index >= 0 ? "i" + std::to_string(index) : std::string(text);
}

inline std::string expectedColor(qm::CellColor color, qm::ColorDepth depth)
{
    const int index = !color.isCustom()           ? color.color
                      : depth == qm::COLORS_24BIT ? -1
                      : depth == qm::COLORS_256   ? qm::AnsiWriter::nearest256(color.r, color.g, color.b)
                                                  : qm::AnsiWriter::nearest8(color.r, color.g, color.b);
    return colorText(index, color.r, color.g, color.b);
}

inline std::string heldColor(const VTermColor& color, bool background)
{
    if (background ? VTERM_COLOR_IS_DEFAULT_BG(&color) : VTERM_COLOR_IS_DEFAULT_FG(&color))
    {
        return "default";
    }
    return VTERM_COLOR_IS_INDEXED(&color) ? colorText(color.indexed.idx)
                                          : colorText(-1, color.rgb.red, color.rgb.green, color.rgb.blue);
}

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
    // The braces keep the order of the draws: character, foreground, background.
    return qm::Cell{random() % 8 == 0 ? special[random() % std::size(special)]
                                      : static_cast<char32_t>(' ' + random() % 95),
                    color(), color()};
}

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

inline void expectScreenShows(const VtermScreen& screen, const qm::CellGrid& grid, qm::ColorDepth depth)
{
    int wrong = 0;
    for (int y = 0; y < grid.getHeight(); ++y)
    {
        for (int x = 0; x < grid.getWidth(); ++x)
        {
            const VTermScreenCell held = screen.cell(x, y);
            const qm::Cell& cell = grid.at(x, y);
            std::string bytes; // what cannot take one cell is written as '?'
            qm::appendUtf8(cell.ch, bytes);
            const std::string shown = std::to_string(held.chars[0] == 0 ? U' ' : held.chars[0]) + " " +
                                      heldColor(held.fg, false) + " on " + heldColor(held.bg, true);
            const std::string wanted = std::to_string(bytes == "?" ? U'?' : cell.ch) + " " +
                                       expectedColor(cell.foreground, depth) + " on " +
                                       expectedColor(cell.background, depth);
            if (shown != wanted && ++wrong <= 5)
            {
                ADD_FAILURE() << "cell (" << x << ", " << y << "): terminal " << shown << ", grid " << wanted;
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "cells that differ";
}

} // namespace qmtest

#endif
