#ifndef GAME_ENEMY_H
#define GAME_ENEMY_H

#include <qm/Object.h>

#include <string>

namespace qm
{
class EventCollision;
}

/// Puts `object` just beyond the right edge of the world at height `y` (spaces): at x =
/// boundary width, moved right one cell at a time while it would overlap a solid object.
void placeAtEdge(qm::Object* object, float y);

/// An enemy fish ("enemy-fish", placed at y 15.2) or a piece of seaweed ("enemy-seaweed",
/// y 16.95). It enters at the right edge, stands still until the scroller gives it the
/// scrolling speed, and costs the player a life on contact. Created by the spawner, owned
/// by the world; deleted when it leaves the world at the left or hits the player.
class Enemy : public qm::Object
{
public:
    /// Any other label is not placed at the edge.
    explicit Enemy(const std::string& spriteLabel);
    ~Enemy() override;

    /// Out events (deleted when x < 0) and collision events: result 1; anything else 0.
    int eventHandler(const qm::Event* event) override;

    /// On contact with the player: the health display goes down by one, the impact sound
    /// plays, one death event is raised, and this enemy is deleted. Only the first contact
    /// counts: until the update ends, the enemy is still in the world and may touch the fish
    /// again (the fish walks into it, then it scrolls into the fish), which costs nothing.
    void collide(const qm::EventCollision* event);

private:
    bool spent = false; // it has hit the player and waits for its deletion
};

#endif
