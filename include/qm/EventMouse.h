#ifndef QM_EVENTMOUSE_H
#define QM_EVENTMOUSE_H

#include <qm/Event.h>
#include <qm/Vector.h>

namespace qm
{

enum MouseAction
{
    UNDEFINED_MOUSE_ACTION = -1,
    MOUSE_CLICK = 0,
    MOUSE_HELD = 1,
    MOUSE_MOVE = 2,
};

enum MouseButton
{
    UNDEFINED_MOUSE_BUTTON = -1,
    BUTTON_LEFT = 0,
    BUTTON_RIGHT = 1,
    BUTTON_MIDDLE = 2,
};

/// A mouse happening ("qm-mouse"). The position is in character cells relative to the
/// window's upper-left corner, not in world coordinates.
class EventMouse : public Event
{
public:
    EventMouse() { setType(EVENT_MOUSE); }

    void setMouseAction(int action) { mouseAction = action; }
    int getMouseAction() const { return mouseAction; }
    void setMouseButton(int button) { mouseButton = button; }
    int getMouseButton() const { return mouseButton; }
    void setMousePosition(Vector position) { mousePosition = position; }
    Vector getMousePosition() const { return mousePosition; }

private:
    int mouseAction = UNDEFINED_MOUSE_ACTION;
    int mouseButton = UNDEFINED_MOUSE_BUTTON;
    Vector mousePosition;
};

} // namespace qm

#endif
