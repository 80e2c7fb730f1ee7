// Keyboard messages of the main window: held-key bits, Escape, pause keys and Alt+Enter.
#pragma once

#include <cstdint>

namespace velkar {

// Virtual keys that only the window's own key handling reads (the game's keys are in
// input/controls.h).
enum : int32_t {
    VKEY_RETURN = 0x0D,
    VKEY_MENU = 0x12, // Alt
    VKEY_END = 0x23,
    VKEY_HOME = 0x24,
    VKEY_PERIOD = 0xBE,        // the main row's full stop
    VKEY_LEFT_BRACKET = 0xDB,  // [
    VKEY_RIGHT_BRACKET = 0xDD, // ]
};

// What a key does while a replay plays in the window.
enum : int32_t {
    REPLAY_KEY_NONE = 0,
    REPLAY_KEY_PAUSE = 1,     // Space: pause or resume
    REPLAY_KEY_STEP = 2,      // .: one frame on, while paused
    REPLAY_KEY_BACK = 3,      // Left: 10 s back
    REPLAY_KEY_FORWARD = 4,   // Right: 10 s on
    REPLAY_KEY_START = 5,     // Home
    REPLAY_KEY_END = 6,       // End: the replay's last frame, so that one more frame ends it
    REPLAY_KEY_FASTER = 7,    // ]
    REPLAY_KEY_SLOWER = 8,    // [
    REPLAY_KEY_TAKE_OVER = 9, // T: the player takes the controls from here (TakeOverPlayback)
};

// The replay command of a key (REPLAY_KEY_NONE for the others). Only while a replay plays:
// in a game these keys keep their own meaning.
int32_t ReplayKeyCommand(int32_t virtualKey);
// What a replay key does, for its key and for the Linux program's Replay menu alike: nothing
// when no replay plays (0); otherwise (1) the pause toggles (not on an auto-repeat), ] and [
// change the speed (ChangeReplaySpeed) and the other commands go to the game thread
// (RequestReplayCommand).
int32_t RunReplayKey(int32_t command, int32_t autoRepeat);

// Bits of a key message's flags (the lParam of a Windows key message).
enum : uint32_t {
    KEYFLAG_REPEAT_ONE = 0x00000001u, // repeat count 1
    KEYFLAG_SCAN_CODE = 0x00FF0000u,
    KEYFLAG_EXTENDED = 0x01000000u,
    KEYFLAG_ALT = 0x20000000u,      // context code: Alt held
    KEYFLAG_WAS_DOWN = 0x40000000u, // the key was already down (auto-repeat)
    KEYFLAG_RELEASE = 0x80000000u,
};

// Flags for a front end that has no key message of its own to pass: repeat count 1 and the
// given states.
uint32_t MakeKeyFlags(int32_t extended, int32_t altDown, int32_t wasDown, int32_t releasing);

// Result of a key routine: KEY_DEFAULT sends the message on to the platform's default
// handling; any other value is what the message returns.
constexpr int32_t KEY_DEFAULT = -1;

// Key-down while a replay plays: Escape closes the window, F2 ends the replay, the replay keys
// (ReplayKeyCommand) act through RunReplayKey, auto-repeats too except the pause; every other
// key is ignored (0).
// Key-down: the game's keys set their RawKeys bit (0); Escape closes the window (0); P and F12
// toggle the pause on every key-down, auto-repeats too, then go on to the default handling.
int32_t KeyDown(int32_t virtualKey, uint32_t flags);
// Key-up: the game's keys clear their RawKeys bit (0); others to the default handling.
int32_t KeyUp(int32_t virtualKey, uint32_t flags);
// System key-down (keys with Alt, and F10): a first, non-extended press with Alt held goes on
// to the default handling (Alt+F4, menu keys), except Enter, which toggles full screen (1);
// every other system key-down, auto-repeats and extended keys included, is swallowed (1).
int32_t SysKeyDown(int32_t virtualKey, uint32_t flags);
// System key-up (a key let go while Alt is held, or Alt itself): a game key's RawKeys bit is
// cleared as on a key-up; Alt goes on to the default handling (so that it opens the menu bar);
// any other key is swallowed (1).
int32_t SysKeyUp(int32_t virtualKey, uint32_t flags);

} // namespace velkar
