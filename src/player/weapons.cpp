// The player's weapons: the rapid-shot pool, the laser and the bomb.
#include "player/weapons.h"

#include <new>

#include "base/trace.h"
#include "gfx/canvas.h"
#include "player/effects.h"
#include "player/player.h"
#include "record/random.h"
#include "record/record.h"

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

constexpr Sprite StraightShotSprite =
    DescribeSprite(SHAPE_TRIANGLE_UP, 4, 12, -1, 200, 255, 255, 32);
constexpr Sprite SpreadShotSprite = DescribeSprite(SHAPE_TRIANGLE_UP, 8, 10, -1, 128, 128, 255, 32);
constexpr Sprite LaserTipHitSprite =
    DescribeSprite(SHAPE_RECT | SPRITE_BLINK, 24, 16, -1, 255, 128, 128, 32);
constexpr Sprite LaserTipOpenSprite =
    DescribeSprite(SHAPE_RECT | SPRITE_BLINK, 24, 16, -1, 128, 128, 255, 32);

// The beam's eight segments, from blue to white.
struct LaserSegments {
    Sprite segment[8];
};
constexpr LaserSegments LaserSegmentSprites = [] {
    LaserSegments made{};
    for (int32_t i = 0; i < 8; ++i) {
        const int32_t k = 255 * i / 8;
        made.segment[i] = DescribeSprite(SHAPE_RECT | SPRITE_BLINK, 24, 8, -1, k, k, 255, 32);
    }
    return made;
}();

// The blast's twenty frames. Margins of the ellipse: it swells over the first three frames,
// holds, flashes to full size for two frames and then shrinks away.
struct BombFrames {
    Sprite frame[BOMB_STAGES];
};
constexpr BombFrames BombSprites = [] {
    constexpr int32_t insets[BOMB_STAGES] = {90, 60, 30, 30,  30, 30, 30, 30,  30,  30,
                                             30, 30, 30, -40, 0,  40, 80, 120, 160, 200};
    BombFrames made{};
    for (int32_t j = 0; j < BOMB_STAGES; ++j) {
        made.frame[j] = DescribeSprite(SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK, 400, 400,
                                       insets[j], 200, 80, 1, 32);
    }
    return made;
}();

void FreePlayerShot(int32_t index) {
    Game& g = TheGame();
    g.shots[index].active = 0;
    g.shotCount -= 1;
    if (index < g.shotFreeHint) g.shotFreeHint = index;
}

} // namespace

void MoveShots(const std::bitset<SHOT_POOL_SIZE>& hit) {
    Game& g = TheGame();
    if (g.shotHighMark == 0) return;
    int32_t lastActive = -1;
    for (int32_t i = 0; i < g.shotHighMark; ++i) {
        PlayerShot& shot = g.shots[i];
        if (shot.active == 0) continue;
        if (hit[i] || shot.x < (120 << 8) || shot.x > (591 << 8) || shot.y < (320 << 8)) {
            FreePlayerShot(i);
            continue;
        }
        shot.x += shot.vx;
        shot.y += shot.vy;
        lastActive = i;
    }
    g.shotHighMark = lastActive + 1;
}

bool AdvanceLaser() {
    Game& g = TheGame();
    g.laserToggle = g.laserToggle == 0 ? 1 : 0;
    if (g.laserToggle == 0) g.laserPhase = (g.laserPhase + 7) & 7;

    if (g.laserLength == 0) return false;
    g.laserLength -= 20;
    if (g.laserLength <= 0) {
        g.laserLength = 0;
        return false;
    }
    if (g.laserLength > 319) g.laserLength = 319;
    return true;
}

int32_t InitWeapons() {
    Game& g = TheGame();
    for (int32_t i = 0; i < SHOT_POOL_SIZE; ++i)
        g.shots[i] = PlayerShot{};
    g.shotCount = 0;
    g.shotFreeHint = 0;
    g.shotHighMark = 0;
    return 0;
}

void ResetWeapons() {
    Game& g = TheGame();
    for (int32_t i = 0; i < g.shotHighMark; ++i)
        g.shots[i].active = 0;
    g.shotCount = 0;
    g.shotFreeHint = 0;
    g.shotHighMark = 0;
    g.laserTop = 0;
    g.laserHit = 0;
    g.bombActive = 0;
    g.laserLength = 0;
    g.laserPhase = 0;
    g.laserToggle = 0;
    g.shotPower = g.gameMode == MODE_DEMO ? 6 : 1;
}

void FireShot() {
    Game& g = TheGame();
    int32_t n = 2 * g.shotPower + 6;
    if (n + g.shotCount >= SHOT_GUARD) return;
    if (n > 18) n = 18; // the table's rows; ShotPower never exceeds 6
    for (int32_t row = 0; row < n; ++row) {
        int32_t index = g.shotFreeHint;
        while (index < SHOT_POOL_SIZE && g.shots[index].active != 0)
            ++index;
        if (index >= SHOT_POOL_SIZE) {
            Trace("Over Missile Numbers !!\n");
            break;
        }
        g.shotFreeHint = index + 1;
        if (index >= g.shotHighMark) g.shotHighMark = index + 1;
        const VolleyRow& r = VolleyTable[row];
        PlayerShot& shot = g.shots[index];
        shot.kind = row - 4;
        shot.active = 1;
        shot.x = g.playerX + ((r.dx + (row < 4 ? 14 : 12)) << 8);
        shot.y = g.playerY + (r.dy << 8);
        shot.vx = r.vx;
        shot.vy = r.vy;
        g.shotCount += 1;
    }
    StartSound(EFFECT_SHOT);
}

void ChargeLaser() {
    TheGame().laserLength += 50;
    StartSound(EFFECT_LASER);
}

void FireBomb(int32_t x, int32_t y, int32_t withSound) {
    Game& g = TheGame();
    if (g.bombActive != 0 || g.bombs <= 0) return;
    g.bombs -= 1;
    g.bombX = x - g.viewX;
    g.bombY = y - 320;
    g.bombStage = 0;
    g.bombTimer = 0;
    g.bombActive = 1;
    if (withSound != 0) StartSound(EFFECT_BOMB);
}

bool AdvanceBomb() {
    Game& g = TheGame();
    if (g.bombActive == 0) return false;
    g.bombTimer += 1;
    if (g.bombTimer == BOMB_STAGE_FRAMES) {
        g.bombTimer = 0;
        g.bombStage += 1;
        if (g.bombStage == BOMB_STAGES) g.bombActive = 0; // the last frame still does damage
    }
    return true;
}

const PlayerShot* ShotsInFlight(int32_t& highMark) {
    Game& g = TheGame();
    highMark = g.shotHighMark;
    return g.shots;
}

void DrawShots(Painter& painter) {
    const Game& g = TheGame();
    for (int32_t i = 0; i < g.shotHighMark; ++i) {
        const PlayerShot& shot = g.shots[i];
        if (shot.active == 0) continue;
        const Sprite* sprite = shot.kind < 0 ? &StraightShotSprite : &SpreadShotSprite;
        DrawSprite(painter, shot.x >> 8, shot.y >> 8, sprite, 0);
    }
}

void DrawLaser(Painter& painter) {
    const Game& g = TheGame();
    if (g.laserLength == 0) return;
    const int32_t x = (g.playerX >> 8) + 4;
    int32_t p = g.playerY + (24 << 8);
    int32_t i = g.laserPhase;
    while (p >= g.laserTop) {
        DrawSprite(painter, x, p >> 8, &LaserSegmentSprites.segment[i], 0);
        i = (i + 1) & 7;
        p -= 8 << 8;
    }
    DrawSprite(painter, x, p >> 8, g.laserHit != 0 ? &LaserTipHitSprite : &LaserTipOpenSprite, 0);
}

void PickBombPicture() {
    Game& g = TheGame();
    if (g.bombActive == 0) return;
    g.bombPicture = NextRandom() % 3 + g.bombStage;
    if (g.bombPicture > BOMB_STAGES - 1) g.bombPicture = BOMB_STAGES - 1;
}

void DrawBomb(Painter& painter) {
    const Game& g = TheGame();
    if (g.bombActive == 0) return;
    DrawSprite(painter, g.bombX + g.viewX - 200, g.bombY + 120, &BombSprites.frame[g.bombPicture],
               0);
}

} // namespace velkar
