#ifndef GAME_PLAYER_H
#define GAME_PLAYER_H

#include <qm/Object.h>

namespace qm
{
class EventCollision;
class EventKeyboard;
} // namespace qm

/// The fish the user steers along the sea floor: A and D walk in whole cells, holding
/// Space jumps (an upward thrust until the jump ceiling or the key's release, then
/// gravity), S crouches while held, Q gives up the game. Touching a power-up changes one
/// ability for 150 steps. Created by GameStart::startGame, owned by the world, deleted by
/// the game over (DeadPlayer). Positions in spaces, y downwards; velocities per step.
class Player : public qm::Object
{
public:
    Player();
    ~Player() override;

    /// Keyboard and step events go to keyboard() and step() (result 1); collision events to
    /// collide() (result 0); anything else 0.
    int eventHandler(const qm::Event* event) override;

    /// Walks, jumps, crouches or quits according to the key and its action.
    void keyboard(const qm::EventKeyboard* event);

    /// Once per step: the move countdown, the power-up countdowns, gravity.
    void step();

    /// Lands on the ground or collects a power-up.
    void collide(const qm::EventCollision* event);

    /// Moves `dx` cells sideways when the move countdown allows and the target stays within
    /// x 3 .. boundary width - 1 (both excluded); a hard obstacle refuses the move.
    void move(int dx);

    int getMoveSlowdown() const { return moveSlowdown; }
    int getMoveCountdown() const { return moveCountdown; }
    float getMoveSpeed() const { return moveSpeed; }
    int getThrust() const { return thrust; }
    bool isSpeedUp() const { return speedUp; }
    bool isSlowDown() const { return slowDown; }
    bool isInvincible() const { return invincible; }
    bool isJumpHigh() const { return jumpHigh; }
    int getJumpCeiling() const { return jumpCeiling; }
    /// True between a press and a release of S.
    bool isCrouching() const { return crouching; }

private:
    bool anyPowerup() const;
    // The standing or crouching sprite of a fish without a power-up, for the current pose.
    void showPlainSprite();
    // The same with a power-up.
    void showPoweredSprite();

    int moveSlowdown = 2;
    int moveCountdown = 2;
    float moveSpeed = 2.0f;
    int thrust = 0;
    float gravity = 0.01f;
    bool speedUp = false;
    int speedUpCountdown = 150;
    bool slowDown = false;
    int slowDownCountdown = 150;
    bool invincible = false;
    int invincibleCountdown = 150;
    bool jumpHigh = false;
    int jumpHighCountdown = 150;
    int jumpCeiling = 15;
    // A crouching fish must keep a two-row sprite: a three-row one set while it is lowered
    // by half a cell would overlap the ground and every walking move would be refused.
    bool crouching = false;
};

#endif
