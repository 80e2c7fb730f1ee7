// The frame clock: the tick that releases frames and the game thread that runs them.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "gfx/canvas.h"

namespace velkar {

// Flags shared by the tick, the game thread and the UI thread; 0/1 unless noted.
extern std::atomic<int32_t> FrameReady;     // a frame is due
extern std::atomic<int32_t> PresentHold;    // skip presentation (leaving full screen)
extern std::atomic<int32_t> GameHold;       // no game frame (menu, dialog, shutdown)
extern std::atomic<int32_t> Paused;         // no game frame
extern std::atomic<int32_t> FullScreen;     // the display is in full-screen mode
extern std::atomic<int32_t> FullScreenLock; // ticks left before full screen may be toggled
// Frames until the joystick pause button may toggle Paused again (0..19). Game thread only.
extern int32_t PauseRepeat;

constexpr int32_t PAUSE_REPEAT_FRAMES = 19;

// Called after leaving full screen: starts FullScreenLock when OsKind calls for it.
void NoteFullScreenLeft();

// The routine SampleControls runs as the game frame: RunGameFrame unless a test or tool puts
// its own in place. Change it only while no game thread is running.
using GameFrameFn = void (*)(Painter& painter);
extern GameFrameFn GameFrameRoutine;

// Tick thread, once per frame period: counts FullScreenLock down, posts the name-entry command
// once per request, and releases the next frame to the game thread.
void FrameTick();

// The game thread's body: waits for each released frame (ticks missed meanwhile collapse into
// one), presents the previous frame unless presentation is held or a name entry is under way,
// then samples the controls and runs the frame. Returns only after StopGameThread.
void GameThread();

// Ends GameThread's loop at its next wait so that the thread can be joined. A stop requested
// before the thread starts ends it at once; each request ends one run of the loop.
void StopGameThread();

// One released frame's controls and game frame: nothing without both canvases; otherwise
// builds InputBits, handles the joystick pause button and, unless held or paused, runs the
// game frame on the FrameCanvas.
void SampleControls();

// UI thread: sets GameHold and returns once no game frame is running; until ReleaseGame no
// game frame starts, so the caller may change game data meanwhile.
void HoldGame();
void ReleaseGame();

// Any thread: asks the game thread to carry out a replay key's command (REPLAY_KEY_STEP,
// _BACK, _FORWARD, _START, _END, _TAKE_OVER) before its next frame, through SeekPlayback with
// no other frame running. Commands asked for between two frames run in the order asked; a step
// acts only while paused.
void RequestReplayCommand(int32_t command);
// Any thread: asks the game thread to seek the replay to `frames` frames played (clamped to its
// last frame, as End goes), in turn with the commands above. A seek asked for right after
// another one, before the game thread took either, replaces it: a slider dragged across many
// positions between two frames seeks once, to the last.
void RequestReplaySeek(int64_t frames);
// Where a take-over (T) records the player's game: a file named takeover-YYYYMMDD-HHMMSS.vrp
// (local time) in folder, which ends with its separator; program names the recorder in the
// file's header. Set by the front end before the game thread starts; without it T does nothing.
void SetTakeOverFolder(const std::string& folder, const char* program);
// The same with one file named in full, which a take-over writes over (the page's recording).
void SetTakeOverFile(const std::string& path, const char* program);
// 1 once a replay has been taken over in this process; any thread.
int32_t ReplayTakenOver();
// The game thread, with the frame gate held: the pending replay command, if any.
void RunPendingReplayCommand();
// Speeds of a replay in the window: x1/4, x1/2, x1, x2, x4, x8 and as fast as it goes.
enum : int32_t {
    REPLAY_SPEED_QUARTER = 0,
    REPLAY_SPEED_HALF = 1,
    REPLAY_SPEED_NORMAL = 2,
    REPLAY_SPEED_DOUBLE = 3,
    REPLAY_SPEED_X4 = 4,
    REPLAY_SPEED_X8 = 5,
    REPLAY_SPEED_FASTEST = 6,
};
// Any thread: one speed up (step 1) or down (-1), staying within the list. The effects are
// heard at x1 only. The speed goes back to x1 when no replay plays.
void ChangeReplaySpeed(int32_t step);
int32_t ReplaySpeed();
// As fast as it goes: the frames of one tick stop once this much time went on them, so that
// the picture and the keys still come through.
constexpr int32_t FASTEST_TICK_BUDGET_MS = 12;

// The window title while a replay plays: "VELKAR - replay 0:10.00 / 4:12.00, frame 625 / 15750",
// then the speed when not x1 (", x2", ", fastest") and ", paused" when paused; after a take-over
// "VELKAR - taken over at frame F, recording to FILE" (or why it failed); "VELKAR" otherwise.
std::string ReplayWindowTitle();

// Paused 0 becomes 1, anything else 0, safely against the other thread's toggle.
void TogglePaused();

// After the controls are built: a pad lost since the last frame pauses a game in play (not a
// replay, not the title or the demo). Game thread.
void PauseIfPadLost();

} // namespace velkar
