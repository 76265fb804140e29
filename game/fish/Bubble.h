#ifndef GAME_BUBBLE_H
#define GAME_BUBBLE_H

#include <qm/Object.h>

/// A rising bubble behind everything: one white "o", spectral, at altitude 0. It starts
/// 0 to 8 rows below the world in a random column and rises by 0.25, 0.125, 0.083 or
/// 0.0625 cells per step; when it leaves at the top it starts again from below. Each
/// placement draws rand() three times. Created by GameStart::startGame, owned by the world.
class Bubble : public qm::Object
{
public:
    /// Draws rand() for the speed, then the row, then the column.
    Bubble();
    ~Bubble() override;

    /// Out events: back below the world, drawing rand() for the row, the column and then
    /// the speed; result 1. Anything else 0.
    int eventHandler(const qm::Event* event) override;

    /// Draws the bubble's character. Returns the display manager's result.
    int draw() override;

private:
    void riseAtRandomSpeed();
};

#endif
