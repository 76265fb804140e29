// A headless game of one object, built against the installed engine: it starts the engine,
// lets the world move a drifting object for ten steps and checks where the object ended up.
// Exit status 0 when it did, 1 otherwise.
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Object.h>
#include <qm/WorldManager.h>

#include <cmath>
#include <cstdio>
#include <fstream>

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
    int steps = 0;
};
} // namespace

int main()
{
    std::ofstream("qm-config.txt") << "headless:true,\nframe_time:0,\n";
    qm::GameManager& game = qm::GameManager::getInstance();
    if (game.startUp() != 0)
    {
        std::fprintf(stderr, "consumer: the engine did not start\n");
        game.shutDown();
        return 1;
    }
    auto* drifter = new Drifter; // owned by the world
    game.run();
    const qm::Vector where = drifter->getPosition();
    const int objects = qm::WorldManager::getInstance().getAllObjects(true).getCount();
    const int steps = drifter->steps;
    game.shutDown(); // deletes the drifter
    // Ten steps heard, ten world updates: 10 + 10 * 0.5 and 5 + 10 * 0.25.
    const bool moved = std::fabs(where.getX() - 15.0f) < 1e-3f && std::fabs(where.getY() - 7.5f) < 1e-3f;
    std::printf("consumer: %d steps, drifter at (%.2f, %.2f), %d object(s), engine %.2f\n", steps, where.getX(),
                where.getY(), objects, qm::ENGINE_VERSION);
    return moved && steps == 10 && objects == 1 ? 0 : 1;
}
