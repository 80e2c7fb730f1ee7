// The head-up display: the score line and the status line, formatted for every frame's picture.
#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "game/game_record.h"
#include "game/ranking.h"
#include "game/screens.h"
#include "player/player.h"
#include "stage/stage_script.h"

namespace velkar {

const char HudTopLine[HUD_COLUMNS + 1] = "      1UP        HI-SCORE     ";

namespace {

// Puts the first width characters of text at column of line; a shorter text leaves spaces.
void PutField(char* line, int32_t column, int32_t width, const char* text) {
    bool ended = false;
    for (int32_t i = 0; i < width; ++i) {
        if (!ended && text[i] == '\0') ended = true; // never read past the terminator
        line[column + i] = ended ? ' ' : text[i];
    }
}

void BlankField(char* line, int32_t column, int32_t width) {
    PutField(line, column, width, "");
}

} // namespace

void FormatHud(int32_t shownFrame, HudLines& lines) {
    Game& g = TheGame();
    char text[48];
    std::snprintf(text, sizeof text, "%14" PRId64, g.score);
    PutField(lines.score, 0, 14, text);
    lines.score[14] = ' ';
    std::snprintf(text, sizeof text, "%14" PRId64, CurrentRanking()[0].score);
    PutField(lines.score, 15, 14, text);
    lines.score[29] = ' ';

    const bool attract =
        g.gameMode == MODE_TITLE || g.gameMode == MODE_KEY_ASSIGN || g.gameMode == MODE_RANKING;
    if (!attract && g.playerState != PLAYER_OUT) {
        std::snprintf(text, sizeof text, "1P:%d B:%d", static_cast<int>(std::max(g.lives, 0)),
                      static_cast<int>(g.bombs));
        PutField(lines.status, 1, 8, text);
        std::snprintf(text, sizeof text, "ST:%2d", static_cast<int>(g.stageNumber));
        PutField(lines.status, 20, 5, text);
        std::snprintf(text, sizeof text, "%3d%%", static_cast<int>(StageProgress(shownFrame)));
        PutField(lines.status, 26, 4, text);
    } else {
        BlankField(lines.status, 1, 8);
        BlankField(lines.status, 20, 5);
        BlankField(lines.status, 26, 4);
    }
    BlankField(lines.status, 13, 6);
}

void DrawHud(Painter& painter, const HudLines& lines) {
    DrawScreenText(painter, 320, HudTopLine);
    DrawScreenText(painter, 328, lines.score);
    DrawScreenText(painter, 631, lines.status);
}

} // namespace velkar
