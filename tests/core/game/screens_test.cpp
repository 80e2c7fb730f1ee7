// The HUD lines and the screen texts: exact characters, rows and blinking.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/own_game.h"
#include "game/game_record.h"
#include "game/ranking.h"
#include "game/screens.h"
#include "gfx/canvas.h"
#include "player/player.h"

using namespace velkar;

namespace {

std::vector<std::pair<int32_t, std::string>> Drawn;

void Record(int32_t y, const char* text) {
    Drawn.emplace_back(y, text);
}

using Lines = std::vector<std::pair<int32_t, std::string>>;

const std::string PROMPT = "     PUSH F1 KEY TO START     ";
const std::string TITLE = "            VELKAR            ";
const std::string NORMAL = "        RANK : NORMAL         ";
const std::string HARD = "         RANK : HARD          ";

// A new game with the default tables, in play on the Normal rank with its ship in play, drawn
// by a painter of its own whose lines of text the test reads.
class Screens : public ::testing::Test {
  protected:
    HudLines hud;
    void SetUp() override {
        ASSERT_EQ(CreateCanvases(painter), 0);
        painter.textRecorder = Record;
        Drawn.clear();
        DefaultRanking(0);
        DefaultRanking(1);
        game->gameMode = MODE_PLAY;
        game->lives = 3;
        game->bombs = 3;
        game->stageNumber = 1;
        game->playerState = PLAYER_VULNERABLE;
    }
    // The lines one draw routine sends, at the given ModeFrame.
    Lines DrawnAt(int32_t frame, void (*draw)(Painter&, int32_t)) {
        Drawn.clear();
        draw(painter, frame);
        return Drawn;
    }

    velkar_test::OwnGame game;
    Painter painter;
};

} // namespace

TEST_F(Screens, ScoreLineHoldsScoreAndTopScoreOfTheCurrentRankIn14Columns) {
    Game& g = *game;
    g.score = 1234;
    FormatHud(g.modeFrame, hud);
    EXPECT_STREQ(hud.score, "          1234         110000 ");
    g.score = 123'456'789'012'345'678LL; // 18 digits: the first 14 show
    g.gameRank = 1;
    g.ranking[1][0].score = 98'765'432'109'876LL;
    FormatHud(g.modeFrame, hud);
    EXPECT_STREQ(hud.score, "12345678901234 98765432109876 ");
    EXPECT_STREQ(HudTopLine, "      1UP        HI-SCORE     ");
}

TEST_F(Screens, StatusLineShowsLivesBombsStageAndProgressWhileTheShipIsInPlay) {
    Game& g = *game;
    g.stageNumber = 5;
    FormatHud(g.modeFrame, hud);
    EXPECT_STREQ(hud.status, " 1P:3 B:3           ST: 5   0%");
    g.lives = 12; // ten lives or more push the bombs count out of the field
    g.bombs = 2;
    g.stageNumber = 42;
    FormatHud(g.modeFrame, hud);
    EXPECT_STREQ(hud.status, " 1P:12 B:           ST:42   0%");
    g.lives = -1;
    g.gameMode = MODE_DEMO;
    FormatHud(g.modeFrame, hud);
    EXPECT_STREQ(hud.status, " 1P:0 B:2           ST:42   0%");
}

TEST_F(Screens, StatusFieldsAreBlankOnAttractScreensAndWithTheShipOut) {
    Game& g = *game;
    for (int32_t mode : {MODE_TITLE, MODE_KEY_ASSIGN, MODE_RANKING}) {
        g.gameMode = mode;
        FormatHud(g.modeFrame, hud);
        EXPECT_STREQ(hud.status, "                              ") << mode;
    }
    g.gameMode = MODE_PLAY;
    FormatHud(g.modeFrame, hud);
    g.playerState = PLAYER_OUT;
    FormatHud(g.modeFrame, hud);
    EXPECT_STREQ(hud.status, "                              ");
    g.gameMode = MODE_GAME_OVER;
    FormatHud(g.modeFrame, hud);
    EXPECT_STREQ(hud.status, "                              ");

    Drawn.clear();
    DrawHud(painter, hud);
    EXPECT_EQ(Drawn, (Lines{{320, "      1UP        HI-SCORE     "},
                            {328, hud.score},
                            {631, "                              "}}));
}

TEST_F(Screens, TitleShowsTheRankAndAPromptBlinkingFifteenFramesOnFifteenOff) {
    EXPECT_EQ(DrawnAt(0, DrawTitleScreen), (Lines{{420, TITLE}, {600, NORMAL}, {570, PROMPT}}));
    EXPECT_EQ(DrawnAt(14, DrawTitleScreen).size(), 3u);
    EXPECT_EQ(DrawnAt(15, DrawTitleScreen), (Lines{{420, TITLE}, {600, NORMAL}}));
    EXPECT_EQ(DrawnAt(29, DrawTitleScreen).size(), 2u);
    EXPECT_EQ(DrawnAt(30, DrawTitleScreen).size(), 3u);
    game->gameRank = 1;
    EXPECT_EQ(DrawnAt(15, DrawTitleScreen), (Lines{{420, TITLE}, {600, HARD}}));
}

TEST_F(Screens, KeyAssignListRunsFromRow360InStepsOf12) {
    const Lines lines = DrawnAt(0, DrawKeyAssignScreen);
    const std::vector<std::string> texts = {"           KEY ASSIGN         ",
                                            "  1P",
                                            "   8 OR UP-ARROW    ... UP",
                                            "   2 OR DOWN-ARROW  ... DOWN",
                                            "   4 OR LEFT-ARROW  ... LEFT",
                                            "   6 OR RIGHT-ARROW ... RIGHT",
                                            "",
                                            "   Z OR CTRL  ... RAPID SHOT",
                                            "   X OR SHIFT ... LASER/SLOW",
                                            "   C OR SPACE ... BOMB",
                                            "",
                                            "   F1    ... START/CONTINUE",
                                            "   F2       ... END",
                                            "   P OR F12 ... PAUSE",
                                            "",
                                            "                AND JOY-STICK"};
    ASSERT_EQ(lines.size(), texts.size() + 1);
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(lines[i], std::make_pair(360 + 12 * static_cast<int32_t>(i), texts[i]));
    }
    EXPECT_EQ(lines.back(), std::make_pair(570, PROMPT));
    EXPECT_EQ(DrawnAt(45, DrawKeyAssignScreen).size(), texts.size());
}

TEST_F(Screens, RankingShowsHeaderRankAndTenFormattedPlaces) {
    Game& g = *game;
    g.modeFrame = 0;
    Drawn.clear();
    DrawRanking(painter, g.modeFrame, -1, 1);
    ASSERT_EQ(Drawn.size(), 13u);
    EXPECT_EQ(Drawn[0], std::make_pair(360, std::string("        SCORE RANKING         ")));
    EXPECT_EQ(Drawn[1], std::make_pair(390, NORMAL));
    EXPECT_EQ(Drawn[2], std::make_pair(410, std::string(" 1  3         110000 NO PLAYER")));
    EXPECT_EQ(Drawn[11], std::make_pair(518, std::string("10  1          20000 NO PLAYER")));
    EXPECT_EQ(Drawn[12], std::make_pair(570, PROMPT));

    // With nothing highlighted no place blinks, and the prompt can be left out.
    g.modeFrame = 20;
    Drawn.clear();
    DrawRanking(painter, g.modeFrame, -1, 0);
    EXPECT_EQ(Drawn.size(), 12u);
}

TEST_F(Screens, AHighlightedPlaceBlinksWithTheNewEntry) {
    Game& g = *game;
    g.score = 20'000'000'000LL;
    g.stageNumber = 12;
    ASSERT_EQ(InsertRanking(), 0);
    SetRankingName(0, "ACE");
    g.modeFrame = 3;
    Drawn.clear();
    DrawRanking(painter, g.modeFrame, 0, 0);
    ASSERT_EQ(Drawn.size(), 12u);
    EXPECT_EQ(Drawn[2], std::make_pair(410, std::string(" 1 12    20000000000 ACE")));
    g.modeFrame = 18;
    Drawn.clear();
    DrawRanking(painter, g.modeFrame, 0, 1);
    ASSERT_EQ(Drawn.size(), 11u); // place 0 and the prompt are in their off phase
    EXPECT_EQ(Drawn[2], std::make_pair(422, std::string(" 2  3         110000 NO PLAYER")));
}

TEST_F(Screens, DemonstrationAndGameOverTexts) {
    EXPECT_EQ(DrawnAt(1, DrawDemoTexts),
              (Lines{{400, TITLE}, {420, "      DEMONSTRATION PLAY      "}, {570, PROMPT}}));
    EXPECT_EQ(DrawnAt(16, DrawDemoTexts).size(), 2u);
    EXPECT_EQ(DrawnAt(16, [](Painter& p, int32_t) { DrawGameOver(p); }),
              (Lines{{450, "          GAME OVER           "}}));
}
