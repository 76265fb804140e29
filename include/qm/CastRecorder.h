#ifndef QM_CASTRECORDER_H
#define QM_CASTRECORDER_H

#include <qm/AnsiWriter.h>
#include <qm/CellGrid.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace qm
{

/// Largest recording written: 512 MiB. Past it the recording stops (logged), the game goes on.
constexpr std::size_t MAX_CAST_BYTES = 512u << 20;

/// Records what the player saw as an asciicast (version 2) file, the common format of
/// terminal recordings: a JSON header line (width, height, timestamp, title), then one
/// `[seconds, "o", text]` line for each frame that changed, its text the ANSI bytes that
/// turn the previous frame into this one (AnsiWriter, 256 colours). It records the grid of
/// cells, so it works in every display mode, headless too. Frame times are the game's own:
/// step number times the frame time, so a fast replay gives the same recording as the game.
///
/// Choose the file before GameManager::startUp; the game loop adds each frame and
/// GameManager::shutDown closes it. A file that cannot be written (unwritable path, full
/// disk) is a log line and the game goes on without recording.
class CastRecorder
{
public:
    static CastRecorder& getInstance();
    CastRecorder(const CastRecorder&) = delete;
    CastRecorder& operator=(const CastRecorder&) = delete;
    ~CastRecorder();

    /// Records the next game into `path` (opened at start-up).
    void recordTo(const std::string& path);

    /// Opens the file and writes its header. Returns 0 (also when nothing is to be recorded),
    /// or -1 (logged) when the file cannot be written.
    int begin(int width, int height, const std::string& title, int frameMilliseconds);

    /// Adds the frame `grid` shown now, when it differs from the last one added.
    void addFrame(const CellGrid& grid);

    /// Closes the file; nothing is recorded any more until recordTo is called again.
    void finish();

    bool isRecording() const { return file != nullptr; }

    /// `bytes` as a JSON string, quotes included (control characters escaped, UTF-8 kept).
    static std::string jsonString(const std::string& bytes);

private:
    CastRecorder() = default;
    // Writes `text`; on failure logs, closes and stops recording.
    void write(const std::string& text);

    std::FILE* file = nullptr;
    std::string path;
    std::size_t written = 0;
    AnsiWriter writer{COLORS_256};
    CellGrid shown;
    bool anyShown = false;
    long long frames = 0;
    int frameTime = 0;
    std::string bytes;
};

} // namespace qm

#endif
