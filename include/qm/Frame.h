#ifndef QM_FRAME_H
#define QM_FRAME_H

#include <qm/Vector.h>

#include <string>

namespace qm
{

/// One character-art picture: `height` rows of `width` characters, stored row after row as
/// UTF-8 text. A character is one code point: character (x, y) is code point y * width + x
/// (for ASCII art, the byte at that index). The default frame is empty (0 x 0).
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
    /// except those equal to `transparency` (a code point; 0: none is transparent). A
    /// malformed UTF-8 sequence is one character, drawn as U+FFFD. Returns 0, or -1 as soon as
    /// one cell cannot be drawn (headless, or the display not started).
    int draw(Vector position, int color, char32_t transparency) const;

private:
    int width = 0;
    int height = 0;
    std::string frameString;
};

} // namespace qm

#endif
