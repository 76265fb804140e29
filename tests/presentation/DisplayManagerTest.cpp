// The character-cell window, its pixels read back under a private X server: the cells of the grid; headless mode;
// refusing cleanly when no display or font exists.
#include "support/WindowTest.h"

#include <qm/EngineCounters.h>
#include <qm/ResourceManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/CircleShape.hpp>

#include <cmath>
#include <filesystem>

namespace
{

using qm::Vector;
using qmtest::countOf;

qm::DisplayManager& display()
{
    return qm::DisplayManager::getInstance();
}

// The engine with a real 1024 x 768 window of 80 x 24 cells: a cell is 12.8 x 32 pixels.
using Window = qmtest::WindowTest;

// A fullscreen window larger than the screen takes the screen's size. The font is looked for as configured, then by
// its name in the working folder (then in the installed data folder, see tests/consumer/); a start-up that fails
// says so on standard error in one line naming the log.
TEST_F(Window, FullscreenTakesTheScreensSizeAndTheFontIsFoundInTheWorkingFolderOrStartUpFailsOnStandardError)
{
    ASSERT_EQ(startWindowed("window_style:fullscreen,\nwindow_horizontal_pixels:4000,\nwindow_vertical_pixels:3000,\n"),
              0);
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

using NoDisplay = qmtest::EngineTest;

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
    // Before start-up and headless, each of these fails (-1 each).
    const auto refusals = [&]
    {
        return display().drawCh(Vector(1, 1), 'x', qm::WHITE) +
               display().drawString(Vector(1, 1), "x", qm::LEFT, qm::WHITE) +
               qm::Frame(2, 1, "ab").draw(Vector(5, 5), qm::WHITE, 0) + display().swapBuffers() + display().flush() +
               display().drawIntoWindow(circle);
    };
    testing::internal::CaptureStderr();
    EXPECT_EQ(refusals(), -6);
    EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(), "DisplayManager not started!"), 6);
    qm::LogManager::getInstance().setLogLevel(1);
    ASSERT_EQ(startEngine(), 0);
    EXPECT_EQ(refusals(), -6);
    EXPECT_FLOAT_EQ(qm::spacesToPixels(Vector(10, 2)).getX(), 128.0f); // cells of 12.8 x 32 pixels
    EXPECT_FLOAT_EQ(qm::pixelsToSpaces(Vector(128, 64)).getY(), 2.0f);
    EXPECT_EQ(countOf(log(), "DisplayManager::startUp(): not doing graphics since in headless mode."), 1);
    EXPECT_EQ(countOf(log(), "not started"), 0);
}

// The grid of cells is what the window shows: for the game's sprites and text in every colour, each visible
// character has pixels of its colour in its cell; blank cells only the background (away from their edges).
TEST_F(Window, GridOfCellsMatchesThePixelsOfTheSameFrameAndCellsOutsideCostNoDrawCalls)
{
    ASSERT_EQ(startWindowed(), 0);
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
        ASSERT_EQ(animations[i].draw(scene[i].second), 0) << "a frame drawn in a window reports success";
    }
    for (int color = qm::BLACK; color <= qm::WHITE; ++color)
    {
        display().drawString(Vector(2.0f + 9.0f * static_cast<float>(color), 23), "Colour@" + std::to_string(color),
                             qm::LEFT, color);
    }
    display().drawCh(Vector(77, 0), 'Q', 200, 120, 40);
    const sf::Image image = qmtest::captureDisplay();
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
                EXPECT_EQ(qmtest::pixelsOf(image, sf::Color::Black, left + 2, top + 1, 9, 30).count, 9 * 30)
                    << "something drawn in blank cell (" << x << ", " << y << ")";
            }
        }
    }
    EXPECT_GT(visible, 500);

    // Characters outside the window cost no draw calls: cell by cell, two calls per character drawn; collected, one.
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

} // namespace
