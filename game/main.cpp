// The program entry: start the engine, run the game loop, shut down.
#include <qm/GameManager.h>
#include <qm/LogManager.h>

int main()
{
    qm::GameManager& game = qm::GameManager::getInstance();
    if (game.startUp() != 0)
    {
        qm::LogManager::getInstance().writeLog("Error starting game manager!");
    }
    else
    {
        qm::LogManager::getInstance().setFlush(true);
        game.run();
    }
    game.shutDown();
    return 0;
}
