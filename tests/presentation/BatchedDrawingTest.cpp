// Characters collected into one draw call must give exactly the pixels of drawing them one at a time: each scene
// is drawn both ways into a real window on the private X server, read back and compared pixel for pixel.
#include "support/WindowTest.h"

#include <qm/EngineCounters.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <SFML/Graphics/CircleShape.hpp>
#include <SFML/Graphics/RectangleShape.hpp>

#include <cstdlib>
#include <functional>

namespace
{

using qm::Frame;
using qm::Vector;

qm::DisplayManager& display()
{
    return qm::DisplayManager::getInstance();
}

// `layers` full screens of `w` x `h` changing coloured characters, cell (x, y) of layer l at (x * sx + dx * l,
// y * sy + dy * l).
void screens(int layers, int w, int h, float dx, float dy, float sx = 1, float sy = 1)
{
    for (int i = 0; i < layers * w * h; ++i)
    {
        const int x = i % w, y = i / w % h, layer = i / (w * h);
        const float l = static_cast<float>(layer);
        (void)display().drawCh(Vector(static_cast<float>(x) * sx + dx * l, static_cast<float>(y) * sy + dy * l),
                               static_cast<char>('!' + (x * 7 + y * 3 + layer) % 94), (x + y + layer) % 8);
    }
}

class BatchedDrawing : public qmtest::WindowTest
{
protected:
    void start(const std::string& extra)
    {
        ASSERT_EQ(startWindowed(extra), 0);
        ASSERT_TRUE(display().isBatched()) << "collecting characters is the default";
        display().swapBuffers();
    }

    // Draws `scene` collected (first, so that the glyphs it loads join the page mid-frame), then cell by cell:
    // the same pixels but `offByOneAllowed` one level apart, and `batchedCalls` draw calls when collected.
    void expectSamePicture(const std::function<void()>& scene, int batchedCalls, int offByOneAllowed = 0)
    {
        sf::Image pictures[2];
        int calls[2] = {0, 0};
        for (const bool batched : {true, false})
        {
            display().setBatched(batched);
            scene();
            pictures[batched ? 0 : 1] = qmtest::captureDisplay();
            display().swapBuffers();
            calls[batched ? 0 : 1] = qm::getEngineCounters().frameDrawCalls;
        }
        EXPECT_EQ(calls[0], batchedCalls);
        EXPECT_GT(calls[1], calls[0]);

        ASSERT_EQ(pictures[0].getSize(), pictures[1].getSize());
        const sf::Vector2u size = pictures[1].getSize();
        const sf::Color background = pictures[1].getPixel(size.x - 1, size.y - 1);
        int differing = 0, offByOne = 0, drawn = 0;
        for (unsigned i = 0; i < size.x * size.y; ++i)
        {
            const sf::Color a = pictures[0].getPixel(i % size.x, i / size.x),
                            b = pictures[1].getPixel(i % size.x, i / size.x);
            const bool near = std::abs(a.r - b.r) <= 1 && std::abs(a.g - b.g) <= 1 && std::abs(a.b - b.b) <= 1;
            drawn += b != background ? 1 : 0;
            offByOne += a != b && near ? 1 : 0;
            differing += near ? 0 : 1;
            EXPECT_TRUE(near || differing > 1) << "first difference at (" << i % size.x << ", " << i / size.x << ")";
        }
        EXPECT_EQ(differing, 0);
        EXPECT_LE(offByOne, offByOneAllowed);
        EXPECT_GT(drawn, 2000) << "the scene drew too little to compare";
    }
};

// Scenes in windows of several configurations, each started once; at last the configuration key that draws cell by
// cell.
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
        int batchedCalls, offByOneAllowed;
    } cases[] = {
        {"overlapping sprites at several altitudes in a shifted view", "window_background_color:blue,\n",
         [&]
         {
             if (sprites.empty()) // made at the first drawing
             {
                 const Frame fish(5, 3, "#/WW\\<MM@@>#\\WW/");
                 const Frame block(4, 2, "gjpqQ%&W");
                 // Created in an order unlike their altitudes, overlapping, at fractional positions.
                 frameObject(fish, qm::YELLOW, Vector(20.5f, 10), 2);
                 frameObject(block, qm::RED, Vector(21.25f, 10.5f), 0);
                 frameObject(fish, qm::GREEN, Vector(22, 11), 4);
                 frameObject(block, qm::MAGENTA, Vector(19.75f, 11.5f), 3);
                 frameObject(fish, qm::CYAN, Vector(23.5f, 9.5f), 1);
                 for (int i = 0; i < 12; ++i)
                 {
                     frameObject(i % 2 ? fish : block, i % 8,
                                 Vector(4.0f + 5.3f * static_cast<float>(i), 3.0f + 0.4f * static_cast<float>(i)),
                                 i % 5);
                 }
                 qm::WorldManager::getInstance().setView(qm::Box(Vector(1.3f, 0.7f), 80, 24));
             }
             qm::WorldManager::getInstance().draw();
         },
         1, 0},
        {"strings of every justification with glyphs overhanging their cells",
         "window_background_color:cyan,\nfont_scale:2.6,\n",
         []
         {
             // Wide and tall glyphs reach into neighbouring cells; lines half a cell apart
             // make later backgrounds cover the overhang of earlier glyphs.
             const char* lines[] = {"WWMM@@%%mmww", "gjpqy|[]{}Q\xc5", "The quick brown fox", "#$&*(_)+=~`"};
             for (int i = 0; i < 12; ++i)
             {
                 const auto justification = static_cast<qm::Justification>(i % 3);
                 (void)display().drawString(
                     Vector(40.0f + 0.3f * static_cast<float>(i), 1.0f + 1.5f * static_cast<float>(i)), lines[i % 4],
                     justification, i % 8);
                 (void)display().drawString(Vector(40, 1.5f + 1.5f * static_cast<float>(i)), lines[(i + 1) % 4],
                                            justification, (i + 3) % 8);
             }
             // Cells at the window's edges, half outside.
             (void)display().drawString(Vector(0, 23.5f), "LEFT", qm::RIGHT, qm::WHITE);
             (void)display().drawString(Vector(80, 23.5f), "RIGHT", qm::LEFT, qm::WHITE);
         },
         1, 0},
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
         4, 0}, // characters, circle, characters (flushed before the bar), characters
        {"shapes drawn through the window before any character: the backgrounds over them still cover them",
         "window_background_color:green,\n",
         [&]
         {
             display().flush();
             display().getWindow()->draw(bar);
             display().getWindow()->draw(circle);
             for (int row = 6; row < 14; ++row)
             {
                 (void)display().drawString(Vector(30, static_cast<float>(row) + 0.5f), "covers", qm::CENTER, qm::RED);
             }
         },
         1, 0},
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
         1, 0},
        // Five overlapping full screens, each shifted by half and quarter cells (where the game's
        // sprites stand): 9,600 characters, drawn in two batches.
        {"more characters than one batch holds", bigRed, [] { screens(5, 80, 24, 0.5f, 0.25f); }, 2, 0},
        // Any other shift rounds a few vertices differently from the same characters drawn one by one: the geometry
        // must still be the same, and at most a few dozen of the 786,432 pixels one level apart.
        {"arbitrary fractional shifts", bigRed, [] { screens(5, 80, 24, 0.2f, 0.3f); }, 2, 40},
        {"window sizes that are no power of two",
         "window_horizontal_pixels:1000,\nwindow_vertical_pixels:700,\nwindow_horizontal_chars:90,\n"
         "window_vertical_chars:28,\nwindow_background_color:white,\n",
         [] { screens(1, 90, 28, 0, 0, 1.01f, 0.99f); }, 1, 0},
    };
    std::string config;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (c.config != config)
        {
            config = c.config;
            start(config);
        }
        expectSamePicture(c.scene, c.batchedCalls, c.offByOneAllowed);
    }

    ASSERT_EQ(startWindowed("batch_drawing:false,\n"), 0);
    EXPECT_FALSE(display().isBatched());
    ASSERT_EQ(display().drawString(Vector(10, 10), "abc", qm::LEFT, qm::WHITE), 0);
    ASSERT_EQ(display().swapBuffers(), 0);
    EXPECT_EQ(qm::getEngineCounters().frameDrawCalls, 6);
}

} // namespace
