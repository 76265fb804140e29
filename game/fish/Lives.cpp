#include "Lives.h"

Lives::Lives()
{
    setLocation(qm::BOTTOM_RIGHT);
    setViewString("Health");
    setColor(qm::YELLOW);
    setValue(3);
}

Lives::~Lives() = default;
