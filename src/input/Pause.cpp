#include "core/Utf8.h"
#include "input/TerminalInput.h"
#include "platform/Platform.h"

#include <qm/Config.h>
#include <qm/DisplayManager.h>
#include <qm/EventKeyboard.h>
#include <qm/GameManager.h>
#include <qm/InputReplay.h>
#include <qm/LogManager.h>
#include <qm/Pause.h>

#include <SFML/Window/Event.hpp>
#include <SFML/Window/Window.hpp>

namespace qm
{

namespace
{
// Between two looks at the window's queue. Short, so that the game resumes at once.
constexpr int WAIT_MICROSECONDS = 30;
} // namespace

Pause::Pause(int key) : pauseKey(key)
{
    LogManager::getInstance().writeLog("Pause::Pause(): Pause enabled.  Press any other key to resume.");
    setSolidness(SPECTRAL);
    setType("Pause");
    registerInterest(EVENT_KEYBOARD);
}

Pause::~Pause() = default;

int Pause::eventHandler(const Event* event)
{
    LogManager& log = LogManager::getInstance();
    log.writeLog(10, "Pause::eventHandler(): Got event");
    if (event->getType() != EVENT_KEYBOARD)
    {
        return 0;
    }
    const auto* keyboard = static_cast<const EventKeyboard*>(event);
    // Only a press pauses: the held report that follows the press which resumed the game
    // must not pause it again, and neither must the release.
    if (keyboard->getKey() != pauseKey || keyboard->getKeyboardAction() != KEY_PRESS)
    {
        return 1;
    }

    if (InputReplay::getInstance().isPlaying())
    {
        // A replay goes on: what resumed the recorded game was never delivered to it.
        log.writeLog(1, "Pause::eventHandler(): pause key replayed; not waiting.");
        return 1;
    }
    log.writeLog(1, "Pause::eventHandler(): Game paused.");
    if (TerminalInput* terminal = TerminalInput::active())
    {
        terminal->waitForKey(); // any key, Ctrl-C or a stop signal
        log.writeLog(1, "Pause::eventHandler(): Game resumed.");
        return 1;
    }
    sf::Window* window = DisplayManager::getInstance().getInputWindow();
    if (window == nullptr)
    {
        log.writeLog("Pause::eventHandler(): DisplayManager unexpectedly returned null window!  Cannot pause.");
        return 0;
    }

    // Nothing is drawn while paused: the title tells the player why nothing moves.
    // The title is UTF-8, each malformed sequence shown as U+FFFD.
    const std::u32string title = utf8::decode(Config::getInstance().getWindowTitle());
    const std::u32string pausedTitle = title + U" (paused)";
    window->setTitle(sf::String::fromUtf32(pausedTitle.begin(), pausedTitle.end()));
    bool paused = true;
    bool closing = false;
    while (paused)
    {
        // The whole queue is consumed: nothing typed or clicked while paused reaches the game.
        sf::Event windowEvent;
        while (window->pollEvent(windowEvent))
        {
            if (windowEvent.type == sf::Event::KeyPressed)
            {
                log.writeLog(10, "Pause::eventHandler(): Keypress (%d)", static_cast<int>(windowEvent.key.code));
                paused = false;
            }
            else if (windowEvent.type == sf::Event::Closed && !closing)
            {
                // The close button must work while paused too.
                log.writeLog("Pause::eventHandler(): Window close event while paused. Setting game over.");
                GameManager::getInstance().setGameOver(true);
                closing = true;
                paused = false;
            }
        }
        if (paused && platform::stopRequested())
        {
            // Ctrl-C or a termination signal must end the program while paused too: the pause
            // ends and the game loop sees the request at its next iteration.
            log.writeLog("Pause::eventHandler(): Stop requested while paused. Resuming.");
            paused = false;
        }
        if (paused)
        {
            platform::waitMicroseconds(WAIT_MICROSECONDS);
        }
    }
    window->setTitle(sf::String::fromUtf32(title.begin(), title.end()));
    if (!closing)
    {
        log.writeLog(1, "Pause::eventHandler(): Game resumed.");
    }
    return 1;
}

} // namespace qm
