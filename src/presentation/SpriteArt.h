// What the two splash screens share: sprites built from character art written in code, and
// how a splash ends on a key or at game over.
#ifndef QM_SPRITEART_H
#define QM_SPRITEART_H

#include <qm/Event.h>
#include <qm/GameManager.h>
#include <qm/Object.h>
#include <qm/Sprite.h>
#include <qm/WorldManager.h>

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

/// The handling both splash screens start with: at game over the splash goes (0); a key
/// press ends the splash run and the splash goes (1, handled). -1 for any other event.
inline int endSplash(Object& splash, const Event* event)
{
    GameManager& game = GameManager::getInstance();
    if (game.getGameOver())
    {
        WorldManager::getInstance().markForDelete(&splash);
        return 0;
    }
    if (event->getType() == EVENT_KEYBOARD)
    {
        game.setGameOver(true);
        WorldManager::getInstance().markForDelete(&splash);
        return 1;
    }
    return -1;
}

} // namespace qm

#endif
