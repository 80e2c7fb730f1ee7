// Qt key events to the core's key routines: the virtual-key map and the system-key split.
#include "qt_keys.h"

#include <QKeyEvent>

#include "app/key_handling.h"
#include "input/controls.h"

namespace velkar {

namespace {

constexpr int32_t VKEY_F10 = 0x79;

int32_t Arrow(int32_t key, Qt::KeyboardModifiers modifiers, int32_t* extended) {
    // The keypad's 8, 2, 4, 6 arrive as arrows while Num Lock is off; only the arrow block is
    // an extended key.
    *extended = (modifiers & Qt::KeypadModifier) ? 0 : 1;
    return key;
}

int32_t KeypadDigit(int32_t key, Qt::KeyboardModifiers modifiers) {
    // Digits count only from the keypad (Num Lock on); the main row's digits are no game keys.
    return (modifiers & Qt::KeypadModifier) ? key : 0;
}

} // namespace

int32_t VirtualKeyOfQt(int qtKey, Qt::KeyboardModifiers modifiers, int32_t* extended) {
    *extended = 0;
    switch (qtKey) {
    case Qt::Key_Up:
        return Arrow(VKEY_UP, modifiers, extended);
    case Qt::Key_Down:
        return Arrow(VKEY_DOWN, modifiers, extended);
    case Qt::Key_Left:
        return Arrow(VKEY_LEFT, modifiers, extended);
    case Qt::Key_Right:
        return Arrow(VKEY_RIGHT, modifiers, extended);
    case Qt::Key_8:
        return KeypadDigit(VKEY_NUMPAD8, modifiers);
    case Qt::Key_2:
        return KeypadDigit(VKEY_NUMPAD2, modifiers);
    case Qt::Key_4:
        return KeypadDigit(VKEY_NUMPAD4, modifiers);
    case Qt::Key_6:
        return KeypadDigit(VKEY_NUMPAD6, modifiers);
    case Qt::Key_Z:
        return VKEY_Z;
    case Qt::Key_X:
        return VKEY_X;
    case Qt::Key_C:
        return VKEY_C;
    case Qt::Key_P:
        return VKEY_P;
    case Qt::Key_F1:
        return VKEY_F1;
    case Qt::Key_F2:
        return VKEY_F2;
    case Qt::Key_F10:
        return VKEY_F10;
    case Qt::Key_F12:
        return VKEY_F12;
    case Qt::Key_Escape:
        return VKEY_ESCAPE;
    case Qt::Key_Space:
        return VKEY_SPACE;
    case Qt::Key_Control:
        return VKEY_CONTROL;
    case Qt::Key_Shift:
        return VKEY_SHIFT;
    case Qt::Key_Alt:
        return VKEY_MENU;
    case Qt::Key_Return:
        return VKEY_RETURN;
    case Qt::Key_Enter:
        *extended = 1; // keypad Enter
        return VKEY_RETURN;
    default:
        return 0;
    }
}

bool HandleKeyEvent(const QKeyEvent* event) {
    int32_t extended = 0;
    const int32_t key = VirtualKeyOfQt(event->key(), event->modifiers(), &extended);
    if (key == 0) return false;
    const bool press = event->type() == QEvent::KeyPress;
    // X11 reports an auto-repeat as a release and a press; the key stays held throughout, so
    // only the repeated press counts (as a key-down message with the key already down).
    if (!press && event->isAutoRepeat()) return true;
    const int32_t alt = (event->modifiers() & Qt::AltModifier) ? 1 : 0;
    const bool system = alt != 0 || key == 0x79 || key == VKEY_MENU;
    const uint32_t flags =
        MakeKeyFlags(extended, alt, event->isAutoRepeat() ? 1 : 0, press ? 0 : 1);
    int32_t result;
    if (press)
        result = system ? SysKeyDown(key, flags) : KeyDown(key, flags);
    else
        result = system ? SysKeyUp(key, flags) : KeyUp(key, flags);
    return result != KEY_DEFAULT;
}

} // namespace velkar
