// The headless joystick: absent unless a test attaches the fake one.
#include "input/joystick_seam.h"
#include "null_seam.h"

namespace velkar {

namespace {
std::atomic<int32_t> attached{0};
std::atomic<int32_t> opened{0};
std::atomic<int32_t> failing{0};
std::atomic<int32_t> directions{0};
std::atomic<uint32_t> buttons{0};
} // namespace

void SetNullJoystickAttached(int32_t value) {
    attached.store(value);
}

void SetNullJoystickInput(int32_t directionBits, uint32_t buttonBits) {
    directions.store(directionBits);
    buttons.store(buttonBits);
}

void SetNullJoystickFailing(int32_t value) {
    failing.store(value);
}

void ResetNullJoystick() {
    attached.store(0);
    opened.store(0);
    failing.store(0);
    directions.store(0);
    buttons.store(0);
}

int32_t OpenJoystick(void*, void*) {
    if (attached.load() == 0) return -1;
    opened.store(1);
    return 1;
}

int32_t PollJoystick() {
    if (opened.load() == 0 || failing.load() != 0) return 0;
    const uint32_t held = buttons.load();
    for (int32_t i = 0; i < JOY_BUTTONS; ++i)
        JoyButtonState[i] = (held >> i) & 1u;
    return directions.load();
}

void CloseJoystick() {
    opened.store(0);
}

} // namespace velkar
