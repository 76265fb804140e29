#ifndef GAME_DEADPLAYER_H
#define GAME_DEADPLAYER_H

#include <qm/Object.h>
#include <qm/Vector.h>

/// The game over: replaces the fish where it was, plays the death sound, removes the fish
/// and the spawner, and floats up (0.15 cells per step) out of the world. When it leaves
/// through the top it is deleted, and its deletion clears the world of every object except
/// the start screen, which becomes active again, and the pause object, which lives for the
/// whole program. Spectral, so that nothing can hold it back on its way up. Created by the
/// points display at the last death or by the player's Q key; owned by the world.
class DeadPlayer : public qm::Object
{
public:
    /// @param where the fish's position, in spaces.
    explicit DeadPlayer(qm::Vector where);

    /// Marks every other object for deletion except the start screen (made active) and
    /// pause objects.
    ~DeadPlayer() override;

    /// Out events: deleted when it left through the top (y < 0); result 1. Anything else 0.
    int eventHandler(const qm::Event* event) override;
};

#endif
