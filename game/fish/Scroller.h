#ifndef GAME_SCROLLER_H
#define GAME_SCROLLER_H

#include <qm/Object.h>

/// Holds the scrolling speed and gives it, every step, to every enemy and power-up as
/// their x velocity (spaces per step, negative: leftward). The speed starts at -0.25,
/// becomes 0.1 faster every 150 steps of this scroller's own count, and returns to -0.25
/// at each death. Created by GameStart::startGame, owned by the world.
class Scroller : public qm::Object
{
public:
    Scroller();
    ~Scroller() override;

    /// Step events (result 1) count, speed up and apply the speed; death events reset the
    /// speed (result 0, the step count is kept); anything else 0.
    int eventHandler(const qm::Event* event) override;

    /// Sets the velocity (scrollSpeed, 0) on every enemy and every power-up.
    void applySpeed();

    float getScrollSpeed() const { return scrollSpeed; }
    int getScrollSteps() const { return scrollSteps; }

private:
    float scrollSpeed = -0.25f;
    int scrollSteps = 0;
};

#endif
