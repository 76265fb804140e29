// Shapes drawn into a real window (pixels read back under a private X server) and without one.
#include "support/WindowTest.h"

#include <qm/Shape.h>
#include <qm/utility.h>

#include <algorithm>
#include <cmath>

namespace
{

using qm::Vector;
using qmtest::countOf;

using qmtest::pixelsOf;

qm::Shape shapeOf(int type, int color, float size)
{
    qm::Shape shape;
    shape.setType(type);
    shape.setColor(color);
    shape.setSize(size);
    return shape;
}

// A 1024 x 768 window of 80 x 24 cells (12.8 x 32 pixels), font_scale 2, cleared to black.
// World (20, 10) is pixel (256, 320).
using ShapeWindow = qmtest::WindowTest;

TEST_F(ShapeWindow, RedCircleGreenSquareAndBlueTriangleShowWhereTheyBelongInTheirColours)
{
    ASSERT_EQ(startWindowed(), 0);
    const auto clear = [] { clearWindow(sf::Color::Black); };
    // Size 40: a 10-point circle of radius 40 from (236, 300); a square of side 20 * sqrt(2),
    // rotated upright, around (276, 325.4); a triangle of radius 20 centred on the pixel.
    const struct
    {
        int type, color;
        sf::Color pixel;
        double area, x, y; // of the polygon and its centre, in pixels
        int halfWidth, halfHeight;
    } cases[] = {
        {qm::CIRCLE, qm::RED, sf::Color::Red, 5 * 1600 * std::sin(2 * M_PI / 10), 276, 340, 40, 40},
        {qm::SQUARE, qm::GREEN, sf::Color::Green, 800, 276, 325.4, 14, 14},
        {qm::TRIANGLE, qm::BLUE, sf::Color::Blue, 0.75 * std::sqrt(3.0) * 400, 256, 320, 17, 10},
    };
    qm::Object* object = new qm::Object;
    ASSERT_EQ(object->setPosition(Vector(20, 10)), 0);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.type);
        clear();
        object->setShape(shapeOf(c.type, c.color, 40));
        EXPECT_EQ(object->draw(), 0);
        const sf::Image image = qmtest::captureDisplay();
        const qmtest::Region region = pixelsOf(image, c.pixel);
        EXPECT_NEAR(region.count, c.area, c.area * 0.08);
        EXPECT_NEAR(region.x, c.x, 1.5);
        EXPECT_NEAR(region.y, c.y, c.type == qm::TRIANGLE ? 6 : 1.5); // a triangle's mean sits low
        EXPECT_EQ(image.getPixel(static_cast<unsigned>(c.x), static_cast<unsigned>(c.y)), c.pixel);
        // The corners of a box just around the shape keep the background.
        for (const int corner : {0, 1, 2, 3})
        {
            const double x = c.x + (corner % 2 == 0 ? -1 : 1) * (c.halfWidth + 2);
            const double y = c.y + (corner < 2 ? -1 : 1) * (c.halfHeight + 2);
            EXPECT_EQ(image.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y)), sf::Color::Black);
        }
    }
    clear();
    object->setShape(shapeOf(-1, qm::RED, 40)); // not drawn
    EXPECT_EQ(object->draw(), 0);
    EXPECT_EQ(pixelsOf(qmtest::captureDisplay(), sf::Color::Black).count, 1024 * 768);

    // A custom colour, an opacity and a named colour reach the pixels.
    clear();
    qm::Shape shape = shapeOf(qm::CIRCLE, qm::CUSTOM, 40);
    shape.setRGB(10, 20, 30);
    shape.draw(Vector(20, 10));
    EXPECT_EQ(qmtest::captureDisplay().getPixel(276, 340), sf::Color(10, 20, 30));
    clear();
    shape.setColor(qm::WHITE);
    shape.setOpacity(128); // half-transparent over black
    shape.draw(Vector(20, 10));
    const sf::Color grey = qmtest::captureDisplay().getPixel(276, 340);
    EXPECT_NEAR(grey.r, 128, 2);
    EXPECT_EQ(grey.r, grey.b);
    EXPECT_EQ(shape.getRed(), 255); // a named colour is stored as r, g, b when drawn
}

using HeadlessShape = qmtest::EngineTest;

TEST_F(HeadlessShape, RefusesUnknownValuesAndOnlyLogsWhenDrawing)
{
    qm::LogManager::getInstance().setLogLevel(5);
    ASSERT_EQ(startEngine(), 0);
    qm::Shape shape;
    EXPECT_EQ(shape.getSize(), 24.0f); // font_scale 2 times the 12.8-pixel cell side, truncated first
    shape.setType(qm::SQUARE);
    shape.setType(3);
    shape.setColor(9);
    shape.setSize(std::nanf(""));
    EXPECT_EQ(shape, shapeOf(qm::SQUARE, qm::WHITE, 24));
    shape.setType(-1);
    EXPECT_EQ(shape.getType(), -1);
    shape.setColor(qm::RED);
    shape.draw(Vector(1, 1));
    EXPECT_EQ(shape.getRed(), 0); // nothing drawn, nothing filled in
    for (const char* line :
         {"Shape::setType(): Unknown shape type 3. Ignoring.", "Shape::setColor(): Unknown color 9.",
          "Shape::setSize(): Size nan not finite.", "Shape::draw(): DisplayManager window not defined."})
    {
        EXPECT_EQ(countOf(log(), line), 1) << line;
    }
    EXPECT_EQ(countOf(log(), "Drawing at"), 0);

    // In the grid of cells (what a terminal or a watcher shows) a shape fills the cells it covers,
    // and a fully transparent one none.
    qm::DisplayManager& display = qm::DisplayManager::getInstance();
    for (const int opacity : {255, 0})
    {
        shape = shapeOf(qm::CIRCLE, qm::RED, 40);
        shape.setOpacity(static_cast<std::uint8_t>(opacity));
        shape.draw(Vector(10, 5));
        display.swapBuffers();
        const auto& cells = display.getCellGrid().getCells();
        const auto red =
            std::count_if(cells.begin(), cells.end(),
                          [](const qm::Cell& cell) { return cell.background == qm::CellColor::engine(qm::RED); });
        EXPECT_EQ(red > 0, opacity > 0) << "opacity " << opacity << ": " << red << " red cells";
    }
}

} // namespace
