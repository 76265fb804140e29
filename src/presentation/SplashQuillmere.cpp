#include "presentation/SpriteArt.h"

#include <qm/Animation.h>
#include <qm/Event.h>
#include <qm/GameManager.h>
#include <qm/SplashQuillmere.h>
#include <qm/Sprite.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

namespace qm
{

namespace
{
constexpr int FLYING_WIDTH = 11;
constexpr int FLYING_HEIGHT = 7;
constexpr int RESTING_WIDTH = 9;
constexpr int RESTING_HEIGHT = 6;

// A quill in flight, its vanes beating: two positions, 11 x 7 each.
const char* const FLYING_UP[FLYING_HEIGHT] = {
    "         ,|", "       _/ |", "     _/  / ", "   _/  /   ", "  /  /     ", " / /       ", "/          ",
};
const char* const FLYING_DOWN[FLYING_HEIGHT] = {
    "          ,", "        _/|", "      _/ / ", "    _/ /   ", "  _/ /     ", " / /       ", "/          ",
};

// The quill come to rest over the mere: 9 x 6.
const char* const RESTING[RESTING_HEIGHT] = {
    "      _/ ", "    _/ / ", "  _/ /   ", " / /     ", "/        ", "~~~~~~~~~",
};

} // namespace

SplashQuillmere::SplashQuillmere(Vector targetPosition)
    : target(targetPosition),
      sprite(spriteFromArt("splash-quillmere", FLYING_WIDTH, FLYING_HEIGHT, BLUE, 2, {FLYING_UP, FLYING_DOWN}))
{
    Animation flight;
    flight.setSprite(sprite.get());
    setAnimation(flight, true);

    setType("SplashQuillmere");
    setSolidness(SPECTRAL);

    const Box view = WorldManager::getInstance().getView();
    setPosition(Vector(target.getX(), view.getCorner().getY() + view.getVertical() + 6));
    setVelocity(Vector(0, -(getPosition().getY() - target.getY()) / 30.0f));

    registerInterest(EVENT_STEP);
    registerInterest(EVENT_KEYBOARD);
}

SplashQuillmere::~SplashQuillmere() = default;

int SplashQuillmere::eventHandler(const Event* event)
{
    const int ended = endSplash(*this, event);
    if (ended != -1)
    {
        return ended;
    }
    if (event->getType() != EVENT_STEP)
    {
        return 0;
    }

    --countdown;
    if (countdown <= 0 && getPosition().getY() <= target.getY())
    {
        setVelocity(Vector(0, 0));
    }
    if (countdown == -15)
    {
        // The resting figure has no label of its own.
        std::unique_ptr<Sprite> resting =
            spriteFromArt("[Undefined]", RESTING_WIDTH, RESTING_HEIGHT, GREEN, 1, {RESTING});
        Animation rest;
        rest.setSprite(resting.get());
        // Past the only frame: the next draw shows nothing, then the animation wraps.
        rest.setIndex(1);
        setAnimation(rest, true);
        sprite = std::move(resting); // the flying sprite is no longer referred to
        setPosition(Vector(getPosition().getX() - 1, getPosition().getY()));
    }
    if (countdown == -45)
    {
        GameManager::getInstance().setGameOver(true);
        WorldManager::getInstance().markForDelete(this);
    }
    return 1;
}

} // namespace qm
