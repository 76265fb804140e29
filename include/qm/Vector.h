#ifndef QM_VECTOR_H
#define QM_VECTOR_H

namespace qm
{

/// A pair of floats in spaces (character cells): x grows to the right, y downwards.
/// Copied by value everywhere.
class Vector
{
public:
    Vector() = default;
    Vector(float initialX, float initialY) : x(initialX), y(initialY) {}

    float getX() const { return x; }
    float getY() const { return y; }
    void setX(float newX) { x = newX; }
    void setY(float newY) { y = newY; }
    void setXY(float newX, float newY)
    {
        x = newX;
        y = newY;
    }

    /// Length sqrt(x*x + y*y).
    float getMagnitude() const;

    /// Divides both components by the length; a zero vector stays (0, 0).
    void normalize();

    /// Multiplies both components by `s`, in place.
    void scale(float s);

    Vector operator+(const Vector& other) const { return {x + other.x, y + other.y}; }
    Vector operator-(const Vector& other) const { return {x - other.x, y - other.y}; }
    Vector& operator+=(const Vector& other)
    {
        x += other.x;
        y += other.y;
        return *this;
    }
    bool operator==(const Vector& other) const { return x == other.x && y == other.y; }
    bool operator!=(const Vector& other) const { return !(*this == other); }

private:
    float x = 0.0f;
    float y = 0.0f;
};

} // namespace qm

#endif
