// Qt key events translated to the virtual keys and flags of the core's key routines.
#pragma once

#include <Qt>
#include <cstdint>

class QKeyEvent;

namespace velkar {

// The virtual key of a Qt key, with *extended set as the Windows keyboard would set it: the
// arrow block is extended, the keypad with Num Lock off is not; keypad Enter is extended.
// 0 for a key the window does not handle.
int32_t VirtualKeyOfQt(int qtKey, Qt::KeyboardModifiers modifiers, int32_t* extended);

// The window's key handling for one key press or release: the game's keys go to RawKeys,
// Escape closes, P and F12 pause, Alt+Enter switches full screen. Keys pressed with Alt (and
// F10) take the system-key path. Returns true when the event was handled (not passed on).
bool HandleKeyEvent(const QKeyEvent* event);

} // namespace velkar
