// The mode machine: frame counts of the attract screens, start, quit, continue, stage changes,
// the end countdown, the stars' pace, start on the game-over screen and the score clamp.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/own_game.h"
#include "game/frame_sequence.h"
#include "game/game_digest.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "record/random.h"
#include "stage/enemy_pool.h"

using namespace velkar;

namespace {

// A game of its own as a program starts it, on the title, drawn by a painter of its own.
class FrameSequence : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(InitGame(), 0);
        ASSERT_EQ(CreateCanvases(painter), 0);
        BeginAttract();
        game->modeFrame = 0;
        InputBits = 0;
    }
    void TearDown() override { InputBits = 0; }

    void Run(int frames, int32_t input = 0) {
        for (int i = 0; i < frames; ++i) {
            InputBits = input;
            RunGameFrame(painter);
        }
        InputBits = 0;
    }

    // Plays until the mode changes; returns the number of frames that took.
    int FramesUntilModeChanges(int limit) {
        const int32_t mode = game->gameMode;
        for (int i = 1; i <= limit; ++i) {
            Run(1);
            if (game->gameMode != mode) return i;
        }
        return -1;
    }

    velkar_test::OwnGame game;
    Painter painter;
};

TEST_F(FrameSequence, AttractScreensFollowEachOtherOnTheirFrameCounts) {
    Game& g = *game;
    // The change happens in the frame where ModeFrame passes the limit, and that frame
    // already runs the new mode's entry.
    EXPECT_EQ(FramesUntilModeChanges(1000), 362);
    EXPECT_EQ(g.gameMode, MODE_KEY_ASSIGN);
    EXPECT_EQ(g.modeFrame, 1);
    EXPECT_EQ(FramesUntilModeChanges(1000), 361);
    EXPECT_EQ(g.gameMode, MODE_RANKING);
    EXPECT_EQ(FramesUntilModeChanges(1000), 481);
    EXPECT_EQ(g.gameMode, MODE_DEMO);
    EXPECT_EQ(g.lives, 1);
    EXPECT_EQ(g.stageNumber, g.demoStage);
    EXPECT_EQ(g.stageLevel, g.demoStage);
    EXPECT_EQ(g.shotPower, 6);
}

TEST_F(FrameSequence, StartOnTheFirstTitleFrameStartsStageOneInThatFrame) {
    Game& g = *game;
    Run(1, INPUT_START);
    EXPECT_EQ(g.gameMode, MODE_PLAY);
    EXPECT_EQ(g.modeFrame, 1);
    EXPECT_EQ(g.stageNumber, 1);
    EXPECT_EQ(g.stageLevel, 1);
    EXPECT_EQ(g.lives, 3);
    EXPECT_EQ(g.shotPower, 1);
    EXPECT_EQ(g.bombActive, 0); // the title's first bomb never went off
}

TEST_F(FrameSequence, StartWorksOnEveryAttractScreen) {
    Game& g = *game;
    for (int32_t target : {MODE_KEY_ASSIGN, MODE_RANKING, MODE_DEMO}) {
        SetUp();
        while (g.gameMode != target)
            Run(1);
        Run(5);
        Run(1, INPUT_START);
        EXPECT_EQ(g.gameMode, MODE_PLAY) << "from mode " << target;
        EXPECT_EQ(g.stageNumber, 1);
        EXPECT_EQ(g.lives, 3);
        EXPECT_EQ(g.shotPower, 1);
    }
}

TEST_F(FrameSequence, StagesCountUpWithTheLevelCyclingAndTheNumberHeldAt99) {
    Game& g = *game;
    Run(1, INPUT_START);
    const int32_t expectedLevels[] = {2, 3, 4, 5, 2, 3, 4, 5, 2};
    for (int32_t level : expectedLevels) {
        g.stageCleared = 1;
        Run(1);
        EXPECT_EQ(g.stageLevel, level);
        EXPECT_EQ(g.stageCleared, 0);
        EXPECT_EQ(g.modeFrame, 1); // the next stage started in this frame
    }
    EXPECT_EQ(g.stageNumber, 10);
    for (int i = 0; i < 120; ++i) {
        g.stageCleared = 1;
        Run(1);
    }
    EXPECT_EQ(g.stageNumber, 99);
    EXPECT_EQ(g.gameMode, MODE_PLAY);
}

TEST_F(FrameSequence, QuitReturnsToTheTitleWithoutARankingEntry) {
    Game& g = *game;
    Run(1, INPUT_START);
    Run(10);
    g.rankingPlace = 7;
    Run(1, INPUT_END);
    EXPECT_EQ(g.gameMode, MODE_TITLE);
    EXPECT_EQ(g.quitRequested, 0);
    EXPECT_EQ(g.rankingPlace, 7); // InsertRanking never ran
}

// Start and quit held together: quit wins, so no screen that takes start enters play, and the
// frame ends (it used to bounce between play and the title forever).
TEST_F(FrameSequence, StartWithQuitHeldStartsNothingOnAnyScreen) {
    Game& g = *game;
    const int32_t both = INPUT_START | INPUT_END;
    Run(1, both); // the title's entry frame
    EXPECT_EQ(g.gameMode, MODE_TITLE);
    for (int32_t target : {MODE_TITLE, MODE_KEY_ASSIGN, MODE_RANKING, MODE_DEMO}) {
        while (g.gameMode != target)
            Run(1);
        Run(100, both);
        EXPECT_EQ(g.gameMode, target);
        EXPECT_EQ(g.quitRequested, 0);
    }
    // The game-over screen after its 80th frame takes start too.
    Run(1, INPUT_START);
    g.playerState = PLAYER_OUT;
    g.lives = 0;
    while (g.gameMode == MODE_PLAY)
        Run(1);
    ASSERT_EQ(g.gameMode, MODE_GAME_OVER);
    Run(90);
    Run(5, both);
    EXPECT_EQ(g.gameMode, MODE_GAME_OVER);
    Run(1, INPUT_START);
    EXPECT_EQ(g.gameMode, MODE_PLAY);
    // Held through play, both keys quit at once and the title then ignores them.
    Run(10);
    Run(3, both);
    EXPECT_EQ(g.gameMode, MODE_TITLE);
    EXPECT_EQ(g.quitRequested, 0);
}

TEST_F(FrameSequence, LastShipLostRunsA360FrameCountdownThenGameOver) {
    Game& g = *game;
    Run(1, INPUT_START);
    g.playerState = PLAYER_OUT;
    Run(1);
    EXPECT_EQ(g.endSequence, 1);
    EXPECT_EQ(g.endCountdown, 359);
    // 1 frame above + 358 more keep the countdown running; the 360th frame ends it.
    Run(358);
    EXPECT_EQ(g.gameMode, MODE_PLAY);
    EXPECT_EQ(g.endCountdown, 1);
    Run(1);
    EXPECT_EQ(g.gameMode, MODE_GAME_OVER);
    EXPECT_EQ(g.endSequence, 0);
}

TEST_F(FrameSequence, ContinueRefillsLivesAndCountsInTheScoreUpTo99) {
    Game& g = *game;
    Run(1, INPUT_START);
    g.continueCount = 97;
    g.score = 1000;
    for (int i = 0; i < 3; ++i) {
        g.playerState = PLAYER_OUT;
        Run(20);
        ASSERT_EQ(g.endSequence, 1);
        Run(1, INPUT_START);
        EXPECT_EQ(g.endSequence, 0);
        EXPECT_EQ(g.lives, 3);
        EXPECT_EQ(g.bombs, 3);
        EXPECT_NE(g.playerState, PLAYER_OUT);
    }
    EXPECT_EQ(g.continueCount, 99);
    EXPECT_EQ(g.score, 1002); // the third continue no longer adds a point
}

TEST_F(FrameSequence, StartIsIgnoredWhileTheShipIsStillInPlay) {
    Game& g = *game;
    Run(1, INPUT_START);
    Run(30, INPUT_START);
    EXPECT_EQ(g.continueCount, 0);
    EXPECT_EQ(g.stageNumber, 1);
    EXPECT_EQ(g.modeFrame, 31);
}

TEST_F(FrameSequence, ClearedDemonstrationEndsAtOnce) {
    Game& g = *game;
    while (g.gameMode != MODE_DEMO)
        Run(1);
    Run(3);
    g.stageCleared = 1;
    Run(1);
    EXPECT_EQ(g.gameMode, MODE_TITLE);
    EXPECT_EQ(g.modeFrame, 1);
}

TEST_F(FrameSequence, DemoStageCyclesOnePerTitleVisit) {
    Game& g = *game;
    // InitGame leaves DemoStage 0; each entry of the title advances it.
    g.demoStage = 0;
    int32_t seen[7];
    for (int32_t& stage : seen) {
        g.gameMode = MODE_TITLE;
        g.modeFrame = 0;
        Run(1);
        stage = g.demoStage;
    }
    const int32_t expected[] = {1, 2, 3, 4, 5, 1, 2};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(seen[i], expected[i]);
}

// Rows a speed-1 star falls in one frame of the current mode.
int32_t StarRowsPerFrame(Painter& painter) {
    Game& g = TheGame();
    g.stars[0] = Star{300, 400, 10, 10, 10, 1, 0, 0};
    InputBits = 0;
    RunGameFrame(painter);
    return g.stars[0].y - 400;
}

// The title, help and ranking screens step the stars in the update and again in the draw, so
// they fall twice as fast there as in play, the demonstration and the game-over screen.
TEST_F(FrameSequence, StarsStepTwicePerFrameOnTheAttractScreens) {
    Game& g = *game;
    Run(2);
    ASSERT_EQ(g.gameMode, MODE_TITLE);
    EXPECT_EQ(StarRowsPerFrame(painter), 2);
    for (int32_t mode : {MODE_KEY_ASSIGN, MODE_RANKING}) {
        while (g.gameMode != mode)
            Run(1);
        Run(2);
        EXPECT_EQ(StarRowsPerFrame(painter), 2) << "mode " << mode;
    }
    while (g.gameMode != MODE_DEMO)
        Run(1);
    Run(2);
    EXPECT_EQ(StarRowsPerFrame(painter), 1);

    Run(1, INPUT_START);
    Run(2);
    ASSERT_EQ(g.gameMode, MODE_PLAY);
    EXPECT_EQ(StarRowsPerFrame(painter), 1);
    g.playerState = PLAYER_OUT;
    Run(360);
    ASSERT_EQ(g.gameMode, MODE_GAME_OVER);
    EXPECT_EQ(StarRowsPerFrame(painter), 1);
}

// Start is ignored on the game-over screen for its first 80 frames and starts a game on the
// 81st. (Start cannot be held into its first frame: in that frame's play step it continues.)
TEST_F(FrameSequence, StartIsIgnoredOnTheGameOverScreenForItsFirst80Frames) {
    Game& g = *game;
    Run(1, INPUT_START);
    g.score = 0; // below every place of the table: no name is asked for
    g.playerState = PLAYER_OUT;
    Run(360); // the countdown; its last frame is the game-over screen's first
    ASSERT_EQ(g.gameMode, MODE_GAME_OVER);
    ASSERT_EQ(g.rankingPlace, -1);
    Run(79, INPUT_START);
    EXPECT_EQ(g.gameMode, MODE_GAME_OVER) << "started by the 80th frame";
    Run(1, INPUT_START);
    EXPECT_EQ(g.gameMode, MODE_PLAY);
    EXPECT_EQ(g.stageNumber, 1);
    EXPECT_EQ(g.lives, 3);
}

TEST(AddScore, AddsOnlyWhileTheShipIsInPlayAndClampsKeepingTheLastTwoDigits) {
    velkar_test::OwnGame game;
    Game& g = *game;
    g.playerState = PLAYER_VULNERABLE;
    g.score = 100;
    AddScore(-30);
    EXPECT_EQ(g.score, 70);
    g.playerState = PLAYER_OUT;
    AddScore(500);
    EXPECT_EQ(g.score, 70);
    g.playerState = PLAYER_VULNERABLE;
    g.score = 99'999'999'999'990LL;
    AddScore(50);
    EXPECT_EQ(g.score, 99'999'999'999'950LL);
    g.score = 99'999'999'999'999LL + 5; // above the maximum: clamped even with no points added
    g.playerState = PLAYER_OUT;
    AddScore(1234);
    EXPECT_EQ(g.score, 99'999'999'999'934LL);
}

// Drawing reads the game and writes only pixels: a frame drawn twice leaves the game as its
// step did, and a run that draws only some frames shows the same pictures on those frames as a
// run that draws every one, through the attract screens, the demonstration and a game with its
// shots, laser, bombs, particles and a lost ship.
TEST_F(FrameSequence, DrawingChangesNothingSoFramesMayGoUndrawn) {
    Game& g = *game;
    auto controls = [](int32_t frame) -> int32_t {
        if (frame < 1900) return 0; // title, help, ranking, the demonstration
        if (frame == 1900) return INPUT_START;
        int32_t bits = (frame / 40) % 2 == 0 ? INPUT_SHOT | INPUT_LEFT : INPUT_LASER | INPUT_RIGHT;
        if (frame % 300 == 0) bits |= INPUT_BOMB;
        return bits;
    };
    constexpr int32_t FRAMES = 3400;
    std::vector<uint64_t> everyScreen, everyState;
    // Both runs start from the same game: a new one, with the random sequence at one point.
    auto fresh = [this, &g] {
        g = Game{};
        SetUp();
        g.randomSeed = 12345;
    };
    fresh();
    for (int32_t frame = 0; frame < FRAMES; ++frame) {
        InputBits = controls(frame);
        StepGameFrame();
        const uint64_t state = GameStateDigest();
        const uint32_t seed = g.randomSeed;
        std::vector<Star> stars(g.stars, g.stars + STAR_MAX);
        DrawGameFrame(painter);
        const uint64_t screen = ScreenDigest(painter);
        DrawGameFrame(painter);
        ASSERT_EQ(ScreenDigest(painter), screen) << "frame " << frame;
        ASSERT_EQ(GameStateDigest(), state) << "frame " << frame;
        ASSERT_EQ(g.randomSeed, seed) << "frame " << frame;
        ASSERT_EQ(std::memcmp(stars.data(), g.stars, sizeof g.stars), 0) << "frame " << frame;
        everyScreen.push_back(screen);
        everyState.push_back(state);
    }
    EXPECT_EQ(g.gameMode, MODE_PLAY);

    fresh();
    for (int32_t frame = 0; frame < FRAMES; ++frame) {
        InputBits = controls(frame);
        StepGameFrame();
        ASSERT_EQ(GameStateDigest(), everyState[frame]) << "frame " << frame;
        if (frame % 7 != 3) continue;
        DrawGameFrame(painter);
        ASSERT_EQ(ScreenDigest(painter), everyScreen[frame]) << "frame " << frame;
    }
    InputBits = 0;
}

// A game is one value: two games stepped and drawn in turn, each with its own seed and controls,
// go frame for frame as each goes when it runs alone, so nothing of a game lives outside its
// Game. They are stepped through the attract screens, the demonstration and play with shots,
// laser, bombs and lost ships.
TEST(GameValue, TwoGamesSteppedInTurnEachPlayAsAlone) {
    constexpr int32_t FRAMES = 3000;
    auto controls = [](int32_t which, int32_t frame) -> int32_t {
        const int32_t start = which == 0 ? 1900 : 2000;
        if (frame < start) return 0;
        if (frame == start) return INPUT_START;
        const int32_t turn = which == 0 ? 40 : 25;
        int32_t bits =
            (frame / turn) % 2 == 0 ? INPUT_SHOT | INPUT_LEFT : INPUT_LASER | INPUT_RIGHT;
        if (frame % (which == 0 ? 300 : 170) == 0) bits |= INPUT_BOMB;
        return bits;
    };
    auto begin = [](Game& game, uint32_t seed) {
        RunningGame running(game);
        ASSERT_EQ(InitGame(), 0);
        BeginAttract();
        game.randomSeed = seed;
    };
    Painter painter;
    ASSERT_EQ(CreateCanvases(painter), 0);
    const uint32_t seeds[2] = {12345, 777};
    std::vector<uint64_t> states[2], screens[2];
    for (int32_t which = 0; which < 2; ++which) {
        auto alone = std::make_unique<Game>();
        begin(*alone, seeds[which]);
        for (int32_t frame = 0; frame < FRAMES; ++frame) {
            InputBits = controls(which, frame);
            StepGameFrame(*alone);
            states[which].push_back(GameStateDigest(*alone));
            DrawGameFrame(*alone, painter);
            screens[which].push_back(ScreenDigest(painter));
        }
        EXPECT_EQ(alone->gameMode, MODE_PLAY);
        EXPECT_GT(alone->score, 0);
    }
    ASSERT_NE(states[0].back(), states[1].back());
    std::unique_ptr<Game> games[2] = {std::make_unique<Game>(), std::make_unique<Game>()};
    for (int32_t which = 0; which < 2; ++which)
        begin(*games[which], seeds[which]);
    for (int32_t frame = 0; frame < FRAMES; ++frame) {
        for (int32_t which = 0; which < 2; ++which) {
            InputBits = controls(which, frame);
            StepGameFrame(*games[which]);
            ASSERT_EQ(GameStateDigest(*games[which]), states[which][frame])
                << "game " << which << ", frame " << frame;
        }
        for (int32_t which = 0; which < 2; ++which) {
            DrawGameFrame(*games[which], painter);
            ASSERT_EQ(ScreenDigest(painter), screens[which][frame])
                << "game " << which << ", frame " << frame;
        }
    }
    InputBits = 0;
}

} // namespace
