// Placeholder definitions until the enemy pool and enemy fire land; delete when they do.
#include "stage/enemy_fire.h"
#include "stage/enemy_pool.h"

namespace velkar {
EnemySlot* EnemyPool = nullptr;
int32_t EnemyCount = 0;
int32_t InitEnemyPool() {
    return 0;
}
void ClearEnemyPool() {}
EnemySlot* EnemyAlloc() {
    return nullptr;
}
void EnemyFree(EnemySlot*) {}
int32_t AnyEnemyInUse() {
    return 0;
}
void UpdateEnemies() {}
void DrawEnemies() {}
void DrawEnemyExtras() {}
void SpawnScorePopup(const EnemySlot*, int32_t) {}
EnemyShot* EnemyShotPool = nullptr;
int32_t EnemyShotCount = 0;
EnemyShotType ShotTypeTable[6] = {};
int32_t InitEnemyShots() {
    return 0;
}
void ResetEnemyShots() {}
void UpdateEnemyShots() {}
void DrawEnemyShots() {}
int32_t ShotSpeed(int32_t) {
    return 0;
}
void SpawnEnemyShot(int32_t, int32_t, int32_t, int32_t, int32_t) {}
void FireAtAngle(int32_t, int32_t, int32_t, int32_t) {}
int32_t AimAngle(int32_t, int32_t, int32_t) {
    return 0;
}
void FireAimed(int32_t, int32_t) {}
void FireAimedJitter(int32_t, int32_t, int32_t, int32_t) {}
void FireRing(int32_t, int32_t, int32_t) {}
void FireSpread(int32_t, int32_t, int32_t, int32_t, int32_t) {}
void FireRandom(int32_t, int32_t) {}
void FireDown(int32_t, int32_t) {}
} // namespace velkar
