#include "presentation/SpriteArt.h"

#include <qm/Animation.h>
#include <qm/Config.h>
#include <qm/Event.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Splash.h>
#include <qm/SplashQuillmere.h>
#include <qm/Sprite.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <algorithm>

namespace qm
{

namespace
{
constexpr int BANNER_WIDTH = 47;
constexpr int BANNER_HEIGHT = 8;

// The engine's name in two letterings, in the left 42 columns so that the logo can land
// to their right: block letters over calm water, then heavier letters over a ripple. Each frame is 47 x 8.
const char* const BLOCK_LETTERS[BANNER_HEIGHT] = {
    "                                               ", " ##  #  # # #    #    #   # #### ###  ####     ",
    "#  # #  # # #    #    ## ## #    #  # #        ", "#  # #  # # #    #    # # # ###  ###  ###      ",
    "# ## #  # # #    #    #   # #    # #  #        ", " ###  ##  # #### #### #   # #### #  # ####     ",
    "~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~~     ", "                                               ",
};

const char* const HEAVY_LETTERS[BANNER_HEIGHT] = {
    "                                               ", " @@  @  @ @ @    @    @   @ @@@@ @@@  @@@@     ",
    "@  @ @  @ @ @    @    @@ @@ @    @  @ @        ", "@  @ @  @ @ @    @    @ @ @ @@@  @@@  @@@      ",
    "@ @@ @  @ @ @    @    @   @ @    @ @  @        ", " @@@  @@  @ @@@@ @@@@ @   @ @@@@ @  @ @@@@     ",
    "-~-~-~-~-~-~-~-~-~-~-~-~-~-~-~-~-~-~-~-~-~     ", "                                               ",
};

// Steps of one splash half-way across the screen: half the frame time, at least one so
// that a zero or one-millisecond frame time still gives a finite speed.
float slideSteps()
{
    return static_cast<float>(std::max(1, Config::getInstance().getFrameTime() / 2));
}
} // namespace

int splash()
{
    LogManager& log = LogManager::getInstance();
    log.writeLog(10, "splash(): Started.");
    if (!GameManager::getInstance().isStarted())
    {
        log.writeLog("splash(): Error! Cannot run splash screen until game manger is started.");
        return -1;
    }
    new Splash; // owned by the world manager from here on
    GameManager::getInstance().run();
    log.writeLog(10, "splash(): Finished.");
    return 0;
}

Splash::Splash()
    : sprite(spriteFromArt("splash", BANNER_WIDTH, BANNER_HEIGHT, GREEN, 1, {BLOCK_LETTERS, HEAVY_LETTERS}))
{
    Animation banner;
    banner.setSprite(sprite.get());
    banner.setSlowdownCount(-1); // frozen on the first lettering
    setAnimation(banner, true);

    setType("Splash");
    setSolidness(SPECTRAL);

    const Box view = WorldManager::getInstance().getView();
    const float boxWidth = getBox().getHorizontal();
    setPosition(Vector(view.getCorner().getX() + view.getHorizontal() + boxWidth * 0.5f,
                       view.getCorner().getY() + view.getVertical() * 0.5f));
    setVelocity(Vector(-(view.getHorizontal() * 0.5f + boxWidth * 0.5f + 11.0f) / slideSteps(), 0.0f));

    registerInterest(EVENT_STEP);
    registerInterest(EVENT_KEYBOARD);
}

Splash::~Splash() = default;

int Splash::eventHandler(const Event* event)
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
    if (countdown == 0)
    {
        Animation lettering = getAnimation();
        lettering.setIndex(1); // the second lettering
        setAnimation(lettering, false);
        setVelocity(Vector(0, 0));
        new SplashQuillmere(Vector(getPosition().getX() + 24, getPosition().getY() + 1));
    }
    if (countdown == -75)
    {
        WorldManager::getInstance().markForDelete(this);
    }
    return 1;
}

} // namespace qm
