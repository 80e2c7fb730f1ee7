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

// A digit: the keypad's (Num Lock on) as the keypad key, the main row's as itself.
int32_t Digit(int qtKey, Qt::KeyboardModifiers modifiers) {
    const int32_t digit = qtKey - Qt::Key_0;
    return (modifiers & Qt::KeypadModifier) ? 0x60 + digit : '0' + digit;
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
    case Qt::Key_Period:
        // The main row's full stop; the keypad's (Num Lock on) is its decimal key.
        return (modifiers & Qt::KeypadModifier) ? 0x6E : VKEY_PERIOD;
    case Qt::Key_BracketLeft:
        return VKEY_LEFT_BRACKET;
    case Qt::Key_BracketRight:
        return VKEY_RIGHT_BRACKET;
    case Qt::Key_Tab:
        return 0x09;
    case Qt::Key_Backspace:
        return 0x08;
    case Qt::Key_PageUp:
        return 0x21;
    case Qt::Key_PageDown:
        return 0x22;
    case Qt::Key_End:
        return 0x23;
    case Qt::Key_Home:
        return 0x24;
    case Qt::Key_Insert:
        return 0x2D;
    case Qt::Key_Delete:
        return 0x2E;
    default:
        break;
    }
    // Letters are their capitals' codes in both; the function keys run on from F1.
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return qtKey;
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return Digit(qtKey, modifiers);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return VKEY_F1 + (qtKey - Qt::Key_F1);
    return 0;
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
