// The fixture of window tests: the engine in a real window on the test's private X server (see
// VirtualDisplay.h), with the tests' font and the configuration lines a test adds.
#ifndef QM_TEST_WINDOWTEST_H
#define QM_TEST_WINDOWTEST_H

#include "support/EngineTest.h"
#include "support/VirtualDisplay.h"

#include <qm/Animation.h>
#include <qm/DisplayManager.h>
#include <qm/Frame.h>
#include <qm/Object.h>

#include <SFML/Graphics/RenderWindow.hpp>

#include <algorithm>

namespace qmtest
{

/// How many pixels of `image` in the `w` x `h` rectangle from pixel (x, y) have `color`, and their mean position.
struct Region
{
    int count = 0;
    double x = 0, y = 0;
};
inline Region pixelsOf(const sf::Image& image, sf::Color color, int x = 0, int y = 0, int w = 1 << 16, int h = 1 << 16)
{
    Region region;
    for (int py = std::max(y, 0); py < std::min(y + h, static_cast<int>(image.getSize().y)); ++py)
    {
        for (int px = std::max(x, 0); px < std::min(x + w, static_cast<int>(image.getSize().x)); ++px)
        {
            if (image.getPixel(static_cast<unsigned>(px), static_cast<unsigned>(py)) == color)
            {
                region = {region.count + 1, region.x + px, region.y + py};
            }
        }
    }
    return region.count == 0 ? region : Region{region.count, region.x / region.count, region.y / region.count};
}

/// An engine test on the private X server that opens windows.
class WindowTest : public EngineTest
{
protected:
    /// Starts the engine (stopping it first if it runs) in a window with the tests' font and the configuration lines
    /// `extra`, its log flushed per line: 0, or -1 when start-up (or the X server) failed.
    int startWindowed(const std::string& extra = "")
    {
        EXPECT_TRUE(xserver.ok()) << "Xvfb could not be started";
        if (qm::GameManager::getInstance().isStarted())
        {
            qm::GameManager::getInstance().shutDown();
        }
        dir.write("qm-config.txt", "font_file:" + std::string(QM_TEST_FONT) + ",\n" + extra);
        qm::LogManager::getInstance().setFlush(true);
        return qm::GameManager::getInstance().startUp();
    }

    /// Flushes the characters collected so far and paints the whole window `color`.
    static void clearWindow(sf::Color color)
    {
        qm::DisplayManager::getInstance().flush();
        qm::DisplayManager::getInstance().getWindow()->clear(color);
    }

    VirtualDisplay xserver;
};

} // namespace qmtest

#endif
