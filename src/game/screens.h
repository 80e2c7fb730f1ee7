// Screen texts and the head-up display.
#pragma once

#include <cstdint>

namespace velkar {

void FormatHud();
void DrawHud();
void DrawTitleScreen();
void DrawKeyAssignScreen();
void DrawRanking(int32_t highlightPlace, int32_t showPrompt);
void DrawDemoTexts();
void DrawGameOver();

} // namespace velkar
