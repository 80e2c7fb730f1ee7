// The frame clock: tick, game thread loop, control sampling and the UI thread's hold.
#include "app/frame_clock.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <mutex>

#include "app/key_handling.h"
#include "app/platform_seam.h"
#include "app/startup.h"
#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "replay/replay.h"
#include "sound/sound.h"
#include "ui/display_modes.h"

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
    if (TakeJoystickLoss() != 0 && TheGame().gameMode == MODE_PLAY && ReplayPlaying() == 0 &&
        Paused.load() == 0)
        TogglePaused();
}

namespace {

std::atomic<int32_t> replaySpeed{REPLAY_SPEED_NORMAL};
int32_t slowTicks = 0; // game thread: ticks waited so far at x1/2 or x1/4

// A replay frame that nobody looks at, except a frame whose screen the file checks.
void RunUndrawnReplayFrame(Painter& painter) {
    ReplayBeforeFrame();
    const bool looks = PlaybackLooksAtScreen();
    StepGameFrame();
    if (looks) DrawGameFrame(painter);
    ReplayAfterFrame();
}

// One tick of a replay at another speed than x1: below it, one frame every 2 or 4 ticks; above
// it, 2, 4 or 8 frames (or as many as FASTEST_TICK_BUDGET_MS allows), only the last drawn.
void RunReplayFramesAtSpeed(Painter& painter) {
    const int32_t speed = ReplaySpeed();
    if (speed < REPLAY_SPEED_NORMAL) {
        const int32_t wait = speed == REPLAY_SPEED_HALF ? 2 : 4;
        if (++slowTicks < wait) return;
        slowTicks = 0;
        ReplayBeforeFrame();
        GameFrameRoutine(painter);
        ReplayAfterFrame();
        return;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point until =
        Clock::now() + std::chrono::milliseconds(FASTEST_TICK_BUDGET_MS);
    const int32_t frames = speed == REPLAY_SPEED_DOUBLE ? 2 : speed == REPLAY_SPEED_X4 ? 4 : 8;
    for (int32_t n = 1; ReplayPlaying() != 0; ++n) {
        const bool last = speed == REPLAY_SPEED_FASTEST ? Clock::now() >= until : n == frames;
        if (last) {
            ReplayBeforeFrame();
            GameFrameRoutine(painter);
            ReplayAfterFrame();
            return;
        }
        RunUndrawnReplayFrame(painter);
    }
    // The replay ended within the tick: its last frame on the screen.
    DrawGameFrame(painter);
}

} // namespace

void ChangeReplaySpeed(int32_t step) {
    int32_t speed = replaySpeed.load();
    int32_t next = 0;
    do {
        next = std::clamp<int32_t>(speed + step, REPLAY_SPEED_QUARTER, REPLAY_SPEED_FASTEST);
    } while (!replaySpeed.compare_exchange_weak(speed, next));
    EffectsMuted.store(next == REPLAY_SPEED_NORMAL ? 0 : 1);
}

int32_t ReplaySpeed() {
    return replaySpeed.load();
}

void SampleControls() {
    Painter& painter = ProgramPainter;
    if (painter.canvas == nullptr || painter.screen == nullptr) return;
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
    if (GameHold.load() == 0) RunPendingReplayCommand();
    if (GameHold.load() == 0 && Paused.load() == 0) {
        if (ReplayPlaying() != 0 && ReplaySpeed() != REPLAY_SPEED_NORMAL) {
            RunReplayFramesAtSpeed(painter);
            return;
        }
        // The one place every program runs a game frame: recordings and replays follow it.
        ReplayBeforeFrame();
        GameFrameRoutine(painter);
        ReplayAfterFrame();
    }
    if (ReplayPlaying() == 0 && ReplaySpeed() != REPLAY_SPEED_NORMAL)
        ChangeReplaySpeed(REPLAY_SPEED_NORMAL - ReplaySpeed());
}

namespace {
// Replay keys wait here for the game thread, in the order they were pressed, so that a seek
// and the steps after it, pressed between two frames, each take effect. A key held down
// repeats; past this many waiting commands the rest are dropped.
constexpr size_t MAX_PENDING_REPLAY_COMMANDS = 16;
// A seek to a given frame, beside the keys' commands (REPLAY_KEY_*, all positive).
constexpr int32_t SEEK_TO_FRAME = -1;
struct PendingReplayCommand {
    int32_t command;
    int64_t frames; // SEEK_TO_FRAME: where to
};
std::mutex replayCommandLock;
std::deque<PendingReplayCommand> pendingReplayCommands; // guarded by replayCommandLock
std::mutex takeOverLock;
std::string takeOverFolder;  // guarded by takeOverLock
std::string takeOverProgram; // guarded by takeOverLock
std::string takeOverNote;    // guarded by takeOverLock: what the last take-over did
std::string takeOverFile;    // guarded by takeOverLock: the one file a take-over records to
std::atomic<int32_t> takenOver{0};
} // namespace

void RequestReplayCommand(int32_t command) {
    std::lock_guard<std::mutex> guard(replayCommandLock);
    if (pendingReplayCommands.size() < MAX_PENDING_REPLAY_COMMANDS)
        pendingReplayCommands.push_back({command, 0});
}

void RequestReplaySeek(int64_t frames) {
    std::lock_guard<std::mutex> guard(replayCommandLock);
    if (!pendingReplayCommands.empty() && pendingReplayCommands.back().command == SEEK_TO_FRAME)
        pendingReplayCommands.back().frames = frames;
    else if (pendingReplayCommands.size() < MAX_PENDING_REPLAY_COMMANDS)
        pendingReplayCommands.push_back({SEEK_TO_FRAME, frames});
}

void SetTakeOverFolder(const std::string& folder, const char* program) {
    std::lock_guard<std::mutex> guard(takeOverLock);
    takeOverFolder = folder;
    takeOverFile.clear();
    takeOverProgram = program;
}

void SetTakeOverFile(const std::string& path, const char* program) {
    std::lock_guard<std::mutex> guard(takeOverLock);
    takeOverFile = path;
    takeOverProgram = program;
}

int32_t ReplayTakenOver() {
    return takenOver.load();
}

namespace {

void TakeOver() {
    std::string path;
    std::string file;
    std::string program;
    {
        std::lock_guard<std::mutex> guard(takeOverLock);
        path = takeOverFolder;
        file = takeOverFile;
        program = takeOverProgram;
    }
    // A front end that named no folder offers no take-over.
    if (program.empty()) return;
    if (!file.empty()) {
        path = file;
    } else {
        const std::time_t now = std::time(nullptr);
        char name[48] = "takeover.vrp";
        // Only the game thread asks for the local time.
        const std::tm* local = std::localtime(&now);
        if (local != nullptr) std::strftime(name, sizeof name, "takeover-%Y%m%d-%H%M%S.vrp", local);
        path += name;
    }
    const int64_t frame = PlaybackFrame();
    std::string error;
    std::string note;
    if (TakeOverPlayback(path.c_str(), program.c_str(), error)) {
        note = "taken over at frame " + std::to_string(frame) + ", recording to " + path;
        takenOver.store(1);
        // The player's game starts at once.
        if (Paused.load() != 0) TogglePaused();
    } else {
        note = "take-over failed: " + error;
    }
    std::lock_guard<std::mutex> guard(takeOverLock);
    takeOverNote = note;
}

void RunReplayCommand(const PendingReplayCommand& pending) {
    const int64_t now = PlaybackFrame();
    // The last frame, not the end: playing one more frame then ends the replay with its verdict.
    const int64_t last = std::max<int64_t>(PlaybackLength() - 1, 0);
    int64_t target = now;
    switch (pending.command) {
    case SEEK_TO_FRAME:
        target = std::clamp<int64_t>(pending.frames, 0, last);
        break;
    case REPLAY_KEY_STEP:
        // A step moves on one frame while paused; a playing replay moves on by itself.
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
    case REPLAY_KEY_TAKE_OVER:
        TakeOver();
        return;
    default:
        return;
    }
    SeekPlayback(target);
}

} // namespace

void RunPendingReplayCommand() {
    std::deque<PendingReplayCommand> commands;
    {
        std::lock_guard<std::mutex> guard(replayCommandLock);
        commands.swap(pendingReplayCommands);
    }
    for (const PendingReplayCommand& command : commands) {
        if (ReplayPlaying() == 0) return;
        RunReplayCommand(command);
    }
}

std::string ReplayWindowTitle() {
    std::string note;
    {
        std::lock_guard<std::mutex> guard(takeOverLock);
        note = takeOverNote;
    }
    if (ReplayPlaying() == 0) return note.empty() ? "VELKAR" : "VELKAR - " + note;
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
    static const char* const SPEEDS[] = {", x1/4", ", x1/2", "",         ", x2",
                                         ", x4",   ", x8",   ", fastest"};
    title += SPEEDS[std::clamp<int32_t>(ReplaySpeed(), REPLAY_SPEED_QUARTER, REPLAY_SPEED_FASTEST)];
    if (Paused.load() != 0) title += ", paused";
    if (!note.empty()) title += ", " + note;
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
