// The frame clock: tick duties, control sampling, joystick pause, and the threads with the hold.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "app/frame_clock.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "input/joystick_seam.h"
#include "null/null_seam.h"
#include "settings/settings.h"

using namespace velkar;

namespace {

std::atomic<int32_t> framesRun{0};
uint8_t* lastCanvas = nullptr; // written by the frame routine, read after the thread is joined

void CountFrame(Painter& painter) {
    lastCanvas = painter.canvas;
    framesRun.fetch_add(1);
}

// Waits, without a time limit that could fail a slow machine, up to a generous bound.
bool WaitUntil(const std::function<bool()>& condition) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

class FrameClockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedRoutine = GameFrameRoutine;
        savedCanvas = ProgramPainter.canvas;
        savedScreen = ProgramPainter.screen;
        savedPause = JoyButton_PAUSE;
        GameFrameRoutine = CountFrame;
        ProgramPainter.canvas = canvas;
        ProgramPainter.screen = screen;
        framesRun.store(0);
        lastCanvas = nullptr;
        GameHold.store(0);
        Paused.store(0);
        PresentHold.store(0);
        FullScreenLock.store(0);
        PauseRepeat = 0;
        RawKeys.store(0);
        InputBits = 0;
        NameEntryRequested.store(0);
        NameEntryPosted.store(0);
        ResetNullCounts();
        ResetNullJoystick();
    }
    void TearDown() override {
        DisconnectJoystick();
        ResetNullJoystick();
        GameFrameRoutine = savedRoutine;
        ProgramPainter.canvas = savedCanvas;
        ProgramPainter.screen = savedScreen;
        JoyButton_PAUSE = savedPause;
        GameHold.store(0);
        Paused.store(0);
        PauseRepeat = 0;
        RawKeys.store(0);
        InputBits = 0;
        NameEntryRequested.store(0);
        NameEntryPosted.store(0);
    }
    void HoldPauseButton(int32_t held) { SetNullJoystickInput(0, held ? 1u << 3 : 0u); }

    uint8_t canvas[16] = {};
    uint8_t screen[16] = {};
    GameFrameFn savedRoutine = nullptr;
    uint8_t* savedCanvas = nullptr;
    uint8_t* savedScreen = nullptr;
    int32_t savedPause = -1;
};

} // namespace

TEST_F(FrameClockTest, SampleRunsTheFrameOnTheCanvasUnlessHeldOrPaused) {
    PressRawKey(VKEY_X, 0);
    SampleControls();
    EXPECT_EQ(framesRun.load(), 1);
    EXPECT_EQ(lastCanvas, canvas);
    EXPECT_EQ(InputBits, INPUT_LASER);
    GameHold.store(1);
    SampleControls();
    GameHold.store(0);
    Paused.store(1);
    SampleControls();
    Paused.store(0);
    EXPECT_EQ(framesRun.load(), 1);
    SampleControls();
    EXPECT_EQ(framesRun.load(), 2);
}

TEST_F(FrameClockTest, MissingCanvasesSampleNothingAndRunNoFrame) {
    InputBits = 0x1234;
    PressRawKey(VKEY_Z, 0);
    ProgramPainter.canvas = nullptr;
    SampleControls();
    ProgramPainter.canvas = canvas;
    ProgramPainter.screen = nullptr;
    SampleControls();
    EXPECT_EQ(framesRun.load(), 0);
    EXPECT_EQ(InputBits, 0x1234);
    ProgramPainter.screen = screen;
    SampleControls();
    EXPECT_EQ(InputBits, INPUT_SHOT);
    EXPECT_EQ(framesRun.load(), 1);
}

TEST_F(FrameClockTest, HeldPauseButtonTogglesEveryTwentyFrames) {
    JoyButton_PAUSE = 3;
    SetNullJoystickAttached(1);
    ASSERT_EQ(ConnectJoystick(nullptr, nullptr), 1);
    HoldPauseButton(1);
    std::vector<int32_t> toggles;
    int32_t frames = 0;
    for (int32_t frame = 1; frame <= 45; ++frame) {
        const int32_t before = Paused.load();
        const int32_t ranBefore = framesRun.load();
        SampleControls();
        if (Paused.load() != before) toggles.push_back(frame);
        frames += framesRun.load() - ranBefore;
        ASSERT_EQ(framesRun.load() - ranBefore, Paused.load() == 0 ? 1 : 0) << frame;
    }
    EXPECT_EQ(toggles, (std::vector<int32_t>{1, 21, 41}));
    EXPECT_EQ(Paused.load(), 1);
    EXPECT_EQ(frames, 20); // frames 21..40 ran
}

TEST_F(FrameClockTest, SecondPressWithinTheRepeatIsIgnored) {
    JoyButton_PAUSE = 3;
    SetNullJoystickAttached(1);
    ASSERT_EQ(ConnectJoystick(nullptr, nullptr), 1);
    // Press 5 frames, release 5, press again: the repeat count (19) has not run out.
    for (int32_t frame = 0; frame < 5; ++frame) {
        HoldPauseButton(1);
        SampleControls();
    }
    EXPECT_EQ(Paused.load(), 1);
    HoldPauseButton(0);
    for (int32_t frame = 0; frame < 5; ++frame)
        SampleControls();
    HoldPauseButton(1);
    SampleControls();
    EXPECT_EQ(Paused.load(), 1);
    // Released long enough, the next press toggles at once, even while the game is held.
    HoldPauseButton(0);
    for (int32_t frame = 0; frame < 19; ++frame)
        SampleControls();
    GameHold.store(1);
    HoldPauseButton(1);
    SampleControls();
    EXPECT_EQ(Paused.load(), 0);
    EXPECT_EQ(framesRun.load(), 0);
}

TEST_F(FrameClockTest, PauseFlagAnythingButZeroBecomesZero) {
    Paused.store(7);
    TogglePaused();
    EXPECT_EQ(Paused.load(), 0);
    TogglePaused();
    EXPECT_EQ(Paused.load(), 1);
}

TEST_F(FrameClockTest, OneNameEntryPostPerRequest) {
    for (int32_t tick = 0; tick < 10; ++tick)
        FrameTick();
    EXPECT_EQ(NullNameEntryPostCount(), 0);
    NameEntryRequested.store(1);
    for (int32_t tick = 0; tick < 500; ++tick)
        FrameTick();
    EXPECT_EQ(NullNameEntryPostCount(), 1);
    EXPECT_EQ(NameEntryPosted.load(), 1);
    // The game clears the posted flag when it raises the next request.
    NameEntryPosted.store(0);
    for (int32_t tick = 0; tick < 500; ++tick)
        FrameTick();
    EXPECT_EQ(NullNameEntryPostCount(), 2);
    EXPECT_EQ(FrameReady.load(), 1);
}

TEST_F(FrameClockTest, FullScreenLockCountsDownOncePerTick) {
    FullScreenLock.store(93);
    for (int32_t tick = 0; tick < 92; ++tick)
        FrameTick();
    EXPECT_EQ(FullScreenLock.load(), 1);
    FrameTick();
    EXPECT_EQ(FullScreenLock.load(), 0);
    for (int32_t tick = 0; tick < 10; ++tick)
        FrameTick();
    EXPECT_EQ(FullScreenLock.load(), 0);
}

TEST_F(FrameClockTest, StopBeforeStartEndsTheThreadAtOnce) {
    StopGameThread();
    std::thread game(GameThread);
    game.join();
    EXPECT_EQ(framesRun.load(), 0);
}

namespace {

// A frame routine that blocks its first frame until the test lets it go.
std::atomic<int32_t> firstFrameEntered{0};
std::atomic<int32_t> firstFrameRelease{0};

void BlockFirstFrame(Painter&) {
    if (framesRun.fetch_add(1) == 0) {
        firstFrameEntered.store(1);
        while (firstFrameRelease.load() == 0)
            std::this_thread::yield();
    }
}

} // namespace

TEST_F(FrameClockTest, TicksMissedDuringAFrameCollapseIntoOne) {
    GameFrameRoutine = BlockFirstFrame;
    firstFrameEntered.store(0);
    firstFrameRelease.store(0);
    std::thread game(GameThread);
    // The thread clears a release that came before it; keep ticking until a frame starts.
    ASSERT_TRUE(WaitUntil([] {
        if (firstFrameEntered.load() == 0) FrameTick();
        return firstFrameEntered.load() != 0;
    }));
    for (int32_t tick = 0; tick < 5; ++tick)
        FrameTick();
    firstFrameRelease.store(1);
    ASSERT_TRUE(WaitUntil([] { return framesRun.load() == 2; }));
    // No tick since: no frame may start, however long we look.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(framesRun.load(), 2);
    EXPECT_EQ(FrameReady.load(), 0);
    StopGameThread();
    game.join();
}

TEST_F(FrameClockTest, PresentationStopsForNameEntryAndPresentHoldOnly) {
    std::thread game(GameThread);
    auto tickFrames = [](int32_t frames) {
        const int32_t target = framesRun.load() + frames;
        return WaitUntil([target] {
            FrameTick();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return framesRun.load() >= target;
        });
    };
    ASSERT_TRUE(tickFrames(3));
    EXPECT_GT(NullPresentCount(), 0);

    PresentHold.store(1);
    ASSERT_TRUE(tickFrames(1)); // a frame that saw the flag may have begun before it
    int32_t presents = NullPresentCount();
    ASSERT_TRUE(tickFrames(5));
    EXPECT_EQ(NullPresentCount(), presents);
    PresentHold.store(0);

    NameEntryRequested.store(1); // the tick posts, and the dialog must not be drawn over
    ASSERT_TRUE(tickFrames(1));
    presents = NullPresentCount();
    ASSERT_TRUE(tickFrames(5));
    EXPECT_EQ(NullPresentCount(), presents);
    EXPECT_EQ(NullNameEntryPostCount(), 1);

    NameEntryRequested.store(0); // the name arrived; posted stays until the game clears it
    ASSERT_TRUE(tickFrames(3));
    EXPECT_EQ(NullPresentCount(), presents);
    NameEntryPosted.store(0);
    ASSERT_TRUE(tickFrames(3));
    EXPECT_GT(NullPresentCount(), presents);

    StopGameThread();
    game.join();
}

namespace {

// Game data that the UI side changes while it holds the game; plain, so that a hold that
// does not order the two threads shows up under ThreadSanitizer.
int32_t sharedGameData = 0;
std::atomic<int32_t> uiHolding{0};
std::atomic<int32_t> framesWhileHeld{0};

void SlowFrame(Painter&) {
    if (uiHolding.load() != 0) framesWhileHeld.fetch_add(1);
    sharedGameData += 1;
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    if (uiHolding.load() != 0) framesWhileHeld.fetch_add(1);
    framesRun.fetch_add(1);
}

} // namespace

TEST_F(FrameClockTest, HoldKeepsEveryFrameOutUntilRelease) {
    GameFrameRoutine = SlowFrame;
    sharedGameData = 0;
    uiHolding.store(0);
    framesWhileHeld.store(0);
    std::atomic<int32_t> ticking{1};
    std::thread game(GameThread);
    std::thread ticker([&ticking] {
        auto next = std::chrono::steady_clock::now();
        while (ticking.load() != 0) {
            FrameTick();
            next += std::chrono::milliseconds(2);
            std::this_thread::sleep_until(next);
        }
    });

    for (int32_t cycle = 0; cycle < 40; ++cycle) {
        const int32_t before = framesRun.load();
        ASSERT_TRUE(WaitUntil([before] { return framesRun.load() >= before + 2; })) << cycle;

        HoldGame();
        uiHolding.store(1);
        const int32_t heldAt = framesRun.load();
        const int32_t presentsAt = NullPresentCount();
        sharedGameData += 1000; // the UI changes game data while held
        // Presentation and sampling go on while held; wait for a few of them.
        ASSERT_TRUE(WaitUntil([presentsAt] { return NullPresentCount() >= presentsAt + 3; }));
        EXPECT_EQ(framesRun.load(), heldAt) << cycle;
        uiHolding.store(0);
        ReleaseGame();
    }
    const int32_t last = framesRun.load();
    ASSERT_TRUE(WaitUntil([last] { return framesRun.load() >= last + 2; }));

    ticking.store(0);
    ticker.join();
    StopGameThread();
    game.join();
    EXPECT_EQ(framesWhileHeld.load(), 0);
    EXPECT_EQ(sharedGameData, 40 * 1000 + framesRun.load());
}
