// Key messages of the main window turned into held-key bits and window actions.
#include "app/key_handling.h"

#include "app/commands.h"
#include "app/frame_clock.h"
#include "input/controls.h"
#include "replay/replay.h"

namespace velkar {

uint32_t MakeKeyFlags(int32_t extended, int32_t altDown, int32_t wasDown, int32_t releasing) {
    uint32_t flags = KEYFLAG_REPEAT_ONE;
    if (extended != 0) flags |= KEYFLAG_EXTENDED;
    if (altDown != 0) flags |= KEYFLAG_ALT;
    if (wasDown != 0) flags |= KEYFLAG_WAS_DOWN;
    if (releasing != 0) flags |= KEYFLAG_RELEASE;
    return flags;
}

namespace {

int32_t IsExtended(uint32_t flags) {
    return (flags & KEYFLAG_EXTENDED) != 0 ? 1 : 0;
}

// Escape closes the window at once; the close goes through the front end's post.
void PostCloseCommand() {
    RunCommand(CMD_EXIT);
}

} // namespace

int32_t ReplayKeyCommand(int32_t virtualKey) {
    switch (virtualKey) {
    case VKEY_SPACE:
        return REPLAY_KEY_PAUSE;
    case VKEY_PERIOD:
        return REPLAY_KEY_STEP;
    case VKEY_LEFT:
        return REPLAY_KEY_BACK;
    case VKEY_RIGHT:
        return REPLAY_KEY_FORWARD;
    case VKEY_HOME:
        return REPLAY_KEY_START;
    case VKEY_END:
        return REPLAY_KEY_END;
    case VKEY_RIGHT_BRACKET:
        return REPLAY_KEY_FASTER;
    case VKEY_LEFT_BRACKET:
        return REPLAY_KEY_SLOWER;
    case 'T':
        return REPLAY_KEY_TAKE_OVER;
    default:
        return REPLAY_KEY_NONE;
    }
}

int32_t RunReplayKey(int32_t command, int32_t autoRepeat) {
    if (ReplayPlaying() == 0) return 0;
    if (command == REPLAY_KEY_PAUSE) {
        if (autoRepeat == 0) TogglePaused();
    } else if (command == REPLAY_KEY_FASTER || command == REPLAY_KEY_SLOWER) {
        ChangeReplaySpeed(command == REPLAY_KEY_FASTER ? 1 : -1);
    } else if (command > REPLAY_KEY_NONE && command <= REPLAY_KEY_TAKE_OVER) {
        RequestReplayCommand(command);
    }
    return 1;
}

int32_t KeyDown(int32_t virtualKey, uint32_t flags) {
    // A replay plays on its own: Escape still ends the program, F2 ends the replay, and the
    // replay keys move through it.
    if (ReplayPlaying() != 0) {
        if (virtualKey == VKEY_ESCAPE) PostCloseCommand();
        if (virtualKey == VKEY_F2) StopPlayback();
        RunReplayKey(ReplayKeyCommand(virtualKey), (flags & KEYFLAG_WAS_DOWN) != 0 ? 1 : 0);
        return 0;
    }
    if (PressRawKey(virtualKey, IsExtended(flags)) != 0) return 0;
    if (virtualKey == VKEY_ESCAPE) {
        PostCloseCommand();
        return 0;
    }
    if (IsPauseKey(virtualKey) != 0) TogglePauseCommand();
    return KEY_DEFAULT;
}

int32_t KeyUp(int32_t virtualKey, uint32_t flags) {
    if (ReleaseRawKey(virtualKey, IsExtended(flags)) != 0) return 0;
    return KEY_DEFAULT;
}

int32_t SysKeyDown(int32_t virtualKey, uint32_t flags) {
    // Alt held, repeat count 1, first press, not extended: whatever the scan code.
    if ((flags & ~KEYFLAG_SCAN_CODE) == (KEYFLAG_ALT | KEYFLAG_REPEAT_ONE)) {
        if (virtualKey == VKEY_RETURN) {
            ToggleFullScreenCommand();
            return 1;
        }
        return KEY_DEFAULT;
    }
    return 1;
}

int32_t SysKeyUp(int32_t virtualKey, uint32_t flags) {
    // A game key let go while Alt is held arrives here rather than as a key-up; it is released
    // all the same, or it would stay on until pressed again.
    ReleaseRawKey(virtualKey, IsExtended(flags));
    return virtualKey == VKEY_MENU ? KEY_DEFAULT : 1;
}

} // namespace velkar
