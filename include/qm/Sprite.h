#ifndef QM_SPRITE_H
#define QM_SPRITE_H

#include <qm/Frame.h>

#include <string>
#include <vector>

namespace qm
{

/// A labelled sequence of equal-sized frames with one colour, an animation speed
/// (slowdown: game-loop steps per frame) and an optional transparent character (a code
/// point; frames are UTF-8 text, see Frame). Sprites
/// are owned by the resource manager (or by the object that built one in code) and are
/// referred to by pointer elsewhere.
///
///     Sprite* sprite = new Sprite(2);
///     sprite->setWidth(3);
///     sprite->setHeight(1);
///     sprite->addFrame(Frame(3, 1, "<o>"));
///     sprite->addFrame(Frame(3, 1, "<O>"));
class Sprite
{
public:
    /// A sprite that accepts up to `maxFrames` frames. A negative count is logged
    /// ("Unable to allocate") and leaves a sprite that accepts none. Frame storage grows
    /// as frames are added, so a large announced count costs nothing until filled.
    explicit Sprite(int maxFrames);

    /// Appends a copy of `frame`. Returns -1 (silently) when the sprite is full.
    int addFrame(Frame frame);

    /// A copy of frame `index`, or the empty frame when out of range.
    Frame getFrame(int index) const;

    int getFrameCount() const { return static_cast<int>(frames.size()); }
    int getMaxFrameCount() const { return maxFrameCount; }
    void setWidth(int newWidth) { width = newWidth; }
    int getWidth() const { return width; }
    void setHeight(int newHeight) { height = newHeight; }
    int getHeight() const { return height; }
    void setColor(int newColor) { color = newColor; }
    int getColor() const { return color; }
    void setSlowdown(int newSlowdown) { slowdown = newSlowdown; }
    int getSlowdown() const { return slowdown; }
    void setTransparency(char32_t newTransparency) { transparency = newTransparency; }
    char32_t getTransparency() const { return transparency; }
    void setLabel(std::string newLabel) { label = std::move(newLabel); }
    std::string getLabel() const { return label; }

    /// Draws frame `frameIndex` centred on `position` in the sprite's colour. An index out
    /// of range draws nothing and returns 0; otherwise the result of Frame::draw.
    int draw(int frameIndex, Vector position, char32_t transparencyChar) const;

private:
    int width = 0;
    int height = 0;
    int maxFrameCount = 0;
    int color = 7;
    int slowdown = 1;
    char32_t transparency = 0;
    std::vector<Frame> frames;
    std::string label = "[Undefined]";
};

} // namespace qm

#endif
