// The program entry: start the engine, show the splash screens, load the game's resources,
// put up the start screen and a pause key (F10), run the game loop, shut down. With
// "networking:true" the world is also served to watchers (quillmere-watch). `--terminal` plays
// in the text terminal instead of a window, as "display:terminal" in the configuration does.
// `--record FILE.cast` records what the player sees, `--record-input FILE` the game's input
// for an exact replay, which `--replay FILE` plays (`--fast`: without pacing).
#include "GameStart.h"
#include "WorldServer.h"
#include "loadResources.h"

#include <qm/CastRecorder.h>
#include <qm/Config.h>
#include <qm/EventKeyboard.h>
#include <qm/GameManager.h>
#include <qm/InputReplay.h>
#include <qm/LogManager.h>
#include <qm/Pause.h>
#include <qm/Splash.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
const char* const USAGE = "usage: quillmere [--terminal] [--headless] [--record FILE.cast] [--record-input FILE]\n"
                          "                 [--replay FILE [--fast]]\n";
} // namespace

int main(int argc, char** argv)
{
    std::string overrides;
    qm::InputReplay& replay = qm::InputReplay::getInstance();
    qm::GameManager& game = qm::GameManager::getInstance();
    for (int i = 1; i < argc; ++i)
    {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--terminal") == 0)
        {
            overrides += "display:terminal,";
        }
        else if (std::strcmp(argv[i], "--headless") == 0)
        {
            overrides += "headless:true,";
        }
        else if (std::strcmp(argv[i], "--fast") == 0)
        {
            game.setPacing(false);
        }
        else if (std::strcmp(argv[i], "--record") == 0 && hasValue)
        {
            qm::CastRecorder::getInstance().recordTo(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--record-input") == 0 && hasValue)
        {
            replay.recordTo(argv[++i]);
        }
        else if (std::strcmp(argv[i], "--replay") == 0 && hasValue)
        {
            std::string error;
            if (replay.playFrom(argv[++i], error) != 0)
            {
                std::fprintf(stderr, "quillmere: %s\n", error.c_str());
                return 2;
            }
        }
        else
        {
            std::fputs(USAGE, stderr);
            return 2;
        }
    }
    qm::Config::getInstance().setOverrides(overrides);
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
    if (replay.hasDiverged())
    {
        std::fprintf(stderr, "replay diverged at step %d\n", replay.getDivergedStep());
        return 1;
    }
    return 0;
}
