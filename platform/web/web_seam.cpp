// The platform seam in the browser: the picture on a canvas, the name request to the page,
// effects through WebAudio, the first gamepad as the joystick, keys from the page.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstring>

#include "app/key_handling.h"
#include "app/platform_seam.h"
#include "gfx/canvas.h"
#include "input/control_map.h"
#include "input/controls.h"
#include "input/joystick_seam.h"
#include "replay/replay.h"
#include "sound/voice.h"
#include "web_front.h"

namespace velkar {

namespace {

// The picture's place in the program's memory, not a view of it: the memory may grow (and a view
// of the old memory go dead) before the page draws the picture.
EM_JS(void, JsPresent, (const uint8_t* rgba, int32_t width, int32_t height),
      { velkarUi.present(rgba, width, height); });
EM_JS(void, JsAskName, (), { velkarUi.askName(); });
EM_JS(int32_t, JsAudioOpen, (), { return velkarUi.audioOpen(); });
EM_JS(void, JsAudioClose, (), { velkarUi.audioClose(); });
EM_JS(int32_t, JsVoiceCreate,
      (const float* samples, int32_t frames, int32_t channels, int32_t rate), {
          return velkarUi.voiceCreate(
              HEAPF32.subarray(samples >> 2, (samples >> 2) + frames * channels), frames, channels,
              rate);
      });
EM_JS(void, JsVoiceGain, (int32_t voice, double gain), { velkarUi.voiceGain(voice, gain); });
EM_JS(void, JsVoicePlay, (int32_t voice), { velkarUi.voicePlay(voice); });
EM_JS(void, JsVoiceRelease, (int32_t voice), { velkarUi.voiceRelease(voice); });

uint8_t presentBuffer[SCREEN_WIDTH * SCREEN_HEIGHT * 4];

// Gamepad axes beyond a quarter of their travel count as a direction, as the other programs'
// joystick back ends apply their dead zone.
constexpr double DEAD_ZONE = 0.25;
int32_t gamepadIndex = -1;

} // namespace

// The ScreenBuffer's blue-green-red rows as the canvas's red-green-blue-alpha ones.
void PresentFrame() {
    if (ProgramPainter.screen == nullptr) return;
    uint8_t* out = presentBuffer;
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
        const uint8_t* in = ProgramPainter.screen + static_cast<size_t>(y) * SCREEN_STRIDE;
        for (int32_t x = 0; x < SCREEN_WIDTH; ++x, in += 3, out += 4) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            out[3] = 255;
        }
    }
    JsPresent(presentBuffer, SCREEN_WIDTH, SCREEN_HEIGHT);
}

void PostNameEntryCommand() {
    JsAskName();
}

// ---- Sound ----

struct SoundVoice {
    int32_t id;
};

int32_t SoundMarkerCreate() {
    return 0;
}

void SoundMarkerClose() {}

int32_t SoundDeviceOpen(void*) {
    return JsAudioOpen() != 0 ? 0 : -1;
}

void SoundDeviceClose() {
    JsAudioClose();
}

SoundVoice* VoiceCreate(const VoiceFormat* format, const uint8_t* samples, int32_t byteCount) {
    if (format->channels < 1 || format->channels > 2 ||
        (format->bytesPerSample != 1 && format->bytesPerSample != 2) || format->sampleRate <= 0)
        return nullptr;
    const int32_t frames = byteCount / (format->channels * format->bytesPerSample);
    if (frames <= 0) return nullptr;
    const int32_t count = frames * format->channels;
    float* converted = new float[static_cast<size_t>(count)];
    for (int32_t i = 0; i < count; ++i) {
        if (format->bytesPerSample == 1) {
            converted[i] = (static_cast<float>(samples[i]) - 128.0f) / 128.0f;
        } else {
            const int16_t value = static_cast<int16_t>(samples[i * 2] | (samples[i * 2 + 1] << 8));
            converted[i] = static_cast<float>(value) / 32768.0f;
        }
    }
    const int32_t id = JsVoiceCreate(converted, frames, format->channels, format->sampleRate);
    delete[] converted;
    if (id < 0) return nullptr;
    return new SoundVoice{id};
}

// Hundredths of a decibel to a linear gain.
void VoiceSetVolume(SoundVoice* voice, int32_t volume) {
    if (voice == nullptr) return;
    JsVoiceGain(voice->id, volume <= VOICE_SILENT ? 0.0 : std::pow(10.0, volume / 2000.0));
}

int32_t VoiceRestart(SoundVoice* voice, const uint8_t*, int32_t) {
    if (voice == nullptr) return -1;
    JsVoicePlay(voice->id);
    return 0;
}

void VoiceRelease(SoundVoice* voice) {
    if (voice == nullptr) return;
    JsVoiceRelease(voice->id);
    delete voice;
}

// ---- Joystick ----

namespace {

// The first connected gamepad's index, or -1.
int FirstConnectedGamepad() {
    const int count = emscripten_get_num_gamepads();
    for (int i = 0; i < count; ++i) {
        EmscriptenGamepadEvent state;
        if (emscripten_get_gamepad_status(i, &state) == EMSCRIPTEN_RESULT_SUCCESS &&
            state.connected)
            return i;
    }
    return -1;
}

// The layout button of each button of the browser's "standard" mapping (-1: a trigger, which
// the game does not use).
constexpr int32_t STANDARD_BUTTON[17] = {
    PAD_SOUTH,
    PAD_EAST,
    PAD_WEST,
    PAD_NORTH,
    PAD_LEFT_SHOULDER,
    PAD_RIGHT_SHOULDER,
    -1,
    -1,
    PAD_BACK,
    PAD_START,
    PAD_LEFT_STICK,
    PAD_RIGHT_STICK,
    PAD_DPAD_UP,
    PAD_DPAD_DOWN,
    PAD_DPAD_LEFT,
    PAD_DPAD_RIGHT,
    PAD_GUIDE,
};

} // namespace

int32_t PadButtonOfStandard(int32_t index) {
    return index >= 0 && index < 17 ? STANDARD_BUTTON[index] : -1;
}

int32_t OpenJoystick(void*, void*) {
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return -1;
    gamepadIndex = FirstConnectedGamepad();
    return gamepadIndex >= 0 ? 1 : -1;
}

// A gamepad of the browser's "standard" mapping is read by its layout, any other by its
// numbered buttons. A gamepad that goes away releases its buttons and tells the core (which
// pauses a game in play); the next connected one is taken.
int32_t PollJoystick() {
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return 0;
    EmscriptenGamepadEvent state;
    if (gamepadIndex < 0 ||
        emscripten_get_gamepad_status(gamepadIndex, &state) != EMSCRIPTEN_RESULT_SUCCESS ||
        !state.connected) {
        if (gamepadIndex >= 0) {
            NoteJoystickLost();
            for (int32_t& held : JoyButtonState)
                held = 0;
        }
        gamepadIndex = FirstConnectedGamepad();
        return 0;
    }
    if (std::strcmp(state.mapping, "standard") == 0) {
        JoystickHasLayout = 1;
        for (int32_t& held : JoyButtonState)
            held = 0;
        for (int i = 0; i < state.numButtons && i < 17; ++i)
            if (STANDARD_BUTTON[i] >= 0 && state.digitalButton[i])
                JoyButtonState[STANDARD_BUTTON[i]] = 1;
    } else {
        JoystickHasLayout = 0;
        for (int32_t i = 0; i < JOY_BUTTONS; ++i)
            JoyButtonState[i] = i < state.numButtons && state.digitalButton[i] ? 1 : 0;
    }
    int32_t bits = 0;
    const double x = state.numAxes > 0 ? state.axis[0] : 0.0;
    const double y = state.numAxes > 1 ? state.axis[1] : 0.0;
    if (y < -DEAD_ZONE) bits |= INPUT_UP;
    if (y > DEAD_ZONE) bits |= INPUT_DOWN;
    if (x < -DEAD_ZONE) bits |= INPUT_LEFT;
    if (x > DEAD_ZONE) bits |= INPUT_RIGHT;
    return bits;
}

void CloseJoystick() {
    gamepadIndex = -1;
}

// ---- Keys ----

// A browser key event as the key routines see a key message. keyCode is already the Windows
// virtual key; the arrow block and the keypad's Enter are the extended keys.
int32_t WebKey(int32_t down, int32_t keyCode, const char* code, int32_t altDown, int32_t repeat) {
    constexpr int32_t VKEY_F10 = 0x79;
    switch (keyCode) {
    case VKEY_SHIFT:
    case VKEY_CONTROL:
    case VKEY_ESCAPE:
    case VKEY_SPACE:
    case VKEY_LEFT:
    case VKEY_UP:
    case VKEY_RIGHT:
    case VKEY_DOWN:
    case VKEY_C:
    case VKEY_P:
    case VKEY_X:
    case VKEY_Z:
    case VKEY_NUMPAD2:
    case VKEY_NUMPAD4:
    case VKEY_NUMPAD6:
    case VKEY_NUMPAD8:
    case VKEY_F1:
    case VKEY_F2:
    case VKEY_F12:
    case VKEY_F10:
    case VKEY_RETURN:
    case VKEY_MENU:
        break;
    default:
        // Any other key only where the player bound it to an action, or while a replay plays
        // where it is a replay key (`.`, Home, End, [ and ], T).
        if (ActionOfKey(keyCode) < 0 &&
            (ReplayPlaying() == 0 || ReplayKeyCommand(keyCode) == REPLAY_KEY_NONE))
            return 0;
        break;
    }
    const int32_t extended =
        std::strncmp(code, "Arrow", 5) == 0 || std::strcmp(code, "NumpadEnter") == 0 ? 1 : 0;
    const bool system = altDown != 0 || keyCode == VKEY_F10 || keyCode == VKEY_MENU;
    const uint32_t flags = MakeKeyFlags(extended, altDown, repeat, down ? 0 : 1);
    if (down)
        system ? SysKeyDown(keyCode, flags) : KeyDown(keyCode, flags);
    else
        system ? SysKeyUp(keyCode, flags) : KeyUp(keyCode, flags);
    // Enter alone stays the page's; Alt alone too, so that the browser's own menus still open.
    if (keyCode == VKEY_MENU) return 0;
    if (keyCode == VKEY_RETURN && altDown == 0) return 0;
    return 1;
}

} // namespace velkar
