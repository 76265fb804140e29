#include <qm/LogManager.h>
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

} // namespace qm
