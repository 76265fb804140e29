#include <qm/Vector.h>

#include <cmath>

namespace qm
{

float Vector::getMagnitude() const
{
    return std::sqrt(x * x + y * y);
}

void Vector::normalize()
{
    const float length = getMagnitude();
    if (length > 0.0f)
    {
        x /= length;
        y /= length;
    }
}

void Vector::scale(float s)
{
    x *= s;
    y *= s;
}

} // namespace qm
