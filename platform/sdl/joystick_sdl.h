// SDL2 joystick helpers of the Linux program that tests reach directly.
#pragma once

#include <cstdint>

namespace velkar {

// An SDL axis reading (-32768..32767) on the -1000..1000 scale with a 25 % dead zone about the
// centre: readings within a quarter of the way to either end give 0, the rest of the travel is
// spread over 1..1000.
int32_t ScaleJoystickAxis(int32_t raw);

} // namespace velkar
