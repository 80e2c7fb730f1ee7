// SDL2 joystick helpers of the Linux program that its dialogs and tests reach directly.
#pragma once

#include <cstdint>
#include <string>

namespace velkar {

// An SDL axis reading (-32768..32767) on the -1000..1000 scale with a 25 % dead zone about the
// centre: readings within a quarter of the way to either end give 0, the rest of the travel is
// spread over 1..1000.
int32_t ScaleJoystickAxis(int32_t raw);

// The device being read: its name ("" when none is attached) and whether it is read by its
// layout (SDL knows its mapping) or as a plain joystick.
struct JoystickInfo {
    std::string name;
    bool layout = false;
};
JoystickInfo CurrentJoystick();

// The first layout button (PAD_SOUTH ...) held on the pad being read, or -1 (also for a plain
// joystick and for none). Reads the device afresh; safe beside the game thread's polls.
int32_t HeldPadButton();

// The player's own pad mappings, read from the settings folder when the joystick opens.
extern const char* const MAPPING_FILE_NAME;

} // namespace velkar
