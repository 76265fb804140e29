#ifndef QM_INPUTMANAGER_H
#define QM_INPUTMANAGER_H

#include <qm/EventKeyboard.h>
#include <qm/Manager.h>

#include <string>

namespace sf
{
class Event;
}

namespace qm
{

/// Turns the window's keyboard and mouse into "qm-keyboard" and "qm-mouse" events for the
/// objects registered here (Object::registerInterest routes both types to this manager).
/// Once per loop iteration getInput delivers, in this order: the window's queued key
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

    /// Drains the window's event queue and polls held buttons and keys, delivering one
    /// event per happening. A window close request sets game over and ends the call at once.
    void getInput();

    /// An event carrying the engine key code of a window key event (the window library's
    /// code plus 97 for keys without a name); its action is left undefined.
    EventKeyboard toEventKeyboard(const sf::Event& event) const;

private:
    InputManager();
};

} // namespace qm

#endif
