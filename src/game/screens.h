// Screen texts and the head-up display.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gfx/canvas.h"

namespace velkar {

// shownFrame is the ModeFrame of the frame drawn: the blinking and the stage progress follow it.
struct HudLines;
void FormatHud(int32_t shownFrame, HudLines& lines);
void DrawHud(Painter& painter, const HudLines& lines);
void DrawTitleScreen(Painter& painter, int32_t shownFrame);
void DrawKeyAssignScreen(Painter& painter, int32_t shownFrame);
void DrawRanking(Painter& painter, int32_t shownFrame, int32_t highlightPlace, int32_t showPrompt);
void DrawDemoTexts(Painter& painter, int32_t shownFrame);
void DrawGameOver(Painter& painter);

// One line of text from the view's left edge; every screen text goes through it. It goes to the
// painter's textRecorder instead when one is set.
void DrawScreenText(Painter& painter, int32_t y, const char* text);

// The three HUD lines of 30 characters (rows 320, 328 and 631): the fixed top line, and the
// score and status lines a frame's picture formats from the game (FormatHud fills their fields
// and leaves the rest as they start).
constexpr int32_t HUD_COLUMNS = 30;
extern const char HudTopLine[HUD_COLUMNS + 1];
struct HudLines {
    char score[HUD_COLUMNS + 1] = "                              ";
    char status[HUD_COLUMNS + 1] = " 1P:0 B:0    000000 ST:00 000.";
};

// The ranking screen's line for place 0..9 of the current rank's table.
void FormatRankingLine(char* out, size_t size, int32_t place);

} // namespace velkar
