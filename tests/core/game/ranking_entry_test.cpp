// A game ending through the frame sequence: the score enters the table, the name comes back from
// the name entry, the screens show it, and the settings file keeps it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/own_game.h"
#include "core/settings/temp_dir.h"
#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "game/ranking.h"
#include "game/screens.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/player.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

using namespace velkar;

namespace {

std::vector<std::pair<int32_t, std::string>> Drawn;

void Record(int32_t y, const char* text) {
    Drawn.emplace_back(y, text);
}

bool DrawnText(const std::string& text, int32_t row) {
    for (const auto& line : Drawn) {
        if (line.first == row && line.second == text) return true;
    }
    return false;
}

// A game of its own as a program starts it, on the title, drawn by a painter of its own whose
// lines of text the test reads.
class GameOverEntry : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(InitGame(), 0);
        ASSERT_EQ(CreateCanvases(painter), 0);
        painter.textRecorder = Record;
        BeginAttract();
        game->modeFrame = 0;
        InputBits = 0;
    }
    // The host's controls, settings file and Name Entry hand-off, as the next test expects them.
    void TearDown() override {
        InputBits = 0;
        SettingsPath[0] = '\0';
        NameEntryRequested.store(0);
        NameEntryPosted.store(0);
        NameEntryDone.store(0);
        NameBuffer[0] = '\0';
    }
    void Frame(int32_t input = 0) {
        Drawn.clear();
        InputBits = input;
        RunGameFrame(painter);
        InputBits = 0;
    }
    // Starts a game, puts the ship out of play with the given score and runs the countdown.
    void PlayToGameOver(int64_t score) {
        Frame(INPUT_START);
        ASSERT_EQ(game->gameMode, MODE_PLAY);
        game->score = score;
        game->lives = 0;
        game->playerState = PLAYER_OUT;
        for (int i = 0; i < 400 && game->gameMode == MODE_PLAY; ++i) {
            Frame();
            if (game->gameMode == MODE_PLAY) {
                EXPECT_TRUE(DrawnText("          GAME OVER           ", 450));
            }
        }
        ASSERT_EQ(game->gameMode, MODE_GAME_OVER);
    }

    velkar_test::OwnGame game;
    Painter painter;
};

} // namespace

TEST_F(GameOverEntry, AttractScreensDrawTheirTextsOnlyInsideTheirFrameWindows) {
    for (int32_t frame = 0; frame <= 340; ++frame) {
        Frame();
        const bool shown = DrawnText("            VELKAR            ", 420);
        EXPECT_EQ(shown, frame > 20 && frame < 340) << frame;
        EXPECT_TRUE(DrawnText("      1UP        HI-SCORE     ", 320));
    }
}

TEST_F(GameOverEntry, ANamedEntryGoesToItsPlaceBlinksAndIsSaved) {
    Game& g = *game;
    g.gameRank = 1;
    PlayToGameOver(50'001);
    EXPECT_EQ(g.rankingPlace, 6);
    EXPECT_EQ(g.ranking[1][6].score, 50'001);
    EXPECT_STREQ(g.ranking[1][6].name, "A SHOOTER");
    EXPECT_EQ(g.ranking[0][6].score, 50'000);

    // The entry line blinks from the first game-over frame on; the prompt waits for frame 81.
    const std::string entryLine = " 7  1          50001 A SHOOTER";
    int requestFrame = -1;
    for (int i = 1; i < 70 + 5 && requestFrame < 0; ++i) {
        Frame();
        const bool on = (g.modeFrame - 1) % 30 < 15;
        EXPECT_EQ(DrawnText(entryLine, 410 + 12 * 6), on) << i;
        EXPECT_FALSE(DrawnText("     PUSH F1 KEY TO START     ", 570));
        if (NameEntryRequested != 0) requestFrame = i;
    }
    EXPECT_EQ(requestFrame, 70);
    // The dialog answers a few frames later with a name of exactly nine characters.
    Frame();
    Frame();
    std::snprintf(NameBuffer, sizeof NameBuffer, "%s", "NINECHARS");
    NameEntryDone.store(1, std::memory_order_release);
    Frame();
    EXPECT_STREQ(g.ranking[1][6].name, "NINECHARS");
    EXPECT_EQ(NameEntryRequested, 0);

    velkar::testing::TempDir dir;
    const std::string path = dir.File("VELKAR.ini");
    std::snprintf(SettingsPath, sizeof SettingsPath, "%s", path.c_str());
    ASSERT_EQ(WriteSettings(), 0);
    char text[32];
    SettingsFileReadString("RankHard", "NAME_7", "", text, sizeof text, path.c_str());
    EXPECT_STREQ(text, "NINECHARS");
    SettingsFileReadString("RankNormal", "NAME_7", "", text, sizeof text, path.c_str());
    EXPECT_STREQ(text, "NO PLAYER");
    EXPECT_EQ(ReadIniInt64("RankHard", "SCORE_7", -1, path.c_str()), 50'001);
    EXPECT_EQ(ReadIniInt64("RankHard", "SCORE_10", -1, path.c_str()), 30'000);
}

TEST_F(GameOverEntry, AScoreThatMissesTheTableAsksForNoName) {
    PlayToGameOver(20'000);
    EXPECT_EQ(game->rankingPlace, -1);
    for (int i = 0; i < 100; ++i) {
        Frame();
        EXPECT_EQ(NameEntryRequested, 0);
    }
    EXPECT_TRUE(DrawnText("10  1          20000 NO PLAYER", 518));
}

TEST_F(GameOverEntry, QuitHeldWithContinueQuitsAndTheNextFinishedGameAsksForItsName) {
    Game& g = *game;
    Frame(INPUT_START);
    g.score = 70'003;
    g.lives = 0;
    g.playerState = PLAYER_OUT;
    for (int i = 0; i < 20; ++i)
        Frame();
    ASSERT_EQ(g.endSequence, 1);
    // Start and quit together in the countdown: quit wins, nothing is continued and no quit
    // request is left behind.
    Frame(INPUT_START | INPUT_END);
    EXPECT_EQ(g.gameMode, MODE_TITLE);
    EXPECT_EQ(g.quitRequested, 0);
    EXPECT_EQ(g.continueCount, 0);
    for (const RankingEntry& entry : g.ranking[0])
        EXPECT_NE(entry.score, 70'003); // the quit game entered nothing

    // The next game that ends goes to the ranking with its score and asks for a name.
    if (g.gameMode == MODE_TITLE) Frame(INPUT_START);
    ASSERT_EQ(g.gameMode, MODE_PLAY);
    g.score = 70'003;
    g.lives = 0;
    g.playerState = PLAYER_OUT;
    for (int i = 0; i < 400 && g.gameMode == MODE_PLAY; ++i)
        Frame();
    ASSERT_EQ(g.gameMode, MODE_GAME_OVER);
    EXPECT_GE(g.rankingPlace, 0);
    EXPECT_EQ(g.ranking[0][g.rankingPlace].score, 70'003);
    for (int i = 0; i < 80 && NameEntryRequested == 0; ++i)
        Frame();
    EXPECT_EQ(NameEntryRequested, 1);
}
