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

// The controls of the current frame, built by SampleControls on the game thread.
extern int32_t InputBits;
// One bit per held physical key, written by the UI thread's key handling.
extern std::atomic<int32_t> RawKeys;

} // namespace velkar
