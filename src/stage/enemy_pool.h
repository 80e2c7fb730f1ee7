// The enemy pool: 100 slots shared by enemies, items, banners and score popups.
#pragma once

#include <cstdint>

#include "record/record.h"

#include "gfx/canvas.h"
#include "gfx/sprite.h"

namespace velkar {

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
void DrawEnemies(Painter& painter);
// Second pass over the used slots with a drawExtra routine.
void DrawEnemyExtras(Painter& painter);

// A number that floats for 100 frames at the centre of the destroyed enemy.
void SpawnScorePopup(const EnemySlot* enemy, int32_t points);

} // namespace velkar
