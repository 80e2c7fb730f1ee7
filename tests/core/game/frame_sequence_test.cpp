// The mode machine: frame counts of the attract screens, start, quit, continue, stage changes,
// the end countdown, the stars' pace, start on the game-over screen and the score clamp.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "game/frame_sequence.h"
#include "game/game_digest.h"
#include "game/game_record.h"
#include "record/random.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "stage/enemy_pool.h"

using namespace velkar;

namespace {

class FrameSequence : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(InitGame(), 0);
        DestroyCanvases();
        ASSERT_EQ(CreateCanvases(), 0);
        BeginAttract();
        ModeFrame = 0;
        InputBits = 0;
    }
    void TearDown() override { InputBits = 0; }

    static void Run(int frames, int32_t input = 0) {
        for (int i = 0; i < frames; ++i) {
            InputBits = input;
            RunGameFrame(FrameCanvasBits);
        }
        InputBits = 0;
    }

    // Plays until the mode changes; returns the number of frames that took.
    static int FramesUntilModeChanges(int limit) {
        const int32_t mode = GameMode;
        for (int i = 1; i <= limit; ++i) {
            Run(1);
            if (GameMode != mode) return i;
        }
        return -1;
    }
};

TEST_F(FrameSequence, AttractScreensFollowEachOtherOnTheirFrameCounts) {
    // The change happens in the frame where ModeFrame passes the limit, and that frame
    // already runs the new mode's entry.
    EXPECT_EQ(FramesUntilModeChanges(1000), 362);
    EXPECT_EQ(GameMode, MODE_KEY_ASSIGN);
    EXPECT_EQ(ModeFrame, 1);
    EXPECT_EQ(FramesUntilModeChanges(1000), 361);
    EXPECT_EQ(GameMode, MODE_RANKING);
    EXPECT_EQ(FramesUntilModeChanges(1000), 481);
    EXPECT_EQ(GameMode, MODE_DEMO);
    EXPECT_EQ(Lives, 1);
    EXPECT_EQ(StageNumber, DemoStage);
    EXPECT_EQ(StageLevel, DemoStage);
    EXPECT_EQ(ShotPower, 6);
}

TEST_F(FrameSequence, StartOnTheFirstTitleFrameStartsStageOneInThatFrame) {
    Run(1, INPUT_START);
    EXPECT_EQ(GameMode, MODE_PLAY);
    EXPECT_EQ(ModeFrame, 1);
    EXPECT_EQ(StageNumber, 1);
    EXPECT_EQ(StageLevel, 1);
    EXPECT_EQ(Lives, 3);
    EXPECT_EQ(ShotPower, 1);
    EXPECT_EQ(BombActive, 0); // the title's first bomb never went off
}

TEST_F(FrameSequence, StartWorksOnEveryAttractScreen) {
    for (int32_t target : {MODE_KEY_ASSIGN, MODE_RANKING, MODE_DEMO}) {
        SetUp();
        while (GameMode != target)
            Run(1);
        Run(5);
        Run(1, INPUT_START);
        EXPECT_EQ(GameMode, MODE_PLAY) << "from mode " << target;
        EXPECT_EQ(StageNumber, 1);
        EXPECT_EQ(Lives, 3);
        EXPECT_EQ(ShotPower, 1);
    }
}

TEST_F(FrameSequence, StagesCountUpWithTheLevelCyclingAndTheNumberHeldAt99) {
    Run(1, INPUT_START);
    const int32_t expectedLevels[] = {2, 3, 4, 5, 2, 3, 4, 5, 2};
    for (int32_t level : expectedLevels) {
        StageCleared = 1;
        Run(1);
        EXPECT_EQ(StageLevel, level);
        EXPECT_EQ(StageCleared, 0);
        EXPECT_EQ(ModeFrame, 1); // the next stage started in this frame
    }
    EXPECT_EQ(StageNumber, 10);
    for (int i = 0; i < 120; ++i) {
        StageCleared = 1;
        Run(1);
    }
    EXPECT_EQ(StageNumber, 99);
    EXPECT_EQ(GameMode, MODE_PLAY);
}

TEST_F(FrameSequence, QuitReturnsToTheTitleWithoutARankingEntry) {
    Run(1, INPUT_START);
    Run(10);
    RankingPlace = 7;
    Run(1, INPUT_END);
    EXPECT_EQ(GameMode, MODE_TITLE);
    EXPECT_EQ(QuitRequested, 0);
    EXPECT_EQ(RankingPlace, 7); // InsertRanking never ran
}

// Start and quit held together: quit wins, so no screen that takes start enters play, and the
// frame ends (it used to bounce between play and the title forever).
TEST_F(FrameSequence, StartWithQuitHeldStartsNothingOnAnyScreen) {
    const int32_t both = INPUT_START | INPUT_END;
    Run(1, both); // the title's entry frame
    EXPECT_EQ(GameMode, MODE_TITLE);
    for (int32_t target : {MODE_TITLE, MODE_KEY_ASSIGN, MODE_RANKING, MODE_DEMO}) {
        while (GameMode != target)
            Run(1);
        Run(100, both);
        EXPECT_EQ(GameMode, target);
        EXPECT_EQ(QuitRequested, 0);
    }
    // The game-over screen after its 80th frame takes start too.
    Run(1, INPUT_START);
    PlayerState = PLAYER_OUT;
    Lives = 0;
    while (GameMode == MODE_PLAY)
        Run(1);
    ASSERT_EQ(GameMode, MODE_GAME_OVER);
    Run(90);
    Run(5, both);
    EXPECT_EQ(GameMode, MODE_GAME_OVER);
    Run(1, INPUT_START);
    EXPECT_EQ(GameMode, MODE_PLAY);
    // Held through play, both keys quit at once and the title then ignores them.
    Run(10);
    Run(3, both);
    EXPECT_EQ(GameMode, MODE_TITLE);
    EXPECT_EQ(QuitRequested, 0);
}

TEST_F(FrameSequence, LastShipLostRunsA360FrameCountdownThenGameOver) {
    Run(1, INPUT_START);
    PlayerState = PLAYER_OUT;
    Run(1);
    EXPECT_EQ(EndSequence, 1);
    EXPECT_EQ(EndCountdown, 359);
    // 1 frame above + 358 more keep the countdown running; the 360th frame ends it.
    Run(358);
    EXPECT_EQ(GameMode, MODE_PLAY);
    EXPECT_EQ(EndCountdown, 1);
    Run(1);
    EXPECT_EQ(GameMode, MODE_GAME_OVER);
    EXPECT_EQ(EndSequence, 0);
}

TEST_F(FrameSequence, ContinueRefillsLivesAndCountsInTheScoreUpTo99) {
    Run(1, INPUT_START);
    ContinueCount = 97;
    Score = 1000;
    for (int i = 0; i < 3; ++i) {
        PlayerState = PLAYER_OUT;
        Run(20);
        ASSERT_EQ(EndSequence, 1);
        Run(1, INPUT_START);
        EXPECT_EQ(EndSequence, 0);
        EXPECT_EQ(Lives, 3);
        EXPECT_EQ(Bombs, 3);
        EXPECT_NE(PlayerState, PLAYER_OUT);
    }
    EXPECT_EQ(ContinueCount, 99);
    EXPECT_EQ(Score, 1002); // the third continue no longer adds a point
}

TEST_F(FrameSequence, StartIsIgnoredWhileTheShipIsStillInPlay) {
    Run(1, INPUT_START);
    Run(30, INPUT_START);
    EXPECT_EQ(ContinueCount, 0);
    EXPECT_EQ(StageNumber, 1);
    EXPECT_EQ(ModeFrame, 31);
}

TEST_F(FrameSequence, ClearedDemonstrationEndsAtOnce) {
    while (GameMode != MODE_DEMO)
        Run(1);
    Run(3);
    StageCleared = 1;
    Run(1);
    EXPECT_EQ(GameMode, MODE_TITLE);
    EXPECT_EQ(ModeFrame, 1);
}

TEST_F(FrameSequence, DemoStageCyclesOnePerTitleVisit) {
    // InitGame leaves DemoStage 0; each entry of the title advances it.
    DemoStage = 0;
    int32_t seen[7];
    for (int32_t& stage : seen) {
        GameMode = MODE_TITLE;
        ModeFrame = 0;
        Run(1);
        stage = DemoStage;
    }
    const int32_t expected[] = {1, 2, 3, 4, 5, 1, 2};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(seen[i], expected[i]);
}

// Rows a speed-1 star falls in one frame of the current mode.
int32_t StarRowsPerFrame() {
    Stars[0] = Star{300, 400, 10, 10, 10, 1, 0, 0};
    InputBits = 0;
    RunGameFrame(FrameCanvasBits);
    return Stars[0].y - 400;
}

// The title, help and ranking screens step the stars in the update and again in the draw, so
// they fall twice as fast there as in play, the demonstration and the game-over screen.
TEST_F(FrameSequence, StarsStepTwicePerFrameOnTheAttractScreens) {
    Run(2);
    ASSERT_EQ(GameMode, MODE_TITLE);
    EXPECT_EQ(StarRowsPerFrame(), 2);
    for (int32_t mode : {MODE_KEY_ASSIGN, MODE_RANKING}) {
        while (GameMode != mode)
            Run(1);
        Run(2);
        EXPECT_EQ(StarRowsPerFrame(), 2) << "mode " << mode;
    }
    while (GameMode != MODE_DEMO)
        Run(1);
    Run(2);
    EXPECT_EQ(StarRowsPerFrame(), 1);

    Run(1, INPUT_START);
    Run(2);
    ASSERT_EQ(GameMode, MODE_PLAY);
    EXPECT_EQ(StarRowsPerFrame(), 1);
    PlayerState = PLAYER_OUT;
    Run(360);
    ASSERT_EQ(GameMode, MODE_GAME_OVER);
    EXPECT_EQ(StarRowsPerFrame(), 1);
}

// Start is ignored on the game-over screen for its first 80 frames and starts a game on the
// 81st. (Start cannot be held into its first frame: in that frame's play step it continues.)
TEST_F(FrameSequence, StartIsIgnoredOnTheGameOverScreenForItsFirst80Frames) {
    Run(1, INPUT_START);
    Score = 0; // below every place of the table: no name is asked for
    PlayerState = PLAYER_OUT;
    Run(360); // the countdown; its last frame is the game-over screen's first
    ASSERT_EQ(GameMode, MODE_GAME_OVER);
    ASSERT_EQ(RankingPlace, -1);
    Run(79, INPUT_START);
    EXPECT_EQ(GameMode, MODE_GAME_OVER) << "started by the 80th frame";
    Run(1, INPUT_START);
    EXPECT_EQ(GameMode, MODE_PLAY);
    EXPECT_EQ(StageNumber, 1);
    EXPECT_EQ(Lives, 3);
}

TEST(AddScore, AddsOnlyWhileTheShipIsInPlayAndClampsKeepingTheLastTwoDigits) {
    PlayerState = PLAYER_VULNERABLE;
    Score = 100;
    AddScore(-30);
    EXPECT_EQ(Score, 70);
    PlayerState = PLAYER_OUT;
    AddScore(500);
    EXPECT_EQ(Score, 70);
    PlayerState = PLAYER_VULNERABLE;
    Score = 99'999'999'999'990LL;
    AddScore(50);
    EXPECT_EQ(Score, 99'999'999'999'950LL);
    Score = 99'999'999'999'999LL + 5; // above the maximum: clamped even with no points added
    PlayerState = PLAYER_OUT;
    AddScore(1234);
    EXPECT_EQ(Score, 99'999'999'999'934LL);
}

// Drawing reads the game and writes only pixels: a frame drawn twice leaves the game as its
// step did, and a run that draws only some frames shows the same pictures on those frames as a
// run that draws every one, through the attract screens, the demonstration and a game with its
// shots, laser, bombs, particles and a lost ship.
TEST_F(FrameSequence, DrawingChangesNothingSoFramesMayGoUndrawn) {
    auto controls = [](int32_t frame) -> int32_t {
        if (frame < 1900) return 0; // title, help, ranking, the demonstration
        if (frame == 1900) return INPUT_START;
        int32_t bits = (frame / 40) % 2 == 0 ? INPUT_SHOT | INPUT_LEFT : INPUT_LASER | INPUT_RIGHT;
        if (frame % 300 == 0) bits |= INPUT_BOMB;
        return bits;
    };
    constexpr int32_t FRAMES = 3400;
    std::vector<uint64_t> everyScreen, everyState;
    // Both runs start from the same game: the random sequence at one point, and the records
    // that no reset touches (earlier tests leave them as they ended) set alike.
    auto fresh = [this] {
        SetUp();
        RandomSeed = 12345;
        BlinkPhase = 0;
        GameOverFrame = BombX = BombY = BombStage = BombTimer = EnemyCount = 0;
    };
    fresh();
    for (int32_t frame = 0; frame < FRAMES; ++frame) {
        InputBits = controls(frame);
        StepGameFrame();
        const uint64_t state = GameStateDigest();
        const uint32_t seed = RandomSeed;
        std::vector<Star> stars(Stars, Stars + STAR_MAX);
        DrawGameFrame(FrameCanvasBits);
        const uint64_t screen = ScreenDigest();
        DrawGameFrame(FrameCanvasBits);
        ASSERT_EQ(ScreenDigest(), screen) << "frame " << frame;
        ASSERT_EQ(GameStateDigest(), state) << "frame " << frame;
        ASSERT_EQ(RandomSeed, seed) << "frame " << frame;
        ASSERT_EQ(std::memcmp(stars.data(), Stars, sizeof Stars), 0) << "frame " << frame;
        everyScreen.push_back(screen);
        everyState.push_back(state);
    }
    EXPECT_EQ(GameMode, MODE_PLAY);

    fresh();
    for (int32_t frame = 0; frame < FRAMES; ++frame) {
        InputBits = controls(frame);
        StepGameFrame();
        ASSERT_EQ(GameStateDigest(), everyState[frame]) << "frame " << frame;
        if (frame % 7 != 3) continue;
        DrawGameFrame(FrameCanvasBits);
        ASSERT_EQ(ScreenDigest(), everyScreen[frame]) << "frame " << frame;
    }
    InputBits = 0;
}

} // namespace
