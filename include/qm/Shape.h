#ifndef QM_SHAPE_H
#define QM_SHAPE_H

#include <qm/Vector.h>

#include <cstdint>

namespace qm
{

/// The primitives a Shape draws; -1 (no shape) is also a valid type.
enum ShapeType : int
{
    CIRCLE = 0,
    SQUARE = 1,
    TRIANGLE = 2,
};

/// A filled circle, square or triangle that an object shows at its position on top of its
/// animation. A plain value type: every Object holds one (type -1, not drawn, by default)
/// and Object::setShape copies it. Sizes are in window pixels, unlike everything else.
///
///     qm::Shape marker;
///     marker.setType(qm::TRIANGLE);
///     marker.setColor(qm::BLUE);
///     marker.setSize(16);
///     object->setShape(marker); // drawn centred on the object from now on
class Shape
{
public:
    /// A white, opaque CIRCLE whose size is font_scale times the cell's smaller side (in whole
    /// pixels), or 0 when the display has no cell size yet.
    Shape();

    /// Accepts -1 (none), CIRCLE, SQUARE and TRIANGLE. Any other value is logged and ignored.
    void setType(int newType);
    int getType() const { return type; }

    /// Size in pixels. A value that is not finite is logged and ignored.
    void setSize(float newSize);
    float getSize() const { return size; }

    /// An engine colour, BLACK .. CUSTOM; CUSTOM draws in the colour given to setRGB. Any
    /// other value is logged and ignored.
    void setColor(int newColor);
    int getColor() const { return color; }

    /// The fill colour used while the colour is CUSTOM; drawing in another colour overwrites it.
    void setRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
    std::uint8_t getRed() const { return r; }
    std::uint8_t getGreen() const { return g; }
    std::uint8_t getBlue() const { return b; }

    /// Alpha of the fill, 0 (invisible) to 255 (opaque).
    void setOpacity(std::uint8_t newOpacity) { opacity = newOpacity; }
    std::uint8_t getOpacity() const { return opacity; }

    /// Draws the shape at `position` (world spaces) into the display's window. Without a
    /// window (headless, or before start-up) it only logs that at level 5.
    void draw(Vector position);

    bool operator==(const Shape& other) const;
    bool operator!=(const Shape& other) const { return !(*this == other); }

private:
    int color = 7;
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    int type = CIRCLE;
    float size = 0.0f;
    std::uint8_t opacity = 255;
};

} // namespace qm

#endif
