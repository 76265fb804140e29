// Characters collected into one draw call must give exactly the pixels of drawing them one at a time: each scene
// is drawn both ways into a real window on the private X server, read back and compared pixel for pixel.
#include "support/WindowTest.h"

#include <qm/EngineCounters.h>
#include <qm/utility.h>

#include <SFML/Graphics/CircleShape.hpp>
#include <SFML/Graphics/RectangleShape.hpp>

#include <functional>

namespace
{

using qm::Vector;

qm::DisplayManager& display()
{
    return qm::DisplayManager::getInstance();
}

using BatchedDrawing = qmtest::WindowTest;

// Draws `scene` collected (first, so that the glyphs it loads join the page mid-frame), then cell by cell: the same
// pixels, and `batchedCalls` draw calls when collected.
void expectSamePicture(const std::function<void()>& scene, int batchedCalls)
{
    sf::Image pictures[2];
    int calls[2] = {0, 0};
    for (const int batched : {1, 0})
    {
        display().setBatched(batched == 1);
        scene();
        pictures[batched] = qmtest::captureDisplay();
        display().swapBuffers();
        calls[batched] = qm::getEngineCounters().frameDrawCalls;
    }
    EXPECT_EQ(calls[1], batchedCalls);
    EXPECT_GT(calls[0], calls[1]);
    ASSERT_EQ(pictures[0].getSize(), pictures[1].getSize());
    const sf::Vector2u size = pictures[0].getSize();
    const sf::Color background = pictures[0].getPixel(size.x - 1, size.y - 1);
    int differing = 0, drawn = 0;
    for (unsigned i = 0; i < size.x * size.y; ++i)
    {
        const sf::Color a = pictures[1].getPixel(i % size.x, i / size.x),
                        b = pictures[0].getPixel(i % size.x, i / size.x);
        drawn += b != background ? 1 : 0;
        differing += a != b ? 1 : 0;
        EXPECT_TRUE(a == b || differing > 1) << "first difference at (" << i % size.x << ", " << i / size.x << ")";
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(drawn, 2000) << "the scene drew too little to compare";
}

// Scenes in windows of two configurations; at last the configuration key that draws cell by cell.
TEST_F(BatchedDrawing, ScenesGiveTheSamePixelsCollectedAndCellByCellAndAKeyChoosesTheReferenceMethod)
{
    sf::CircleShape circle(90);
    circle.setFillColor(sf::Color(200, 40, 40, 160)); // see-through: what lies under it shows
    circle.setPosition(300, 200);
    sf::RectangleShape bar(sf::Vector2f(500, 30));
    bar.setFillColor(sf::Color::White);
    bar.setPosition(250, 330);
    const std::string bigRed = "font_scale:3,\nwindow_background_color:red,\n";
    const struct
    {
        const char* name;
        std::string config;
        std::function<void()> scene;
        int batchedCalls;
    } cases[] = {
        {"shapes drawn straight into the window stay between the characters around them",
         "window_background_color:green,\n",
         [&]
         {
             for (int row = 6; row < 14; ++row)
             {
                 (void)display().drawString(Vector(20, static_cast<float>(row)), "under the circle ~~~~", qm::LEFT,
                                            qm::YELLOW);
             }
             ASSERT_EQ(display().drawIntoWindow(circle), 0);
             (void)display().drawString(Vector(30, 9), "OVER", qm::CENTER, qm::MAGENTA);
             display().flush();
             display().getWindow()->draw(bar); // the window itself, as shapes may use it
             (void)display().drawString(Vector(30, 10.5f), "ON THE BAR", qm::CENTER, qm::BLUE);
         },
         4}, // characters, circle, characters (flushed before the bar), characters
        // Bigger glyphs fill the glyph page sooner, so it grows while the first frame is collected.
        {"every glyph loaded mid-frame", bigRed,
         []
         {
             for (int c = 0; c < 256; ++c)
             {
                 (void)display().drawCh(Vector(static_cast<float>(c % 80), static_cast<float>(c / 80) * 1.5f),
                                        static_cast<char>(c), c % 8);
             }
         },
         1},
        // Five overlapping full screens of changing characters, each shifted by half and quarter cells (where the
        // game's sprites stand): 9,600 characters, drawn in two batches.
        {"more characters than one batch holds", bigRed,
         []
         {
             for (int i = 0; i < 5 * 80 * 24; ++i)
             {
                 const int x = i % 80, y = i / 80 % 24, layer = i / (80 * 24);
                 (void)display().drawCh(Vector(static_cast<float>(x) + 0.5f * static_cast<float>(layer),
                                               static_cast<float>(y) + 0.25f * static_cast<float>(layer)),
                                        static_cast<char>('!' + (x * 7 + y * 3 + layer) % 94), (x + y + layer) % 8);
             }
         },
         2},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (c.config != (&c == cases ? "" : (&c - 1)->config))
        {
            ASSERT_EQ(startWindowed(c.config), 0);
            ASSERT_TRUE(display().isBatched()) << "collecting characters is the default";
            display().swapBuffers();
        }
        expectSamePicture(c.scene, c.batchedCalls);
    }

    ASSERT_EQ(startWindowed("batch_drawing:false,\n"), 0);
    EXPECT_FALSE(display().isBatched());
    ASSERT_EQ(display().drawString(Vector(10, 10), "abc", qm::LEFT, qm::WHITE), 0);
    ASSERT_EQ(display().swapBuffers(), 0);
    EXPECT_EQ(qm::getEngineCounters().frameDrawCalls, 6);
}

} // namespace
