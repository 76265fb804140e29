// Free functions shared across the engine: engine colours, the time-of-day text of log
// lines, number and boolean text, and the geometry helpers on vectors, boxes and objects.
#ifndef QM_UTILITY_H
#define QM_UTILITY_H

#include <qm/Box.h>
#include <qm/Vector.h>

#include <SFML/Graphics/Color.hpp>

#include <cstdint>
#include <string>

namespace qm
{

class Object;

/// The engine colours. CUSTOM marks a colour given directly as red, green and blue.
enum Color
{
    BLACK = 0,
    RED = 1,
    GREEN = 2,
    YELLOW = 3,
    BLUE = 4,
    MAGENTA = 5,
    CYAN = 6,
    WHITE = 7,
    CUSTOM = 8,
};

/// Sets r, g, b for colours 0 to 7. CUSTOM and unknown values leave them unchanged
/// (unknown values are logged at level 5).
void colorToRGB(int color, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b);

/// The opaque SFML colour for 0 to 7; white (with a level-5 log line) for anything else.
sf::Color colorToSFML(int color);

/// The engine colour named by a lower-case word ("black" .. "white"); -1 when unknown.
int colorFromName(const std::string& name);

/// Local time of day as "hh:mm:ss", or "(time error)". The text lives in a static buffer
/// that the next call overwrites; not re-entrant.
const char* getTimeString();

/// Decimal text of `value`, as a default-formatted output stream writes it.
std::string toString(int value);

/// Shortest text with six significant digits, as a default-formatted stream writes a float
/// (0.5, 3, 0.333333, 1e+06).
std::string toString(float value);

/// "true" or "false".
std::string toString(bool value);

/// value >= min and value <= max.
inline bool valueInRange(float value, float min, float max)
{
    return value >= min && value <= max;
}

/// True when `p` lies in the closed box.
bool boxContainsPosition(const Box& box, const Vector& p);

/// True when the closed boxes overlap; boxes that only share an edge overlap. Inline: the
/// world's collision search calls it for every pair of moving and solid objects.
inline bool boxIntersectsBox(const Box& a, const Box& b)
{
    const float ax = a.getCorner().getX();
    const float ay = a.getCorner().getY();
    const float bx = b.getCorner().getX();
    const float by = b.getCorner().getY();
    const bool overlapX = valueInRange(ax, bx, bx + b.getHorizontal()) || valueInRange(bx, ax, ax + a.getHorizontal());
    const bool overlapY = valueInRange(ay, by, by + b.getVertical()) || valueInRange(by, ay, ay + a.getVertical());
    return overlapX && overlapY;
}

/// Euclidean distance between two positions.
float distance(const Vector& p, const Vector& q);

/// The object's box moved to its position, in world coordinates.
Box getWorldBox(const Object* object);

/// The object's box moved to `where`, in world coordinates.
Box getWorldBox(const Object* object, const Vector& where);

/// `p` (world spaces) relative to the corner of the world manager's view: where in the window
/// a world position is, in spaces.
Vector worldToView(const Vector& p);

/// The inverse of worldToView: the world position of a place in the window, in spaces.
Vector viewToWorld(const Vector& p);

/// The side or corner of `other` from which `object`, moving with its velocity, came into
/// contact: one of the eight unit directions, or (0, 0) with a log line when none touches.
Vector getNormal(const Object* object, const Object* other);

} // namespace qm

#endif
