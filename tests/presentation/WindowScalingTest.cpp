// A resizable window: the picture of the cells scaled by the configured rule with bars in the
// background colour, clicks mapped back to cells, and Alt+Enter fullscreen, on a private X server.
#include "support/InputDriver.h"

#include <qm/DisplayManager.h>
#include <qm/EventMouse.h>

#include <SFML/Graphics/RectangleShape.hpp>
#include <SFML/Graphics/RenderWindow.hpp>

namespace
{

// A picture of 40 x 12 cells of 8 x 16 pixels on blue, in a resizable window.
const std::string SMALL = "window_horizontal_pixels:320,\nwindow_vertical_pixels:192,\nwindow_horizontal_chars:40,\n"
                          "window_vertical_chars:12,\nwindow_background_color:blue,\nwindow_resizable:true,\n";
const sf::Color BLUE(0, 0, 255);

// Resizes the engine's window as a user would, and waits until the window has its new size.
bool resizeWindow(unsigned width, unsigned height)
{
    sf::RenderWindow* window = qm::DisplayManager::getInstance().getWindow();
    window->setSize(sf::Vector2u(width, height));
    return qmtest::waitFor([&] { return window->getSize() == sf::Vector2u(width, height); }, 10);
}

struct Scaling
{
    const char* rule;
    unsigned width, height; // of the window
    float left, top, scale; // where the picture lands
};

using ScaledWindow = qmtest::InputWindowTest;

class WindowScaling : public qmtest::InputWindowTest, public testing::WithParamInterface<Scaling>
{
};

// 1.5 and 2 times the picture, odd sizes wider or taller than it, and a window smaller than it.
INSTANTIATE_TEST_SUITE_P(Rules, WindowScaling,
                         testing::Values(Scaling{"integer", 480, 288, 80, 48, 1}, Scaling{"integer", 640, 384, 0, 0, 2},
                                         Scaling{"integer", 701, 300, 190, 54, 1},
                                         Scaling{"integer", 1000, 621, 20, 22, 3},
                                         Scaling{"integer", 160, 144, 0, 24, 0.5f},
                                         Scaling{"fit", 480, 288, 0, 0, 1.5f},
                                         Scaling{"fit", 701, 300, 100, 0, 1.5625f}));

TEST_P(WindowScaling, CellsLandWhereTheRuleSaysWithBarsInTheBackgroundColour)
{
    const Scaling expected = GetParam();
    ASSERT_EQ(startFocused(SMALL + "window_scaling:" + expected.rule + ",\n"), 0);
    ASSERT_TRUE(resizeWindow(expected.width, expected.height));
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    const qm::Box area = display.getPictureArea();
    EXPECT_FLOAT_EQ(area.getCorner().getX(), expected.left);
    EXPECT_FLOAT_EQ(area.getCorner().getY(), expected.top);
    EXPECT_FLOAT_EQ(area.getHorizontal(), 320 * expected.scale);

    // Cell (3, 2) in red: picture pixels (24, 32) to (32, 48).
    sf::RectangleShape cell(sf::Vector2f(8, 16));
    cell.setPosition(24, 32);
    cell.setFillColor(sf::Color::Red);
    ASSERT_EQ(display.swapBuffers(), 0); // clears the window
    ASSERT_EQ(display.drawIntoWindow(cell), 0);
    const sf::Image shot = qmtest::captureDisplay();
    ASSERT_EQ(shot.getSize(), sf::Vector2u(expected.width, expected.height));
    const auto at = [&](float x, float y)
    {
        return shot.getPixel(static_cast<unsigned>(expected.left + x * expected.scale),
                             static_cast<unsigned>(expected.top + y * expected.scale));
    };
    EXPECT_EQ(at(28, 40), sf::Color::Red);
    for (const auto& [x, y] : {std::pair{20.0f, 40.0f}, {36.0f, 40.0f}, {28.0f, 28.0f}, {28.0f, 52.0f}})
    {
        EXPECT_EQ(at(x, y), BLUE) << x << ", " << y; // the cells around it
    }
    if (expected.scale == static_cast<float>(static_cast<int>(expected.scale)))
    {
        // Whole multiples: the cell's edges are exact and sharp.
        EXPECT_EQ(at(24, 32), sf::Color::Red);
        EXPECT_EQ(at(32 - 1 / expected.scale, 48 - 1 / expected.scale), sf::Color::Red);
        EXPECT_EQ(at(24 - 1 / expected.scale, 32), BLUE);
        EXPECT_EQ(at(32, 48), BLUE);
    }
    // The bars: every pixel outside the picture has the background colour.
    for (unsigned y = 0; y < expected.height; ++y)
    {
        for (unsigned x = 0; x < expected.width; ++x)
        {
            const float pictureX = (static_cast<float>(x) - expected.left) / expected.scale;
            const float pictureY = (static_cast<float>(y) - expected.top) / expected.scale;
            if (pictureX < -1 || pictureY < -1 || pictureX > 321 || pictureY > 193)
            {
                ASSERT_EQ(shot.getPixel(x, y), BLUE) << x << ", " << y;
            }
        }
    }
}

TEST_F(ScaledWindow, ClicksReportTheirCellsThroughTheScalingAndAltEnterTogglesFullscreenAndBack)
{
    ASSERT_EQ(startFocused(SMALL), 0);
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    // Twice the picture, at (30, 58) in a 700 x 500 window: the centre of cell (5, 3) is at
    // picture pixel (44, 56), window pixel (118, 170); a click on the bar lies outside the grid.
    ASSERT_TRUE(resizeWindow(700, 500));
    const std::string to = "mousemove --window " + std::to_string(window);
    runLoop({{2, to + " 118 170 click 1"}, {4, to + " 10 10 click 1"}, {6, "key alt+Return"}}, 8);
    const std::vector<qm::Vector> cells{{5.5f, 3.5f}, {5.5f, 3.5f}, {-1.25f, -1.5f}, {-1.25f, -1.5f}};
    ASSERT_EQ(positions.size(), cells.size());
    for (std::size_t i = 0; i < cells.size(); ++i)
    {
        EXPECT_EQ(positions[i], cells[i]) << i;
    }
    // Alt+Enter reaches no object. The screen is 1280 x 1024: four times the picture, bars above and below.
    EXPECT_EQ(keys.count(qm::ENTER), 0u);
    ASSERT_TRUE(display.isFullscreen());
    EXPECT_EQ(display.getWindow()->getSize(), sf::Vector2u(1280, 1024));
    EXPECT_EQ(display.getPictureArea().getCorner(), qm::Vector(0, 128));
    EXPECT_FLOAT_EQ(display.getPictureArea().getHorizontal(), 1280);
    ASSERT_TRUE(qmtest::focusWindow(static_cast<unsigned long>(display.getWindow()->getSystemHandle())));
    runLoop({{2, "key alt+Return"}}, 5);
    EXPECT_FALSE(display.isFullscreen());
    EXPECT_EQ(display.getWindow()->getSize(), sf::Vector2u(700, 500));
}

TEST_F(ScaledWindow, WithoutTheKeysTheWindowIsNotScaledAndAltEnterIsAnEnterKey)
{
    ASSERT_EQ(startFocused(), 0);
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    EXPECT_FALSE(display.isScaled());
    runLoop({{2, "key alt+Return"}}, 5);
    EXPECT_EQ(keys[qm::ENTER], (qmtest::Steps{{3, qm::KEY_PRESS}, {3, qm::KEY_RELEASE}}));
    EXPECT_FALSE(display.isFullscreen());
    EXPECT_EQ(display.toggleFullscreen(), -1);
    EXPECT_EQ(display.getWindow()->getSize(), sf::Vector2u(1024, 768));
}

} // namespace
