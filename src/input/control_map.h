// The actions a player can bind, each to one key and one pad button, and the buttons of a pad
// with a known layout (named by where they sit, not by their number on the device).
#pragma once

#include <atomic>
#include <cstdint>

namespace velkar {

// Buttons of a pad whose layout is known, by position. Front ends translate their own pad
// buttons into these; JoyButtonState holds them in this order while JoystickHasLayout is 1.
enum : int32_t {
    PAD_SOUTH = 0,
    PAD_EAST = 1,
    PAD_WEST = 2,
    PAD_NORTH = 3,
    PAD_BACK = 4,
    PAD_GUIDE = 5,
    PAD_START = 6,
    PAD_LEFT_STICK = 7,
    PAD_RIGHT_STICK = 8,
    PAD_LEFT_SHOULDER = 9,
    PAD_RIGHT_SHOULDER = 10,
    PAD_DPAD_UP = 11,
    PAD_DPAD_DOWN = 12,
    PAD_DPAD_LEFT = 13,
    PAD_DPAD_RIGHT = 14,
    PAD_MISC = 15,
    PAD_BUTTON_COUNT = 16,
};

// What a player can bind, in the order the Controls dialog lists them.
enum : int32_t {
    ACTION_UP = 0,
    ACTION_DOWN,
    ACTION_LEFT,
    ACTION_RIGHT,
    ACTION_SHOT,
    ACTION_LASER,
    ACTION_BOMB,
    ACTION_START,
    ACTION_END, // quit to the title
    ACTION_PAUSE,
    ACTION_COUNT,
};

// A binding slot left empty.
constexpr int32_t UNBOUND = -1;

// The control bit an action sets (INPUT_UP .. INPUT_PAUSE).
int32_t ActionControlBit(int32_t action);
// English names for the dialogs: "Move up", ... and "A (south)", ...; "" out of range.
const char* ActionName(int32_t action);
const char* PadButtonName(int32_t button);
// The name of a bindable virtual key ("Z", "Up", "F1", "Space"); "" for one that cannot be
// bound (Escape, Alt, Enter and keys the program does not know).
const char* KeyName(int32_t virtualKey);

int32_t DefaultActionKey(int32_t action);
int32_t DefaultActionPad(int32_t action);

// A full set of bindings, as a dialog edits it: one key and one pad button per action, each
// UNBOUND or held by one action only.
struct ControlBindings {
    int32_t key[ACTION_COUNT];
    int32_t pad[ACTION_COUNT];
};

void DefaultControlBindings(ControlBindings* bindings);

// Binds a key or pad button in a set (UNBOUND clears the slot). A key that cannot be bound, or
// one another action holds, is refused: the result is the action that holds it (ACTION_COUNT
// for one that cannot be bound) and nothing changes; -1 when bound.
int32_t BindKey(ControlBindings* bindings, int32_t action, int32_t virtualKey);
int32_t BindPad(ControlBindings* bindings, int32_t action, int32_t button);

// 1 when every slot is UNBOUND or a bindable key / pad button and none is held twice.
int32_t ValidControlBindings(const ControlBindings& bindings);

// The bindings in use (UI thread writes, game thread reads); UseControlBindings refuses an
// invalid set (0) and keeps the ones in use; a set put in use lets go every held key.
ControlBindings CurrentControlBindings();
int32_t UseControlBindings(const ControlBindings& bindings);

int32_t ActionKey(int32_t action);
int32_t ActionPad(int32_t action);
// The action whose key this is in the bindings in use, or -1.
int32_t ActionOfKey(int32_t virtualKey);

// Front ends whose players can change their keys (the Linux program, the page) set this to 1:
// the keyboard then follows the bindings in use; at 0 (the Windows program) it keeps the fixed
// key map of input/controls.h.
extern std::atomic<int32_t> KeyBindingsInUse;

// The control bits of a layout pad's held buttons (held[i] for PAD_* i) through the pad
// bindings.
int32_t PadBindingBits(const int32_t* held);

} // namespace velkar
