// The world drawn into a real window under a private X server: altitude order, a scrolled
// view, and view objects that stay at their place in the window.
#include "support/EngineTest.h"
#include "support/VirtualDisplay.h"

#include <qm/Animation.h>
#include <qm/DisplayManager.h>
#include <qm/Frame.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/Sprite.h>
#include <qm/ViewObject.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/RenderWindow.hpp>
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{

using qm::Box;
using qm::Vector;

// 1024 x 768 pixels over 80 x 24 cells: a cell is 12.8 x 32 pixels.
constexpr float CELL_WIDTH = 12.8f;
constexpr float CELL_HEIGHT = 32.0f;

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

    // The objects go before the sprites they point at.
    void TearDown() override
    {
        EngineTest::TearDown();
        sprites.clear();
    }

    // An object showing one character of one colour at `where`, at `altitude`.
    qm::Object* glyph(char ch, int color, Vector where, int altitude)
    {
        auto sprite = std::make_unique<qm::Sprite>(1);
        sprite->setWidth(1);
        sprite->setHeight(1);
        sprite->setColor(color);
        sprite->addFrame(qm::Frame(1, 1, std::string(1, ch)));
        qm::Animation animation;
        animation.setSprite(sprite.get());
        sprites.push_back(std::move(sprite));
        qm::Object* object = new qm::Object;
        object->setAnimation(animation, true);
        object->setAltitude(altitude);
        object->setPosition(where);
        return object;
    }

    sf::Image capture() { return qmtest::captureWindow(*qm::DisplayManager::getInstance().getWindow()); }

    // Pixels of exactly `color` inside the background rectangle of window cell (column, row).
    static int pixelsInCell(const sf::Image& image, float column, float row, sf::Color color)
    {
        const int left = static_cast<int>(column * CELL_WIDTH - CELL_WIDTH / 10) + 1;
        const int top = static_cast<int>(row * CELL_HEIGHT + CELL_HEIGHT / 5) + 1;
        int count = 0;
        for (int y = top; y < top + static_cast<int>(CELL_HEIGHT) - 2; ++y)
        {
            for (int x = left; x < left + static_cast<int>(CELL_WIDTH) - 2; ++x)
            {
                if (x >= 0 && y >= 0 && x < static_cast<int>(image.getSize().x) &&
                    y < static_cast<int>(image.getSize().y) && image.getPixel(x, y) == color)
                {
                    ++count;
                }
            }
        }
        return count;
    }

    qmtest::VirtualDisplay xserver;
    qm::WorldManager& world = qm::WorldManager::getInstance();
    std::vector<std::unique_ptr<qm::Sprite>> sprites;
};

TEST_F(WorldWindow, HigherAltitudeCoversLowerAtTheSharedCell)
{
    // Created first, so only the altitude can put it on top.
    glyph('#', qm::GREEN, Vector(10, 5), 3);
    glyph('#', qm::RED, Vector(10, 5), 1);
    world.draw();
    const sf::Image image = capture();
    EXPECT_GT(pixelsInCell(image, 10, 5, sf::Color::Green), 10);
    EXPECT_EQ(pixelsInCell(image, 10, 5, sf::Color::Red), 0);
}

TEST_F(WorldWindow, ScrolledViewShowsTheWorldFromItsCorner)
{
    world.setBoundary(Box(Vector(0, 0), 200, 24));
    glyph('#', qm::YELLOW, Vector(110, 5), 2);
    glyph('#', qm::RED, Vector(10, 5), 2); // out of the scrolled view
    world.setView(Box(Vector(100, 0), 80, 24));
    world.draw();
    const sf::Image image = capture();
    EXPECT_GT(pixelsInCell(image, 10, 5, sf::Color::Yellow), 10);
    int red = 0;
    for (int column = 0; column < 80; ++column)
    {
        red += pixelsInCell(image, static_cast<float>(column), 5, sf::Color::Red);
    }
    EXPECT_EQ(red, 0);
}

TEST_F(WorldWindow, ViewObjectStaysAtItsWindowPlaceWhenTheViewScrolls)
{
    world.setBoundary(Box(Vector(0, 0), 200, 24));
    qm::ViewObject* display = new qm::ViewObject; // framed, at (40, 1) in the window
    display->setViewString("P");
    display->setDrawValue(false);
    display->setColor(qm::CYAN);
    world.setView(Box(Vector(100, 0), 80, 24));
    world.draw();
    const sf::Image image = capture();
    // " P " is centred on column 40 (columns 39 to 41); the bars stand at 38 and 42 and the
    // dashes above and below span the text.
    EXPECT_GT(pixelsInCell(image, 40, 1, sf::Color::Cyan), 5);
    EXPECT_GT(pixelsInCell(image, 38, 1, sf::Color::Cyan), 5);
    EXPECT_GT(pixelsInCell(image, 42, 1, sf::Color::Cyan), 5);
    EXPECT_EQ(pixelsInCell(image, 43, 1, sf::Color::Cyan), 0);
    EXPECT_GT(pixelsInCell(image, 39, 0, sf::Color::Cyan) + pixelsInCell(image, 39, 2, sf::Color::Cyan), 0);
}

} // namespace
