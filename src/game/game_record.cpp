// The game record and its resets: start-up initialisation, a new game, the player's return.
#include "game/game_record.h"

#include "game/ranking.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_pool.h"
#include "stage/stage_script.h"

namespace velkar {

int32_t InitGame() {
    Game& g = TheGame();
    if (InitWeapons() != 0) return -1;
    if (InitEnemyPool() != 0) return -1;
    if (InitEnemyShots() != 0) return -1;
    if (InitParticles() != 0) return -1;
    SeedStars();

    ResetPlayer();
    ResetWeapons();
    g.score = 0;
    DefaultRanking(0);
    DefaultRanking(1);
    g.gameRank = 0;
    g.gameMode = MODE_TITLE;
    g.continueCount = 0;
    g.demoStage = 0;
    g.rankingPlace = -1;
    NameEntryRequested = 0;
    NameEntryPosted = 0;
    NameEntryDone = 0;
    NameBuffer[0] = '\0';
    return 0;
}

void ResetGame() {
    Game& g = TheGame();
    g.viewX = 120;
    g.viewY = 320;
    g.score = 0;
    g.lives = 3;
    g.stageLevel = 1;
    g.stageNumber = 1;
    ResetPlayer();
    ResetWeapons();
    ResetEnemyShots();
    ResetParticles();
    SeedStars();
    StageScriptReset();
    g.endSequence = 0;
    g.endCountdown = 0;
    g.stageCleared = 0;
    g.quitRequested = 0;
}

} // namespace velkar
