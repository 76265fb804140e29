// Bitmap tilesets as the display's font, and box-drawing, block and shade characters that join
// their neighbours without gaps, with a font and with the shipped tileset.
#include "presentation/CellBatch.h"
#include "support/EngineTest.h"
#include "support/VirtualDisplay.h"

#include <qm/DisplayManager.h>
#include <qm/GameManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/RenderTexture.hpp>

#include <cmath>
#include <cstdlib>

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
    // Tiles of 2 x 4 pixels: 'A' has its left column lit, '?' its top row; the rest is dark.
    const bool alpha = GetParam();
    sf::Image tiles;
    tiles.create(32, 64, alpha ? sf::Color::Transparent : sf::Color::Black);
    for (const unsigned y : {16u, 17u, 18u, 19u}) // 'A' is place 65: column 1, row 4
    {
        tiles.setPixel(2, y, sf::Color::White);
    }
    tiles.setPixel(30, 12, sf::Color::White); // '?' is place 63: column 15, row 3
    tiles.setPixel(31, 12, sf::Color::White);
    ASSERT_TRUE(tiles.saveToFile(dir.file("tiles.png")));
    dir.write("qm-config.txt",
              "font_file:" + dir.file("tiles.png") +
                  ",\nwindow_horizontal_pixels:320,\nwindow_vertical_pixels:192,\n"
                  "window_horizontal_chars:40,\nwindow_vertical_chars:12,\nwindow_background_color:blue,\n");
    ASSERT_EQ(qm::GameManager::getInstance().startUp(), 0);
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    ASSERT_EQ(display.swapBuffers(), 0); // clears the window
    // Cells of 8 x 16 pixels on the grid; U+0080 is not in the code page and shows as '?'.
    display.drawCh(qm::Vector(1, 1), 'A', qm::RED);
    display.drawCh(qm::Vector(3, 1), '\x80', qm::GREEN);
    const sf::Image shot = qmtest::captureDisplay();
    const struct
    {
        unsigned x, y;
        sf::Color color;
    } samples[] = {{8, 16, sf::Color::Red},    {11, 31, sf::Color::Red},   {12, 20, BLUE}, {7, 20, BLUE},
                   {24, 16, sf::Color::Green}, {31, 19, sf::Color::Green}, {28, 20, BLUE}, {20, 17, BLUE}};
    for (const auto& sample : samples)
    {
        EXPECT_EQ(shot.getPixel(sample.x, sample.y), sample.color) << sample.x << ", " << sample.y;
    }
}

TEST_F(Tileset, ShippedTilesetDrawsLettersInsideTheirCellsAndRefusesAFileOfNoTiles)
{
    qmtest::VirtualDisplay server;
    dir.write("qm-config.txt",
              "font_file:" + SHIPPED_TILESET + ",\nwindow_horizontal_pixels:640,\nwindow_vertical_pixels:384,\n");
    ASSERT_EQ(qm::GameManager::getInstance().startUp(), 0);
    ASSERT_EQ(qm::DisplayManager::getInstance().swapBuffers(), 0);
    qm::DisplayManager::getInstance().drawString(qm::Vector(10, 5), "M#e", qm::LEFT, qm::YELLOW);
    const sf::Image shot = qmtest::captureDisplay();
    int lit[3] = {0, 0, 0}, outside = 0;
    for (unsigned y = 0; y < 384; ++y)
    {
        for (unsigned x = 0; x < 640; ++x)
        {
            if (shot.getPixel(x, y) != sf::Color::Black)
            {
                const bool inRow = y >= 80 && y < 96 && x >= 80 && x < 104;
                inRow ? ++lit[(x - 80) / 8] : ++outside;
            }
        }
    }
    EXPECT_EQ(outside, 0);
    for (const int count : lit)
    {
        EXPECT_GT(count, 10);
    }
    // Files that are no tileset are refused with the reason.
    dir.write("bad.png", "not a picture");
    sf::Image odd;
    odd.create(24, 40, sf::Color::White);
    ASSERT_TRUE(odd.saveToFile(dir.file("odd.png")));
    qm::CellBatch batch;
    std::string reason;
    EXPECT_EQ(batch.loadTileset(dir.file("bad.png"), reason), -1);
    EXPECT_EQ(reason, "not a readable image");
    EXPECT_EQ(batch.loadTileset(dir.file("odd.png"), reason), -1);
    EXPECT_EQ(reason, "its 24 x 40 pixels are not 16 x 16 tiles");
    EXPECT_FALSE(batch.hasTileset());
}

// Box-drawing art drawn through the display's batch as the display places cells, with a
// font (cells of the default 12.8 x 32 pixels and of 9.5 x 19) or the shipped tileset.
struct Art
{
    float cellWidth, cellHeight;
    bool tileset;
};

class BoxDrawing : public testing::TestWithParam<Art>
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
    const unsigned width = static_cast<unsigned>(static_cast<float>(columns) * art.cellWidth) + 2;
    const unsigned height = static_cast<unsigned>(static_cast<float>(rows + 1) * art.cellHeight);
    sf::RenderTexture target;
    ASSERT_TRUE(target.create(width, height));
    qm::CellBatch batch;
    std::string reason;
    ASSERT_TRUE(art.tileset ? batch.loadTileset(SHIPPED_TILESET, reason) == 0 : batch.font.loadFromFile(QM_TEST_FONT))
        << reason;
    batch.background = BLUE;
    ASSERT_EQ(batch.prepare(25, static_cast<int>(width), static_cast<int>(height)), 0);
    target.clear(BLUE);
    batch.markAllClean();
    for (unsigned row = 0; row < rows; ++row)
    {
        for (unsigned column = 0; column < columns; ++column)
        {
            batch.addCell(target, static_cast<float>(column) * art.cellWidth, static_cast<float>(row) * art.cellHeight,
                          art.cellWidth, art.cellHeight, ART[row][column], sf::Color::White);
        }
    }
    ASSERT_TRUE(batch.draw(target));
    target.display();
    const sf::Image shot = target.getTexture().copyToImage();
    if (const char* folder = std::getenv("QM_DOCS_SHOTS"); folder != nullptr && art.cellWidth == 12.8f)
    {
        shot.saveToFile(std::string(folder) + "/box-drawing.png");
    }
    // Where a cell lies in pixels (a font's cell box sits a tenth left of and a fifth below its glyph).
    const float offsetX = art.tileset ? 0 : -art.cellWidth / 10, offsetY = art.tileset ? 0 : art.cellHeight / 5;
    const auto pixel = [&](float cells, float size, float offset)
    { return static_cast<unsigned>(std::lround(cells * size + offset)); };
    // Every pixel row that is lit where a run of lines starts stays lit to the run's end; the
    // same for columns; blocks and shades fill their runs in one colour.
    const auto runIsWhole = [&](unsigned row, unsigned first, unsigned last, bool across)
    {
        const unsigned from = across ? pixel(static_cast<float>(first), art.cellWidth, offsetX)
                                     : pixel(static_cast<float>(first), art.cellHeight, offsetY);
        const unsigned to = across ? pixel(static_cast<float>(last + 1), art.cellWidth, offsetX)
                                   : pixel(static_cast<float>(last + 1), art.cellHeight, offsetY);
        const unsigned sideFrom = across ? pixel(static_cast<float>(row), art.cellHeight, offsetY)
                                         : pixel(static_cast<float>(row), art.cellWidth, offsetX);
        const unsigned sideTo = across ? pixel(static_cast<float>(row + 1), art.cellHeight, offsetY)
                                       : pixel(static_cast<float>(row + 1), art.cellWidth, offsetX);
        int lines = 0, gaps = 0;
        for (unsigned side = sideFrom; side < sideTo; ++side)
        {
            const auto at = [&](unsigned along)
            { return across ? shot.getPixel(along, side) : shot.getPixel(side, along); };
            const sf::Color start = at(from + 1);
            lines += start != BLUE ? 1 : 0;
            for (unsigned along = from; along < to && start != BLUE; ++along)
            {
                gaps += at(along) != start ? 1 : 0;
            }
        }
        EXPECT_EQ(gaps, 0) << (across ? "row " : "column ") << row << " cells " << first << " to " << last;
        return lines;
    };
    // Lit pixel rows (or columns): a light line's, twice that for a heavy or a double line.
    const int light = runIsWhole(2, 2, 7, true); // ──────
    EXPECT_GE(light, 1);
    EXPECT_EQ(runIsWhole(0, 2, 7, true), 2 * light);   // ══════
    EXPECT_EQ(runIsWhole(0, 17, 20, true), 2 * light); // ━━━━
    EXPECT_EQ(runIsWhole(8, 1, 3, false), light);      // │┼│
    EXPECT_EQ(runIsWhole(1, 1, 3, false), 2 * light);  // ║╟║
    EXPECT_EQ(runIsWhole(21, 1, 3, false), 2 * light); // ┃┫┃
    EXPECT_GT(runIsWhole(1, 2, 7, true), 10);          // ██████: every row, solid
    EXPECT_GT(runIsWhole(3, 2, 7, true), 10);          // ▒▒▒▒▒▒: every row, one even shade
}

} // namespace
