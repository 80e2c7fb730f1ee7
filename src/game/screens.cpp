// The title, key-assign, ranking and demonstration screens and "GAME OVER".
#include <cinttypes>
#include <cstdio>

#include "game/game_record.h"
#include "game/ranking.h"
#include "game/screens.h"
#include "gfx/canvas.h"

namespace velkar {

void DrawScreenText(Painter& painter, int32_t y, const char* text) {
    if (painter.textRecorder != nullptr) {
        painter.textRecorder(y, text);
    } else {
        DrawText(painter, TheGame().viewX, y, text);
    }
}

namespace {

// The fixed texts, each centred in the 30 columns of the view by its own spaces.
constexpr const char* START_PROMPT = "     PUSH F1 KEY TO START     ";
constexpr const char* TITLE_LINE = "            VELKAR            ";
constexpr const char* DEMO_LINE = "      DEMONSTRATION PLAY      ";
constexpr const char* GAME_OVER_LINE = "          GAME OVER           ";
constexpr const char* RANK_LINES[2] = {"        RANK : NORMAL         ",
                                       "         RANK : HARD          "};
constexpr const char* LIST_END = "*";

constexpr const char* KEY_ASSIGN_LIST[] = {
    "           KEY ASSIGN         ",
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
    "                AND JOY-STICK",
    LIST_END,
};

constexpr const char* RANKING_HEADER_LIST[] = {
    "        SCORE RANKING         ",
    LIST_END,
};

constexpr int32_t PROMPT_ROW = 570;

// The start prompt and a highlighted ranking line show for 15 frames, then hide for 15.
bool BlinkShown(int32_t shownFrame) {
    return shownFrame % 30 < 15;
}

bool IsListEnd(const char* line) {
    return line[0] == '*' && line[1] == '\0';
}

void DrawList(Painter& painter, const char* const* lines, int32_t row, int32_t step) {
    for (int32_t i = 0; !IsListEnd(lines[i]); ++i)
        DrawScreenText(painter, row + step * i, lines[i]);
}

void DrawPrompt(Painter& painter, int32_t shownFrame) {
    if (BlinkShown(shownFrame)) DrawScreenText(painter, PROMPT_ROW, START_PROMPT);
}

const char* RankLine() {
    return RANK_LINES[TheGame().gameRank == 1 ? 1 : 0];
}

} // namespace

void FormatRankingLine(char* out, size_t size, int32_t place) {
    const RankingEntry& entry = CurrentRanking()[place];
    std::snprintf(out, size, "%2d %2d %14" PRId64 " %s", static_cast<int>(place + 1),
                  static_cast<int>(entry.stage), entry.score, entry.name);
}

void DrawTitleScreen(Painter& painter, int32_t shownFrame) {
    DrawScreenText(painter, 420, TITLE_LINE);
    DrawScreenText(painter, 600, RankLine());
    DrawPrompt(painter, shownFrame);
}

void DrawKeyAssignScreen(Painter& painter, int32_t shownFrame) {
    DrawList(painter, KEY_ASSIGN_LIST, 360, 12);
    DrawPrompt(painter, shownFrame);
}

void DrawRanking(Painter& painter, int32_t shownFrame, int32_t highlightPlace, int32_t showPrompt) {
    DrawList(painter, RANKING_HEADER_LIST, 360, 11);
    DrawScreenText(painter, 390, RankLine());
    char line[96];
    for (int32_t place = 0; place < RANKING_PLACES; ++place) {
        if (place == highlightPlace && !BlinkShown(shownFrame)) continue;
        FormatRankingLine(line, sizeof line, place);
        DrawScreenText(painter, 410 + 12 * place, line);
    }
    if (showPrompt != 0) DrawPrompt(painter, shownFrame);
}

void DrawDemoTexts(Painter& painter, int32_t shownFrame) {
    DrawScreenText(painter, 400, TITLE_LINE);
    DrawScreenText(painter, 420, DEMO_LINE);
    DrawPrompt(painter, shownFrame);
}

void DrawGameOver(Painter& painter) {
    DrawScreenText(painter, 450, GAME_OVER_LINE);
}

} // namespace velkar
