// Rules of the screens outside play: the star field's pace and when start is heard.
#include <gtest/gtest.h>

#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/effects.h"
#include "player/player.h"

using namespace velkar;

namespace {

class ScreenPace : public ::testing::Test {
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

    // Rows a speed-1 star falls in one frame of the current mode.
    static int32_t StarRowsPerFrame() {
        Stars[0] = Star{300, 400, 10, 10, 10, 1, 0, 0};
        Run(1);
        return Stars[0].y - 400;
    }
};

// The title, help and ranking screens step the stars in the update and again in the draw, so
// they fall twice as fast there as in play, the demonstration and the game-over screen.
TEST_F(ScreenPace, StarsStepTwicePerFrameOnTheAttractScreens) {
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
TEST_F(ScreenPace, StartIsIgnoredOnTheGameOverScreenForItsFirst80Frames) {
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

} // namespace
