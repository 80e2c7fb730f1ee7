// Collisions: the player's weapons against the enemies, and the ship's hit.
#include "stage/collisions.h"

#include <bitset>

#include "player/effects.h"
#include "player/weapons.h"
#include "record/random.h"
#include "record/record.h"
#include "stage/items.h"

namespace velkar {

namespace {

constexpr int32_t SHIP_CENTRE = 16 << 8; // from the ship's corner to its centre

// Shot collisions test every slot in use with hit points left, in slot order. The slots and
// their boxes do not move while the shots are tested, so they are listed once per frame; a slot
// that an earlier shot brings to 0 hit points is passed over by the later ones.
struct ShotTarget {
    EnemySlot* slot;
    int32_t left, top, right, bottom; // the slot's box, 1/256 canvas pixel
};

struct ShotTargets {
    ShotTarget list[ENEMY_SLOT_COUNT];
    int32_t count = 0;
};

void ListShotTargets(ShotTargets& targets) {
    targets.count = 0;
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        EnemySlot& slot = TheGame().enemies[i];
        if (slot.state == 0 || slot.hitPoints <= 0) continue;
        targets.list[targets.count++] = {&slot, slot.x + slot.boxLeft, slot.y + slot.boxTop,
                                         slot.x + slot.boxRight, slot.y + slot.boxBottom};
    }
}

// Damages every listed slot whose box the shot's square meets; true if it hit any. The scan goes
// on after a hit, so a shot damages every enemy it overlaps.
bool HitEnemies(const ShotTargets& targets, const PlayerShot& shot) {
    bool hitAny = false;
    for (int32_t i = 0; i < targets.count; ++i) {
        const ShotTarget& t = targets.list[i];
        if (t.slot->hitPoints <= 0) continue;
        if (shot.x <= t.right && shot.x + SHOT_SIZE >= t.left && shot.y <= t.bottom &&
            shot.y + SHOT_SIZE >= t.top) {
            t.slot->hitPoints -= 1;
            t.slot->hit = 1;
            if (!hitAny) SpawnShotSpark(shot.x, shot.y, shot.vx, shot.vy);
            hitAny = true;
        }
    }
    return hitAny;
}

// The beam out this frame strikes the enemy nearest the ship in it (the lowest box bottom), or
// reaches its full length.
void StrikeWithLaser() {
    Game& g = TheGame();
    // The beam: columns PlayerX + 4 .. PlayerX + 28 px, from PlayerY + 24 px up to its top.
    const int32_t beamLeft = g.playerX + (4 << 8);
    const int32_t beamRight = g.playerX + (28 << 8);
    const int32_t beamBase = g.playerY + (24 << 8);
    const int32_t beamTop = g.playerY - (g.laserLength << 8);
    EnemySlot* nearest = nullptr;
    int32_t nearestBottom = 0;
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        EnemySlot& slot = g.enemies[i];
        if (slot.state == 0 || slot.hitPoints <= 0) continue;
        if (slot.x + slot.boxLeft > beamRight || slot.x + slot.boxRight < beamLeft) continue;
        const int32_t bottom = slot.y + slot.boxBottom;
        if (bottom < beamTop || slot.y + slot.boxTop > beamBase) continue;
        if (nearest == nullptr || bottom > nearestBottom) {
            nearest = &slot;
            nearestBottom = bottom;
        }
    }
    if (nearest == nullptr) {
        g.laserHit = 0;
        g.laserTop = beamTop;
        return;
    }
    nearest->hitPoints -= 5;
    if (nearest->hitPoints < 0) nearest->hitPoints = 0;
    nearest->hit = 1;
    g.laserHit = 1;
    g.laserTop = nearestBottom;
    g.laserLength = (g.playerY - g.laserTop) >> 8;
    static constexpr int32_t sparkColumns[5] = {4, 10, 16, 22, 28};
    for (int32_t column : sparkColumns) {
        if ((NextRandom() & 3) == 0)
            SpawnLaserSpark(g.playerX + (column << 8), g.laserTop + (4 << 8));
    }
}

} // namespace

void UpdateShip() {
    Game& g = TheGame();
    if (TakeShipHit()) {
        for (int32_t i = 0; i < g.shotPower; ++i) {
            SpawnDroppedItem(ITEM_POWER, g.playerX + SHIP_CENTRE, g.playerY + SHIP_CENTRE);
        }
    }
    UpdatePlayer();
}

void UpdateShots() {
    // Every shot is tested where it is before any of them moves.
    std::bitset<SHOT_POOL_SIZE> hit;
    int32_t flying = 0;
    const PlayerShot* shots = ShotsInFlight(flying);
    if (flying > 0) {
        ShotTargets targets;
        ListShotTargets(targets);
        for (int32_t i = 0; i < flying && targets.count > 0; ++i) {
            if (shots[i].active != 0 && HitEnemies(targets, shots[i])) hit[i] = true;
        }
    }
    MoveShots(hit);
    if (AdvanceLaser()) StrikeWithLaser();
}

void UpdateBomb() {
    if (!AdvanceBomb()) return;
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        EnemySlot& slot = TheGame().enemies[i];
        if (slot.state == 0 || slot.hitPoints <= 0) continue;
        slot.hitPoints -= 1;
        slot.hit = 1;
        SpawnExplosion(slot.x + slot.width * 128, slot.y + slot.height * 128, 1, 500);
    }
}

} // namespace velkar
