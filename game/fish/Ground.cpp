#include "Ground.h"

Ground::Ground()
{
    setSprite("ground");
    setType("Ground");
    setPosition(qm::Vector(0, 21.2f));
    setAltitude(3);
}

Ground::~Ground() = default;
