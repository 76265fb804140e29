// The program entry: start the engine, show the splash screens, run the game loop, shut down.
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Splash.h>

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
        qm::splash();
        game.run();
    }
    game.shutDown();
    return 0;
}
