// The world drawn into a real window under a private X server.
#include "support/WindowTest.h"

#include <qm/Sprite.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <gtest/gtest.h>

#include <memory>

namespace
{

using WorldWindow = qmtest::WindowTest;

TEST_F(WorldWindow, HigherAltitudeCoversLowerAtTheSharedCell)
{
    ASSERT_EQ(startWindowed(), 0);
    qm::DisplayManager::getInstance().swapBuffers(); // start from a cleared window
    // At cell (10, 5); the green one created first, so that only the altitude can put it on top.
    std::unique_ptr<qm::Sprite> sprites[] = {std::make_unique<qm::Sprite>(1), std::make_unique<qm::Sprite>(1)};
    for (const int i : {0, 1})
    {
        sprites[i]->setWidth(1);
        sprites[i]->setHeight(1);
        sprites[i]->setColor(i == 0 ? qm::GREEN : qm::RED);
        sprites[i]->addFrame(qm::Frame(1, 1, "W"));
        qm::Animation animation;
        animation.setSprite(sprites[i].get());
        auto* object = new qm::Object;
        object->setAnimation(animation, true);
        object->setAltitude(i == 0 ? 3 : 1);
        object->setPosition(qm::Vector(10, 5));
    }
    qm::WorldManager::getInstance().draw();
    const sf::Image image = qmtest::captureDisplay();
    // Inside the background rectangle of cell (10, 5), with 1024 x 768 pixels over 80 x 24
    // cells (12.8 x 32 pixels a cell).
    EXPECT_GT(qmtest::pixelsOf(image, sf::Color::Green, 127, 167, 10, 30).count, 10);
    EXPECT_EQ(qmtest::pixelsOf(image, sf::Color::Red, 127, 167, 10, 30).count, 0);
    qm::GameManager::getInstance().shutDown(); // before the sprites go
}

} // namespace
