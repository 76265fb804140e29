// The world drawn into a real window under a private X server.
#include "support/EngineTest.h"
#include "support/VirtualDisplay.h"

#include <qm/Animation.h>
#include <qm/DisplayManager.h>
#include <qm/Frame.h>
#include <qm/Sprite.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <gtest/gtest.h>

namespace
{

using qm::Vector;

class WorldWindow : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(xserver.ok()) << "Xvfb could not be started";
        dir.write("qm-config.txt", "font_file:" + std::string(QM_RUN_DIR) + "/qm-font.ttf,\n");
        qm::LogManager::getInstance().setFlush(true); // the log is whole even if start-up fails
        ASSERT_EQ(qm::GameManager::getInstance().startUp(), 0);
        qm::DisplayManager::getInstance().swapBuffers(); // start from a cleared window
    }

    // A one-cell object showing '#' in `color` at `where`, at `altitude`.
    void glyph(qm::Sprite& sprite, int color, Vector where, int altitude)
    {
        sprite.setWidth(1);
        sprite.setHeight(1);
        sprite.setColor(color);
        sprite.addFrame(qm::Frame(1, 1, "#"));
        qm::Animation animation;
        animation.setSprite(&sprite);
        qm::Object* object = new qm::Object;
        object->setAnimation(animation, true);
        object->setAltitude(altitude);
        object->setPosition(where);
    }

    // Pixels of exactly `color` inside the background rectangle of window cell (column, row),
    // with 1024 x 768 pixels over 80 x 24 cells (12.8 x 32 pixels a cell).
    static int pixelsInCell(const sf::Image& image, int column, int row, sf::Color color)
    {
        const int left = static_cast<int>(column * 12.8f - 1.28f) + 1;
        int count = 0;
        for (int y = row * 32 + 7; y < row * 32 + 37; ++y)
        {
            for (int x = left; x < left + 10; ++x)
            {
                count += image.getPixel(x, y) == color ? 1 : 0;
            }
        }
        return count;
    }

    qmtest::VirtualDisplay xserver;
    qm::Sprite green{1}, red{1}; // outlive the objects, which shut-down deletes in TearDown
};

TEST_F(WorldWindow, HigherAltitudeCoversLowerAtTheSharedCell)
{
    glyph(green, qm::GREEN, Vector(10, 5), 3); // created first, so only the altitude can put it on top
    glyph(red, qm::RED, Vector(10, 5), 1);
    qm::WorldManager::getInstance().draw();
    const sf::Image image = qmtest::captureWindow(*qm::DisplayManager::getInstance().getWindow());
    EXPECT_GT(pixelsInCell(image, 10, 5, sf::Color::Green), 10);
    EXPECT_EQ(pixelsInCell(image, 10, 5, sf::Color::Red), 0);
}

} // namespace
