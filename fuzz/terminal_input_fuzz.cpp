// Feeds arbitrary bytes to the terminal's input as a terminal (or a paste, or line noise)
// would send them, split at arbitrary points across frames. It may not crash or hang; every
// frame delivers at most MAX_EVENTS_PER_POLL events, and only engine keys and mouse events.
#include "input/TerminalInput.h"

#include <qm/EventKeyboard.h>
#include <qm/LogManager.h>

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool logReady = []
    {
        setenv("QUILLMERE_LOG", "/dev/null", 1);
        return qm::LogManager::getInstance().startUp() == 0;
    }();
    (void)logReady;
    qm::TerminalInput input;
    // The first byte picks the frame size; the frames follow 33 ms apart, with an empty frame
    // (nothing came) after each, which completes whatever is pending.
    const std::size_t frame = size > 0 ? 1 + data[0] % 64 : 1;
    std::int64_t now = 0;
    for (std::size_t at = size > 0 ? 1 : 0; at < size; at += frame)
    {
        const std::size_t length = at + frame <= size ? frame : size - at;
        for (const std::string& bytes : {std::string(reinterpret_cast<const char*>(data) + at, length), std::string()})
        {
            input.update(bytes, now);
            now += 33000;
            if (input.getEvents().size() > static_cast<std::size_t>(qm::TerminalInput::MAX_EVENTS_PER_POLL) + 128)
            {
                std::abort();
            }
            for (const qm::TerminalEvent& event : input.getEvents())
            {
                if (event.kind == qm::TerminalEvent::KEY && (event.key < qm::SPACE || event.key > qm::BACKSPACE))
                {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
