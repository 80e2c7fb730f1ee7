// The joystick seam over SDL2: the first attached joystick, axes scaled to -1000..1000 with a
// 25 % dead zone, 16 buttons; a lost joystick is looked for again by later polls, and only that
// device is taken back.
#include "joystick_sdl.h"

#include <SDL.h>
#include <cstring>
#include <string>

#include "base/trace.h"
#include "input/controls.h"
#include "input/joystick_seam.h"

namespace velkar {

namespace {

SDL_Joystick* joystick = nullptr; // UI thread opens and closes; game thread polls between
bool subsystemOpen = false;

constexpr int32_t AXIS_RANGE = 1000;
constexpr int32_t DEAD_ZONE_PERCENT = 25;

// The device the program opened: its kind (GUID) and, where the system gives one, its path.
// A device that comes back after being lost gets a new instance, so neither the instance nor
// the index can tell it again.
struct OpenedDevice {
    bool known = false;
    SDL_JoystickGUID guid{};
    std::string path;
};
OpenedDevice opened;

std::string PathText(const char* path) {
    return path != nullptr ? std::string(path) : std::string();
}

void Remember(SDL_Joystick* device) {
    opened.known = device != nullptr;
    if (device == nullptr) return;
    opened.guid = SDL_JoystickGetGUID(device);
    opened.path = PathText(SDL_JoystickPath(device));
}

// Opens the first attached joystick, or returns nullptr.
SDL_Joystick* OpenFirst() {
    if (SDL_NumJoysticks() < 1) return nullptr;
    return SDL_JoystickOpen(0);
}

// Opens the device that was lost when it is attached again: the same kind on the same path,
// else the same kind on another path (a device plugged back in may get a new path). Another
// joystick is never taken in its place.
SDL_Joystick* OpenSameAgain() {
    if (!opened.known) return OpenFirst();
    const int count = SDL_NumJoysticks();
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < count; ++i) {
            const SDL_JoystickGUID guid = SDL_JoystickGetDeviceGUID(i);
            if (std::memcmp(guid.data, opened.guid.data, sizeof guid.data) != 0) continue;
            if (pass == 0 && PathText(SDL_JoystickPathForIndex(i)) != opened.path) continue;
            return SDL_JoystickOpen(i);
        }
    }
    return nullptr;
}

} // namespace

int32_t ScaleJoystickAxis(int32_t raw) {
    // SDL's travel is 32768 one way and 32767 the other; take both as 32767.
    if (raw < -32767) raw = -32767;
    if (raw > 32767) raw = 32767;
    const int32_t magnitude = raw < 0 ? -raw : raw;
    const int32_t deadZone = 32767 * DEAD_ZONE_PERCENT / 100;
    if (magnitude <= deadZone) return 0;
    // Outside the dead zone the value runs from just above 0 up to the full range.
    int32_t scaled = static_cast<int32_t>(static_cast<int64_t>(magnitude - deadZone) * AXIS_RANGE /
                                          (32767 - deadZone));
    if (scaled < 1) scaled = 1;
    return raw < 0 ? -scaled : scaled;
}

int32_t OpenJoystick(void*, void*) {
    if (!subsystemOpen) {
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
            Trace("SDL_InitSubSystem(JOYSTICK) failed - %s\n", SDL_GetError());
            return -1;
        }
        subsystemOpen = true;
        // The state is read by polling; no event queue fills up unread.
        SDL_JoystickEventState(SDL_IGNORE);
    }
    joystick = OpenFirst();
    Remember(joystick);
    if (joystick == nullptr) {
        Trace("SDL_JoystickOpen() failed - %s\n", SDL_GetError());
        return -1;
    }
    Trace("joystick: %s, %d axes, %d buttons\n", SDL_JoystickName(joystick),
          SDL_JoystickNumAxes(joystick), SDL_JoystickNumButtons(joystick));
    return 1;
}

int32_t PollJoystick() {
    if (!subsystemOpen) return 0;
    SDL_JoystickUpdate();
    if (joystick == nullptr || !SDL_JoystickGetAttached(joystick)) {
        // Lost: nothing read this time; look for the same device again for later polls.
        if (joystick != nullptr) SDL_JoystickClose(joystick);
        joystick = OpenSameAgain();
        // One found by a poll when none was there at the start becomes the device to keep.
        if (!opened.known) Remember(joystick);
        return 0;
    }
    const int32_t x = ScaleJoystickAxis(SDL_JoystickGetAxis(joystick, 0));
    const int32_t y = ScaleJoystickAxis(SDL_JoystickGetAxis(joystick, 1));
    int32_t bits = 0;
    if (x < 0) bits |= INPUT_LEFT;
    if (x > 0) bits |= INPUT_RIGHT;
    if (y < 0) bits |= INPUT_UP;
    if (y > 0) bits |= INPUT_DOWN;
    const int buttons = SDL_JoystickNumButtons(joystick);
    for (int32_t i = 0; i < JOY_BUTTONS; ++i)
        JoyButtonState[i] = i < buttons && SDL_JoystickGetButton(joystick, i) != 0 ? 1 : 0;
    return bits;
}

void CloseJoystick() {
    if (joystick != nullptr) SDL_JoystickClose(joystick);
    joystick = nullptr;
    opened = OpenedDevice{};
    if (subsystemOpen) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    subsystemOpen = false;
}

} // namespace velkar
