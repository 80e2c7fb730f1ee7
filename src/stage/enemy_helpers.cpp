// Operand helpers, slot taking for script records and the destruction sequence of all enemies.
#include "stage/enemy_helpers.h"

#include "player/effects.h"
#include "player/player.h"
#include "record/random.h"
#include "record/record.h"
#include "stage/stage_script.h"

namespace velkar {

namespace {

constexpr int32_t RANDOM_OPERAND = -1;

// Width of the random draw for lo..hi: hi itself is drawable only when lo is negative.
int32_t DrawWidth(int32_t lo, int32_t hi) {
    return lo < 0 ? hi - lo + 1 : hi - lo;
}

} // namespace

const DestructionValues DestructionTable[KIND_COUNT] = {
    // sound, points, popup, bursts, priority, times, limit, moves on
    {3, 200, 0, 1, 500, 1, 20, 1},    // Diver
    {3, 300, 0, 1, 500, 1, 20, 1},    // Sprayer
    {3, 500, 0, 1, 500, 1, 20, 1},    // Riser
    {0, 1500, 1, 2, 500, 1, 20, 1},   // LargeBlock
    {0, 1000, 1, 2, 500, 1, 20, 1},   // WideBlock
    {0, 800, 1, 2, 500, 1, 20, 1},    // SmallBlock
    {0, 600, 1, 2, 500, 1, 20, 1},    // MediumBlock
    {0, 5000, 1, 3, 1000, 10, 50, 0}, // Guardian
    {0, 4000, 1, 3, 1000, 10, 70, 0}, // Sentinel
    {0, 3000, 1, 3, 1000, 10, 70, 0}, // Battery
};

int32_t RandomX(int32_t op) {
    if (op != RANDOM_OPERAND) return (op + 120) * 256;
    return (NextRandom() % 480 + 120) * 256;
}

int32_t RandomY(int32_t op) {
    if (op != RANDOM_OPERAND) return op * 256;
    return (288 - NextRandom() % 100) * 256;
}

int32_t RandomSpeed(int32_t op, int32_t lo, int32_t hi) {
    if (op != RANDOM_OPERAND) return op * 256;
    const int32_t m = DrawWidth(lo, hi);
    for (;;) {
        const int32_t v = lo + NextRandom() % m;
        NextRandom(); // drawn and discarded
        if (v != 0) return v * 256;
        // A zero speed survives only half of the time.
        if ((NextRandom() & 1) == 0) return 0;
    }
}

int32_t RandomInRange(int32_t op, int32_t lo, int32_t hi) {
    if (op != RANDOM_OPERAND) return op;
    return lo + NextRandom() % DrawWidth(lo, hi);
}

EnemySlot* TakeScriptSlot(int32_t operandCount) {
    EnemySlot* e = nullptr;
    if (TheGame().enemyCount < ENEMY_SLOT_COUNT) e = EnemyAlloc();
    if (e == nullptr) SkipScriptOperands(operandCount);
    return e;
}

int32_t EnemyUpdateStart(EnemySlot* e, int32_t kind, int32_t* deathTimer, const Sprite* picture,
                         const Sprite* deathPicture) {
    if (e->hitPoints != 0) {
        e->flags = (e->flags & ~1) | (e->hit != 0 ? 1 : 0);
        e->hit = 0;
        e->sprite = picture;
        return 1;
    }
    const DestructionValues& d = DestructionTable[kind];
    if (*deathTimer == 0) {
        StartSound(d.sound);
        AddScore(d.points);
        if (d.popup != 0) SpawnScorePopup(e, d.points);
        e->solid = 0;
        const int32_t cx = e->x + e->width * 128;
        const int32_t cy = e->y + e->height * 128;
        for (int32_t i = 0; i < d.times; ++i)
            SpawnExplosion(cx, cy, d.bursts, d.priority);
    }
    *deathTimer += 1;
    if (*deathTimer > d.limit) {
        EnemyFree(e);
        return 0;
    }
    e->sprite = deathPicture;
    return d.movesOn;
}

} // namespace velkar
