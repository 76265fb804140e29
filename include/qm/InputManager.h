#ifndef QM_INPUTMANAGER_H
#define QM_INPUTMANAGER_H

#include <qm/EventKeyboard.h>
#include <qm/Manager.h>

#include <deque>
#include <string>

namespace sf
{
class Event;
}

namespace qm
{

/// Most keyboard events queueKeyboard holds for delivery at once.
constexpr int MAX_QUEUED_KEYS = 1024;

/// Turns the window's keyboard and mouse into "qm-keyboard" and "qm-mouse" events for the
/// objects registered here (Object::registerInterest routes both types to this manager).
/// Once per loop iteration getInput delivers, in this order: keys queued by queueKeyboard
/// (also when headless), the window's queued key
/// presses and releases, mouse moves and clicks; a MOUSE_HELD event per mouse button that
/// is down; a KEY_HELD event per polled key that is down. Key repeat is off while the
/// manager runs, so a held key gives one press, one held event per iteration and one
/// release. Mouse positions are in cells from the window's upper-left corner.
///
///     class Ship : public qm::Object
///     {
///         Ship() { registerInterest(qm::EVENT_KEYBOARD); }
///         int eventHandler(const qm::Event* event) override; // reads getKey()
///     };
class InputManager : public Manager
{
public:
    static InputManager& getInstance();
    ~InputManager() override;

    /// True for "qm-keyboard" and "qm-mouse" only.
    bool isValid(std::string eventType) const override;

    /// Switches the window's key repeat off. Returns -1 (logged) when the display manager
    /// is not started yet; 0 otherwise, also headless (then getInput does nothing).
    int startUp() override;

    /// Switches the window's key repeat back on.
    void shutDown() override;

    /// Delivers the keys queued since the last call, then drains the window's event queue and
    /// polls held buttons and keys, delivering one event per happening. A window close request
    /// sets game over and ends the call at once. Headless, only the queued keys are delivered.
    void getInput();

    /// Queues a keyboard event for the next getInput, delivered as a window key would be:
    /// the way scripted and replayed input reaches the game, with or without a window. Keys
    /// queued while getInput delivers wait for the following call. Returns 0, or -1 (logged)
    /// when the manager is not started, the action is not KEY_PRESS, KEY_RELEASE or KEY_HELD,
    /// or MAX_QUEUED_KEYS keys already wait. Shutting down drops what is still queued.
    [[nodiscard]] int queueKeyboard(const EventKeyboard& event);

    /// Sends `event` to the objects registered for its type, as Manager::onEvent does, and
    /// notes it in an input recording (see InputReplay) when one is made. A press of F12
    /// also asks the display manager for a screenshot.
    int onEvent(const Event* event) const;

    /// Number of keys waiting for the next getInput.
    int getQueuedKeyCount() const { return static_cast<int>(queuedKeys.size()); }

    /// An event carrying the engine key code of a window key event (the window library's
    /// code plus 97 for keys without a name); its action is left undefined.
    EventKeyboard toEventKeyboard(const sf::Event& event) const;

private:
    InputManager();

    // While a replay plays: reads the window's or terminal's input and drops it, but for a
    // close request, which still ends the game.
    void ignoreLiveInput() const;
    // Delivers and empties the queue as it was when called.
    void deliverQueuedKeys();

    std::deque<EventKeyboard> queuedKeys;
};

} // namespace qm

#endif
