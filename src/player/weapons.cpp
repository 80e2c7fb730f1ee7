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


const Sprite* StraightShotSprites[2] = {};
const Sprite* SpreadShotSprites[16] = {};
const Sprite* LaserSegmentSprites[8] = {};
const Sprite* LaserTipHitSprite = nullptr;
const Sprite* LaserTipOpenSprite = nullptr;
const Sprite* BombSprites[BOMB_STAGES] = {};

void FreePlayerShot(int32_t index) {
    TheGame().shots[index].active = 0;
    TheGame().shotCount -= 1;
    if (index < TheGame().shotFreeHint) TheGame().shotFreeHint = index;
}

} // namespace

void MoveShots(const std::bitset<SHOT_POOL_SIZE>& hit) {
    if (TheGame().shotHighMark == 0) return;
    int32_t lastActive = -1;
    for (int32_t i = 0; i < TheGame().shotHighMark; ++i) {
        PlayerShot& shot = TheGame().shots[i];
        if (shot.active == 0) continue;
        if (hit[i] || shot.x < (120 << 8) || shot.x > (591 << 8) || shot.y < (320 << 8)) {
            FreePlayerShot(i);
            continue;
        }
        shot.x += shot.vx;
        shot.y += shot.vy;
        lastActive = i;
    }
    TheGame().shotHighMark = lastActive + 1;
}

bool AdvanceLaser() {
    TheGame().laserToggle = TheGame().laserToggle == 0 ? 1 : 0;
    if (TheGame().laserToggle == 0) TheGame().laserPhase = (TheGame().laserPhase + 7) & 7;

    if (TheGame().laserLength == 0) return false;
    TheGame().laserLength -= 20;
    if (TheGame().laserLength <= 0) {
        TheGame().laserLength = 0;
        return false;
    }
    if (TheGame().laserLength > 319) TheGame().laserLength = 319;
    return true;
}

int32_t InitWeapons() {
    for (int32_t i = 0; i < SHOT_POOL_SIZE; ++i)
        TheGame().shots[i] = PlayerShot{};
    TheGame().shotCount = 0;
    TheGame().shotFreeHint = 0;
    TheGame().shotHighMark = 0;
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
    for (int32_t i = 0; i < TheGame().shotHighMark; ++i)
        TheGame().shots[i].active = 0;
    TheGame().shotCount = 0;
    TheGame().shotFreeHint = 0;
    TheGame().shotHighMark = 0;
    TheGame().laserTop = 0;
    TheGame().laserHit = 0;
    TheGame().bombActive = 0;
    TheGame().laserLength = 0;
    TheGame().laserPhase = 0;
    TheGame().laserToggle = 0;
    TheGame().shotPower = TheGame().gameMode == MODE_DEMO ? 6 : 1;
}

void FireShot() {
    int32_t n = 2 * TheGame().shotPower + 6;
    if (n + TheGame().shotCount >= SHOT_GUARD) return;
    if (n > 18) n = 18; // the table's rows; ShotPower never exceeds 6
    for (int32_t row = 0; row < n; ++row) {
        int32_t index = TheGame().shotFreeHint;
        while (index < SHOT_POOL_SIZE && TheGame().shots[index].active != 0)
            ++index;
        if (index >= SHOT_POOL_SIZE) {
            Trace("Over Missile Numbers !!\n");
            break;
        }
        TheGame().shotFreeHint = index + 1;
        if (index >= TheGame().shotHighMark) TheGame().shotHighMark = index + 1;
        const VolleyRow& r = VolleyTable[row];
        PlayerShot& shot = TheGame().shots[index];
        shot.kind = row - 4;
        shot.active = 1;
        shot.x = TheGame().playerX + ((r.dx + (row < 4 ? 14 : 12)) << 8);
        shot.y = TheGame().playerY + (r.dy << 8);
        shot.vx = r.vx;
        shot.vy = r.vy;
        TheGame().shotCount += 1;
    }
    PlayEffect(EFFECT_SHOT);
}

void ChargeLaser() {
    TheGame().laserLength += 50;
    PlayEffect(EFFECT_LASER);
}

void FireBomb(int32_t x, int32_t y, int32_t withSound) {
    if (TheGame().bombActive != 0 || TheGame().bombs <= 0) return;
    TheGame().bombs -= 1;
    TheGame().bombX = x - TheGame().viewX;
    TheGame().bombY = y - 320;
    TheGame().bombStage = 0;
    TheGame().bombTimer = 0;
    TheGame().bombActive = 1;
    if (withSound != 0) PlayEffect(EFFECT_BOMB);
}

bool AdvanceBomb() {
    if (TheGame().bombActive == 0) return false;
    TheGame().bombTimer += 1;
    if (TheGame().bombTimer == BOMB_STAGE_FRAMES) {
        TheGame().bombTimer = 0;
        TheGame().bombStage += 1;
        if (TheGame().bombStage == BOMB_STAGES) TheGame().bombActive = 0; // the last frame still does damage
    }
    return true;
}

const PlayerShot* ShotsInFlight(int32_t& highMark) {
    highMark = TheGame().shotHighMark;
    return TheGame().shots;
}

void DrawShots() {
    for (int32_t i = 0; i < TheGame().shotHighMark; ++i) {
        const PlayerShot& shot = TheGame().shots[i];
        if (shot.active == 0) continue;
        const Sprite* sprite = shot.kind < -2  ? StraightShotSprites[0]
                               : shot.kind < 0 ? StraightShotSprites[1]
                                               : SpreadShotSprites[shot.kind & 15];
        DrawSprite(shot.x >> 8, shot.y >> 8, sprite, 0);
    }
}

void DrawLaser() {
    if (TheGame().laserLength == 0) return;
    const int32_t x = (TheGame().playerX >> 8) + 4;
    int32_t p = TheGame().playerY + (24 << 8);
    int32_t i = TheGame().laserPhase;
    while (p >= TheGame().laserTop) {
        DrawSprite(x, p >> 8, LaserSegmentSprites[i], 0);
        i = (i + 1) & 7;
        p -= 8 << 8;
    }
    DrawSprite(x, p >> 8, TheGame().laserHit != 0 ? LaserTipHitSprite : LaserTipOpenSprite, 0);
}

void PickBombPicture() {
    if (TheGame().bombActive == 0) return;
    TheGame().bombPicture = NextRandom() % 3 + TheGame().bombStage;
    if (TheGame().bombPicture > BOMB_STAGES - 1) TheGame().bombPicture = BOMB_STAGES - 1;
}

void DrawBomb() {
    if (TheGame().bombActive == 0) return;
    DrawSprite(TheGame().bombX + TheGame().viewX - 200, TheGame().bombY + 120, BombSprites[TheGame().bombPicture], 0);
}

} // namespace velkar
