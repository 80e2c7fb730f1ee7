// The enemy pool: 100 slots shared by enemies, items, banners and score popups.
#pragma once

#include <cstdint>

#include "gfx/sprite.h"

namespace velkar {

constexpr int32_t ENEMY_SLOT_COUNT = 100;

struct EnemySlot;
using EnemyRoutine = void (*)(EnemySlot* slot);

// One entry of the pool. Positions are the top-left corner in 1/256 canvas pixel, sizes whole
// pixels, the hit box offsets from (x, y) in 1/256 pixel.
struct EnemySlot {
    int32_t state;     // 0: free; otherwise the type's own phase, frame count or countdown
    int32_t flags;     // bit 0: drawn with the flash picture this frame
    int32_t hitPoints; // never below 0; 0 means destroyed for an enemy
    int32_t hit;       // set to 1 by any damage; the type's update turns it into the flash bit
    int32_t solid;     // 1: touches the ship's body and may fire
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t boxLeft;
    int32_t boxTop;
    int32_t boxRight;
    int32_t boxBottom;
    EnemyRoutine update;    // called once per frame while the slot is in use
    EnemyRoutine drawExtra; // second draw pass; a slot with one is skipped by the sprite pass
    const Sprite* sprite;   // drawn by the sprite pass, or nullptr
    // Four type-specific words (counters, velocities, death timer, item kind, popup points).
    int32_t word1;
    int32_t word2;
    int32_t word3;
    int32_t word4;
};

extern EnemySlot* EnemyPool; // ENEMY_SLOT_COUNT slots, allocated by InitEnemyPool
extern int32_t EnemyCount;   // slots taken by spawns and not yet given back, 0..100

int32_t InitEnemyPool(); // 0, or -1
// Marks every slot free and zeroes it; EnemyCount = 0.
void ClearEnemyPool();
// The first free slot, cleared to zeros, or nullptr when all are in use. The caller fills it,
// sets a non-zero state and then increments EnemyCount.
EnemySlot* EnemyAlloc();
// Gives a slot back: EnemyCount -= 1, state = 0.
void EnemyFree(EnemySlot* slot);
// 1 while any slot has a non-zero state, else 0.
int32_t AnyEnemyInUse();

// Body collision against the ship's core, then every used slot's update, in index order.
void UpdateEnemies();
// Sprite pass over the used slots without a drawExtra routine.
void DrawEnemies();
// Second pass over the used slots with a drawExtra routine.
void DrawEnemyExtras();

// A number that floats for 100 frames at the centre of the destroyed enemy.
void SpawnScorePopup(const EnemySlot* enemy, int32_t points);

} // namespace velkar
