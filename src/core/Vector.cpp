#include <qm/Vector.h>

#include <cmath>

namespace qm
{

namespace
{
double length(double x, double y)
{
    return std::sqrt(x * x + y * y);
}
} // namespace

// In double: squaring in float overflows above about 1.8e19 and underflows below about
// 1e-19, which gave an infinite speed for a large finite velocity and left a tiny direction
// unnormalized.
float Vector::getMagnitude() const
{
    return static_cast<float>(length(static_cast<double>(x), static_cast<double>(y)));
}

void Vector::normalize()
{
    const double magnitude = length(static_cast<double>(x), static_cast<double>(y));
    if (magnitude > 0.0)
    {
        x = static_cast<float>(static_cast<double>(x) / magnitude);
        y = static_cast<float>(static_cast<double>(y) / magnitude);
    }
}

void Vector::scale(float s)
{
    x *= s;
    y *= s;
}

} // namespace qm
