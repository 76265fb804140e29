#include "presentation/TerminalDisplay.h"

#include "platform/Platform.h"
#include "platform/Terminal.h"

#include <qm/LogManager.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace qm
{

namespace
{
// The alternate screen, the cursor hidden, clicks and moves reported as SGR mouse sequences.
const char* const TERMINAL_ENTER = "\x1b[?1049h\x1b[?25l\x1b[?1000h\x1b[?1003h\x1b[?1006h\x1b[0m\x1b[2J";

TerminalDisplay* activeDisplay = nullptr;
} // namespace

void TerminalDisplay::flushActive()
{
    if (activeDisplay != nullptr)
    {
        activeDisplay->writePending();
    }
}

int TerminalDisplay::start(int columns, int rows)
{
    LogManager& log = LogManager::getInstance();
    std::string error;
    if (!platform::openTerminal(error))
    {
        log.writeLog("DisplayManager::startUp(): Unable to use the terminal: %s.", error.c_str());
        return -1;
    }
    platform::setTerminalRestore(TERMINAL_RESTORE);
    std::string colorterm, term;
    platform::getEnvironment("COLORTERM", colorterm);
    platform::getEnvironment("TERM", term);
    writer.setDepth(AnsiWriter::depthFor(colorterm, term));
    if (!platform::getEnvironment("QUILLMERE_CELL_DUMP", dumpFile))
    {
        dumpFile.clear();
    }
    needColumns = columns;
    needRows = rows;
    screenKnown = false;
    tooSmall = false;
    writeFailed = false;
    pending = TERMINAL_ENTER;
    started = true;
    activeDisplay = this;
    writePending();
    static const char* const DEPTHS[] = {"8 colours", "256 colours", "24-bit colour"};
    log.writeLog(1, "DisplayManager::startUp(): Showing %dx%d cells in the terminal, %s.", columns, rows,
                 DEPTHS[writer.getDepth()]);
    return 0;
}

void TerminalDisplay::stop()
{
    if (!started)
    {
        return;
    }
    started = false;
    if (activeDisplay == this)
    {
        activeDisplay = nullptr;
    }
    platform::closeTerminal();
}

void TerminalDisplay::writePending()
{
    while (!pending.empty() && !writeFailed)
    {
        const int written = platform::writeTerminal(pending.data(), static_cast<int>(pending.size()));
        if (written < 0)
        {
            writeFailed = true;
            pending.clear();
            LogManager::getInstance().writeLog("TerminalDisplay::show(): Error! The terminal is gone; "
                                               "nothing more is shown.");
            return;
        }
        pending.erase(0, static_cast<std::size_t>(written));
        if (written == 0)
        {
            return; // the terminal takes no more now; the rest goes in a later frame
        }
    }
}

void TerminalDisplay::show(const CellGrid& frame)
{
    frameBytes = 0;
    if (!started || writeFailed)
    {
        return;
    }
    if (!pending.empty())
    {
        writePending(); // the frame before is still on its way: this one is skipped
        return;
    }
    int columns = 0, rows = 0;
    const bool sized = platform::terminalSize(columns, rows);
    if (platform::takeTerminalResize())
    {
        screenKnown = false; // some terminals lose or reflow the screen when resized
    }
    if (sized && (columns < needColumns || rows < needRows))
    {
        if (!tooSmall || !screenKnown)
        {
            char message[160];
            std::snprintf(message, sizeof message, "The game needs a terminal of %dx%d; this one is %dx%d.",
                          needColumns, needRows, columns, rows);
            std::string line(message);
            line.resize(std::min(line.size(), static_cast<std::size_t>(columns)));
            pending = "\x1b[0m\x1b[2J\x1b[H" + line;
            tooSmall = true;
            screenKnown = true;
            frameBytes = pending.size();
            writePending();
        }
        return;
    }
    if (tooSmall)
    {
        tooSmall = false;
        screenKnown = false;
    }
    writer.write(frame, screenKnown ? &onScreen : nullptr, pending);
    onScreen = frame;
    if (!dumpFile.empty() && frame != dumped)
    {
        // The frame sent to the terminal, for tests that compare it with what the terminal shows.
        dumped = frame;
        const std::string scratch = dumpFile + ".new";
        std::ofstream(scratch, std::ios::binary) << frame.toText() << "\n\n" << frame.toColorText() << "\n";
        std::rename(scratch.c_str(), dumpFile.c_str());
    }
    screenKnown = true;
    frameBytes = pending.size();
    writePending();
}

} // namespace qm
