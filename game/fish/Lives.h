#ifndef GAME_LIVES_H
#define GAME_LIVES_H

#include <qm/ViewObject.h>

/// The health display at the bottom right: "Health", in yellow, starting at 3. Lowered by
/// the "Health" view events that enemies raise when they hit the player. Created by
/// GameStart::startGame, owned by the world.
class Lives : public qm::ViewObject
{
public:
    Lives();
    ~Lives() override;
};

#endif
