#ifndef GAME_GAMESTART_H
#define GAME_GAMESTART_H

#include <qm/ViewObject.h>

namespace qm
{
class Music;
}

/// The start screen: the title sprite in the middle of the window and the background
/// music, which it starts and which then plays to the end of the program. Space or P
/// starts a game (startGame), Q ends the program. Created once by the program entry and
/// owned by the world; the end of each game makes it active again.
class GameStart : public qm::ViewObject
{
public:
    GameStart();
    ~GameStart() override;

    /// Handles every keyboard event (any action): Space and P start a game, Q sets game
    /// over, other keys do nothing. Returns 1 for keyboard events, 0 for anything else.
    int eventHandler(const qm::Event* event) override;

    /// Draws the title sprite at the display's position (not a label and value).
    int draw() override;

    /// Creates the objects of one game, in this order: spawner, health, points and high
    /// score displays, ground, player, eight bubbles, scroller; then hides the start
    /// screen (inactive: not drawn, no keys) until the game is over.
    void startGame();

private:
    // Owned by the resource manager; null when the music was not loaded.
    qm::Music* music = nullptr;
};

#endif
