// Controls of the headless platform for tests and the headless runner: a fake joystick and
// counters of what the core asked the platform to do.
#pragma once

#include <cstdint>

namespace velkar {

// Whether OpenJoystick finds a joystick (none by default).
void SetNullJoystickAttached(int32_t attached);
// What the next successful polls read: direction bits (0x1 up, 0x2 down, 0x4 left, 0x8 right)
// and the held buttons, bit i for button i.
void SetNullJoystickInput(int32_t directions, uint32_t buttons);
// While set, every poll fails as if input were lost: 0 directions, buttons left as they were.
void SetNullJoystickFailing(int32_t failing);
// Back to no joystick, no input, polls succeeding.
void ResetNullJoystick();

// How often PresentFrame and PostNameEntryCommand have been called.
int32_t NullPresentCount();
int32_t NullNameEntryPostCount();
void ResetNullCounts();

} // namespace velkar
