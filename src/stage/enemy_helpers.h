// What every enemy type shares: operand helpers, slot taking and the destruction sequence.
#pragma once

#include <cstdint>

#include "gfx/sprite.h"
#include "stage/enemy_pool.h"

namespace velkar {

// Operand helpers: -1 asks for a random value, anything else is used as it stands.
int32_t RandomX(int32_t op);                             // 1/256 canvas pixel
int32_t RandomY(int32_t op);                             // 1/256 canvas pixel
int32_t RandomSpeed(int32_t op, int32_t lo, int32_t hi); // 1/256 pixel per frame
int32_t RandomInRange(int32_t op, int32_t lo, int32_t hi);

// A slot for a record of the script with the given number of operands, or nullptr when the
// pool is full; then the operands are skipped, unread and without a random draw.
EnemySlot* TakeScriptSlot(int32_t operandCount);

// The enemy types, in the order of the destruction table.
enum : int32_t {
    KIND_DIVER = 0,
    KIND_SPRAYER,
    KIND_RISER,
    KIND_LARGE_BLOCK,
    KIND_WIDE_BLOCK,
    KIND_SMALL_BLOCK,
    KIND_MEDIUM_BLOCK,
    KIND_GUARDIAN,
    KIND_SENTINEL,
    KIND_BATTERY,
    KIND_COUNT,
};

struct DestructionValues {
    int32_t sound;
    int32_t points;
    int32_t popup;    // 1: a score popup at the centre
    int32_t bursts;   // SpawnExplosion count argument
    int32_t priority; // SpawnExplosion priority argument
    int32_t times;    // SpawnExplosion calls on the first frame
    int32_t limit;    // frames in the destruction picture before the slot is released
    int32_t movesOn;  // 1: the type's behaviour runs on while destroyed
};

extern const DestructionValues DestructionTable[KIND_COUNT];

// The start of every enemy update. While hitPoints is not 0: flash bit from hit, hit cleared,
// sprite = picture. At 0: the destruction sequence of the kind (deathTimer is the type's own
// word), sprite = deathPicture. Returns 1 when the type's behaviour is to run this frame, 0
// when the update ends here (the slot was released, or a large enemy stands still).
int32_t EnemyUpdateStart(EnemySlot* e, int32_t kind, int32_t* deathTimer, const Sprite* picture,
                         const Sprite* deathPicture);

// Spawn routines of the script's opcodes; each reads its operands at the script cursor.
void SpawnLargeBlock();
void SpawnWideBlock();
void SpawnSmallBlock();
void SpawnMediumBlock();
void SpawnGuardian();
void SpawnSentinel();
void SpawnBattery();
void SpawnDiver();
void SpawnSprayer();
void SpawnRiserPair();

// Update routines, called by UpdateEnemies.
void UpdateBlock(EnemySlot* e);
void UpdateGuardian(EnemySlot* e);
void UpdateSentinel(EnemySlot* e);
void UpdateBattery(EnemySlot* e);
void UpdateDiver(EnemySlot* e);
void UpdateSprayer(EnemySlot* e);
void UpdateRiser(EnemySlot* e);

} // namespace velkar
