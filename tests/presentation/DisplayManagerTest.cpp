// The character-cell window, its pixels read back under a private X server: cells, frames
// and a loaded sprite; headless mode; refusing cleanly when no display or font exists.
#include "support/WindowTest.h"

#include <qm/EngineCounters.h>
#include <qm/ResourceManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/CircleShape.hpp>

#include <cmath>
#include <cstring>
#include <filesystem>

namespace
{

using qm::Vector;
using qmtest::countOf;

qm::DisplayManager& display()
{
    return qm::DisplayManager::getInstance();
}

int pixelsOf(const sf::Image& image, sf::Color color, int x = 0, int y = 0, int w = 4096, int h = 4096)
{
    return qmtest::pixelsOf(image, color, x, y, w, h).count;
}

// The engine with a real 1024 x 768 window of 80 x 24 cells: a cell is 12.8 x 32 pixels,
// and each cell's background stands 1.28 pixels left of and 6.4 pixels below its glyph.
class Window : public qmtest::WindowTest
{
protected:
    void open(const std::string& extra = "")
    {
        ASSERT_EQ(startWindowed(extra), 0);
        clearWindow(sf::Color::Red); // so that every cell drawn afterwards shows as its background
    }

    sf::Image capture() { return qmtest::captureDisplay(); }

    // Expects the pixels no longer red to be the cell columns [firstColumn, lastColumn] and
    // rows [firstRow, lastRow] (fractions allowed), to within a pixel on each side.
    void expectCells(float firstColumn, float lastColumn, float firstRow, float lastRow)
    {
        const sf::Image image = capture();
        const int left = static_cast<int>(std::lround(firstColumn * 12.8f - 1.28f)),
                  right = static_cast<int>(std::lround((lastColumn + 1) * 12.8f - 1.28f));
        const int top = static_cast<int>(std::lround(firstRow * 32 + 6.4f)),
                  bottom = static_cast<int>(std::lround((lastRow + 1) * 32 + 6.4f));
        EXPECT_EQ(pixelsOf(image, sf::Color::Red, left + 1, top + 1, right - left - 2, bottom - top - 2), 0);
        EXPECT_NEAR(pixelsOf(image, sf::Color::Red), 1024 * 768 - (right - left) * (bottom - top),
                    2 * (right - left + bottom - top));
    }
};

// One window on a blue background: a character, frames, a sprite's animation, and characters outside the window.
TEST_F(Window, CharactersFramesAndSpritesShowInTheirCellsAndCellsOutsideCostNoDrawCalls)
{
    open("window_background_color:blue,\n");
    ASSERT_EQ(display().drawCh(Vector(10, 5), 'W', qm::YELLOW), 0);
    sf::Image image = capture();
    // Cell (10, 5) is 127 to 139 across and 166 to 198 down: a yellow glyph on blue, low in
    // the cell only blue, and the red of the next cell untouched.
    EXPECT_GT(pixelsOf(image, sf::Color::Yellow, 127, 166, 13, 32), 20);
    EXPECT_EQ(image.getPixel(133, 195), sf::Color::Blue);
    EXPECT_EQ(image.getPixel(146, 195), sf::Color::Red);

    // Frames centre on cells, or on half cells when even-sized, and skip transparent characters.
    clearWindow(sf::Color::Red);
    ASSERT_EQ(qm::Frame(5, 3, std::string(15, ' ')).draw(Vector(10, 5), qm::WHITE, 0), 0);
    expectCells(8, 12, 4, 6);
    clearWindow(sf::Color::Red);
    ASSERT_EQ(qm::Frame(4, 2, std::string(8, ' ')).draw(Vector(10, 5), qm::WHITE, 0), 0);
    expectCells(8.5f, 11.5f, 4.5f, 5.5f);
    clearWindow(sf::Color::Red);
    ASSERT_EQ(qm::Frame(3, 1, "# #").draw(Vector(10, 5), qm::YELLOW, '#'), 0);
    expectCells(10, 10, 5, 5);
    EXPECT_EQ(pixelsOf(capture(), sf::Color::Yellow), 0);

    // A sprite file loads, draws and animates frame after frame.
    display().swapBuffers();
    qm::ResourceManager& resources = qm::ResourceManager::getInstance();
    ASSERT_EQ(resources.loadSprite(std::string(QM_TEST_DATA_DIR) + "/sprites/example-spr.txt", "example"), 0);
    qm::Sprite* sprite = resources.getSprite("example");
    sprite->setSlowdown(1); // a new frame on every step
    qm::Animation animation;
    animation.setSprite(sprite);
    std::vector<sf::Image> shown, frames;
    for (int step = 0; step < 5; ++step)
    {
        // Three steps of the animation, then its two frames drawn on their own.
        ASSERT_EQ(step < 3 ? animation.draw(Vector(20, 10))
                           : sprite->getFrame(step - 3).draw(Vector(20, 10), qm::YELLOW, '#'),
                  0);
        (step < 3 ? shown : frames).push_back(capture());
        display().swapBuffers();
    }
    const auto same = [](const sf::Image& a, const sf::Image& b)
    { return std::memcmp(a.getPixelsPtr(), b.getPixelsPtr(), 1024 * 768 * 4) == 0; };
    EXPECT_TRUE(same(shown[0], frames[0]));
    EXPECT_TRUE(same(shown[1], frames[1]));
    EXPECT_TRUE(same(shown[2], frames[0]));
    EXPECT_FALSE(same(frames[0], frames[1]));
    EXPECT_GT(pixelsOf(shown[1], sf::Color::Yellow), 20);

    // Cell by cell, two calls per character drawn; collected, one call for the frame.
    for (const bool batched : {false, true})
    {
        display().setBatched(batched);
        // Inside; just left, with its glyph reaching in; far left; far below; beyond the margin.
        for (const Vector& where : {Vector(40, 12), Vector(-1, 0), Vector(-50, 12), Vector(40, 90), Vector(83, 12)})
        {
            EXPECT_EQ(display().drawCh(where, 'A', qm::WHITE), 0);
        }
        display().swapBuffers();
        EXPECT_EQ(qm::getEngineCounters().frameCharacters, 2);
        EXPECT_EQ(qm::getEngineCounters().frameDrawCalls, batched ? 1 : 4);
        display().swapBuffers();
        EXPECT_EQ(qm::getEngineCounters().frameDrawCalls, 0);
        EXPECT_EQ(qm::getEngineCounters().frameCharacters, 0);
    }
}

// A fullscreen window larger than the screen takes the screen's size. The font is looked for as configured, then by
// its name in the working folder (then in the installed data folder, see tests/consumer/); a start-up that fails
// says so on standard error in one line naming the log.
TEST_F(Window, FullscreenTakesTheScreensSizeAndTheFontIsFoundInTheWorkingFolderOrStartUpFailsOnStandardError)
{
    open("window_style:fullscreen,\nwindow_horizontal_pixels:4000,\nwindow_vertical_pixels:3000,\n");
    EXPECT_EQ(display().getHorizontalPixels(), 1280);
    EXPECT_EQ(display().getVerticalPixels(), 1024);
    EXPECT_EQ(countOf(log(), "DisplayManager::startUp(): Warning! A fullscreen window of 4000 x 3000 pixels is larger "
                             "than the screen (1280 x 1024). Using the screen's size."),
              1);
    qm::GameManager::getInstance().shutDown();
    std::filesystem::copy_file(std::string(QM_RUN_DIR) + "/qm-font.ttf", dir.file("here.ttf"));
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    for (const std::string name : {"here.ttf", "missing.ttf"})
    {
        dir.write("qm-config.txt", "font_file:/no/such/" + name + ",\n");
        testing::internal::CaptureStderr();
        const int started = qm::GameManager::getInstance().startUp();
        const std::string err = testing::internal::GetCapturedStderr();
        qm::GameManager::getInstance().shutDown();
        EXPECT_EQ(started, name == "here.ttf" ? 0 : -1) << name;
        EXPECT_EQ(err, started == 0 ? ""
                                    : "Quillmere: start-up failed: Error starting display manager! See the log file '" +
                                          logPath + "'.\n");
    }
    std::filesystem::current_path(cwd);
    const std::string text = log(); // of the last start-up
    EXPECT_EQ(countOf(text, "DisplayManager::startUp(): Unable to load font from file '/no/such/missing.ttf'."), 1);
    EXPECT_EQ(countOf(text, "DisplayManager::startUp(): Looked for it at '/no/such/missing.ttf', 'missing.ttf', '"), 1);
    EXPECT_EQ(countOf(text, "Error starting display manager!"), 1);
}

class NoDisplay : public qmtest::EngineTest
{
};

TEST_F(NoDisplay, RefusesWithoutAbortingWhenDisplayIsUnsetOrPointsNowhere)
{
    dir.write("qm-config.txt", "frame_time:1,\n");
    for (const char* name : {static_cast<const char*>(nullptr), ":9876"})
    {
        qmtest::setEnv("DISPLAY", name);
        EXPECT_EQ(qm::GameManager::getInstance().startUp(), -1);
        qm::LogManager::getInstance().setFlush(true);
        EXPECT_EQ(display().drawCh(Vector(1, 1), 'x', qm::WHITE), -1);
        qm::GameManager::getInstance().shutDown();
        for (const char* line : {"DisplayManager::startUp(): Unable to allocate window!", "\"headless:true\"",
                                 "DisplayManager not started!", "** Game engine stopped **"})
        {
            EXPECT_EQ(countOf(log(), line), 1) << line;
        }
    }
}

// Before start-up drawing says so on standard error; headless it fails silently, but the geometry stays.
TEST_F(NoDisplay, DrawingBeforeStartUpOrHeadlessFailsButGeometryStays)
{
    sf::CircleShape circle(5);
    testing::internal::CaptureStderr();
    EXPECT_EQ(display().drawString(Vector(1, 1), "x", qm::LEFT, qm::WHITE), -1);
    EXPECT_EQ(display().swapBuffers(), -1);
    EXPECT_EQ(display().flush(), -1);
    EXPECT_EQ(display().drawIntoWindow(circle), -1);
    EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(), "DisplayManager not started!"), 4);
    qm::LogManager::getInstance().setLogLevel(1);
    ASSERT_EQ(startEngine(), 0);
    EXPECT_EQ(display().drawCh(Vector(1, 1), 'x', qm::WHITE), -1);
    EXPECT_EQ(display().drawString(Vector(1, 1), "text", qm::LEFT, qm::WHITE), -1);
    EXPECT_EQ(qm::Frame(2, 1, "ab").draw(Vector(5, 5), qm::WHITE, 0), -1);
    EXPECT_EQ(display().swapBuffers(), -1);
    EXPECT_EQ(display().flush(), -1);
    EXPECT_EQ(display().drawIntoWindow(circle), -1);
    EXPECT_FLOAT_EQ(qm::spacesToPixels(Vector(10, 2)).getX(), 128.0f); // cells of 12.8 x 32 pixels
    EXPECT_FLOAT_EQ(qm::pixelsToSpaces(Vector(128, 64)).getY(), 2.0f);
    EXPECT_EQ(countOf(log(), "DisplayManager::startUp(): not doing graphics since in headless mode."), 1);
    EXPECT_EQ(countOf(log(), "not started"), 0);
}

// The grid of cells is what the window shows: for a scene of the game's own sprites and text in
// every colour, each cell holding a visible character has pixels of its colour inside its
// cell, at least two thirds covered (the glyph's box: 12.8 x 32 pixels from its origin, less the tenth of a cell its
// background stands left), and blank cells hold nothing but the background colour (away from
// their edges, where a neighbour's bold glyph may reach over by a pixel).
TEST_F(Window, GridOfCellsMatchesThePixelsOfTheSameFrame)
{
    open();
    display().swapBuffers();
    qm::ResourceManager& resources = qm::ResourceManager::getInstance();
    const std::pair<const char*, Vector> scene[] = {{"gamestart", Vector(40, 10)},
                                                    {"ground", Vector(40, 21.5f)},
                                                    {"player", Vector(8, 17)},
                                                    {"enemy-fish", Vector(60.5f, 16)}};
    std::vector<qm::Animation> animations(std::size(scene));
    for (std::size_t i = 0; i < std::size(scene); ++i)
    {
        ASSERT_EQ(
            resources.loadSprite(std::string(QM_RUN_DIR) + "/sprites/" + scene[i].first + "-spr.txt", scene[i].first),
            0);
        animations[i].setSprite(resources.getSprite(scene[i].first));
        animations[i].draw(scene[i].second);
    }
    for (int color = qm::BLACK; color <= qm::WHITE; ++color)
    {
        display().drawString(Vector(2.0f + 9.0f * static_cast<float>(color), 23), "Colour@" + std::to_string(color),
                             qm::LEFT, color);
    }
    display().drawCh(Vector(77, 0), 'Q', 200, 120, 40);
    const sf::Image image = capture();
    display().swapBuffers();
    const qm::CellGrid& grid = display().getCellGrid();
    int visible = 0;
    for (int y = 0; y < grid.getHeight(); ++y)
    {
        for (int x = 0; x < grid.getWidth(); ++x)
        {
            const qm::Cell& cell = grid.at(x, y);
            std::uint8_t r = 0, g = 0, b = 0;
            cell.foreground.toRGB(r, g, b);
            const int left = static_cast<int>(std::lround(static_cast<float>(x) * 12.8f - 1.28f)), top = y * 32;
            if (cell.ch != U' ' && cell.foreground != cell.background)
            {
                ++visible;
                // Pixels at least two thirds of the way from the background to the glyph's colour
                // (a thin glyph such as '~' covers no pixel wholly).
                int glyph = 0;
                for (int py = top; py < top + 32; ++py)
                {
                    for (int px = std::max(left, 0); px < std::min(left + 13, 1024); ++px)
                    {
                        const sf::Color p = image.getPixel(static_cast<unsigned>(px), static_cast<unsigned>(py));
                        const auto distance = [&p](int cr, int cg, int cb)
                        { return (p.r - cr) * (p.r - cr) + (p.g - cg) * (p.g - cg) + (p.b - cb) * (p.b - cb); };
                        glyph += 9 * distance(r, g, b) < distance(0, 0, 0) ? 1 : 0;
                    }
                }
                EXPECT_GT(glyph, 0) << "no pixels of cell (" << x << ", " << y << ") '" << static_cast<char>(cell.ch)
                                    << "'";
            }
            else
            {
                EXPECT_EQ(pixelsOf(image, sf::Color::Black, left + 2, top + 1, 9, 30), 9 * 30)
                    << "something drawn in blank cell (" << x << ", " << y << ")";
            }
        }
    }
    EXPECT_GT(visible, 500);
}

} // namespace
