#include "core/Utf8.h"

#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/Frame.h>

namespace qm
{

int Frame::draw(Vector position, int color, char32_t transparency) const
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
    std::size_t at = 0; // the byte the next character starts at, read in order
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            if (at >= frameString.size())
            {
                return result; // a short frame string draws what it has
            }
            const auto byte = static_cast<unsigned char>(frameString[at]);
            char32_t c = byte;
            if (byte < 0x80)
            {
                ++at;
            }
            else
            {
                const utf8::Decoded decoded = utf8::decodeAt(frameString, at);
                c = decoded.ch;
                at += decoded.length;
            }
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
