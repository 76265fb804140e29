#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/Frame.h>

namespace qm
{

int Frame::draw(Vector position, int color, char transparency) const
{
    if (frameString.empty() || height <= 0 || width <= 0)
    {
        return 0;
    }
    // Frames are centred on the position; even sizes land on half cells.
    const float halfWidth = static_cast<float>(width - 1) * 0.5f;
    const float halfHeight = static_cast<float>(height - 1) * 0.5f;
    DisplayManager& display = DisplayManager::getInstance();
    // Headless, drawCh fails by design but still sets the grid of cells: every character
    // must reach it, and the frame still reports the failure.
    const bool headless = Config::getInstance().getHeadless();
    int result = 0;
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const std::size_t at =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
            if (at >= frameString.size())
            {
                return result; // a short frame string draws what it has
            }
            const char c = frameString[at];
            if (transparency != 0 && c == transparency)
            {
                continue;
            }
            const Vector cell(position.getX() + static_cast<float>(x) - halfWidth,
                              position.getY() + static_cast<float>(y) - halfHeight);
            if (display.drawCh(cell, c, color) != 0)
            {
                if (!headless)
                {
                    return -1;
                }
                result = -1;
            }
        }
    }
    return result;
}

} // namespace qm
