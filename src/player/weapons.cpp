// The player's weapons: the rapid-shot pool and its collisions, the laser and the bomb.
#include "player/weapons.h"

#include <new>

#include "base/trace.h"
#include "game/game_record.h"
#include "game/random.h"
#include "gfx/canvas.h"
#include "player/effects.h"
#include "player/player.h"
#include "sound/sound.h"
#include "stage/enemy_pool.h"

namespace velkar {

int32_t ShotCount = 0;
int32_t LaserLength = 0;
int32_t LaserTop = 0;
int32_t LaserHit = 0;
int32_t LaserPhase = 0;
int32_t LaserToggle = 0;
int32_t BombActive = 0;
int32_t BombX = 0;
int32_t BombY = 0;
int32_t BombStage = 0;
int32_t BombTimer = 0;
int32_t BombPicture = 0;

namespace {

constexpr int32_t SHOT_GUARD = 999; // a volley that would reach this many shots is dropped
constexpr int32_t SHOT_SIZE = 4 << 8;
constexpr int32_t BOMB_STAGES = 20;
constexpr int32_t BOMB_STAGE_FRAMES = 5;

constexpr int32_t EFFECT_SHOT = 5;  // "Tyiiiin.wav"
constexpr int32_t EFFECT_LASER = 4; // "Hyuun.wav"
constexpr int32_t EFFECT_BOMB = 8;  // "Gooon.wav"

// Offsets in pixels from the ship's corner (before the muzzle shift), velocities in 1/256 pixel.
struct VolleyRow {
    int32_t dx, dy, vx, vy;
};

constexpr VolleyRow VolleyTable[18] = {
    {-5, 5, 0, -2500},     {-10, 15, 0, -2500}, {10, 15, 0, -2500},    {5, 5, 0, -2500},
    {-3, 10, -200, -1700}, {3, 10, 200, -1700}, {-6, 20, -100, -1700}, {6, 20, 100, -1700},
    {-4, 10, -300, -1700}, {4, 10, 300, -1700}, {-6, 20, -400, -1700}, {6, 20, 400, -1700},
    {-6, 20, -500, -1700}, {6, 20, 500, -1700}, {-8, 22, -500, -1700}, {8, 22, 500, -1700},
    {-8, 22, -700, -1700}, {8, 22, 700, -1700},
};

PlayerShot* ShotPool = nullptr;
int32_t ShotFreeHint = 0; // no free entry below this index
int32_t ShotHighMark = 0; // no active entry at or above this index

const Sprite* StraightShotSprites[2] = {};
const Sprite* SpreadShotSprites[16] = {};
const Sprite* LaserSegmentSprites[8] = {};
const Sprite* LaserTipHitSprite = nullptr;
const Sprite* LaserTipOpenSprite = nullptr;
const Sprite* BombSprites[BOMB_STAGES] = {};

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
    if (EnemyPool == nullptr) return;
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        EnemySlot& slot = EnemyPool[i];
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

void FreePlayerShot(int32_t index) {
    ShotPool[index].active = 0;
    ShotCount -= 1;
    if (index < ShotFreeHint) ShotFreeHint = index;
}

void MoveShots() {
    if (ShotPool == nullptr || ShotHighMark == 0) return;
    ShotTargets targets;
    ListShotTargets(targets);
    int32_t lastActive = -1;
    for (int32_t i = 0; i < ShotHighMark; ++i) {
        PlayerShot& shot = ShotPool[i];
        if (shot.active == 0) continue;
        const bool hit = targets.count > 0 && HitEnemies(targets, shot);
        if (hit || shot.x < (120 << 8) || shot.x > (591 << 8) || shot.y < (320 << 8)) {
            FreePlayerShot(i);
            continue;
        }
        shot.x += shot.vx;
        shot.y += shot.vy;
        lastActive = i;
    }
    ShotHighMark = lastActive + 1;
}

void StepLaser() {
    LaserToggle = LaserToggle == 0 ? 1 : 0;
    if (LaserToggle == 0) LaserPhase = (LaserPhase + 7) & 7;

    if (LaserLength == 0) return;
    LaserLength -= 20;
    if (LaserLength <= 0) {
        LaserLength = 0;
        return;
    }
    if (LaserLength > 319) LaserLength = 319;

    // The beam: columns PlayerX + 4 .. PlayerX + 28 px, from PlayerY + 24 px up to its top.
    const int32_t beamLeft = PlayerX + (4 << 8);
    const int32_t beamRight = PlayerX + (28 << 8);
    const int32_t beamBase = PlayerY + (24 << 8);
    const int32_t beamTop = PlayerY - (LaserLength << 8);
    EnemySlot* nearest = nullptr;
    int32_t nearestBottom = 0;
    if (EnemyPool != nullptr) {
        for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
            EnemySlot& slot = EnemyPool[i];
            if (slot.state == 0 || slot.hitPoints <= 0) continue;
            if (slot.x + slot.boxLeft > beamRight || slot.x + slot.boxRight < beamLeft) continue;
            const int32_t bottom = slot.y + slot.boxBottom;
            if (bottom < beamTop || slot.y + slot.boxTop > beamBase) continue;
            if (nearest == nullptr || bottom > nearestBottom) {
                nearest = &slot;
                nearestBottom = bottom;
            }
        }
    }
    if (nearest == nullptr) {
        LaserHit = 0;
        LaserTop = beamTop;
        return;
    }
    nearest->hitPoints -= 5;
    if (nearest->hitPoints < 0) nearest->hitPoints = 0;
    nearest->hit = 1;
    LaserHit = 1;
    LaserTop = nearestBottom;
    LaserLength = (PlayerY - LaserTop) >> 8;
    static constexpr int32_t sparkColumns[5] = {4, 10, 16, 22, 28};
    for (int32_t column : sparkColumns) {
        if ((NextRandom() & 3) == 0) SpawnLaserSpark(PlayerX + (column << 8), LaserTop + (4 << 8));
    }
}

} // namespace

int32_t InitWeapons() {
    if (ShotPool == nullptr) ShotPool = new (std::nothrow) PlayerShot[SHOT_POOL_SIZE];
    if (ShotPool == nullptr) {
        Trace("Memory allocation error (myshot)\n");
        return -1;
    }
    for (int32_t i = 0; i < SHOT_POOL_SIZE; ++i)
        ShotPool[i] = PlayerShot{};
    ShotCount = 0;
    ShotFreeHint = 0;
    ShotHighMark = 0;
    // A sprite the factory cannot make stays null and shows as a white box.
    for (const Sprite*& sprite : StraightShotSprites) {
        sprite = DescribeSprite(SHAPE_TRIANGLE_UP, 4, 12, -1, 200, 255, 255, 32);
    }
    for (const Sprite*& sprite : SpreadShotSprites) {
        sprite = DescribeSprite(SHAPE_TRIANGLE_UP, 8, 10, -1, 128, 128, 255, 32);
    }
    for (int32_t i = 0; i < 8; ++i) {
        const int32_t k = 255 * i / 8;
        LaserSegmentSprites[i] =
            DescribeSprite(SHAPE_RECT | SPRITE_BLINK, 24, 8, -1, k, k, 255, 32);
    }
    LaserTipHitSprite = DescribeSprite(SHAPE_RECT | SPRITE_BLINK, 24, 16, -1, 255, 128, 128, 32);
    LaserTipOpenSprite = DescribeSprite(SHAPE_RECT | SPRITE_BLINK, 24, 16, -1, 128, 128, 255, 32);
    return 0;
}

int32_t MakeBombSprites() {
    // Margins of the blast ellipse: it swells over the first three frames, holds, flashes to
    // full size for two frames and then shrinks away.
    static constexpr int32_t insets[BOMB_STAGES] = {90, 60, 30, 30,  30, 30, 30, 30,  30,  30,
                                                    30, 30, 30, -40, 0,  40, 80, 120, 160, 200};
    for (int32_t j = 0; j < BOMB_STAGES; ++j) {
        BombSprites[j] = DescribeSprite(SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK, 400, 400,
                                        insets[j], 200, 80, 1, 32);
    }
    return 0;
}

void ResetWeapons() {
    if (ShotPool != nullptr) {
        for (int32_t i = 0; i < ShotHighMark; ++i)
            ShotPool[i].active = 0;
    }
    ShotCount = 0;
    ShotFreeHint = 0;
    ShotHighMark = 0;
    LaserTop = 0;
    LaserHit = 0;
    BombActive = 0;
    LaserLength = 0;
    LaserPhase = 0;
    LaserToggle = 0;
    ShotPower = GameMode == MODE_DEMO ? 6 : 1;
}

void CopyShotPool(ShotPoolCopy& out) {
    for (int32_t i = 0; i < SHOT_POOL_SIZE; ++i)
        out.shots[i] = ShotPool != nullptr ? ShotPool[i] : PlayerShot{};
    out.freeHint = ShotFreeHint;
    out.highMark = ShotHighMark;
}

void RestoreShotPool(const ShotPoolCopy& in) {
    if (ShotPool != nullptr) {
        for (int32_t i = 0; i < SHOT_POOL_SIZE; ++i)
            ShotPool[i] = in.shots[i];
    }
    ShotFreeHint = in.freeHint;
    ShotHighMark = in.highMark;
}

void FireShot() {
    if (ShotPool == nullptr) return;
    int32_t n = 2 * ShotPower + 6;
    if (n + ShotCount >= SHOT_GUARD) return;
    if (n > 18) n = 18; // the table's rows; ShotPower never exceeds 6
    for (int32_t row = 0; row < n; ++row) {
        int32_t index = ShotFreeHint;
        while (index < SHOT_POOL_SIZE && ShotPool[index].active != 0)
            ++index;
        if (index >= SHOT_POOL_SIZE) {
            Trace("Over Missile Numbers !!\n");
            break;
        }
        ShotFreeHint = index + 1;
        if (index >= ShotHighMark) ShotHighMark = index + 1;
        const VolleyRow& r = VolleyTable[row];
        PlayerShot& shot = ShotPool[index];
        shot.kind = row - 4;
        shot.active = 1;
        shot.x = PlayerX + ((r.dx + (row < 4 ? 14 : 12)) << 8);
        shot.y = PlayerY + (r.dy << 8);
        shot.vx = r.vx;
        shot.vy = r.vy;
        ShotCount += 1;
    }
    PlayEffect(EFFECT_SHOT);
}

void ChargeLaser() {
    LaserLength += 50;
    PlayEffect(EFFECT_LASER);
}

void UpdateShots() {
    MoveShots();
    StepLaser();
}

void FireBomb(int32_t x, int32_t y, int32_t withSound) {
    if (BombActive != 0 || Bombs <= 0) return;
    Bombs -= 1;
    BombX = x - ViewX;
    BombY = y - 320;
    BombStage = 0;
    BombTimer = 0;
    BombActive = 1;
    if (withSound != 0) PlayEffect(EFFECT_BOMB);
}

void UpdateBomb() {
    if (BombActive == 0) return;
    BombTimer += 1;
    if (BombTimer == BOMB_STAGE_FRAMES) {
        BombTimer = 0;
        BombStage += 1;
        if (BombStage == BOMB_STAGES) BombActive = 0; // the last frame still does damage
    }
    if (EnemyPool == nullptr) return;
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        EnemySlot& slot = EnemyPool[i];
        if (slot.state == 0 || slot.hitPoints <= 0) continue;
        slot.hitPoints -= 1;
        slot.hit = 1;
        SpawnExplosion(slot.x + slot.width * 128, slot.y + slot.height * 128, 1, 500);
    }
}

void DrawShots() {
    if (ShotPool == nullptr) return;
    for (int32_t i = 0; i < ShotHighMark; ++i) {
        const PlayerShot& shot = ShotPool[i];
        if (shot.active == 0) continue;
        const Sprite* sprite = shot.kind < -2  ? StraightShotSprites[0]
                               : shot.kind < 0 ? StraightShotSprites[1]
                                               : SpreadShotSprites[shot.kind & 15];
        DrawSprite(shot.x >> 8, shot.y >> 8, sprite, 0);
    }
}

void DrawLaser() {
    if (LaserLength == 0) return;
    const int32_t x = (PlayerX >> 8) + 4;
    int32_t p = PlayerY + (24 << 8);
    int32_t i = LaserPhase;
    while (p >= LaserTop) {
        DrawSprite(x, p >> 8, LaserSegmentSprites[i], 0);
        i = (i + 1) & 7;
        p -= 8 << 8;
    }
    DrawSprite(x, p >> 8, LaserHit != 0 ? LaserTipHitSprite : LaserTipOpenSprite, 0);
}

void PickBombPicture() {
    if (BombActive == 0) return;
    BombPicture = NextRandom() % 3 + BombStage;
    if (BombPicture > BOMB_STAGES - 1) BombPicture = BOMB_STAGES - 1;
}

void DrawBomb() {
    if (BombActive == 0) return;
    DrawSprite(BombX + ViewX - 200, BombY + 120, BombSprites[BombPicture], 0);
}

} // namespace velkar
