// A windowed game of one object, built against the installed engine and run from a folder
// with no font of its own (the engine finds the one its package installed): it starts the
// engine, lets the world move a drifting object for ten steps, drawing it each step, and
// checks where the object ended up. Exit status 0 when it did, 1 otherwise (also when the
// engine does not start, which the engine itself reports on standard error).
#include <qm/DisplayManager.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/WorldManager.h>
#include <qm/utility.h>

#include <cmath>
#include <cstdio>

namespace
{
class Drifter : public qm::Object
{
public:
    Drifter()
    {
        setType("Drifter");
        setPosition(qm::Vector(10, 5));
        setVelocity(qm::Vector(0.5f, 0.25f));
        registerInterest(qm::EVENT_STEP);
    }
    int eventHandler(const qm::Event* event) override
    {
        if (event->getType() == qm::EVENT_STEP && ++steps == 10)
        {
            qm::GameManager::getInstance().setGameOver();
        }
        return 1;
    }
    int draw() override
    {
        drawn += qm::DisplayManager::getInstance().drawString(getPosition(), "drifter", qm::CENTER, qm::YELLOW) == 0;
        return 0;
    }
    int steps = 0;
    int drawn = 0;
};
} // namespace

int main()
{
    qm::GameManager& game = qm::GameManager::getInstance();
    if (game.startUp() != 0)
    {
        game.shutDown();
        return 1;
    }
    auto* drifter = new Drifter; // owned by the world
    game.run();
    const qm::Vector where = drifter->getPosition();
    const int objects = qm::WorldManager::getInstance().getAllObjects(true).getCount();
    const int steps = drifter->steps;
    const int drawn = drifter->drawn;
    game.shutDown(); // deletes the drifter
    // Ten steps heard, ten world updates: 10 + 10 * 0.5 and 5 + 10 * 0.25; drawn after each.
    const bool moved = std::fabs(where.getX() - 15.0f) < 1e-3f && std::fabs(where.getY() - 7.5f) < 1e-3f;
    std::printf("consumer: %d steps, drawn %d times, drifter at (%.2f, %.2f), %d object(s), engine %.2f\n", steps,
                drawn, where.getX(), where.getY(), objects, qm::ENGINE_VERSION);
    return moved && steps == 10 && drawn == 10 && objects == 1 ? 0 : 1;
}
