// Sprites in a real window (private X server): where frames land, what transparent cells
// leave alone, and a sprite file read by the loader that animates frame after frame. One
// picture of game sprites is saved under the build folder (captures/sprites.png) for people
// to look at.
#include "support/EngineTest.h"
#include "support/SpriteText.h"
#include "support/VirtualDisplay.h"

#include <qm/Animation.h>
#include <qm/DisplayManager.h>
#include <qm/Frame.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/ResourceManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <gtest/gtest.h>

#include <filesystem>

namespace
{

using qm::Frame;
using qm::Vector;

// The smallest rectangle of pixels that differ from `outside`, inclusive.
struct PixelBox
{
    int left = -1;
    int top = -1;
    int right = -1;
    int bottom = -1;
};

PixelBox boxNotOf(const sf::Image& image, sf::Color outside)
{
    PixelBox box;
    for (unsigned y = 0; y < image.getSize().y; ++y)
    {
        for (unsigned x = 0; x < image.getSize().x; ++x)
        {
            if (image.getPixel(x, y) == outside)
            {
                continue;
            }
            const int px = static_cast<int>(x);
            const int py = static_cast<int>(y);
            if (box.left < 0)
            {
                box = {px, py, px, py};
            }
            box.left = std::min(box.left, px);
            box.top = std::min(box.top, py);
            box.right = std::max(box.right, px);
            box.bottom = std::max(box.bottom, py);
        }
    }
    return box;
}

int countOfColor(const sf::Image& image, sf::Color color)
{
    int count = 0;
    for (unsigned y = 0; y < image.getSize().y; ++y)
    {
        for (unsigned x = 0; x < image.getSize().x; ++x)
        {
            count += image.getPixel(x, y) == color ? 1 : 0;
        }
    }
    return count;
}

bool samePixels(const sf::Image& a, const sf::Image& b)
{
    if (a.getSize() != b.getSize())
    {
        return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(a.getSize().x) * a.getSize().y * 4;
    return std::equal(a.getPixelsPtr(), a.getPixelsPtr() + bytes, b.getPixelsPtr());
}

// The engine with a real 1024 x 768 window of 80 x 24 cells: a cell is 12.8 x 32 pixels,
// and each cell's background stands 1.28 pixels left of and 6.4 pixels below its glyph.
class SpriteInWindow : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(xserver.ok()) << "Xvfb could not be started";
        dir.write("qm-config.txt", "font_file:" + std::string(QM_RUN_DIR) + "/qm-font.ttf,\n");
        ASSERT_EQ(qm::GameManager::getInstance().startUp(), 0);
        qm::LogManager::getInstance().setFlush(true);
        display().swapBuffers();
    }

    qm::DisplayManager& display() { return qm::DisplayManager::getInstance(); }
    sf::Image capture() { return qmtest::captureWindow(*display().getWindow()); }

    // Paints the whole window red, so that every cell drawn afterwards shows as its black
    // background rectangle.
    void paintRed() { display().getWindow()->clear(sf::Color::Red); }

    // Expects the cells drawn to cover exactly the cell columns [firstColumn, lastColumn + 1)
    // and rows [firstRow, lastRow + 1) (fractions allowed), within a pixel.
    void expectCells(const PixelBox& box, float firstColumn, float lastColumn, float firstRow, float lastRow)
    {
        const float w = 12.8f, h = 32.0f;
        EXPECT_NEAR(box.left, firstColumn * w - w / 10, 1.0);
        EXPECT_NEAR(box.right + 1, (lastColumn + 1) * w - w / 10, 1.0);
        EXPECT_NEAR(box.top, firstRow * h + h / 5, 1.0);
        EXPECT_NEAR(box.bottom + 1, (lastRow + 1) * h + h / 5, 1.0);
    }

    qmtest::VirtualDisplay xserver;
};

TEST_F(SpriteInWindow, OddSizedFrameIsCentredOnWholeCells)
{
    paintRed();
    ASSERT_EQ(Frame(5, 3, std::string(15, ' ')).draw(Vector(10, 5), qm::WHITE, 0), 0);
    expectCells(boxNotOf(capture(), sf::Color::Red), 8, 12, 4, 6);
}

TEST_F(SpriteInWindow, EvenSizedFrameLandsOnHalfCells)
{
    // A 4 x 2 frame at (10, 5) covers columns 8.5 to 11.5 and rows 4.5 to 5.5.
    paintRed();
    ASSERT_EQ(Frame(4, 2, std::string(8, ' ')).draw(Vector(10, 5), qm::WHITE, 0), 0);
    expectCells(boxNotOf(capture(), sf::Color::Red), 8.5f, 11.5f, 4.5f, 5.5f);
}

TEST_F(SpriteInWindow, TransparentCharactersLeaveTheirCellsUntouched)
{
    paintRed();
    ASSERT_EQ(Frame(3, 1, "# #").draw(Vector(10, 5), qm::WHITE, '#'), 0);
    const sf::Image image = capture();
    expectCells(boxNotOf(image, sf::Color::Red), 10, 10, 5, 5);

    // Without transparency every cell is painted: a point low in each cell's background,
    // below any glyph, turns from red to the black background.
    paintRed();
    ASSERT_EQ(Frame(3, 1, "# #").draw(Vector(10, 5), qm::YELLOW, 0), 0);
    const sf::Image opaque = capture();
    const unsigned low = 5 * 32 + 6 + 29;
    for (unsigned column : {9u, 10u, 11u})
    {
        const unsigned x = column * 128 / 10 + 5;
        EXPECT_EQ(opaque.getPixel(x, low), sf::Color::Black) << column;
        EXPECT_EQ(image.getPixel(x, low), column == 10 ? sf::Color::Black : sf::Color::Red) << column;
    }
    EXPECT_GT(countOfColor(opaque, sf::Color::Yellow), 20);
    EXPECT_EQ(countOfColor(image, sf::Color::Yellow), 0);
}

TEST_F(SpriteInWindow, SpriteFileLoadsDrawsAndAnimatesFrameAfterFrame)
{
    // Two frames that look nothing alike, shown one step each.
    const std::string file = dir.write("bars-spr.txt", "<HEADER>\nframes 2\nwidth 4\nheight 2\ncolor green\n"
                                                       "slowdown 1\ntransparency .\n</HEADER>\n<BODY>\n"
                                                       "||||\n||||\nend\n-..-\n=..=\nend\n</BODY>\n"
                                                       "<FOOTER>\nversion 1\n</FOOTER>\n");
    ASSERT_EQ(qm::ResourceManager::getInstance().loadSprite(file, "bars"), 0);
    qm::Sprite* sprite = qm::ResourceManager::getInstance().getSprite("bars");
    ASSERT_NE(sprite, nullptr);
    qm::Animation animation;
    animation.setSprite(sprite);
    const Vector where(20, 10);
    const sf::Color green = qm::colorToSFML(qm::GREEN);

    std::vector<sf::Image> shown;
    for (int step = 0; step < 3; ++step)
    {
        ASSERT_EQ(animation.draw(where), 0);
        shown.push_back(capture());
        display().swapBuffers();
    }
    std::vector<sf::Image> reference;
    for (int index = 0; index < 2; ++index)
    {
        ASSERT_EQ(sprite->getFrame(index).draw(where, qm::GREEN, '.'), 0);
        reference.push_back(capture());
        display().swapBuffers();
    }
    EXPECT_TRUE(samePixels(shown[0], reference[0]));
    EXPECT_TRUE(samePixels(shown[1], reference[1]));
    EXPECT_TRUE(samePixels(shown[2], reference[0]));
    EXPECT_FALSE(samePixels(shown[0], shown[1]));
    // Green glyphs in the sprite's cells (columns 18.5 to 21.5, rows 9.5 to 10.5) only.
    for (const sf::Image& image : shown)
    {
        EXPECT_GT(countOfColor(image, green), 50);
        const PixelBox box = boxNotOf(image, sf::Color::Black);
        EXPECT_GE(box.left, static_cast<int>(18.5f * 12.8f) - 2);
        EXPECT_LE(box.right, static_cast<int>(22.5f * 12.8f) + 2);
        EXPECT_GE(box.top, static_cast<int>(9.5f * 32) - 2);
        EXPECT_LE(box.bottom, static_cast<int>(11.5f * 32) + 8);
    }
}

TEST_F(SpriteInWindow, GameSpritesDrawnFromTheirFilesAreSavedAsAPicture)
{
    qm::ResourceManager& resources = qm::ResourceManager::getInstance();
    const std::string folder = std::string(QM_RUN_DIR) + "/sprites/";
    struct Placed
    {
        const char* label;
        const char* file;
        Vector where;
        int color;
    };
    const Placed scene[] = {
        {"background", "background1-spr.txt", Vector(40, 5), qm::BLUE},
        {"ground", "ground-spr.txt", Vector(40, 21.2f), qm::YELLOW},
        {"player", "player-spr.txt", Vector(8, 17.5f), qm::CYAN},
        {"enemy-fish", "enemy-fish-spr.txt", Vector(52, 15.2f), qm::RED},
        {"enemy-seaweed", "enemy-seaweed-spr.txt", Vector(68, 16.95f), qm::GREEN},
        {"speed-powerup", "powerups/speed-powerup-spr.txt", Vector(28, 14), qm::YELLOW},
        {"slow-powerup", "powerups/slow-powerup-spr.txt", Vector(36, 15), qm::MAGENTA},
    };
    for (const Placed& placed : scene)
    {
        ASSERT_EQ(resources.loadSprite(folder + placed.file, placed.label), 0) << placed.file;
    }
    for (const Placed& placed : scene)
    {
        qm::Animation animation;
        animation.setSprite(resources.getSprite(placed.label));
        ASSERT_EQ(animation.draw(placed.where), 0) << placed.label;
    }
    display().drawString(Vector(40, 11), "sprites read by the loader", qm::CENTER, qm::WHITE);
    const sf::Image image = capture();
    for (const Placed& placed : scene)
    {
        EXPECT_GT(countOfColor(image, qm::colorToSFML(placed.color)), 100) << placed.label;
    }
    const std::filesystem::path captures = std::filesystem::path(QM_RUN_DIR).parent_path() / "captures";
    std::filesystem::create_directories(captures);
    EXPECT_TRUE(image.saveToFile((captures / "sprites.png").string()));
}

} // namespace
