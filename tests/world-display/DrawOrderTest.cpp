// The world drawn into a real window under a private X server.
#include "support/EngineTest.h"
#include "support/VirtualDisplay.h"

#include <qm/Animation.h>
#include <qm/DisplayManager.h>
#include <qm/Frame.h>
#include <qm/Sprite.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

namespace
{

class WorldWindow : public qmtest::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(xserver.ok()) << "Xvfb could not be started";
        dir.write("qm-config.txt", "font_file:" + std::string(QM_TEST_FONT) + ",\n");
        qm::LogManager::getInstance().setFlush(true); // the log is whole even if start-up fails
        ASSERT_EQ(qm::GameManager::getInstance().startUp(), 0);
        qm::DisplayManager::getInstance().swapBuffers(); // start from a cleared window
    }

    // An object at cell (10, 5) and `altitude` showing '#' in the sprite's colour.
    void glyph(qm::Sprite& sprite, int color, int altitude)
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
        object->setPosition(qm::Vector(10, 5));
    }

    qmtest::VirtualDisplay xserver;
    qm::Sprite green{1}, red{1}; // outlive the objects, which shut-down deletes in TearDown
};

TEST_F(WorldWindow, HigherAltitudeCoversLowerAtTheSharedCell)
{
    glyph(green, qm::GREEN, 3); // created first, so only the altitude can put it on top
    glyph(red, qm::RED, 1);
    qm::WorldManager::getInstance().draw();
    const sf::Image image = qmtest::captureDisplay();
    // Inside the background rectangle of cell (10, 5), with 1024 x 768 pixels over 80 x 24
    // cells (12.8 x 32 pixels a cell).
    int greenPixels = 0, redPixels = 0;
    for (unsigned y = 167; y < 197; ++y)
    {
        for (unsigned x = 127; x < 137; ++x)
        {
            greenPixels += image.getPixel(x, y) == sf::Color::Green ? 1 : 0;
            redPixels += image.getPixel(x, y) == sf::Color::Red ? 1 : 0;
        }
    }
    EXPECT_GT(greenPixels, 10);
    EXPECT_EQ(redPixels, 0);
}

} // namespace
