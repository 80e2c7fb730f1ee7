// Control bits: the key map, the held-key word and its merge with the joystick once per frame.
#include "input/controls.h"

#include "base/settings_vars.h"
#include "input/control_map.h"
#include "input/joystick_seam.h"

namespace velkar {

int32_t InputBits = 0;
std::atomic<int32_t> RawKeys{0};
std::atomic<int32_t> JoystickPresent{0};
int32_t JoyButtonState[JOY_BUTTONS] = {};
int32_t JoystickHasLayout = 0;

namespace {
int32_t joystickLost = 0;
} // namespace

void NoteJoystickLost() {
    joystickLost = 1;
}

int32_t TakeJoystickLoss() {
    const int32_t lost = joystickLost;
    joystickLost = 0;
    return lost;
}

namespace {

// Each alternate key sits exactly 16 bits above the control it stands for.
constexpr int32_t ALTERNATE_SHIFT = 16;

int32_t Alternate(int32_t control) {
    return control << ALTERNATE_SHIFT;
}

// The control bit of a button assignment when it names a held button (0..15), else 0.
int32_t AssignedBit(int32_t assignment, int32_t control) {
    if (assignment < 0 || assignment >= JOY_BUTTONS) return 0;
    return JoyButtonState[assignment] == 1 ? control : 0;
}

} // namespace

namespace {

// The Windows program's fixed key map.
int32_t FixedKeyBit(int32_t virtualKey, int32_t extended) {
    switch (virtualKey) {
    case VKEY_UP:
        return extended ? INPUT_UP : Alternate(INPUT_UP);
    case VKEY_DOWN:
        return extended ? INPUT_DOWN : Alternate(INPUT_DOWN);
    case VKEY_LEFT:
        return extended ? INPUT_LEFT : Alternate(INPUT_LEFT);
    case VKEY_RIGHT:
        return extended ? INPUT_RIGHT : Alternate(INPUT_RIGHT);
    case VKEY_NUMPAD8:
        return Alternate(INPUT_UP);
    case VKEY_NUMPAD2:
        return Alternate(INPUT_DOWN);
    case VKEY_NUMPAD4:
        return Alternate(INPUT_LEFT);
    case VKEY_NUMPAD6:
        return Alternate(INPUT_RIGHT);
    case VKEY_Z:
        return INPUT_SHOT;
    case VKEY_X:
        return INPUT_LASER;
    case VKEY_C:
        return INPUT_BOMB;
    case VKEY_F1:
        return INPUT_START;
    case VKEY_F2:
        return INPUT_END;
    case VKEY_CONTROL:
        return Alternate(INPUT_SHOT);
    case VKEY_SHIFT:
        return Alternate(INPUT_LASER);
    case VKEY_SPACE:
        return Alternate(INPUT_BOMB);
    default:
        return 0;
    }
}

bool IsArrow(int32_t virtualKey) {
    return virtualKey >= VKEY_LEFT && virtualKey <= VKEY_DOWN;
}

} // namespace

int32_t RawKeyBit(int32_t virtualKey, int32_t extended) {
    const int32_t fixed = FixedKeyBit(virtualKey, extended);
    if (KeyBindingsInUse.load() == 0) return fixed;
    // The player's keys: a bound key sets its action's bit (the pause key has none, it toggles
    // on its own); the fixed map's alternates (keypad, Ctrl, Shift, Space) stay where no
    // binding takes them, its primary keys count only as bound. The keypad's arrows (Num Lock
    // off) are always the alternates.
    if (!(IsArrow(virtualKey) && extended == 0)) {
        const int32_t action = ActionOfKey(virtualKey);
        if (action >= 0) return action == ACTION_PAUSE ? 0 : ActionControlBit(action);
    }
    return fixed >= Alternate(1) ? fixed : 0;
}

int32_t IsPauseKey(int32_t virtualKey) {
    if (KeyBindingsInUse.load() == 0) return virtualKey == VKEY_P || virtualKey == VKEY_F12;
    if (virtualKey == ActionKey(ACTION_PAUSE)) return 1;
    return virtualKey == VKEY_F12 && ActionOfKey(VKEY_F12) < 0 ? 1 : 0;
}

int32_t PressRawKey(int32_t virtualKey, int32_t extended) {
    const int32_t bit = RawKeyBit(virtualKey, extended);
    if (bit == 0) return 0;
    RawKeys.fetch_or(bit);
    return 1;
}

int32_t ReleaseRawKey(int32_t virtualKey, int32_t extended) {
    const int32_t bit = RawKeyBit(virtualKey, extended);
    if (bit == 0) return 0;
    RawKeys.fetch_and(~bit);
    return 1;
}

int32_t BuildInputBits() {
    const uint32_t keys = static_cast<uint32_t>(RawKeys.load());
    int32_t bits = static_cast<int32_t>(keys | (keys >> ALTERNATE_SHIFT));
    if (JoystickPresent.load() != 0) {
        bits |= PollJoystick() & (INPUT_UP | INPUT_DOWN | INPUT_LEFT | INPUT_RIGHT);
        if (JoystickHasLayout != 0) {
            bits |= PadBindingBits(JoyButtonState);
            InputBits = bits;
            return bits;
        }
        bits |= AssignedBit(LoadSharedSetting(JoyButton_A), INPUT_SHOT);
        bits |= AssignedBit(LoadSharedSetting(JoyButton_B), INPUT_LASER);
        bits |= AssignedBit(LoadSharedSetting(JoyButton_C), INPUT_BOMB);
        bits |= AssignedBit(LoadSharedSetting(JoyButton_START), INPUT_START);
        bits |= AssignedBit(LoadSharedSetting(JoyButton_PAUSE), INPUT_PAUSE);
    }
    InputBits = bits;
    return bits;
}

int32_t ConnectJoystick(void* instance, void* window) {
    const int32_t result = OpenJoystick(instance, window);
    if (result > 0) JoystickPresent.store(1);
    return result > 0 ? 1 : -1;
}

void DisconnectJoystick() {
    if (JoystickPresent.load() == 0) return;
    CloseJoystick();
    JoystickPresent.store(0);
}

} // namespace velkar
