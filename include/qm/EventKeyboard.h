#ifndef QM_EVENTKEYBOARD_H
#define QM_EVENTKEYBOARD_H

#include <qm/Event.h>

namespace qm
{

/// What happened to a key: pressed or released (window events), or found down when polled.
enum KeyboardAction
{
    UNDEFINED_KEYBOARD_ACTION = -1,
    KEY_PRESS = 0,
    KEY_RELEASE = 1,
    KEY_HELD = 2,
};

/// The engine's own key codes, independent of the window library's. Keys without a name
/// arrive as the window library's code plus 97 (see InputManager).
enum Key
{
    UNDEFINED_KEY = -1,
    SPACE = 0,
    ENTER,
    ESCAPE,
    TAB,
    LEFT_ARROW,
    RIGHT_ARROW,
    UP_ARROW,
    DOWN_ARROW,
    PAUSE,
    MINUS,
    PLUS,
    TILDE,
    PERIOD,
    COMMA,
    SLASH,
    EQUAL,
    BACKSLASH,
    MULTIPLY,
    QUOTE,
    SEMICOLON,
    LEFT_CONTROL,
    RIGHT_CONTROL,
    LEFT_SHIFT,
    RIGHT_SHIFT,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F10,
    F11,
    F12,
    A,
    B,
    C,
    D,
    E,
    F,
    G,
    H,
    I,
    J,
    K,
    L,
    M,
    N,
    O,
    P,
    Q,
    R,
    S,
    T,
    U,
    V,
    W,
    X,
    Y,
    Z,
    NUM1,
    NUM2,
    NUM3,
    NUM4,
    NUM5,
    NUM6,
    NUM7,
    NUM8,
    NUM9,
    NUM0,
    BACKSPACE,
};

/// A keyboard happening ("qm-keyboard"): an engine key code and a KeyboardAction, both -1
/// until set. The accessors are virtual so that code holding only an Event pointer of this
/// type can read the key through the class's own table.
class EventKeyboard : public Event
{
public:
    EventKeyboard() { setType(EVENT_KEYBOARD); }

    virtual void setKey(int newKey) { key = newKey; }
    virtual int getKey() const { return key; }
    virtual void setKeyboardAction(int action) { keyboardAction = action; }
    virtual int getKeyboardAction() const { return keyboardAction; }

private:
    int key = UNDEFINED_KEY;
    int keyboardAction = UNDEFINED_KEYBOARD_ACTION;
};

} // namespace qm

#endif
