// Shows the display manager's frames in the text terminal the program runs in: the alternate
// screen, a hidden cursor, mouse reports on, and each frame one write of the cells that changed.
#ifndef QM_TERMINALDISPLAY_H
#define QM_TERMINALDISPLAY_H

#include <qm/AnsiWriter.h>
#include <qm/CellGrid.h>

#include <cstddef>
#include <string>

namespace qm
{

/// Leaves what the display switched on: mouse reports, attributes, the hidden cursor and the
/// alternate screen. Written on every way out (see platform::setTerminalRestore).
inline const char* const TERMINAL_RESTORE = "\x1b[?1006l\x1b[?1003l\x1b[?1000l\x1b[0m\x1b[?25h\x1b[?1049l";

/// The terminal display, owned by the display manager when "display:terminal". Frames are
/// placed at the terminal's upper-left corner. A terminal smaller than the frame shows one
/// line saying the size needed, and the frame again once it is large enough. Writing never
/// waits: what the terminal does not take at once is finished in later frames, and frames
/// made meanwhile are skipped, so the game's pace does not depend on the terminal's.
class TerminalDisplay
{
public:
    /// Takes the terminal (raw mode, alternate screen, hidden cursor, SGR mouse reports) for
    /// frames of `columns` by `rows`. The colour depth comes from COLORTERM and TERM. Returns
    /// -1 with a log line when there is no usable terminal.
    int start(int columns, int rows);

    /// Gives the terminal back as it was. Safe to call more than once.
    void stop();

    /// Shows `frame`: writes the cells that differ from what the terminal shows.
    void show(const CellGrid& frame);

    /// Hands the terminal what is still waiting of the last frame shown, without waiting.
    /// For loops that run outside the game loop (the pause): nothing when no terminal display
    /// runs.
    static void flushActive();

    AnsiWriter& getWriter() { return writer; }
    /// Bytes handed to the terminal for the last frame shown (0 when nothing changed).
    std::size_t getFrameBytes() const { return frameBytes; }

private:
    void writePending();

    AnsiWriter writer;
    CellGrid onScreen; // what the terminal shows once `pending` is written
    bool screenKnown = false;
    bool tooSmall = false;
    int needColumns = 0;
    int needRows = 0;
    std::string pending;
    std::size_t frameBytes = 0;
    bool started = false;
    bool writeFailed = false;
    std::string dumpFile; // QUILLMERE_CELL_DUMP: each new frame's cells also go there
    CellGrid dumped;
};

} // namespace qm

#endif
