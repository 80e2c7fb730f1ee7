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
    TheGame().score = 0;
    DefaultRanking(0);
    DefaultRanking(1);
    TheGame().gameRank = 0;
    TheGame().gameMode = MODE_TITLE;
    TheGame().continueCount = 0;
    TheGame().demoStage = 0;
    TheGame().rankingPlace = -1;
    NameEntryRequested = 0;
    NameEntryPosted = 0;
    NameEntryDone = 0;
    NameBuffer[0] = '\0';
    return 0;
}

void ResetGame() {
    TheGame().viewX = 120;
    TheGame().viewY = 320;
    TheGame().score = 0;
    TheGame().lives = 3;
    TheGame().stageLevel = 1;
    TheGame().stageNumber = 1;
    ResetPlayer();
    ResetWeapons();
    ResetEnemyShots();
    ResetParticles();
    SeedStars();
    StageScriptReset();
    TheGame().endSequence = 0;
    TheGame().endCountdown = 0;
    TheGame().stageCleared = 0;
    TheGame().quitRequested = 0;
}

} // namespace velkar
