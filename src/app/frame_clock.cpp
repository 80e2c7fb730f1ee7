// The frame clock: tick, game thread loop, control sampling and the UI thread's hold.
#include "app/frame_clock.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "app/key_handling.h"
#include "app/platform_seam.h"
#include "app/startup.h"
#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "gfx/display_modes.h"
#include "input/controls.h"
#include "replay/replay.h"

namespace velkar {

std::atomic<int32_t> FrameReady{0};
std::atomic<int32_t> PresentHold{0};
std::atomic<int32_t> GameHold{0};
std::atomic<int32_t> Paused{0};
std::atomic<int32_t> FullScreen{0};
std::atomic<int32_t> FullScreenLock{0};
int32_t PauseRepeat = 0;
GameFrameFn GameFrameRoutine = RunGameFrame;

void NoteFullScreenLeft() {
    int32_t ticks = FullScreenLockTicks(OsKind);
    if (ticks > 0) FullScreenLock.store(ticks);
}

namespace {

// FrameReady changes under tickMutex so that the game thread cannot miss a release between
// its test and its wait.
std::mutex tickMutex;
std::condition_variable tickSignal;
bool stopRequested = false; // guarded by tickMutex

// Held by the game thread while it decides on and runs a game frame; HoldGame passes through
// it to wait out a frame in progress. Only HoldGame ever contends for it, for an instant.
std::mutex frameGate;

// Waits for the next released frame and takes it. false when the loop is to stop.
bool TakeFrame() {
    std::unique_lock<std::mutex> lock(tickMutex);
    tickSignal.wait(lock, [] { return FrameReady.load() != 0 || stopRequested; });
    if (stopRequested) {
        stopRequested = false;
        return false;
    }
    FrameReady.store(0);
    return true;
}

} // namespace

void FrameTick() {
    int32_t lock = FullScreenLock.load();
    while (lock > 0 && !FullScreenLock.compare_exchange_weak(lock, lock - 1)) {
    }
    // A replay playing answers its own name requests: no dialog.
    if (ReplayPlaying() == 0 && NameEntryRequested.load() != 0) {
        int32_t notPosted = 0;
        if (NameEntryPosted.compare_exchange_strong(notPosted, 1)) PostNameEntryCommand();
    }
    {
        std::lock_guard<std::mutex> guard(tickMutex);
        FrameReady.store(1);
    }
    tickSignal.notify_one();
}

void GameThread() {
    {
        std::lock_guard<std::mutex> guard(tickMutex);
        FrameReady.store(0);
    }
    PresentHold.store(0);
    while (TakeFrame()) {
        // While a name is asked for, nothing is drawn over the dialog; the game runs on. A
        // replay asks no one, so its picture goes on.
        const bool nameAsked = NameEntryRequested.load() != 0 || NameEntryPosted.load() != 0;
        if ((!nameAsked || ReplayPlaying() != 0) && PresentHold.load() == 0) {
            PresentFrame();
        }
        SampleControls();
    }
}

void StopGameThread() {
    {
        std::lock_guard<std::mutex> guard(tickMutex);
        stopRequested = true;
    }
    tickSignal.notify_all();
}

void PauseIfPadLost() {
    // As the pause key does, so that a loose cable costs no life; a replay plays on, and a game
    // already paused stays so.
    if (TakeJoystickLoss() != 0 && GameMode == MODE_PLAY && ReplayPlaying() == 0 &&
        Paused.load() == 0)
        TogglePaused();
}

void SampleControls() {
    uint8_t* const canvas = FrameCanvasBits;
    if (canvas == nullptr || ScreenBufferBits == nullptr) return;
    BuildInputBits();

    PauseIfPadLost();

    // Only the joystick sets the pause bit; a held button toggles again every 20 frames.
    if ((InputBits & INPUT_PAUSE) != 0 && PauseRepeat == 0) {
        TogglePaused();
        PauseRepeat = PAUSE_REPEAT_FRAMES;
    } else if (PauseRepeat > 0) {
        PauseRepeat -= 1;
    }

    std::lock_guard<std::mutex> gate(frameGate);
    if (GameHold.load() == 0) RunPendingReplayCommand(canvas);
    if (GameHold.load() == 0 && Paused.load() == 0) {
        // The one place every program runs a game frame: recordings and replays follow it.
        ReplayBeforeFrame();
        GameFrameRoutine(canvas);
        ReplayAfterFrame();
    }
}

namespace {
std::atomic<int32_t> pendingReplayCommand{REPLAY_KEY_NONE};
} // namespace

void RequestReplayCommand(int32_t command) {
    pendingReplayCommand.store(command);
}

void RunPendingReplayCommand(uint8_t* canvasBits) {
    const int32_t command = pendingReplayCommand.exchange(REPLAY_KEY_NONE);
    if (command == REPLAY_KEY_NONE || ReplayPlaying() == 0) return;
    const int64_t now = PlaybackFrame();
    // The last frame, not the end: playing one more frame then ends the replay with its verdict.
    const int64_t last = std::max<int64_t>(PlaybackLength() - 1, 0);
    int64_t target = now;
    switch (command) {
    case REPLAY_KEY_STEP:
        if (Paused.load() == 0) return;
        target = now + 1;
        break;
    case REPLAY_KEY_BACK:
        target = std::max<int64_t>(now - PLAYBACK_SNAPSHOT_FRAMES, 0);
        break;
    case REPLAY_KEY_FORWARD:
        target = std::min(now + PLAYBACK_SNAPSHOT_FRAMES, std::max(last, now));
        break;
    case REPLAY_KEY_START:
        target = 0;
        break;
    case REPLAY_KEY_END:
        target = std::max(last, now);
        break;
    default:
        return;
    }
    SeekPlayback(target, canvasBits);
}

std::string ReplayWindowTitle() {
    if (ReplayPlaying() == 0) return "VELKAR";
    const int64_t frame = PlaybackFrame();
    const int64_t length = PlaybackLength();
    // 62.5 frames a second: 16 ms each.
    auto clock = [](int64_t frames) {
        const int64_t ms = frames * 16;
        char text[32];
        std::snprintf(text, sizeof text, "%lld:%02lld.%02lld", static_cast<long long>(ms / 60000),
                      static_cast<long long>(ms / 1000 % 60),
                      static_cast<long long>(ms / 10 % 100));
        return std::string(text);
    };
    std::string title = "VELKAR - replay " + clock(frame) + " / " + clock(length) + ", frame " +
                        std::to_string(frame) + " / " + std::to_string(length);
    if (Paused.load() != 0) title += ", paused";
    return title;
}

void HoldGame() {
    GameHold.store(1);
    // A frame that began before the hold was seen ends before this lock is granted; any
    // later frame finds GameHold set.
    std::lock_guard<std::mutex> gate(frameGate);
}

void ReleaseGame() {
    GameHold.store(0);
}

void TogglePaused() {
    int32_t paused = Paused.load();
    while (!Paused.compare_exchange_weak(paused, paused == 0 ? 1 : 0)) {
    }
}

} // namespace velkar
