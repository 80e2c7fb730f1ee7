// The joystick as the core sees it: three plain routines each front end defines, and its state.
#pragma once

#include <atomic>
#include <cstdint>

namespace velkar {

constexpr int32_t JOY_BUTTONS = 16;

// 1 while a joystick opened at start-up is in use; the Device Configuration dialog shows it.
extern std::atomic<int32_t> JoystickPresent;
// Entry i is 1 while button i (0-based) is held; rewritten by every successful poll and left
// as it was by a failed one. Game thread only.
extern int32_t JoyButtonState[JOY_BUTTONS];

// Defined by the platform. instance and window are the front end's own handles (either may be
// null where the platform needs none). Opens the first attached joystick with both axes scaled
// to -1000..1000 and a 25 % dead zone about the centre. 1 on success, -1 when there is none or
// it cannot be used (details go to Trace). Does not touch JoystickPresent.
int32_t OpenJoystick(void* instance, void* window);

// Defined by the platform; game thread. Reads the device and returns its direction bits
// (INPUT_UP 0x1 for a negative Y axis, INPUT_DOWN 0x2 positive Y, INPUT_LEFT 0x4 negative X,
// INPUT_RIGHT 0x8 positive X) after writing JoyButtonState[0..15]. When nothing can be read it
// returns 0 and leaves JoyButtonState alone, except that a platform that sees the device gone
// releases every button; a lost device is re-acquired on a later poll.
int32_t PollJoystick();

// Defined by the platform. Releases the device opened by OpenJoystick.
void CloseJoystick();

} // namespace velkar
