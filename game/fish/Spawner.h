#ifndef GAME_SPAWNER_H
#define GAME_SPAWNER_H

#include <qm/Object.h>

/// Brings enemies and power-ups in at the right edge on a schedule of the game loop's step
/// count: seaweed at step 50; at every multiple of 150 an enemy fish (r 0..30) or seaweed
/// (31..60) or nothing (61..99), r = rand() % 100; at every multiple of 350 a power-up.
/// An invisible, spectral object in the middle of the window. Created by
/// GameStart::startGame, owned by the world, deleted by the game over.
class Spawner : public qm::Object
{
public:
    Spawner();
    ~Spawner() override;

    /// Step events: the schedule above, result 1. Anything else 0.
    int eventHandler(const qm::Event* event) override;

    /// Creates one power-up, r = rand() % 100: invincible (0..25 and 76..99), jump (26..50)
    /// or speed (51..75).
    void spawnPowerup();
};

#endif
