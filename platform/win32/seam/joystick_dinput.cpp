// The joystick through DirectInput 7: the first attached joystick, axes -1000..1000, 25 % dead
// zone.
#include "input/joystick_seam.h"

#include <cstring>

#include "base/trace.h"
#include "input/controls.h"
#include "win32.h"

#include <dinput.h>

namespace velkar {

namespace {

IDirectInputA* joystickInput = nullptr;
IDirectInputDevice2A* joystickDevice = nullptr;
GUID joystickGuid;

BOOL CALLBACK TakeFirstJoystick(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
    *static_cast<GUID*>(context) = instance->guidInstance;
    return DIENUM_STOP;
}

HRESULT SetAxisRange(DWORD offset) {
    DIPROPRANGE range;
    std::memset(&range, 0, sizeof range);
    range.diph.dwSize = sizeof range;
    range.diph.dwHeaderSize = sizeof range.diph;
    range.diph.dwObj = offset;
    range.diph.dwHow = DIPH_BYOFFSET;
    range.lMin = -1000;
    range.lMax = 1000;
    return joystickDevice->SetProperty(DIPROP_RANGE, &range.diph);
}

HRESULT SetAxisDeadZone(DWORD offset) {
    DIPROPDWORD zone;
    std::memset(&zone, 0, sizeof zone);
    zone.diph.dwSize = sizeof zone;
    zone.diph.dwHeaderSize = sizeof zone.diph;
    zone.diph.dwObj = offset;
    zone.diph.dwHow = DIPH_BYOFFSET;
    zone.dwData = 2500;
    return joystickDevice->SetProperty(DIPROP_DEADZONE, &zone.diph);
}

// Unacquires, scales both axes and sets their dead zones, then acquires again.
int32_t SetJoystickProperties() {
    joystickDevice->Unacquire();
    HRESULT result = SetAxisRange(DIJOFS_X);
    if (FAILED(result)) {
        Trace("SetProperty()/Axis-X failed - %08x\n", static_cast<unsigned>(result));
        return -1;
    }
    result = SetAxisRange(DIJOFS_Y);
    if (FAILED(result)) {
        Trace("SetProperty()/Axis-Y failed - %08x\n", static_cast<unsigned>(result));
        return -1;
    }
    result = SetAxisDeadZone(DIJOFS_X);
    if (FAILED(result)) {
        Trace("SetProperty()/Deadzone-X failed - %08x\n", static_cast<unsigned>(result));
        return -1;
    }
    result = SetAxisDeadZone(DIJOFS_Y);
    if (FAILED(result)) {
        Trace("SetProperty()/Deadzone-Y failed - %08x\n", static_cast<unsigned>(result));
        return -1;
    }
    joystickDevice->Acquire();
    return 0;
}

void ReleaseJoystickObjects() {
    if (joystickDevice != nullptr) {
        joystickDevice->Unacquire();
        joystickDevice->Release();
        joystickDevice = nullptr;
    }
    if (joystickInput != nullptr) {
        joystickInput->Release();
        joystickInput = nullptr;
    }
}

int32_t FailJoystick(const char* format, HRESULT result) {
    Trace(format, static_cast<unsigned>(result));
    ReleaseJoystickObjects();
    return -1;
}

} // namespace

int32_t OpenJoystick(void* instance, void* window) {
    HINSTANCE module =
        instance != nullptr ? static_cast<HINSTANCE>(instance) : GetModuleHandleA(nullptr);
    HRESULT result = DirectInputCreateA(module, 0x0700, &joystickInput, nullptr);
    if (FAILED(result)) {
        joystickInput = nullptr;
        return FailJoystick("DirectInputCreate() failed - %08x\n", result);
    }
    std::memset(&joystickGuid, 0, sizeof joystickGuid);
    result = joystickInput->EnumDevices(DIDEVTYPE_JOYSTICK, TakeFirstJoystick, &joystickGuid,
                                        DIEDFL_ATTACHEDONLY);
    if (FAILED(result)) return FailJoystick("EnumDevices() failed - %08x\n", result);
    IDirectInputDeviceA* device = nullptr;
    result = joystickInput->CreateDevice(joystickGuid, &device, nullptr);
    if (FAILED(result)) return FailJoystick("CreateDevice() failed - %08x\n", result);
    result =
        device->QueryInterface(IID_IDirectInputDevice2A, reinterpret_cast<void**>(&joystickDevice));
    device->Release();
    if (FAILED(result)) {
        joystickDevice = nullptr;
        return FailJoystick("QueryInterface() failed - %08x\n", result);
    }
    result = joystickDevice->SetDataFormat(&c_dfDIJoystick);
    if (FAILED(result)) return FailJoystick("SetDataFormat() failed - %08x\n", result);
    result = joystickDevice->SetCooperativeLevel(static_cast<HWND>(window),
                                                 DISCL_EXCLUSIVE | DISCL_BACKGROUND);
    if (FAILED(result)) return FailJoystick("SetCooperativeLevel() failed - %08x\n", result);
    if (SetJoystickProperties() < 0) {
        ReleaseJoystickObjects();
        return -1;
    }
    DIDEVCAPS caps;
    std::memset(&caps, 0, sizeof caps);
    caps.dwSize = sizeof caps;
    result = joystickDevice->GetCapabilities(&caps);
    if (FAILED(result)) return FailJoystick("GetCapabilities() failed - %08x\n", result);
    return 1;
}

int32_t PollJoystick() {
    if (joystickDevice == nullptr) return 0;
    if (FAILED(joystickDevice->Acquire())) return 0;
    joystickDevice->Poll();
    DIJOYSTATE state;
    HRESULT result = joystickDevice->GetDeviceState(sizeof state, &state);
    if (FAILED(result)) {
        if (result == DIERR_INPUTLOST) joystickDevice->Acquire();
        return 0;
    }
    int32_t bits = 0;
    if (state.lX < 0) bits |= INPUT_LEFT;
    if (state.lX > 0) bits |= INPUT_RIGHT;
    if (state.lY < 0) bits |= INPUT_UP;
    if (state.lY > 0) bits |= INPUT_DOWN;
    for (int32_t i = 0; i < JOY_BUTTONS; ++i)
        JoyButtonState[i] = (state.rgbButtons[i] & 0x80) ? 1 : 0;
    return bits;
}

void CloseJoystick() {
    ReleaseJoystickObjects();
}

} // namespace velkar
