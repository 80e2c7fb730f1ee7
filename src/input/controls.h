// Control bits: held keys and the joystick merged into one word per frame.
#pragma once

#include <atomic>
#include <cstdint>

namespace velkar {

enum : int32_t {
    INPUT_UP = 0x1,
    INPUT_DOWN = 0x2,
    INPUT_LEFT = 0x4,
    INPUT_RIGHT = 0x8,
    INPUT_SHOT = 0x10,
    INPUT_LASER = 0x20,
    INPUT_BOMB = 0x40,
    INPUT_START = 0x100,
    INPUT_END = 0x200,
    INPUT_PAUSE = 0x400,
};

// Virtual-key numbers of the keys the game knows, as the Windows keyboard reports them. Front
// ends that are not Windows translate their key events into these numbers.
enum : int32_t {
    VKEY_SHIFT = 0x10,
    VKEY_CONTROL = 0x11,
    VKEY_ESCAPE = 0x1B,
    VKEY_SPACE = 0x20,
    VKEY_LEFT = 0x25,
    VKEY_UP = 0x26,
    VKEY_RIGHT = 0x27,
    VKEY_DOWN = 0x28,
    VKEY_C = 0x43,
    VKEY_P = 0x50,
    VKEY_X = 0x58,
    VKEY_Z = 0x5A,
    VKEY_NUMPAD2 = 0x62,
    VKEY_NUMPAD4 = 0x64,
    VKEY_NUMPAD6 = 0x66,
    VKEY_NUMPAD8 = 0x68,
    VKEY_F1 = 0x70,
    VKEY_F2 = 0x71,
    VKEY_F12 = 0x7B,
};

// The controls of the current frame, built by SampleControls on the game thread.
extern int32_t InputBits;
// One bit per held physical key, written by the UI thread's key handling.
extern std::atomic<int32_t> RawKeys;

// The RawKeys bit of a key: primary keys in the low half, their alternates 16 bits above the
// control bit they stand for. With KeyBindingsInUse the primary keys are the player's bindings.
// extended is the key message's extended-key flag (the arrow block rather than the keypad). 0 for a
// key the game does not read.
int32_t RawKeyBit(int32_t virtualKey, int32_t extended);

// 1 for a key that toggles the pause: P or F12, or with the player's bindings (KeyBindingsInUse)
// the pause action's key and F12 where no binding takes it.
int32_t IsPauseKey(int32_t virtualKey);

// Key-down and key-up of the UI thread: set or clear the key's RawKeys bit. 1 when the key
// belongs to the game (the message is handled), 0 otherwise.
int32_t PressRawKey(int32_t virtualKey, int32_t extended);
int32_t ReleaseRawKey(int32_t virtualKey, int32_t extended);

// Builds InputBits for this frame from RawKeys and, when present, the joystick (polled here),
// and returns it. Game thread only.
int32_t BuildInputBits();

// 1 while the polled device is a pad of known layout: JoyButtonState then holds its buttons by
// position (PAD_SOUTH ...) and the pad bindings of input/control_map.h turn them into controls;
// 0 for a plain joystick, whose numbered buttons go through the JoyButton_ settings. Written by
// the platform's poll; game thread only.
extern int32_t JoystickHasLayout;

// Called by the platform's poll when the device it was reading is gone. The next
// TakeJoystickLoss returns 1 once (game thread only).
void NoteJoystickLost();
int32_t TakeJoystickLoss();

// Opens the joystick through the platform and sets JoystickPresent on success; 1 or -1.
int32_t ConnectJoystick(void* instance, void* window);
// Closes the joystick if it is present and clears JoystickPresent.
void DisconnectJoystick();

} // namespace velkar
