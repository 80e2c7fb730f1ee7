// Placeholder definitions until the stage script and enemy types land; delete when they do.
#include "stage/enemy_sprites.h"
#include "stage/items.h"
#include "stage/stage_script.h"

namespace velkar {
void StageScriptReset() {}
void StageScriptStep() {}
int32_t StageProgress(int32_t) {
    return 0;
}
int32_t MakeBlockSprites() {
    return 0;
}
int32_t MakeLargeEnemySprites() {
    return 0;
}
int32_t MakeSmallEnemySprites() {
    return 0;
}
int32_t MakeItemSprites() {
    return 0;
}
void SpawnDroppedItem(int32_t, int32_t, int32_t) {}
void SpawnItem() {}
void UpdateItem(EnemySlot*) {}
} // namespace velkar
