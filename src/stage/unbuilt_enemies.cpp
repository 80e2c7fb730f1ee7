// Placeholder definitions until the enemy pool and enemy fire land; delete when they do.
#include "stage/enemy_fire.h"
#include "stage/enemy_pool.h"

namespace velkar {
int32_t EnemyCount = 0;
int32_t InitEnemyPool() { return 0; }
void UpdateEnemies() {}
void DrawEnemies() {}
void DrawEnemyExtras() {}
int32_t EnemyShotCount = 0;
int32_t InitEnemyShots() { return 0; }
void ResetEnemyShots() {}
void UpdateEnemyShots() {}
void DrawEnemyShots() {}
} // namespace velkar
