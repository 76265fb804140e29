#include "core/LibraryMessages.h"
#include "platform/Platform.h"

#include <qm/CastRecorder.h>
#include <qm/CellStream.h>
#include <qm/Clock.h>
#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/EventStep.h>
#include <qm/GameManager.h>
#include <qm/InputManager.h>
#include <qm/InputReplay.h>
#include <qm/LogManager.h>
#include <qm/NetworkManager.h>
#include <qm/PathManager.h>
#include <qm/ResourceManager.h>
#include <qm/WorldManager.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace qm
{

namespace
{
// The timer resolution the loop's sleep relies on, in milliseconds.
constexpr int TIMER_RESOLUTION = 1;
const char* const BANNER_RULE = "****************************************************";

// The library's complaints belong in the log, not on the terminal.
LibraryMessages libraryMessages;

// Logs why a manager did not start and says on standard error, in one line, that start-up
// failed and where the reason is: a program that ends at once, with nothing on the screen,
// would otherwise leave its user nothing to go by. Returns -1.
int startUpFailed(const char* reason)
{
    const LogManager& log = LogManager::getInstance();
    log.writeLog("%s", reason);
    std::fprintf(stderr, "Quillmere: start-up failed: %s See the log file '%s'.\n", reason, log.getFileName().c_str());
    return -1;
}
} // namespace

GameManager::GameManager()
{
    setType("GameManager");
}

GameManager& GameManager::getInstance()
{
    static GameManager instance;
    return instance;
}

bool GameManager::isValid(std::string eventType) const
{
    return eventType == EVENT_STEP;
}

int GameManager::startUp()
{
    LogManager& log = LogManager::getInstance();
    if (isStarted())
    {
        log.writeLog("GameManager::startup(): Already started.");
        return 0;
    }

    Config& config = Config::getInstance();
    config.loadConfig("");
    InputReplay& replay = InputReplay::getInstance();
    if (replay.isPlaying())
    {
        config.loadConfig(replay.getConfigText()); // the recorded game's seed, pace and size
    }

    if (log.startUp() != 0)
    {
        log.writeLog("Error starting log manager!");
        return -1;
    }
    log.writeLog("%s", BANNER_RULE);
    log.writeLog("** Quillmere version %.2f **", ENGINE_VERSION);
    log.writeLog("** Game engine started **");
    log.writeLog("%s", BANNER_RULE);
    log.writeLog(1, "Log Manager started.");
    libraryMessages.start();
    config.writeToLog();

    frameTime = config.getFrameTime();
    stepCount = 0;
    log.writeLog(5, "GameManager::startUp(): frame time is %d", frameTime);

    if (DisplayManager::getInstance().startUp() != 0)
    {
        return startUpFailed("Error starting display manager!");
    }
    log.writeLog(1, "Display manager started.");

    if (InputManager::getInstance().startUp() != 0)
    {
        return startUpFailed("Error starting input manager!");
    }
    log.writeLog(1, "Input manager started.");

    if (config.getNetworking())
    {
        if (NetworkManager::getInstance().startUp() != 0)
        {
            return startUpFailed("Error starting network manager!");
        }
        log.writeLog(1, "Network manager started.");
        if (config.getCellStream())
        {
            // A port that cannot be had is logged; the game goes on without the stream.
            (void)CellStream::getInstance().start(config.getNetworkAddress(), config.getCellPort(),
                                                  config.getCellClients());
        }
    }
    else if (config.getCellStream())
    {
        log.writeLog("GameManager::startUp(): cell_stream needs networking:true; not serving the cells.");
    }

    if (ResourceManager::getInstance().startUp() != 0)
    {
        return startUpFailed("Error starting resource manager!");
    }
    log.writeLog(1, "Resource manager started.");

    WorldManager& world = WorldManager::getInstance();
    if (world.startUp() != 0)
    {
        return startUpFailed("Error starting world manager!");
    }
    log.writeLog(1, "World manager started.");

    if (PathManager::getInstance().startUp() != 0)
    {
        return startUpFailed("Error starting path manager!");
    }
    log.writeLog(1, "Path manager started.");

    // The world and the view start as the window's grid of cells.
    const DisplayManager& display = DisplayManager::getInstance();
    const Box screen(Vector(0, 0), static_cast<float>(display.getHorizontal()),
                     static_cast<float>(display.getVertical()));
    world.setBoundary(screen);
    world.setView(screen);
    world.setViewSlack(Vector(0.33333334f, 0.33333334f));

    int seed = config.getRandomSeed();
    if (seed == 0)
    {
        seed = static_cast<int>(std::time(nullptr));
    }
    if (seed != -1)
    {
        std::srand(static_cast<unsigned>(seed));
    }
    log.writeLog(10, "GameManager()::startUp(): seed is %d", seed);
    // Recordings that cannot be written are logged; the game goes on without them.
    (void)replay.begin(seed);
    (void)CastRecorder::getInstance().begin(display.getHorizontal(), display.getVertical(), config.getWindowTitle(),
                                            frameTime);

    if (!platform::beginTimerResolution(TIMER_RESOLUTION))
    {
        log.writeLog(1, "GameManager()::startUp(): Warning!  timeBeginPeriod() cannot accept 1 msec.");
    }
    platform::installStopHandlers();

    gameOver = false;
    Manager::startUp();
    log.writeLog(5, "GameManager::startUp(): successfully started.");
    return 0;
}

void GameManager::run()
{
    LogManager& log = LogManager::getInstance();
    Clock clock;
    log.writeLog(1, "GameManager::run(): starting game loop");
    gameOver = false;
    stepCount = 0;
    long long adjust = 0; // microseconds overslept in the previous iteration

    do
    {
        clock.delta();
        if (platform::stopRequested() && !gameOver)
        {
            log.writeLog("GameManager::run(): Stop requested. Setting game over.");
            gameOver = true;
        }

        iterate(clock, adjust);

        const long long frameMicroseconds = static_cast<long long>(frameTime) * 1000;
        const long long split = clock.split();
        const long long sleepMicroseconds = frameMicroseconds - split - adjust;
        if (!pacing)
        {
            adjust = 0;
        }
        else if (sleepMicroseconds > 0)
        {
            const long long before = clock.split();
            platform::sleepMilliseconds(static_cast<int>(sleepMicroseconds / 1000));
            adjust = clock.split() - before - sleepMicroseconds;
            if (adjust < 0)
            {
                adjust = 0;
            }
        }
        else if (adjust != 0)
        {
            adjust = 0;
        }
        else if (frameTime > 0 && stepCount > 0)
        {
            log.writeLog("GameManager::run(): Can't keep up! frame_time %d ms, split %d ms", frameTime,
                         static_cast<int>(split / 1000));
        }
        ++stepCount;
    } while (!gameOver);

    log.writeLog(1, "GameManager::run(): end of game loop");
}

void GameManager::step()
{
    const Clock clock;
    iterate(clock, 0);
    ++stepCount;
}

void GameManager::iterate(const Clock& clock, long long adjust)
{
    DisplayManager::getInstance().swapBuffers();
    CastRecorder::getInstance().addFrame(DisplayManager::getInstance().getCellGrid());
    InputManager::getInstance().getInput();

    const EventStep stepEvent(stepCount);
    onEvent(&stepEvent);

    if (Config::getInstance().getNetworking())
    {
        networkPhase(clock);
    }

    WorldManager& world = WorldManager::getInstance();
    world.update();
    world.draw();
    InputReplay::getInstance().endStep();

    // Path searches get 95 % of what is left of the frame (at least their minimum).
    const long long frameMicroseconds = static_cast<long long>(frameTime) * 1000;
    const float left = static_cast<float>(frameMicroseconds - clock.split() - adjust);
    PathManager::getInstance().cycle(static_cast<int>(static_cast<double>(left * 0.95f) / 1000.0));
}

void GameManager::networkPhase(const Clock& clock) const
{
    CellStream::getInstance().serve(DisplayManager::getInstance().getCellGrid());
    NetworkManager& network = NetworkManager::getInstance();
    // What the step handlers sent goes out now; a peer that stops reading only fills its
    // own bounded queue.
    network.flush();
    if (network.isServer())
    {
        network.accept();
    }
    const long long limit = static_cast<long long>(static_cast<float>(frameTime) * 0.2f * 1000.0f) + clock.split();
    while (network.getNumConnections() > 0)
    {
        bool raised = false;
        for (int i = 0; i < network.getNumConnections();)
        {
            const int before = network.getNumConnections();
            raised = network.genDataEvents(i) > 0 || raised;
            // A connection closed in the call moves the next one down to this index.
            if (network.getNumConnections() >= before)
            {
                ++i;
            }
        }
        if (!raised)
        {
            break;
        }
        if (clock.split() >= limit)
        {
            LogManager::getInstance().writeLog("GameManager::run(): Warning! Residual network data.");
            break;
        }
    }
}

void GameManager::shutDown()
{
    LogManager& log = LogManager::getInstance();
    gameOver = true;
    if (!platform::endTimerResolution(TIMER_RESOLUTION))
    {
        log.writeLog(1, "GameManager()::shutDown(): Warning! timeEndPeriod() cannot accept 1 msec.");
    }

    PathManager::getInstance().shutDown();
    log.writeLog(1, "Path manager stopped");
    WorldManager::getInstance().shutDown();
    log.writeLog(1, "World manager stopped");
    ResourceManager::getInstance().shutDown();
    log.writeLog(1, "Resource manager stopped");
    if (Config::getInstance().getNetworking())
    {
        CellStream::getInstance().stop();
        NetworkManager::getInstance().shutDown();
        log.writeLog(1, "Network manager stopped");
    }
    InputReplay::getInstance().finish();
    CastRecorder::getInstance().finish();
    InputManager::getInstance().shutDown();
    log.writeLog(1, "Input manager stopped");
    DisplayManager::getInstance().shutDown();
    log.writeLog(1, "Display manager stopped");

    libraryMessages.stop();
    log.writeLog("%s", BANNER_RULE);
    log.writeLog("** Game engine stopped **");
    log.shutDown();
    Manager::shutDown();
}

} // namespace qm
