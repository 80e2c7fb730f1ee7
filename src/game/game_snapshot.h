// A snapshot of one game: a copy of everything that decides its next frames and its pictures.
#pragma once

#include <cstdint>

#include "game/ranking.h"
#include "gfx/sprite.h"
#include "player/effects.h"
#include "player/weapons.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_pool.h"

namespace velkar {

// The game's state today lives in the rooms' records; this is the one list of it: the game
// record, the random generator, the hi-score tables in play, the ship, the weapons and their
// shot pool, the stars and particles, the enemies, the enemy bullets and the stage script's
// cursor. A snapshot is a plain value (copy it, keep it): restoring it puts the game back to
// that frame, and the frames that follow are those that followed it. Assets (sprites, tables,
// the script), the canvases and the host's state (settings, controls, the name entry hand-off,
// sound, the replay recorder and player) are not part of it.
struct GameSnapshot {
    // The game record.
    int32_t gameMode, modeFrame;
    int64_t score;
    int32_t lives, bombs, stageNumber, stageLevel, continueCount, gameRank, demoStage;
    int32_t rankingPlace, shotPower, endSequence, endCountdown, quitRequested, stageCleared;
    int32_t gameOverFrame, viewX, viewY, blinkPhase;
    uint32_t randomSeed;
    RankingEntry ranking[2][RANKING_PLACES];
    // The ship.
    int32_t playerX, playerY, playerState, hitFlag, invulnerable, explodeFrames, respawnWait;
    int32_t pickupGlow, shotCooldown, demoFireCount;
    const Sprite* shipPicture;
    // The weapons.
    int32_t shotCount, laserLength, laserTop, laserHit, laserPhase, laserToggle;
    int32_t bombActive, bombX, bombY, bombStage, bombTimer, bombPicture;
    ShotPoolCopy shots;
    // Stars and particles.
    Star stars[STAR_MAX];
    int32_t starCount;
    Particle particles[PARTICLE_MAX];
    int32_t particleCount;
    // Enemies, their bullets and the stage script.
    EnemySlot enemies[ENEMY_SLOT_COUNT];
    int32_t enemyCount;
    EnemyShot enemyShots[ENEMY_SHOT_POOL_SIZE];
    EnemyShotMarks enemyShotMarks;
    int32_t enemyShotCount;
    int32_t scriptCursor, scriptWait, waitForClear, stageLength;
};

// Between frames, after InitGame: copies the game into out, or puts a copy back.
void TakeSnapshot(GameSnapshot& out);
void RestoreSnapshot(const GameSnapshot& in);

} // namespace velkar
