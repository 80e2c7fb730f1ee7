// Control bits: the process-wide words the keyboard and joystick feed.
#include "input/controls.h"

namespace velkar {

int32_t InputBits = 0;
std::atomic<int32_t> RawKeys{0};

} // namespace velkar
