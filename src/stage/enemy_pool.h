// The enemy pool: 100 slots shared by enemies, items, banners and score popups.
#pragma once

#include <cstdint>

namespace velkar {

extern int32_t EnemyCount;

int32_t InitEnemyPool(); // 0, or -1
void UpdateEnemies();
void DrawEnemies();
void DrawEnemyExtras();

} // namespace velkar
