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
#include <qm/Sprite.h>

#include <SFML/Graphics/RenderWindow.hpp>

#include <algorithm>
#include <memory>
#include <vector>

namespace qmtest
{

/// The configuration of a window with the tests' font, followed by `extra` lines.
inline std::string windowConfig(const std::string& extra = "")
{
    return "font_file:" + std::string(QM_TEST_FONT) + ",\n" + extra;
}

/// How many pixels of `image` in the `w` x `h` rectangle from pixel (x, y) have `color`, and their mean position.
struct Region
{
    int count = 0;
    double x = 0;
    double y = 0;
};
inline Region pixelsOf(const sf::Image& image, sf::Color color, int x = 0, int y = 0, int w = 1 << 16, int h = 1 << 16)
{
    Region region;
    const int right = std::min(x + w, static_cast<int>(image.getSize().x));
    const int bottom = std::min(y + h, static_cast<int>(image.getSize().y));
    for (int py = std::max(y, 0); py < bottom; ++py)
    {
        for (int px = std::max(x, 0); px < right; ++px)
        {
            if (image.getPixel(static_cast<unsigned>(px), static_cast<unsigned>(py)) == color)
            {
                region = {region.count + 1, region.x + px, region.y + py};
            }
        }
    }
    return region.count == 0 ? region : Region{region.count, region.x / region.count, region.y / region.count};
}

/// An engine test on the private X server (failing at once when it could not be started) that opens windows.
class WindowTest : public EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(xserver.ok()) << "Xvfb could not be started";
    }

    /// Starts the engine (stopping it first if it runs) in a window configured by windowConfig(`extra`), its log
    /// flushed per line: 0, or -1 when start-up failed.
    int startWindowed(const std::string& extra = "")
    {
        if (qm::GameManager::getInstance().isStarted())
        {
            qm::GameManager::getInstance().shutDown();
        }
        dir.write("qm-config.txt", windowConfig(extra));
        qm::LogManager::getInstance().setFlush(true);
        return qm::GameManager::getInstance().startUp();
    }

    /// Flushes the characters collected so far and paints the whole window `color`.
    static void clearWindow(sf::Color color)
    {
        qm::DisplayManager::getInstance().flush();
        qm::DisplayManager::getInstance().getWindow()->clear(color);
    }

    /// A new object of the world at `where` and `altitude` showing a sprite of `frame` alone, in `color`, with '#'
    /// transparent.
    void frameObject(const qm::Frame& frame, int color, qm::Vector where, int altitude)
    {
        sprites.push_back(std::make_unique<qm::Sprite>(1));
        qm::Sprite& sprite = *sprites.back();
        sprite.setWidth(frame.getWidth());
        sprite.setHeight(frame.getHeight());
        sprite.setColor(color);
        sprite.setTransparency('#');
        sprite.addFrame(frame);
        qm::Animation animation;
        animation.setSprite(&sprite);
        auto* object = new qm::Object;
        object->setAnimation(animation, true);
        object->setAltitude(altitude);
        object->setPosition(where);
    }

    VirtualDisplay xserver;
    std::vector<std::unique_ptr<qm::Sprite>> sprites; ///< of frameObject(): they outlive the objects (shut-down)
};

} // namespace qmtest

#endif
