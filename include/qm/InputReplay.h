#ifndef QM_INPUTREPLAY_H
#define QM_INPUTREPLAY_H

#include <qm/ReplayFile.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace qm
{

class Event;
class InputManager;

/// Exact replays of a game. Recording writes, as the game is played, the settings that
/// decide the game (random seed, frame time, view size), every keyboard and mouse event the
/// input manager delivers in each loop step, and the world hash every REPLAY_HASH_INTERVAL
/// steps (see ReplayFile for the format). Playing runs the same game from such a file
/// instead of the keyboard and mouse, and checks each stored hash: at the first difference
/// it sets game over, logs both hashes and reports the step (hasDiverged). Steps count from
/// 1 across every run of the loop (splash screens and game alike).
///
/// Recording while playing re-records a replay: the same events, with the hashes of this
/// build, none of them checked (for a game changed on purpose).
///
/// Choose before GameManager::startUp, which applies a replay's settings and starts
/// recording; the game loop, the input manager and shutDown do the rest.
///
///     std::string why;
///     if (qm::InputReplay::getInstance().playFrom("bug.replay", why) != 0) { puts(why.c_str()); }
///     game.startUp(); ... game.run(); ...
///     if (qm::InputReplay::getInstance().hasDiverged()) { ... getDivergedStep() ... }
class InputReplay
{
public:
    static InputReplay& getInstance();
    InputReplay(const InputReplay&) = delete;
    InputReplay& operator=(const InputReplay&) = delete;
    ~InputReplay();

    /// Records the next game into `path` (opened at start-up; a path that cannot be written
    /// is a log line and the game goes on without recording). Empty: no recording.
    void recordTo(const std::string& path);

    /// Reads and checks the replay `path` for the next game. Returns 0, or -1 with `error`
    /// naming the file, the line and the fault; nothing is replayed then.
    [[nodiscard]] int playFrom(const std::string& path, std::string& error);

    /// Plays `replay` (already read) for the next game.
    void play(const ReplayFile& replay);

    /// Back to normal input: stops recording (the file is closed as it is) and playing.
    void reset();

    bool isRecording() const { return file != nullptr; }
    bool isPlaying() const { return playing; }
    /// True once every recorded step was played.
    bool isFinished() const { return finished; }
    bool hasDiverged() const { return divergedStep > 0; }
    /// The first step whose hash differed; 0 when none did.
    int getDivergedStep() const { return divergedStep; }
    /// The step now running (counted from 1).
    int getStep() const { return step; }

    /// The settings the replay being played carries, as configuration text.
    const std::string& getConfigText() const { return replay.config; }

    /// Called by GameManager::startUp once the random generator is seeded with `seed`:
    /// writes the header of a recording. Returns 0, or -1 (logged) when the file cannot be
    /// written (recording is then off).
    int begin(int seed);

    /// Delivers, through `input`, the events recorded for the current step.
    void deliverStep(const InputManager& input);

    /// Records an event the input manager delivers (keyboard and mouse only).
    void noteEvent(const Event* event);

    /// Called by the game loop at the end of each step: stores or checks the world hash
    /// every REPLAY_HASH_INTERVAL steps, then counts the step. A replay past its last step,
    /// or diverged, sets game over.
    void endStep();

    /// Ends a recording with its end line and closes it (GameManager::shutDown calls it).
    void finish();

    /// The world as a number: the type, position, velocity, altitude, solidness, activity
    /// and (for view objects) value of every object that can be seen or touched (with a
    /// sprite, solid, or a view object), in the world's order. Helpers that are neither (a
    /// world server, a pause key) do not count, so a game replays the same with or without
    /// networking.
    static std::uint64_t worldHash();

private:
    InputReplay() = default;
    // Writes `text` to the recording; on failure logs, closes and stops recording.
    void write(const std::string& text);
    // Logs why the recording cannot go on and closes it.
    void stopRecording(const char* why);

    std::FILE* file = nullptr;
    std::string recordPath;
    std::size_t written = 0;
    ReplayFile replay;
    bool playing = false;
    bool finished = false;
    std::size_t nextEvent = 0;
    int step = 1;
    int divergedStep = 0;
};

} // namespace qm

#endif
