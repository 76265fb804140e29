// Builds sprites from character art written in code (the splash screens' pictures).
#ifndef QM_SPRITEART_H
#define QM_SPRITEART_H

#include <qm/Sprite.h>

#include <initializer_list>
#include <memory>
#include <string>

namespace qm
{

/// A sprite of `width` x `height` frames, one per entry of `frames`; each entry holds the
/// frame's rows, each exactly `width` characters long.
inline std::unique_ptr<Sprite> spriteFromArt(const std::string& label, int width, int height, int color, int slowdown,
                                             std::initializer_list<const char* const*> frames)
{
    auto sprite = std::make_unique<Sprite>(static_cast<int>(frames.size()));
    sprite->setLabel(label);
    sprite->setWidth(width);
    sprite->setHeight(height);
    sprite->setColor(color);
    sprite->setSlowdown(slowdown);
    for (const char* const* rows : frames)
    {
        std::string text;
        for (int row = 0; row < height; ++row)
        {
            text += rows[row];
        }
        sprite->addFrame(Frame(width, height, text));
    }
    return sprite;
}

} // namespace qm

#endif
