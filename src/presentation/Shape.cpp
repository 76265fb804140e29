#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/LogManager.h>
#include <qm/Shape.h>
#include <qm/utility.h>

#include <SFML/Graphics/CircleShape.hpp>

#include <algorithm>
#include <cmath>
#include <vector>

namespace qm
{

namespace
{
// Every shape of the process is drawn with this one SFML shape, made on first use and kept
// until exit. Each draw sets all the geometry it relies on.
sf::CircleShape& sharedShape()
{
    static sf::CircleShape shape(0, 30);
    return shape;
}
} // namespace

Shape::Shape()
{
    // The cell size is truncated to whole pixels first, then scaled.
    const float cell = std::trunc(std::min(charWidth(), charHeight()));
    const float scaled = Config::getInstance().getFontScale() * cell;
    size = std::isfinite(scaled) ? scaled : 0.0f;
}

void Shape::setType(int newType)
{
    if (newType < -1 || newType > TRIANGLE)
    {
        LogManager::getInstance().writeLog("Shape::setType(): Unknown shape type %d. Ignoring.", newType);
        return;
    }
    type = newType;
}

void Shape::setSize(float newSize)
{
    // A size that is not finite would reach the point count as an integer conversion.
    if (!std::isfinite(newSize))
    {
        LogManager::getInstance().writeLog("Shape::setSize(): Size %f not finite. Ignoring.",
                                           static_cast<double>(newSize));
        return;
    }
    size = newSize;
}

void Shape::setColor(int newColor)
{
    if (newColor < BLACK || newColor > CUSTOM)
    {
        LogManager::getInstance().writeLog("Shape::setColor(): Unknown color %d. Ignoring.", newColor);
        return;
    }
    color = newColor;
}

void Shape::setRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    r = red;
    g = green;
    b = blue;
}

void Shape::draw(Vector position)
{
    LogManager& log = LogManager::getInstance();
    DisplayManager& display = DisplayManager::getInstance();
    const Vector pixel = spacesToPixels(worldToView(position));
    sf::CircleShape& shape = sharedShape();
    switch (type)
    {
    case CIRCLE:
        shape.setPointCount(size < 3 ? 3 : size > 10 ? 10 : static_cast<std::size_t>(size));
        shape.setRadius(size);
        shape.setRotation(0);
        shape.setPosition(pixel.getX() - size * 0.5f, pixel.getY() - size * 0.5f);
        break;
    case SQUARE:
        shape.setPointCount(4);
        shape.setRotation(45);
        shape.setRadius(size / Config::getInstance().getFontScale());
        shape.setPosition(pixel.getX() + size * 0.5f, pixel.getY() - size / 1.75f);
        break;
    case TRIANGLE:
        shape.setPointCount(3);
        // A square drawn earlier leaves its rotation on the shared shape; a triangle must look
        // the same whatever was drawn before it.
        shape.setRotation(0);
        shape.setRadius(size * 0.5f);
        shape.setPosition(pixel.getX() - size * 0.5f, pixel.getY() - size * 0.5f);
        break;
    default:
        break;
    }
    if (opacity > 0 && type >= CIRCLE)
    {
        // In the grid of cells: the cells whose centres lie inside the shape.
        std::vector<Vector> corners;
        for (std::size_t i = 0; i < shape.getPointCount(); ++i)
        {
            const sf::Vector2f corner = shape.getTransform().transformPoint(shape.getPoint(i));
            corners.emplace_back(corner.x / charWidth(), corner.y / charHeight());
        }
        display.fillCells(corners, color == CUSTOM ? CellColor::rgb(r, g, b) : CellColor::engine(color));
    }
    if (display.getWindow() == nullptr)
    {
        log.writeLog(5, "Shape::draw(): DisplayManager window not defined.");
        return;
    }
    if (color != CUSTOM)
    {
        colorToRGB(color, r, g, b);
    }
    shape.setFillColor(sf::Color(r, g, b, opacity));
    log.writeLog(20, "Shape::draw(): Drawing at (%.2f, %.2f)", static_cast<double>(pixel.getX()),
                 static_cast<double>(pixel.getY()));
    // After the characters drawn so far, which the display may still be collecting.
    display.drawIntoWindow(shape);
}

bool Shape::operator==(const Shape& other) const
{
    return color == other.color && r == other.r && g == other.g && b == other.b && type == other.type &&
           size == other.size && opacity == other.opacity;
}

} // namespace qm
