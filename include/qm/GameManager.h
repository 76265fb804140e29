#ifndef QM_GAMEMANAGER_H
#define QM_GAMEMANAGER_H

#include <qm/Manager.h>

namespace qm
{

class Clock;

/// The engine version written in the start banner.
constexpr double ENGINE_VERSION = 4.15;

/// Owns the life of the engine: startUp reads the configuration and starts every other
/// manager in order, run is the fixed-rate game loop, shutDown stops everything in reverse
/// order and closes the log. Objects register with it for the step event ("qm-step").
///
///     GameManager& game = GameManager::getInstance();
///     if (game.startUp() == 0)
///     {
///         new MyObject;   // owned by the world from here on
///         game.run();     // until someone calls setGameOver()
///     }
///     game.shutDown();    // also after a failed start-up
class GameManager : public Manager
{
public:
    static GameManager& getInstance();

    /// True only for "qm-step".
    bool isValid(std::string eventType) const override;

    /// Loads the configuration, opens the log and starts the other managers. Returns 0
    /// (also when already started) or -1 when a manager failed to start.
    int startUp() override;

    /// Sets game over and stops every manager, the log last.
    void shutDown() override;

    /// Runs the game loop until game over is set; the step count restarts at 0. SIGINT and
    /// SIGTERM set game over at the next iteration, in this run and in every later one.
    void run();

    /// One iteration of the game loop without its pacing: shows the last frame, reads input,
    /// sends the step event, serves the network (with networking:true), updates and draws the
    /// world, gives path searches what is left of a frame, and counts the step. run() is this
    /// plus the sleep to the next frame and the stop request; programs and tests that pace
    /// themselves call it directly.
    void step();

    void setGameOver(bool over = true) { gameOver = over; }
    bool getGameOver() const { return gameOver; }

    /// Target duration of one loop iteration, in milliseconds.
    int getFrameTime() const { return frameTime; }

    /// With pacing off each iteration starts as soon as the last ended (fast replays);
    /// on by default.
    void setPacing(bool on) { pacing = on; }
    bool getPacing() const { return pacing; }

    /// Iterations completed in the current run (or by step() since start-up).
    int getStepCount() const { return stepCount; }

private:
    GameManager();
    // One iteration as step() describes it, timed by `clock` since its start; `adjust` is
    // the time overslept before it, taken from the path searches' share.
    void iterate(const Clock& clock, long long adjust);
    // Flushes, accepts one connection and raises network events for a fifth of a frame.
    void networkPhase(const Clock& clock) const;

    bool gameOver = false;
    int frameTime = 0;
    int stepCount = 0;
    bool pacing = true;
};

} // namespace qm

#endif
