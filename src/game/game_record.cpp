// The game record and its resets: start-up initialisation, a new game, the player's return.
#include "game/game_record.h"

#include "game/ranking.h"
#include "gfx/canvas.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_pool.h"
#include "stage/enemy_sprites.h"
#include "stage/stage_script.h"

namespace velkar {

std::atomic<int32_t> NameEntryRequested{0};
std::atomic<int32_t> NameEntryPosted{0};
std::atomic<int32_t> NameEntryDone{0};
char NameBuffer[11] = {};

int32_t InitGame() {
    BuildSinCosTable();
    if (MakeGlyphs() != 0) return -1;
    if (MakePlayerSprites() != 0) return -1;
    if (InitWeapons() != 0) return -1;
    if (MakeBombSprites() != 0) return -1;
    if (MakeBlockSprites() != 0) return -1;
    if (MakeLargeEnemySprites() != 0) return -1;
    if (MakeSmallEnemySprites() != 0) return -1;
    if (MakeItemSprites() != 0) return -1;
    if (InitEnemyPool() != 0) return -1;
    if (InitEnemyShots() != 0) return -1;
    if (InitParticles() != 0) return -1;
    SeedStars();

    ResetPlayer();
    ResetWeapons();
    Score = 0;
    DefaultRanking(0);
    DefaultRanking(1);
    GameRank = 0;
    GameMode = MODE_TITLE;
    ContinueCount = 0;
    DemoStage = 0;
    RankingPlace = -1;
    NameEntryRequested = 0;
    NameEntryPosted = 0;
    NameEntryDone = 0;
    NameBuffer[0] = '\0';
    return 0;
}

void ResetGame() {
    ViewX = 120;
    ViewY = 320;
    Score = 0;
    Lives = 3;
    StageLevel = 1;
    StageNumber = 1;
    ResetPlayer();
    ResetWeapons();
    ResetEnemyShots();
    ResetParticles();
    SeedStars();
    StageScriptReset();
    EndSequence = 0;
    EndCountdown = 0;
    StageCleared = 0;
    QuitRequested = 0;
}

} // namespace velkar
