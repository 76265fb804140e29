#ifndef QM_BOX_H
#define QM_BOX_H

#include <qm/Vector.h>

namespace qm
{

/// An axis-aligned rectangle in spaces: upper-left corner plus horizontal and vertical
/// extents. Boxes are closed: their edges belong to them. An object's box is relative to
/// the object's position until getWorldBox moves it into world coordinates.
class Box
{
public:
    Box() = default;
    Box(Vector initialCorner, float initialHorizontal, float initialVertical)
        : corner(initialCorner), horizontal(initialHorizontal), vertical(initialVertical)
    {
    }

    Vector getCorner() const { return corner; }
    void setCorner(Vector newCorner) { corner = newCorner; }
    float getHorizontal() const { return horizontal; }
    void setHorizontal(float value) { horizontal = value; }
    float getVertical() const { return vertical; }
    void setVertical(float value) { vertical = value; }

    bool operator==(const Box& other) const
    {
        return corner == other.corner && horizontal == other.horizontal && vertical == other.vertical;
    }
    bool operator!=(const Box& other) const { return !(*this == other); }

private:
    Vector corner;
    float horizontal = 0.0f;
    float vertical = 0.0f;
};

} // namespace qm

#endif
