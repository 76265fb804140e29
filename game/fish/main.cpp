// The program entry: start the engine, show the splash screens, load the game's resources,
// put up the start screen and a pause key (F10), run the game loop, shut down. With
// "networking:true" the world is also served to watchers (quillmere-watch). `--terminal` plays
// in the text terminal instead of a window, as "display:terminal" in the configuration does.
#include "GameStart.h"
#include "WorldServer.h"
#include "loadResources.h"

#include <qm/Config.h>
#include <qm/EventKeyboard.h>
#include <qm/GameManager.h>
#include <qm/LogManager.h>
#include <qm/Pause.h>
#include <qm/Splash.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--terminal") == 0)
        {
            qm::Config::getInstance().setOverrides("display:terminal,");
        }
        else
        {
            std::fprintf(stderr, "usage: quillmere [--terminal]\n");
            return 2;
        }
    }
    qm::GameManager& game = qm::GameManager::getInstance();
    if (game.startUp() != 0)
    {
        // The engine has said why on standard error, naming the log.
        qm::LogManager::getInstance().writeLog("Error starting game manager!");
    }
    else
    {
        qm::LogManager::getInstance().setFlush(true);
        qm::splash();
        loadResources();
        if (qm::Config::getInstance().getNetworking())
        {
            new WorldServer; // serves the world to quillmere-watch
        }
        new GameStart; // owned by the world, like every object
        new qm::Pause(qm::F10);
        game.run();
    }
    game.shutDown();
    return 0;
}
