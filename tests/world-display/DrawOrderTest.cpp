// The world drawn into a real window under a private X server.
#include "support/WindowTest.h"

#include <qm/Animation.h>
#include <qm/DisplayManager.h>
#include <qm/Frame.h>
#include <qm/Sprite.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

namespace
{

class WorldWindow : public qmtest::WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_EQ(startWindowed(), 0);
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
    EXPECT_GT(qmtest::pixelsOf(image, sf::Color::Green, 127, 167, 10, 30).count, 10);
    EXPECT_EQ(qmtest::pixelsOf(image, sf::Color::Red, 127, 167, 10, 30).count, 0);
}

} // namespace
