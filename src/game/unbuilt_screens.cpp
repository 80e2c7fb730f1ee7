// Placeholder definitions until the screens, HUD and hi-score tables land; delete when they do.
#include "game/ranking.h"
#include "game/screens.h"

namespace velkar {
void FormatHud() {}
void DrawHud() {}
void DrawTitleScreen() {}
void DrawKeyAssignScreen() {}
void DrawRanking(int32_t, int32_t) {}
void DrawDemoTexts() {}
void DrawGameOver() {}
void DefaultRanking(int32_t) {}
int32_t InsertRanking() { return -1; }
void SetRankingName(int32_t, const char*) {}
} // namespace velkar
