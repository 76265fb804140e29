// The character-cell window: drawing real pixels under a private X server, headless mode,
// and refusing cleanly when no display exists.
#include "support/EngineTest.h"
#include "support/VirtualDisplay.h"

#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <gtest/gtest.h>

namespace
{

using qm::Vector;
using qmtest::countOf;

// Starts the engine with a real window on a private X server.
class WindowTest : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(xserver.ok()) << "Xvfb could not be started";
    }

    int startWindowed(const std::string& extra = "")
    {
        dir.write("qm-config.txt", "font_file:" + std::string(QM_RUN_DIR) + "/qm-font.ttf,\n" + extra);
        const int result = qm::GameManager::getInstance().startUp();
        qm::LogManager::getInstance().setFlush(true);
        return result;
    }

    sf::Image capture() { return qmtest::captureWindow(*display().getWindow()); }
    qm::DisplayManager& display() { return qm::DisplayManager::getInstance(); }

    // Number of pixels of `color` inside the cell whose upper-left pixel is (x, y).
    static int pixelsOf(const sf::Image& image, int x, int y, int w, int h, sf::Color color)
    {
        int count = 0;
        for (int py = y; py < y + h; ++py)
        {
            for (int px = x; px < x + w; ++px)
            {
                if (px >= 0 && py >= 0 && px < static_cast<int>(image.getSize().x) &&
                    py < static_cast<int>(image.getSize().y) && image.getPixel(px, py) == color)
                {
                    ++count;
                }
            }
        }
        return count;
    }

    qmtest::VirtualDisplay xserver;
};

TEST_F(WindowTest, OpensTheConfiguredWindowAndCellGrid)
{
    ASSERT_EQ(startWindowed("window_horizontal_pixels:640,\nwindow_vertical_pixels:480,\n"
                            "window_horizontal_chars:64,\nwindow_vertical_chars:24,\nwindow_title:Test,\n"),
              0);
    ASSERT_NE(display().getWindow(), nullptr);
    EXPECT_EQ(display().getWindow()->getSize(), sf::Vector2u(640, 480));
    EXPECT_EQ(display().getHorizontal(), 64);
    EXPECT_FLOAT_EQ(qm::charWidth(), 10.0f);
    EXPECT_FLOAT_EQ(qm::charHeight(), 20.0f);
}

TEST_F(WindowTest, CharacterPaintsItsCellAndGlyph)
{
    ASSERT_EQ(startWindowed("window_background_color:blue,\n"), 0);
    // 1024 x 768 over 80 x 24: a cell is 12.8 x 32 pixels.
    display().swapBuffers(); // clears to the background colour
    ASSERT_EQ(display().drawCh(Vector(10, 5), 'W', qm::YELLOW), 0);
    const sf::Image image = capture();

    // The background rectangle stands a tenth of a cell left and a fifth of a cell below
    // the glyph's origin; its middle is background blue, and the yellow glyph sits in it.
    const int cellX = 128, cellY = 160;
    EXPECT_EQ(pixelsOf(image, cellX + 20, cellY + 40, 10, 10, sf::Color::Yellow), 0);
    EXPECT_GT(pixelsOf(image, cellX - 1, cellY + 6, 13, 32, sf::Color::Yellow), 20);
    EXPECT_EQ(image.getPixel(cellX + 400, cellY), sf::Color::Blue);
    // A cell nobody drew into keeps the cleared background.
    EXPECT_EQ(pixelsOf(image, 0, 0, 12, 32, sf::Color::Yellow), 0);
}

TEST_F(WindowTest, LaterCellsCoverEarlierOnes)
{
    ASSERT_EQ(startWindowed(), 0);
    display().swapBuffers();
    display().drawCh(Vector(3, 3), '#', qm::RED);
    display().drawCh(Vector(3, 3), ' ', qm::GREEN); // a blank paints the background over it
    const sf::Image image = capture();
    // Inside the background rectangle of cell (3, 3): x 37.1 to 49.9, y 102.4 to 134.4.
    EXPECT_EQ(pixelsOf(image, 38, 103, 11, 31, sf::Color::Red), 0);
}

TEST_F(WindowTest, StringsAreJustified)
{
    ASSERT_EQ(startWindowed(), 0);
    display().swapBuffers();
    // "IIIII" centred at 40 starts at 38; right-justified at 40 it starts at 35.
    display().drawString(Vector(40, 2), "IIIII", qm::CENTER, qm::WHITE);
    display().drawString(Vector(40, 6), "IIIII", qm::RIGHT, qm::WHITE);
    display().drawString(Vector(40, 10), "IIIII", qm::LEFT, qm::WHITE);
    const sf::Image image = capture();
    // White pixels in the middle of a cell (a narrow glyph stays inside its own cell).
    auto whiteInColumn = [&](float column, float row) {
        return pixelsOf(image, static_cast<int>(column * 12.8f) + 2, static_cast<int>(row * 32), 9, 40,
                        sf::Color::White);
    };
    EXPECT_GT(whiteInColumn(38, 2), 5);
    EXPECT_EQ(whiteInColumn(37, 2), 0);
    EXPECT_GT(whiteInColumn(42, 2), 5);
    EXPECT_EQ(whiteInColumn(43, 2), 0);
    EXPECT_GT(whiteInColumn(35, 6), 5);
    EXPECT_EQ(whiteInColumn(40, 6), 0);
    EXPECT_GT(whiteInColumn(40, 10), 5);
    EXPECT_EQ(whiteInColumn(39, 10), 0);
    EXPECT_EQ(display().drawString(Vector(1, 1), "", qm::CENTER, qm::WHITE), 0);
}

TEST_F(WindowTest, SwapShowsTheFrameAndClears)
{
    ASSERT_EQ(startWindowed(), 0);
    display().drawCh(Vector(1, 1), 'X', qm::GREEN);
    EXPECT_EQ(display().swapBuffers(), 0);
    const sf::Image image = capture();
    EXPECT_EQ(pixelsOf(image, 0, 0, 40, 80, sf::Color::Green), 0);
}

TEST_F(WindowTest, CellsOutsideTheWindowCostNoDrawCalls)
{
    ASSERT_EQ(startWindowed(), 0);
    display().swapBuffers();
    EXPECT_EQ(display().drawCh(Vector(40, 12), 'A', qm::WHITE), 0);
    EXPECT_EQ(display().drawCh(Vector(-1, 0), 'B', qm::WHITE), 0);   // its glyph reaches in
    EXPECT_EQ(display().drawCh(Vector(-50, 12), 'C', qm::WHITE), 0); // far left
    EXPECT_EQ(display().drawCh(Vector(40, 90), 'D', qm::WHITE), 0);  // far below
    EXPECT_EQ(display().drawCh(Vector(83, 12), 'E', qm::WHITE), 0);  // beyond the margin
    display().swapBuffers();
    EXPECT_EQ(display().getFrameDrawCalls(), 4);
    display().swapBuffers();
    EXPECT_EQ(display().getFrameDrawCalls(), 0);
}

TEST_F(WindowTest, MissingFontFailsStartUp)
{
    dir.write("qm-config.txt", "font_file:/no/such/font.ttf,\n");
    EXPECT_EQ(qm::GameManager::getInstance().startUp(), -1);
    qm::LogManager::getInstance().setFlush(true);
    EXPECT_EQ(countOf(log(), "DisplayManager::startUp(): Unable to load font from file '/no/such/font.ttf'."), 1);
    EXPECT_EQ(countOf(log(), "Error starting display manager!"), 1);
}

class NoDisplay : public qmtest::EngineTest
{
};

TEST_F(NoDisplay, RefusesWithoutAbortingWhenDisplayIsUnset)
{
    qmtest::setEnv("DISPLAY", nullptr);
    dir.write("qm-config.txt", "frame_time:1,\n");
    EXPECT_EQ(qm::GameManager::getInstance().startUp(), -1);
    qm::LogManager::getInstance().setFlush(true);
    EXPECT_EQ(countOf(log(), "DisplayManager::startUp(): Unable to allocate window!"), 1);
    EXPECT_EQ(countOf(log(), "\"headless:true\""), 1);
    qm::GameManager::getInstance().shutDown();
    EXPECT_EQ(countOf(log(), "** Game engine stopped **"), 1);
}

TEST_F(NoDisplay, RefusesWhenDisplayPointsNowhere)
{
    qmtest::setEnv("DISPLAY", ":9876");
    dir.write("qm-config.txt", "frame_time:1,\n");
    EXPECT_EQ(qm::GameManager::getInstance().startUp(), -1);
    qm::LogManager::getInstance().setFlush(true);
    EXPECT_EQ(countOf(log(), "DisplayManager::startUp(): Unable to allocate window!"), 1);
    EXPECT_EQ(qm::DisplayManager::getInstance().drawCh(Vector(1, 1), 'x', qm::WHITE), -1);
    EXPECT_EQ(countOf(log(), "DisplayManager not started!"), 1);
}

class Headless : public qmtest::EngineTest
{
};

TEST_F(Headless, DrawingFailsSilentlyButGeometryStays)
{
    qm::LogManager::getInstance().setLogLevel(1);
    ASSERT_EQ(startEngine(), 0);
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    EXPECT_EQ(display.getWindow(), nullptr);
    EXPECT_EQ(display.drawCh(Vector(1, 1), 'x', qm::WHITE), -1);
    EXPECT_EQ(display.drawCh(Vector(1, 1), 'x', 1, 2, 3), -1);
    EXPECT_EQ(display.drawString(Vector(1, 1), "text", qm::LEFT, qm::WHITE), -1);
    EXPECT_EQ(display.swapBuffers(), -1);
    EXPECT_FLOAT_EQ(qm::charWidth(), 12.8f);
    EXPECT_FLOAT_EQ(qm::charHeight(), 32.0f);
    const Vector pixels = qm::spacesToPixels(Vector(10, 2));
    EXPECT_FLOAT_EQ(pixels.getX(), 128.0f);
    EXPECT_FLOAT_EQ(pixels.getY(), 64.0f);
    const Vector spaces = qm::pixelsToSpaces(Vector(128, 64));
    EXPECT_FLOAT_EQ(spaces.getX(), 10.0f);
    EXPECT_FLOAT_EQ(spaces.getY(), 2.0f);
    const std::string text = log();
    EXPECT_EQ(countOf(text, "DisplayManager::startUp(): not doing graphics since in headless mode."), 1);
    EXPECT_EQ(countOf(text, "not started"), 0);
}

TEST(DisplayBeforeStartUp, DrawingReportsNotStarted)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(qm::DisplayManager::getInstance().drawString(Vector(1, 1), "x", qm::LEFT, qm::WHITE), -1);
    EXPECT_EQ(qm::DisplayManager::getInstance().swapBuffers(), -1);
    EXPECT_EQ(countOf(testing::internal::GetCapturedStderr(), "DisplayManager not started!"), 2);
}

} // namespace
