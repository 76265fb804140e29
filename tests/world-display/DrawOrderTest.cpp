// The world drawn into a real window under a private X server.
#include "support/WindowTest.h"

#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

namespace
{

using WorldWindow = qmtest::WindowTest;

TEST_F(WorldWindow, HigherAltitudeCoversLowerAtTheSharedCell)
{
    ASSERT_EQ(startWindowed(), 0);
    qm::DisplayManager::getInstance().swapBuffers(); // start from a cleared window
    // At cell (10, 5); the green one created first, so that only the altitude can put it on top.
    frameObject(qm::Frame(1, 1, "W"), qm::GREEN, qm::Vector(10, 5), 3);
    frameObject(qm::Frame(1, 1, "W"), qm::RED, qm::Vector(10, 5), 1);
    qm::WorldManager::getInstance().draw();
    const sf::Image image = qmtest::captureDisplay();
    // Inside the background rectangle of cell (10, 5), with 1024 x 768 pixels over 80 x 24
    // cells (12.8 x 32 pixels a cell).
    EXPECT_GT(qmtest::pixelsOf(image, sf::Color::Green, 127, 167, 10, 30).count, 10);
    EXPECT_EQ(qmtest::pixelsOf(image, sf::Color::Red, 127, 167, 10, 30).count, 0);
}

} // namespace
