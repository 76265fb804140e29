#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <sstream>

namespace qm
{

namespace
{
struct ColorEntry
{
    const char* name;
    std::uint8_t r, g, b;
};

constexpr ColorEntry COLORS[] = {
    {"black", 0, 0, 0},  {"red", 255, 0, 0},       {"green", 0, 255, 0},  {"yellow", 255, 255, 0},
    {"blue", 0, 0, 255}, {"magenta", 255, 0, 255}, {"cyan", 0, 255, 255}, {"white", 255, 255, 255},
};
constexpr int COLOR_COUNT = sizeof(COLORS) / sizeof(COLORS[0]);

template <typename T> std::string streamed(T value)
{
    std::ostringstream out;
    out << value;
    return out.str();
}
} // namespace

void colorToRGB(int color, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b)
{
    if (color >= 0 && color < COLOR_COUNT)
    {
        r = COLORS[color].r;
        g = COLORS[color].g;
        b = COLORS[color].b;
        return;
    }
    if (color != CUSTOM)
    {
        LogManager::getInstance().writeLog(5, "colorToRGB(): Color %d not supported.", color);
    }
}

sf::Color colorToSFML(int color)
{
    if (color >= 0 && color < COLOR_COUNT)
    {
        return {COLORS[color].r, COLORS[color].g, COLORS[color].b};
    }
    if (color == CUSTOM)
    {
        LogManager::getInstance().writeLog(5, "colorToSFML(): Color is CUSTOM.");
    }
    else
    {
        LogManager::getInstance().writeLog(5, "colorToSFML(): Color %d not supported.", color);
    }
    return sf::Color::White;
}

int colorFromName(const std::string& name)
{
    for (int i = 0; i < COLOR_COUNT; ++i)
    {
        if (name == COLORS[i].name)
        {
            return i;
        }
    }
    return -1;
}

const char* getTimeString()
{
    static char buffer[32];
    const std::time_t now = std::time(nullptr);
    const std::tm* local = now == static_cast<std::time_t>(-1) ? nullptr : std::localtime(&now);
    if (local == nullptr)
    {
        std::snprintf(buffer, sizeof(buffer), "(time error)");
    }
    else
    {
        std::snprintf(buffer, sizeof(buffer), "%02d:%02d:%02d", local->tm_hour, local->tm_min, local->tm_sec);
    }
    return buffer;
}

std::string toString(int value)
{
    return streamed(value);
}

std::string toString(float value)
{
    return streamed(value);
}

std::string toString(bool value)
{
    return value ? "true" : "false";
}

bool boxContainsPosition(const Box& box, const Vector& p)
{
    const Vector c = box.getCorner();
    return valueInRange(p.getX(), c.getX(), c.getX() + box.getHorizontal()) &&
           valueInRange(p.getY(), c.getY(), c.getY() + box.getVertical());
}

float distance(const Vector& p, const Vector& q)
{
    const float dy = std::fabs(p.getY() - q.getY());
    const float dx = std::fabs(p.getX() - q.getX());
    return std::sqrt(dy * dy + dx * dx);
}

Box getWorldBox(const Object* object)
{
    return getWorldBox(object, object->getPosition());
}

Box getWorldBox(const Object* object, const Vector& where)
{
    Box box = object->getBox();
    const Vector corner = box.getCorner();
    box.setCorner(Vector(corner.getX() + where.getX(), corner.getY() + where.getY()));
    return box;
}

Vector worldToView(const Vector& p)
{
    return p - WorldManager::getInstance().getView().getCorner();
}

Vector viewToWorld(const Vector& p)
{
    return p + WorldManager::getInstance().getView().getCorner();
}

Vector getNormal(const Object* object, const Object* other)
{
    // Binary search along the velocity for the last position at which the moving box is
    // still clear of the obstacle. The probe keeps its scaling from pass to pass.
    Vector probe = object->getVelocity();
    Vector lastClear = object->getPosition();
    const Box obstacle = getWorldBox(other);
    float t = 0.5f;
    float step = 1.0f;
    for (int pass = 1; pass <= 7; ++pass)
    {
        probe.scale(t);
        const Vector candidate = object->getPosition() + probe;
        step *= 0.5f;
        if (boxIntersectsBox(getWorldBox(object, candidate), obstacle))
        {
            t -= step;
        }
        else
        {
            lastClear = candidate;
            t += step;
        }
    }

    const Box moved = getWorldBox(object, lastClear);
    const float ox = obstacle.getCorner().getX();
    const float oy = obstacle.getCorner().getY();
    const float oh = obstacle.getHorizontal();
    const float ov = obstacle.getVertical();
    auto region = [oh, ov](float x, float y) { return Box(Vector(x, y), oh, ov); };

    struct Candidate
    {
        Box region;
        Vector normal;
    };
    const Candidate candidates[] = {
        {region(ox, oy - ov), Vector(0, -1)},       {region(ox, oy + ov), Vector(0, 1)},
        {region(ox - oh, oy), Vector(-1, 0)},       {region(ox + oh, oy), Vector(1, 0)},
        {region(ox - oh, oy - ov), Vector(-1, -1)}, {region(ox + oh, oy - ov), Vector(1, -1)},
        {region(ox - oh, oy + ov), Vector(-1, 1)},  {region(ox + oh, oy + ov), Vector(1, 1)},
    };
    for (const Candidate& c : candidates)
    {
        if (boxIntersectsBox(moved, c.region))
        {
            return c.normal;
        }
    }
    LogManager::getInstance().writeLog("getNormal(): collision not detected. Returning (0,0).");
    return Vector(0, 0);
}

} // namespace qm
