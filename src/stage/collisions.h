// Every collision of the rules in one place: the player's shots, laser and bomb against the
// enemies, and the ship against enemies, their bullets and the items it picks up.
#pragma once

#include <cstdint>

#include "player/player.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_pool.h"

namespace velkar {

// The ship's core, the square that enemies and bullets hit: 14 to 18 pixels from its corner.
constexpr int32_t SHIP_CORE_NEAR = 14 << 8;
constexpr int32_t SHIP_CORE_FAR = 18 << 8;

// An enemy's box meets the ship's core.
inline bool EnemyTouchesShip(const EnemySlot& slot) {
    return TheGame().playerX + SHIP_CORE_FAR >= slot.x + slot.boxLeft &&
           TheGame().playerX + SHIP_CORE_NEAR <= slot.x + slot.boxRight &&
           TheGame().playerY + SHIP_CORE_FAR >= slot.y + slot.boxTop &&
           TheGame().playerY + SHIP_CORE_NEAR <= slot.y + slot.boxBottom;
}

// An enemy bullet's box meets the ship's core.
inline bool BulletTouchesShip(const EnemyShot& shot) {
    return shot.x <= TheGame().playerX + SHIP_CORE_FAR &&
           shot.x + shot.boxWidth >= TheGame().playerX + SHIP_CORE_NEAR &&
           shot.y <= TheGame().playerY + SHIP_CORE_FAR &&
           shot.y + shot.boxHeight >= TheGame().playerY + SHIP_CORE_NEAR;
}

// An item's box meets the ship's pick-up box: 0 to 31 pixels across, 15 to 31 pixels down.
inline bool ItemTouchesShip(const EnemySlot& item) {
    return TheGame().playerX + (31 << 8) >= item.x + item.boxLeft &&
           TheGame().playerX <= item.x + item.boxRight &&
           TheGame().playerY + (31 << 8) >= item.y + item.boxTop &&
           TheGame().playerY + (15 << 8) <= item.y + item.boxBottom;
}

// The ship: a hit taken (a life lost, its power items dropped), then its movement or explosion.
void UpdateShip();
// The player's shots hit the enemies they overlap and fly on or leave; then the laser strikes
// the nearest enemy in its beam.
void UpdateShots();
// The bomb's blast moves on and, while it lasts, damages every enemy on the field.
void UpdateBomb();

} // namespace velkar
