#include "HighScore.h"

HighScore::HighScore()
{
    setLocation(qm::TOP_LEFT);
    setViewString("High Score");
    setColor(qm::YELLOW);
    setValue(0);
}

HighScore::~HighScore() = default;
