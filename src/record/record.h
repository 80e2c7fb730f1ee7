// The game record: score, lives, bombs, stage, rank, continues and the view, which every part of
// the rules reads and writes.
#pragma once

#include <cstdint>

namespace velkar {

// Game modes.
enum : int32_t {
    MODE_TITLE = 0,
    MODE_KEY_ASSIGN = 1,
    MODE_RANKING = 2,
    MODE_DEMO = 3,
    MODE_PLAY = 4,
    MODE_GAME_OVER = 5,
};

constexpr int64_t SCORE_MAX = 99'999'999'999'999LL;

extern int32_t GameMode;
extern int32_t ModeFrame;
extern int64_t Score;
extern int32_t Lives;
extern int32_t Bombs;
extern int32_t StageNumber;
extern int32_t StageLevel;
extern int32_t ContinueCount;
extern int32_t GameRank; // 0 Normal, 1 Hard
extern int32_t DemoStage;
extern int32_t RankingPlace;
extern int32_t ShotPower;

// Frame sequence state.
extern int32_t EndSequence;
extern int32_t EndCountdown;
extern int32_t QuitRequested;
extern int32_t StageCleared;
extern int32_t GameOverFrame;

// The visible window of the playfield, in canvas pixels.
extern int32_t ViewX;
extern int32_t ViewY;
constexpr int32_t ViewWidth = 240;
constexpr int32_t ViewHeight = 320;

} // namespace velkar
