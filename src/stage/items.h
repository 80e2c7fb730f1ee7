// Items: bombs, power-ups and lives, placed by the stage script or scattered by a lost ship.
#pragma once

#include <cstdint>

#include "stage/enemy_pool.h"

namespace velkar {

enum : int32_t {
    ITEM_BOMB = 1,
    ITEM_POWER = 2,
    ITEM_LIFE = 3,
};

// An item of the given kind centred on (x, y) (1/256 canvas pixel) that flies up and outward
// for a while and then sinks; it takes five hits from the player's shots.
void SpawnDroppedItem(int32_t kind, int32_t x, int32_t y);

// Opcode routine: reads x, y, kind at the script cursor.
void SpawnItem();
void UpdateItem(EnemySlot* item);

} // namespace velkar
