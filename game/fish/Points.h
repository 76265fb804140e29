#ifndef GAME_POINTS_H
#define GAME_POINTS_H

#include <qm/ViewObject.h>

/// The points display at the top right ("Points", yellow), and the game's score keeper: a
/// point every 30 steps of the game loop's count, back to 0 at each death; the best life
/// of the game raises the high-score display; the third death creates the dead player.
/// Created by GameStart::startGame, owned by the world.
class Points : public qm::ViewObject
{
public:
    Points();
    ~Points() override;

    /// "Points" view events (1), death events (0), step events (1); anything else 0.
    int eventHandler(const qm::Event* event) override;

    int getHighScore() const { return highScore; }
    int getPoints() const { return points; }
    int getLivesLeft() const { return livesLeft; }

private:
    int highScore = 0;
    int points = 0;
    int livesLeft = 3;
};

#endif
