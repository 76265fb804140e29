#ifndef GAME_POWERUP_H
#define GAME_POWERUP_H

#include <qm/Object.h>

#include <string>

/// A pick-up that drifts in from the right edge like an enemy. Its type says what it
/// grants; the player applies the ability and deletes it on contact:
///
/// | sprite label         | placed at y | type         |
/// |----------------------|-------------|--------------|
/// | "invincible-powerup" | 15.0        | "Invincible" |
/// | "jump-powerup"       | 16.9        | "JumpHigh"   |
/// | "speed-powerup"      | 14.0        | "SpeedUp"    |
/// | "slow-powerup"       | 15.0        | "SlowDown"   |
///
/// Created by the spawner, owned by the world; deleted when it leaves at the left, when
/// the player touches it, or by the game over.
class Powerup : public qm::Object
{
public:
    /// Logs "POWERUP TIME." and places the power-up at the edge. A label not in the table
    /// is neither placed nor typed. Every power-up starts moving left at 0.25 per step.
    explicit Powerup(const std::string& spriteLabel);
    ~Powerup() override;

    /// Out events (deleted when x < 0) and collision events (nothing happens here): 1.
    /// Anything else 0.
    int eventHandler(const qm::Event* event) override;
};

#endif
