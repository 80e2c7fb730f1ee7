// The joystick seam over SDL2. A device SDL's game-controller layer knows (its own mapping
// database, SDL_GAMECONTROLLERCONFIG, or the player's mapping file in the settings folder) is
// read by its layout: buttons by position, the left stick and the d-pad. Any other device is
// read as a plain joystick: axes 0 and 1, 16 numbered buttons. Axes are scaled to -1000..1000
// with a 25 % dead zone. Devices come and go at any time: a poll with none open takes the one
// that was lost when it comes back, or a device attached since; a device that was lost makes
// the core pause a game in play.
#include "joystick_sdl.h"

#include <SDL.h>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "base/file_read.h"
#include "base/settings_vars.h"
#include "base/trace.h"
#include "input/control_map.h"
#include "input/controls.h"
#include "input/joystick_seam.h"

namespace velkar {

namespace {

// The game thread polls, the UI thread opens, closes and asks for the device's name.
std::mutex deviceMutex;
SDL_Joystick* joystick = nullptr;
SDL_GameController* pad = nullptr; // set when the device is read by its layout
bool subsystemOpen = false;

constexpr int32_t AXIS_RANGE = 1000;
constexpr int32_t DEAD_ZONE_PERCENT = 25;
// The player's mapping file is read whole; a larger one is refused.
constexpr size_t MAPPING_FILE_LIMIT = 1 << 20;

// SDL's button for each layout button of the core (PAD_SOUTH ... PAD_MISC).
constexpr SDL_GameControllerButton SDL_BUTTON_OF[PAD_BUTTON_COUNT] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_GUIDE,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT,
    SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
    SDL_CONTROLLER_BUTTON_MISC1,
};
static_assert(PAD_BUTTON_COUNT == JOY_BUTTONS);

// The device the program had open: its kind (GUID) and, where the system gives one, its path.
// A device that comes back after being lost gets a new instance, so neither the instance nor
// the index can tell it again. The devices attached when it was lost were passed over then and
// stay passed over; one attached later is taken.
struct OpenedDevice {
    bool known = false;
    SDL_JoystickGUID guid{};
    std::string path;
    std::vector<SDL_JoystickID> passedOver;
};
OpenedDevice opened;

std::string PathText(const char* path) {
    return path != nullptr ? std::string(path) : std::string();
}

void Remember(SDL_Joystick* device) {
    opened.known = device != nullptr;
    opened.passedOver.clear();
    if (device == nullptr) return;
    opened.guid = SDL_JoystickGetGUID(device);
    opened.path = PathText(SDL_JoystickPath(device));
}

// Opens device index i, by its layout where SDL knows it.
void OpenIndex(int index) {
    pad = nullptr;
    joystick = nullptr;
    if (SDL_IsGameController(index)) {
        pad = SDL_GameControllerOpen(index);
        if (pad != nullptr) joystick = SDL_GameControllerGetJoystick(pad);
    }
    if (joystick == nullptr) joystick = SDL_JoystickOpen(index);
    if (joystick == nullptr) {
        Trace("SDL_JoystickOpen() failed - %s\n", SDL_GetError());
        return;
    }
    Trace("joystick: %s, %s, %d axes, %d buttons\n", SDL_JoystickName(joystick),
          pad != nullptr ? "known layout" : "plain", SDL_JoystickNumAxes(joystick),
          SDL_JoystickNumButtons(joystick));
}

void CloseDevice() {
    if (pad != nullptr)
        SDL_GameControllerClose(pad);
    else if (joystick != nullptr)
        SDL_JoystickClose(joystick);
    pad = nullptr;
    joystick = nullptr;
}

bool PassedOver(int index) {
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);
    for (SDL_JoystickID other : opened.passedOver)
        if (other == id) return true;
    return false;
}

// With no device open: the lost device again (the same kind on the same path, else the same
// kind on another path: a device plugged back in may get a new path), else the first device
// attached since the loss.
void OpenAgain() {
    const int count = SDL_NumJoysticks();
    if (opened.known) {
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < count; ++i) {
                const SDL_JoystickGUID guid = SDL_JoystickGetDeviceGUID(i);
                if (std::memcmp(guid.data, opened.guid.data, sizeof guid.data) != 0) continue;
                if (pass == 0 && PathText(SDL_JoystickPathForIndex(i)) != opened.path) continue;
                OpenIndex(i);
                Remember(joystick);
                return;
            }
        }
    }
    for (int i = 0; i < count; ++i) {
        if (PassedOver(i)) continue;
        OpenIndex(i);
        Remember(joystick);
        return;
    }
}

// The devices attached now are passed over until the lost one comes back.
void PassOverAttached() {
    opened.passedOver.clear();
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        opened.passedOver.push_back(SDL_JoystickGetDeviceInstanceID(i));
}

// The player's own mappings: gamecontrollerdb.txt beside the settings file, read whole when
// it is a regular file of at most MAPPING_FILE_LIMIT bytes (never waited on). SDL skips the
// lines it cannot use.
void AddPlayerMappings() {
    const std::string settings(SettingsPath);
    const size_t slash = settings.find_last_of('/');
    if (slash == std::string::npos) return;
    const std::string path = settings.substr(0, slash + 1) + MAPPING_FILE_NAME;
    std::string text;
    std::string detail;
    const int32_t result = ReadRegularFile(path.c_str(), MAPPING_FILE_LIMIT, text, detail);
    if (result == FILE_READ_CANNOT_OPEN) return; // none: SDL's own mappings only
    if (result != FILE_READ_OK) {
        Trace("%s: not read (%s)\n", MAPPING_FILE_NAME,
              result == FILE_READ_TOO_LARGE ? "larger than 1 MiB" : detail.c_str());
        return;
    }
    const int added = SDL_GameControllerAddMappingsFromRW(
        SDL_RWFromConstMem(text.data(), static_cast<int>(text.size())), 1);
    Trace("%s: %d mappings\n", MAPPING_FILE_NAME, added);
}

} // namespace

const char* const MAPPING_FILE_NAME = "gamecontrollerdb.txt";

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

JoystickInfo CurrentJoystick() {
    std::lock_guard<std::mutex> lock(deviceMutex);
    JoystickInfo info;
    if (joystick == nullptr || !SDL_JoystickGetAttached(joystick)) return info;
    const char* name = SDL_JoystickName(joystick);
    info.name = name != nullptr ? name : "";
    info.layout = pad != nullptr;
    return info;
}

int32_t HeldPadButton() {
    std::lock_guard<std::mutex> lock(deviceMutex);
    if (!subsystemOpen || pad == nullptr) return -1;
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(joystick)) return -1;
    for (int32_t i = 0; i < PAD_BUTTON_COUNT; ++i)
        if (SDL_GameControllerGetButton(pad, SDL_BUTTON_OF[i]) != 0) return i;
    return -1;
}

int32_t OpenJoystick(void*, void*) {
    std::lock_guard<std::mutex> lock(deviceMutex);
    if (!subsystemOpen) {
        // Buttons by position, not by the letter printed on them: on a pad of Nintendo's
        // layout the south button is labelled B, and it is still the one that shoots. The
        // database's entries for such pads follow this hint when they are loaded, so it is set
        // first (an SDL_GAMECONTROLLER_USE_BUTTON_LABELS in the environment still wins).
        SDL_SetHintWithPriority(SDL_HINT_GAMECONTROLLER_USE_BUTTON_LABELS, "0", SDL_HINT_DEFAULT);
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
            Trace("SDL_InitSubSystem(GAMECONTROLLER) failed - %s\n", SDL_GetError());
            return -1;
        }
        subsystemOpen = true;
        // The state is read by polling; no event queue fills up unread.
        SDL_JoystickEventState(SDL_IGNORE);
        SDL_GameControllerEventState(SDL_IGNORE);
        AddPlayerMappings();
    }
    opened = OpenedDevice{};
    if (SDL_NumJoysticks() > 0) {
        OpenIndex(0);
        Remember(joystick);
    }
    if (joystick == nullptr) Trace("joystick: none yet\n");
    // Ready either way: a pad plugged in later is taken by a poll.
    return 1;
}

int32_t PollJoystick() {
    std::lock_guard<std::mutex> lock(deviceMutex);
    if (!subsystemOpen) return 0;
    SDL_JoystickUpdate();
    if (joystick == nullptr || !SDL_JoystickGetAttached(joystick)) {
        // Lost: nothing read this time; later polls look for it again.
        if (joystick != nullptr) {
            Trace("joystick: lost\n");
            CloseDevice();
            NoteJoystickLost();
            // Nothing is held on a device that is gone: no button stays pressed meanwhile.
            for (int32_t& held : JoyButtonState)
                held = 0;
            PassOverAttached();
        }
        OpenAgain();
        return 0;
    }
    int32_t x;
    int32_t y;
    if (pad != nullptr) {
        JoystickHasLayout = 1;
        x = ScaleJoystickAxis(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX));
        y = ScaleJoystickAxis(SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY));
        for (int32_t i = 0; i < JOY_BUTTONS; ++i)
            JoyButtonState[i] =
                SDL_GameControllerGetButton(pad, static_cast<SDL_GameControllerButton>(i)) != 0 ? 1
                                                                                                : 0;
    } else {
        JoystickHasLayout = 0;
        x = ScaleJoystickAxis(SDL_JoystickGetAxis(joystick, 0));
        y = ScaleJoystickAxis(SDL_JoystickGetAxis(joystick, 1));
        const int buttons = SDL_JoystickNumButtons(joystick);
        for (int32_t i = 0; i < JOY_BUTTONS; ++i)
            JoyButtonState[i] = i < buttons && SDL_JoystickGetButton(joystick, i) != 0 ? 1 : 0;
    }
    int32_t bits = 0;
    if (x < 0) bits |= INPUT_LEFT;
    if (x > 0) bits |= INPUT_RIGHT;
    if (y < 0) bits |= INPUT_UP;
    if (y > 0) bits |= INPUT_DOWN;
    return bits;
}

void CloseJoystick() {
    std::lock_guard<std::mutex> lock(deviceMutex);
    CloseDevice();
    opened = OpenedDevice{};
    JoystickHasLayout = 0;
    if (subsystemOpen) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    subsystemOpen = false;
}

} // namespace velkar
