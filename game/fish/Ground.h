#ifndef GAME_GROUND_H
#define GAME_GROUND_H

#include <qm/Object.h>

/// The sea floor: a hard object along the bottom of the window (sprite "ground" at
/// (0, 21.2), altitude 3, drawn over the fish) that stops the fish's fall and gives it
/// ground to jump from. Created by GameStart::startGame, owned by the world.
class Ground : public qm::Object
{
public:
    Ground();
    ~Ground() override;
};

#endif
