// Enemy fire: the 300-bullet pool and the firing patterns.
#pragma once

#include <cstdint>

namespace velkar {

extern int32_t EnemyShotCount;

int32_t InitEnemyShots(); // pool and bullet sprites; 0 or -1
void ResetEnemyShots();
void UpdateEnemyShots();
void DrawEnemyShots();

} // namespace velkar
