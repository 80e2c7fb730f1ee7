// The game record's values at start-up.
#include "record/record.h"

namespace velkar {

int32_t GameMode = MODE_TITLE;
int32_t ModeFrame = 0;
int64_t Score = 0;
int32_t Lives = 0;
int32_t Bombs = 0;
int32_t StageNumber = 0;
int32_t StageLevel = 0;
int32_t ContinueCount = 0;
int32_t GameRank = 0;
int32_t DemoStage = 0;
int32_t RankingPlace = -1;
int32_t ShotPower = 0;

int32_t EndSequence = 0;
int32_t EndCountdown = 0;
int32_t QuitRequested = 0;
int32_t StageCleared = 0;
int32_t GameOverFrame = 0;

int32_t ViewX = 120;
int32_t ViewY = 320;

} // namespace velkar
