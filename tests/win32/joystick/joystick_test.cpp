// The DirectInput joystick seam against a scripted stand-in for DirectInput: this executable
// defines DirectInputCreateA itself, so the seam's calls reach the objects below instead of a
// real device. Opening (the first device, the format, the cooperative level, the axis ranges and
// dead zones), polling (directions, buttons, a lost device), and every failure's trace text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/trace.h"
#include "input/controls.h"
#include "input/joystick_seam.h"
#include "win32.h"

#include <dinput.h>

namespace {

constexpr HRESULT FAILURE = static_cast<HRESULT>(0x80004005);

// What the stand-in is told to do and what it saw.
struct Script {
    HRESULT create = DI_OK, enumerate = DI_OK, createDevice = DI_OK, query = DI_OK;
    HRESULT format = DI_OK, cooperate = DI_OK, caps = DI_OK, acquire = DI_OK, state = DI_OK;
    int devices = 2;       // joysticks EnumDevices offers
    int failProperty = -1; // index of the SetProperty call that fails
    DIJOYSTATE joy{};      // what GetDeviceState returns
    // Seen:
    GUID createdFrom{};
    const DIDATAFORMAT* dataFormat = nullptr;
    HWND window = nullptr;
    DWORD cooperation = 0;
    struct Property {
        const GUID* which;
        DWORD obj, how, headerSize, size;
        LONG min, max;
        DWORD data;
    };
    std::vector<Property> properties;
    int acquires = 0, unacquires = 0, stateReads = 0;
    bool acquired = false;
    int liveObjects = 0; // made and not yet released
};

Script S;

GUID DeviceGuid(int n) {
    GUID g{};
    g.Data1 = 0x4a4f5900u + static_cast<unsigned>(n);
    return g;
}

// The reference count of a stand-in object; Script::liveObjects sums those of all of them.
struct RefCount {
    ULONG refs = 0;
    ULONG Add() {
        S.liveObjects += 1;
        return ++refs;
    }
    ULONG Drop() {
        S.liveObjects -= 1;
        return --refs;
    }
};

class FakeDevice : public IDirectInputDevice2A {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (IsEqualGUID(riid, IID_IDirectInputDevice2A) && S.query == DI_OK) {
            AddRef();
            *out = static_cast<IDirectInputDevice2A*>(this);
            return DI_OK;
        }
        *out = nullptr;
        return S.query != DI_OK ? S.query : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return count.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return count.Drop(); }
    HRESULT STDMETHODCALLTYPE GetCapabilities(LPDIDEVCAPS caps) override {
        return caps != nullptr && caps->dwSize == sizeof(DIDEVCAPS) ? S.caps : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA, LPVOID, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetProperty(REFGUID, LPDIPROPHEADER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProperty(REFGUID which, LPCDIPROPHEADER header) override {
        Script::Property p{
            &which, header->dwObj, header->dwHow, header->dwHeaderSize, header->dwSize, 0, 0, 0};
        if (&which == &DIPROP_RANGE) {
            const auto* range = reinterpret_cast<const DIPROPRANGE*>(header);
            p.min = range->lMin;
            p.max = range->lMax;
        } else if (&which == &DIPROP_DEADZONE) {
            p.data = reinterpret_cast<const DIPROPDWORD*>(header)->dwData;
        }
        const int index = static_cast<int>(S.properties.size());
        S.properties.push_back(p);
        if (S.acquired) return DIERR_ACQUIRED; // properties change only while unacquired
        return index == S.failProperty ? FAILURE : DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Acquire() override {
        S.acquires += 1;
        if (S.acquire != DI_OK) return S.acquire;
        S.acquired = true;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE Unacquire() override {
        S.unacquires += 1;
        S.acquired = false;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceState(DWORD size, LPVOID data) override {
        S.stateReads += 1;
        if (!S.acquired) return DIERR_NOTACQUIRED;
        if (S.state != DI_OK) {
            if (S.state == DIERR_INPUTLOST) S.acquired = false;
            return S.state;
        }
        if (size != sizeof(DIJOYSTATE)) return E_INVALIDARG;
        std::memcpy(data, &S.joy, sizeof S.joy);
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetDataFormat(LPCDIDATAFORMAT format) override {
        S.dataFormat = format;
        return S.format;
    }
    HRESULT STDMETHODCALLTYPE SetEventNotification(HANDLE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCooperativeLevel(HWND window, DWORD flags) override {
        S.window = window;
        S.cooperation = flags;
        return S.cooperate;
    }
    HRESULT STDMETHODCALLTYPE GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA, DWORD, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceInfo(LPDIDEVICEINSTANCEA) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD, REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateEffect(REFGUID, LPCDIEFFECT, LPDIRECTINPUTEFFECT*,
                                           LPUNKNOWN) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumEffects(LPDIENUMEFFECTSCALLBACKA, LPVOID, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetEffectInfo(LPDIEFFECTINFOA, REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetForceFeedbackState(LPDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SendForceFeedbackCommand(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK, LPVOID,
                                                       DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Escape(LPDIEFFESCAPE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Poll() override { return DI_NOEFFECT; }
    HRESULT STDMETHODCALLTYPE SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD,
                                             DWORD) override {
        return E_NOTIMPL;
    }

    RefCount count;
};

class FakeInput : public IDirectInputA {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return count.Add(); }
    ULONG STDMETHODCALLTYPE Release() override { return count.Drop(); }
    HRESULT STDMETHODCALLTYPE CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICEA* out,
                                           LPUNKNOWN) override {
        S.createdFrom = guid;
        *out = nullptr;
        if (S.createDevice != DI_OK) return S.createDevice;
        if (IsEqualGUID(guid, GUID_NULL)) return DIERR_DEVICENOTREG;
        device.AddRef();
        *out = &device;
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKA callback,
                                          LPVOID context, DWORD flags) override {
        if (S.enumerate != DI_OK) return S.enumerate;
        if (type != DIDEVTYPE_JOYSTICK || flags != DIEDFL_ATTACHEDONLY) return DI_OK;
        for (int n = 0; n < S.devices; ++n) {
            DIDEVICEINSTANCEA instance{};
            instance.dwSize = sizeof instance;
            instance.guidInstance = DeviceGuid(n);
            if (callback(&instance, context) == DIENUM_STOP) break;
        }
        return DI_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDeviceStatus(REFGUID) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RunControlPanel(HWND, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Initialize(HINSTANCE, DWORD) override { return E_NOTIMPL; }

    FakeDevice device;

    RefCount count;
};

FakeInput Input;

std::string Traced;
void Collect(const char* message) {
    Traced += message;
}

class Joystick : public ::testing::Test {
  protected:
    void SetUp() override {
        S = Script{};
        Input.count = RefCount{};
        Input.device.count = RefCount{};
        Traced.clear();
        velkar::SetTraceSink(Collect);
        window = reinterpret_cast<HWND>(0x1234);
    }
    void TearDown() override {
        velkar::CloseJoystick();
        velkar::SetTraceSink(nullptr);
    }
    HWND window = nullptr;
};

} // namespace

// The stand-in for the DirectInput entry point that the seam calls.
extern "C" HRESULT WINAPI DirectInputCreateA(HINSTANCE, DWORD version, LPDIRECTINPUTA* out,
                                             LPUNKNOWN) {
    *out = nullptr;
    if (S.create != DI_OK) return S.create;
    if (version != 0x0700) return DIERR_BETADIRECTINPUTVERSION;
    Input.AddRef();
    *out = &Input;
    return DI_OK;
}

namespace {

TEST_F(Joystick, OpensTheFirstJoystickWithBothAxesScaledAndADeadZone) {
    ASSERT_EQ(velkar::OpenJoystick(nullptr, window), 1) << Traced;
    EXPECT_TRUE(IsEqualGUID(S.createdFrom, DeviceGuid(0)));
    EXPECT_EQ(S.dataFormat, &c_dfDIJoystick);
    EXPECT_EQ(S.window, window);
    EXPECT_EQ(S.cooperation, static_cast<DWORD>(DISCL_EXCLUSIVE | DISCL_BACKGROUND));
    ASSERT_EQ(S.properties.size(), 4u);
    const DWORD axes[4] = {DIJOFS_X, DIJOFS_Y, DIJOFS_X, DIJOFS_Y};
    for (size_t i = 0; i < 4; ++i) {
        const Script::Property& p = S.properties[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(p.which, i < 2 ? &DIPROP_RANGE : &DIPROP_DEADZONE);
        EXPECT_EQ(p.obj, axes[i]);
        EXPECT_EQ(p.how, static_cast<DWORD>(DIPH_BYOFFSET));
        EXPECT_EQ(p.headerSize, sizeof(DIPROPHEADER));
        EXPECT_EQ(p.size, i < 2 ? sizeof(DIPROPRANGE) : sizeof(DIPROPDWORD));
        if (i < 2) {
            EXPECT_EQ(p.min, -1000);
            EXPECT_EQ(p.max, 1000);
        } else {
            EXPECT_EQ(p.data, 2500u); // a quarter of each axis's travel
        }
    }
    EXPECT_TRUE(S.acquired);
    EXPECT_EQ(Traced, "");
    EXPECT_EQ(S.liveObjects, 2); // DirectInput and the device's second interface
    velkar::CloseJoystick();
    EXPECT_EQ(S.liveObjects, 0);
    EXPECT_FALSE(S.acquired);
    EXPECT_EQ(velkar::PollJoystick(), 0);
}

TEST_F(Joystick, PollTurnsTheAxesAndButtonsIntoControls) {
    ASSERT_EQ(velkar::OpenJoystick(nullptr, window), 1) << Traced;
    struct Case {
        LONG x, y;
        int32_t bits;
    } cases[] = {
        {0, 0, 0},
        {-1, 0, velkar::INPUT_LEFT},
        {1, 0, velkar::INPUT_RIGHT},
        {0, -1000, velkar::INPUT_UP},
        {0, 1, velkar::INPUT_DOWN},
        {-1000, 1000, velkar::INPUT_LEFT | velkar::INPUT_DOWN},
        {1000, -1, velkar::INPUT_RIGHT | velkar::INPUT_UP},
    };
    for (const Case& c : cases) {
        S.joy.lX = c.x;
        S.joy.lY = c.y;
        EXPECT_EQ(velkar::PollJoystick(), c.bits) << c.x << ", " << c.y;
    }
    // A button is held while the high bit of its byte is set; the first 16 are read.
    for (int i = 0; i < 32; ++i)
        S.joy.rgbButtons[i] = 0;
    S.joy.rgbButtons[0] = 0x80;
    S.joy.rgbButtons[3] = 0xff;
    S.joy.rgbButtons[5] = 0x7f;
    S.joy.rgbButtons[15] = 0x80;
    S.joy.rgbButtons[16] = 0x80;
    velkar::PollJoystick();
    for (int i = 0; i < velkar::JOY_BUTTONS; ++i) {
        EXPECT_EQ(velkar::JoyButtonState[i], i == 0 || i == 3 || i == 15 ? 1 : 0) << i;
    }
}

TEST_F(Joystick, ALostDeviceReadsAsNothingAndIsAcquiredAgain) {
    ASSERT_EQ(velkar::OpenJoystick(nullptr, window), 1) << Traced;
    S.joy.lX = 1000;
    S.joy.rgbButtons[2] = 0x80;
    ASSERT_EQ(velkar::PollJoystick(), velkar::INPUT_RIGHT);
    ASSERT_EQ(velkar::JoyButtonState[2], 1);

    // Lost while reading: nothing this poll, the buttons as they were, an acquire right away.
    S.state = DIERR_INPUTLOST;
    S.joy.rgbButtons[2] = 0;
    const int acquires = S.acquires;
    EXPECT_EQ(velkar::PollJoystick(), 0);
    EXPECT_EQ(velkar::JoyButtonState[2], 1);
    EXPECT_GE(S.acquires, acquires + 1);
    EXPECT_TRUE(S.acquired);
    // Another window holds it: acquiring fails and the state is not read.
    S.state = DI_OK;
    S.acquire = DIERR_OTHERAPPHASPRIO;
    S.acquired = false;
    const int reads = S.stateReads;
    EXPECT_EQ(velkar::PollJoystick(), 0);
    EXPECT_EQ(S.stateReads, reads);
    EXPECT_EQ(velkar::JoyButtonState[2], 1);
    // Given back: the next poll reads it again.
    S.acquire = DI_OK;
    EXPECT_EQ(velkar::PollJoystick(), velkar::INPUT_RIGHT);
    EXPECT_EQ(velkar::JoyButtonState[2], 0);
}

TEST_F(Joystick, EveryFailedStepIsTracedAndLeavesNothingOpen) {
    struct Case {
        const char* text;
        void (*arrange)();
    } cases[] = {
        {"DirectInputCreate() failed - 80004005\n", [] { S.create = FAILURE; }},
        {"EnumDevices() failed - 80004005\n", [] { S.enumerate = FAILURE; }},
        {"CreateDevice() failed - 80004005\n", [] { S.createDevice = FAILURE; }},
        {"CreateDevice() failed - 80040154\n", [] { S.devices = 0; }}, // none attached
        {"QueryInterface() failed - 80004005\n", [] { S.query = FAILURE; }},
        {"SetDataFormat() failed - 80004005\n", [] { S.format = FAILURE; }},
        {"SetCooperativeLevel() failed - 80004005\n", [] { S.cooperate = FAILURE; }},
        {"SetProperty()/Axis-X failed - 80004005\n", [] { S.failProperty = 0; }},
        {"SetProperty()/Axis-Y failed - 80004005\n", [] { S.failProperty = 1; }},
        {"SetProperty()/Deadzone-X failed - 80004005\n", [] { S.failProperty = 2; }},
        {"SetProperty()/Deadzone-Y failed - 80004005\n", [] { S.failProperty = 3; }},
        {"GetCapabilities() failed - 80004005\n", [] { S.caps = FAILURE; }},
    };
    for (const Case& c : cases) {
        SetUp();
        c.arrange();
        EXPECT_EQ(velkar::OpenJoystick(nullptr, window), -1) << c.text;
        EXPECT_EQ(Traced, c.text);
        EXPECT_EQ(S.liveObjects, 0) << c.text;
        EXPECT_EQ(velkar::PollJoystick(), 0) << c.text;
    }
}

} // namespace
