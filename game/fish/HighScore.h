#ifndef GAME_HIGHSCORE_H
#define GAME_HIGHSCORE_H

#include <qm/ViewObject.h>

/// The high-score display at the top left: "High Score", in yellow, starting at 0 with each
/// game. Raised by the "High Score" view events of the points display. Created by
/// GameStart::startGame, owned by the world.
class HighScore : public qm::ViewObject
{
public:
    HighScore();
    ~HighScore() override;
};

#endif
