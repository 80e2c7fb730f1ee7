// Screen texts and the head-up display.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velkar {

// shownFrame is the ModeFrame of the frame drawn: the blinking and the stage progress follow it.
void FormatHud(int32_t shownFrame);
void DrawHud();
void DrawTitleScreen(int32_t shownFrame);
void DrawKeyAssignScreen(int32_t shownFrame);
void DrawRanking(int32_t shownFrame, int32_t highlightPlace, int32_t showPrompt);
void DrawDemoTexts(int32_t shownFrame);
void DrawGameOver();

// One line of text from the view's left edge.
void DrawScreenText(int32_t y, const char* text);
// Every screen text goes through this routine: DrawScreenText, unless a test records the lines.
using ScreenTextFn = void (*)(int32_t y, const char* text);
extern ScreenTextFn ScreenTextDrawer;

// The three HUD lines of 30 characters, as FormatHud leaves them (rows 320, 328 and 631).
constexpr int32_t HUD_COLUMNS = 30;
extern const char HudTopLine[HUD_COLUMNS + 1];
extern char HudScoreLine[HUD_COLUMNS + 1];
extern char HudStatusLine[HUD_COLUMNS + 1];

// The ranking screen's line for place 0..9 of the current rank's table.
void FormatRankingLine(char* out, size_t size, int32_t place);

} // namespace velkar
