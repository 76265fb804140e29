#ifndef QM_REPLAYFILE_H
#define QM_REPLAYFILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm
{

/// The version of the replay format written and read.
constexpr int REPLAY_VERSION = 1;
/// A replay stores the world hash after every this many loop steps.
constexpr int REPLAY_HASH_INTERVAL = 100;
/// Largest replay file read: 32 MiB (hours of play); a bigger one is refused.
constexpr std::size_t MAX_REPLAY_BYTES = 32u << 20;
/// Longest line of a replay file, in bytes.
constexpr std::size_t MAX_REPLAY_LINE = 200;
/// Most events of one loop step.
constexpr int MAX_REPLAY_EVENTS_PER_STEP = 4096;
/// Most loop steps of a replay: about five weeks at 30 steps a second.
constexpr int MAX_REPLAY_STEPS = 100000000;

/// One keyboard or mouse event the input manager delivered in loop step `step`.
struct ReplayEvent
{
    int step = 1;       // counted from 1
    bool mouse = false; // a mouse event (EventMouse) or a key (EventKeyboard)
    int action = 0;     // KeyboardAction or MouseAction
    int code = 0;       // the key, or the mouse button
    float x = 0;        // mouse position, in cells
    float y = 0;

    bool operator==(const ReplayEvent& other) const
    {
        return step == other.step && mouse == other.mouse && action == other.action && code == other.code &&
               x == other.x && y == other.y;
    }
};

/// A replay file in memory, and the text form it is read from and written as. Plain text,
/// one record a line:
///
///     quillmere-replay 1
///     config random_seed:1765180000,frame_time:33,window_horizontal_chars:80,window_vertical_chars:24,
///     12 key press 3
///     12 mouse click 0 10.5 3
///     100 hash 8f0c2a6d11e4b7a9
///     end 2517
///
/// The first line names the format and its version, the second the settings that decide the
/// game (the random seed, the frame time and the view's size in cells). Then, in the order
/// of their steps (counted from 1 across every run of the game loop): the events delivered
/// in a step (key: action and engine key code; mouse: action, button and position in
/// cells), and after the events of every 100th step, the world hash at its end (16
/// hexadecimal digits). The last line gives the number of steps recorded.
class ReplayFile
{
public:
    int version = REPLAY_VERSION;
    /// The settings as configuration text ("key:value," each).
    std::string config;
    /// Every event, in delivery order.
    std::vector<ReplayEvent> events;
    /// The world hash at the end of step (i + 1) * REPLAY_HASH_INTERVAL (steps count from 1).
    std::vector<std::uint64_t> hashes;
    /// Steps recorded.
    int steps = 0;

    /// Reads `text` into `file`. Returns 0, or -1 with `error` naming the first bad line and
    /// what is wrong with it ("line 7: step 12 comes after step 40"): a missing or unknown
    /// version, a setting that is not allowed, steps out of order, a hash missing or at the
    /// wrong step, too many events in a step, numbers out of range, bytes that are not text,
    /// an overlong line, or no end line (a truncated file). Memory stays within a small
    /// multiple of the text's size.
    [[nodiscard]] static int parse(const std::string& text, ReplayFile& file, std::string& error);

    /// Reads the file `path` (at most MAX_REPLAY_BYTES) and parses it. Returns 0 or -1 with
    /// `error` set, which names the file.
    [[nodiscard]] static int load(const std::string& path, ReplayFile& file, std::string& error);

    /// The first two lines, for `config`.
    static std::string headerText(const std::string& config);
    /// The line of one event.
    static std::string eventLine(const ReplayEvent& event);
    /// The line of the world hash at the end of `step`.
    static std::string hashLine(int step, std::uint64_t hash);
    /// The last line.
    static std::string endLine(int steps);

    /// The whole file as text.
    std::string toText() const;
};

} // namespace qm

#endif
