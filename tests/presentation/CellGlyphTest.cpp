// Bitmap tilesets as the display's font, and box-drawing, block and shade characters that join
// their neighbours without gaps, with a font and with the shipped tileset.
#include "presentation/CellBatch.h"
#include "support/EngineTest.h"
#include "support/VirtualDisplay.h"

#include <qm/DisplayManager.h>
#include <qm/GameManager.h>
#include <qm/utility.h>

#include <cmath>
#include <cstdlib>
#include <tuple>

namespace
{

const std::string SHIPPED_TILESET = std::string(QM_SOURCE_DIR) + "/game/tilesets/qm-tiles-8x16.png";
const sf::Color BLUE(0, 0, 255);

class Tileset : public qmtest::EngineTest, public testing::WithParamInterface<bool>
{
protected:
    qmtest::VirtualDisplay xserver;
};
INSTANTIATE_TEST_SUITE_P(AlphaOrWhiteOnBlack, Tileset, testing::Bool());

TEST_P(Tileset, TilesAreCutByTheCodePageColouredAndStretchedToTheirCells)
{
    // Tiles of 2 x 4 pixels: 'A' (place 65) has its left column lit, '?' (place 63) its top row.
    sf::Image tiles;
    tiles.create(32, 64, GetParam() ? sf::Color::Transparent : sf::Color::Black);
    for (const auto& [x, y] : {std::pair{2u, 16u}, {2u, 17u}, {2u, 18u}, {2u, 19u}, {30u, 12u}, {31u, 12u}})
    {
        tiles.setPixel(x, y, sf::Color::White);
    }
    ASSERT_TRUE(tiles.saveToFile(dir.file("tiles.png")));
    dir.write("qm-config.txt", "font_file:" + dir.file("tiles.png") +
                                   ",\nwindow_horizontal_pixels:320,\nwindow_vertical_pixels:192,\nwindow_horizontal_"
                                   "chars:40,\nwindow_vertical_chars:12,\nwindow_background_color:blue,\n");
    ASSERT_EQ(qm::GameManager::getInstance().startUp(), 0);
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    ASSERT_EQ(display.swapBuffers(), 0); // clears the window
    // Cells of 8 x 16 pixels on the grid; U+007F is not in the code page and shows as '?'.
    display.drawCh(qm::Vector(1, 1), 'A', qm::RED);
    display.drawCh(qm::Vector(3, 1), '\x7f', qm::GREEN);
    const sf::Image shot = qmtest::captureDisplay();
    const std::tuple<unsigned, unsigned, sf::Color> samples[] = {
        {8, 16, sf::Color::Red},    {11, 31, sf::Color::Red},   {12, 20, BLUE}, {7, 20, BLUE},
        {24, 16, sf::Color::Green}, {31, 19, sf::Color::Green}, {28, 20, BLUE}, {20, 17, BLUE}};
    for (const auto& [x, y, color] : samples)
    {
        EXPECT_EQ(shot.getPixel(x, y), color) << x << ", " << y;
    }
    // Files that are no tileset are refused with the reason.
    dir.write("bad.png", "not a picture");
    tiles.create(24, 40);
    ASSERT_TRUE(tiles.saveToFile(dir.file("odd.png")));
    qm::CellBatch batch;
    std::string reason;
    EXPECT_EQ(batch.loadTileset(dir.file("bad.png"), reason), -1);
    EXPECT_EQ(reason, "not a readable image");
    EXPECT_EQ(batch.loadTileset(dir.file("odd.png"), reason), -1);
    EXPECT_EQ(reason, "its 24 x 40 pixels are not 16 x 16 tiles");
}

// Box-drawing art drawn by the display in its window with the code-point drawCh, with a font
// (cells of the default 12.8 x 32 pixels and of 9.5 x 19) or the shipped tileset (8 x 16).
struct Art
{
    float cellWidth, cellHeight;
    bool tileset;
};

class BoxDrawing : public qmtest::EngineTest, public testing::WithParamInterface<Art>
{
protected:
    qmtest::VirtualDisplay xserver;
};
INSTANTIATE_TEST_SUITE_P(FontsAndTiles, BoxDrawing,
                         testing::Values(Art{12.8f, 32, false}, Art{9.5f, 19, false}, Art{8, 16, true}));

const std::u32string ART[] = {
    U" ╔══════╤═════╗ ┏━━━━┓ ", U" ║██████│▀▀▀▀▀║ ┃░░░░┃ ", U" ╟──────┼─────╢ ┣━━━━┫ ",
    U" ║▒▒▒▒▒▒│▄▄▄▄▄║ ┃▓▓▓▓┃ ", U" ╚══════╧═════╝ ┗━━━━┛ ", U"   ╭──╮ ▌▐ ▖▗▘▝▙▟ ╳╱╲  ",
};

TEST_P(BoxDrawing, LinesAndBlocksRunAcrossCellsWithoutGaps)
{
    const Art art = GetParam();
    const unsigned columns = 23, rows = 6;
    dir.write("qm-config.txt", "font_file:" + (art.tileset ? SHIPPED_TILESET : std::string(QM_TEST_FONT)) +
                                   ",\nwindow_horizontal_pixels:" + std::to_string(std::lround(80 * art.cellWidth)) +
                                   ",\nwindow_vertical_pixels:" + std::to_string(std::lround(24 * art.cellHeight)) +
                                   ",\nwindow_background_color:blue,\n");
    ASSERT_EQ(qm::GameManager::getInstance().startUp(), 0);
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    ASSERT_EQ(display.swapBuffers(), 0); // clears the window
    for (unsigned row = 0; row < rows; ++row)
    {
        for (unsigned column = 0; column < columns; ++column)
        {
            display.drawCh(qm::Vector(static_cast<float>(column), static_cast<float>(row)), ART[row][column],
                           qm::WHITE);
        }
    }
    const sf::Image shot = qmtest::captureDisplay();
    if (const char* folder = std::getenv("QM_DOCS_SHOTS"); folder != nullptr && art.cellWidth == 12.8f)
    {
        sf::Image art23x7;
        art23x7.create(static_cast<unsigned>(23 * art.cellWidth) + 2, static_cast<unsigned>(7 * art.cellHeight));
        art23x7.copy(shot, 0, 0,
                     sf::IntRect(0, 0, static_cast<int>(art23x7.getSize().x), static_cast<int>(art23x7.getSize().y)));
        art23x7.saveToFile(std::string(folder) + "/box-drawing.png");
    }
    // The pixel where cell edge `cells` lies along an axis (a font's cell box sits a tenth of a
    // cell left of and a fifth below its glyph).
    const auto edge = [&](unsigned cells, bool across)
    {
        const float size = across ? art.cellWidth : art.cellHeight;
        const float offset = art.tileset ? 0 : across ? -size / 10 : size / 5;
        return static_cast<unsigned>(std::lround(static_cast<float>(cells) * size + offset));
    };
    // In the run of cells `first` to `last` of a row (across) or column: every pixel row (or
    // column) lit where the run starts stays lit in one colour to its end. Returns how many are.
    const auto litLines = [&](unsigned row, unsigned first, unsigned last, bool across)
    {
        int lines = 0, gaps = 0;
        for (unsigned side = edge(row, !across); side < edge(row + 1, !across); ++side)
        {
            const auto at = [&](unsigned along)
            { return across ? shot.getPixel(along, side) : shot.getPixel(side, along); };
            const sf::Color start = at(edge(first, across) + 1);
            lines += start != BLUE ? 1 : 0;
            for (unsigned along = edge(first, across); along < edge(last + 1, across) && start != BLUE; ++along)
            {
                gaps += at(along) != start ? 1 : 0;
            }
        }
        EXPECT_EQ(gaps, 0) << (across ? "row " : "column ") << row << " cells " << first << " to " << last;
        return lines;
    };
    // Lit pixel rows (or columns): a light line's, twice that for a heavy or a double line.
    const int light = litLines(2, 2, 7, true); // ──────
    EXPECT_GE(light, 1);
    EXPECT_EQ(litLines(0, 2, 7, true), 2 * light);   // ══════
    EXPECT_EQ(litLines(0, 17, 20, true), 2 * light); // ━━━━
    EXPECT_EQ(litLines(8, 1, 3, false), light);      // │┼│
    EXPECT_EQ(litLines(1, 1, 3, false), 2 * light);  // ║╟║
    EXPECT_EQ(litLines(21, 1, 3, false), 2 * light); // ┃┫┃
    EXPECT_GT(litLines(1, 2, 7, true), 10);          // ██████: every row, solid
    EXPECT_GT(litLines(3, 2, 7, true), 10);          // ▒▒▒▒▒▒: every row, one even shade
}

} // namespace
