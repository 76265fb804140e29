#ifndef QM_FRAME_H
#define QM_FRAME_H

#include <qm/Vector.h>

#include <string>

namespace qm
{

/// One character-art picture: `height` rows of `width` characters, stored row after row.
/// Character (x, y) is at index y * width + x. The default frame is empty (0 x 0).
class Frame
{
public:
    Frame() = default;
    Frame(int frameWidth, int frameHeight, std::string characters)
        : width(frameWidth), height(frameHeight), frameString(std::move(characters))
    {
    }

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    std::string getString() const { return frameString; }

    /// Draws the frame centred on `position` (world spaces), every character in `color`
    /// except those equal to `transparency` (0: none is transparent). Returns 0, or -1 as
    /// soon as one cell cannot be drawn (headless, or the display not started).
    int draw(Vector position, int color, char transparency) const;

private:
    int width = 0;
    int height = 0;
    std::string frameString;
};

} // namespace qm

#endif
