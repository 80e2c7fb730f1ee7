// The player's weapons: the rapid-shot pool, the laser and the bomb.
#include "player/weapons.h"

#include <new>

#include "base/trace.h"
#include "gfx/canvas.h"
#include "player/effects.h"
#include "player/player.h"
#include "record/random.h"
#include "record/record.h"
#include "sound/sound.h"

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

void FreePlayerShot(int32_t index) {
    ShotPool[index].active = 0;
    ShotCount -= 1;
    if (index < ShotFreeHint) ShotFreeHint = index;
}

} // namespace

void MoveShots(const std::bitset<SHOT_POOL_SIZE>& hit) {
    if (ShotPool == nullptr || ShotHighMark == 0) return;
    int32_t lastActive = -1;
    for (int32_t i = 0; i < ShotHighMark; ++i) {
        PlayerShot& shot = ShotPool[i];
        if (shot.active == 0) continue;
        if (hit[i] || shot.x < (120 << 8) || shot.x > (591 << 8) || shot.y < (320 << 8)) {
            FreePlayerShot(i);
            continue;
        }
        shot.x += shot.vx;
        shot.y += shot.vy;
        lastActive = i;
    }
    ShotHighMark = lastActive + 1;
}

bool AdvanceLaser() {
    LaserToggle = LaserToggle == 0 ? 1 : 0;
    if (LaserToggle == 0) LaserPhase = (LaserPhase + 7) & 7;

    if (LaserLength == 0) return false;
    LaserLength -= 20;
    if (LaserLength <= 0) {
        LaserLength = 0;
        return false;
    }
    if (LaserLength > 319) LaserLength = 319;
    return true;
}

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

bool AdvanceBomb() {
    if (BombActive == 0) return false;
    BombTimer += 1;
    if (BombTimer == BOMB_STAGE_FRAMES) {
        BombTimer = 0;
        BombStage += 1;
        if (BombStage == BOMB_STAGES) BombActive = 0; // the last frame still does damage
    }
    return true;
}

const PlayerShot* ShotsInFlight(int32_t& highMark) {
    highMark = ShotPool != nullptr ? ShotHighMark : 0;
    return ShotPool;
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
