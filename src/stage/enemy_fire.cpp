// Enemy fire: the bullet pool, its five bullet types, their flight, and the firing patterns.
#include "stage/enemy_fire.h"

#include <cmath>
#include <new>

#include "base/trace.h"
#include "gfx/canvas.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "record/random.h"
#include "record/record.h"
#include "stage/collisions.h"

namespace velkar {

namespace {

constexpr Sprite OvalShotSprite = DescribeSprite(SHAPE_ELLIPSE, 8, 6, -1, 255, 127, 1, 32);
constexpr Sprite SmallShotSprite = DescribeSprite(SHAPE_ELLIPSE, 4, 4, -1, 200, 255, 1, 32);
constexpr Sprite RoundShotSprite = DescribeSprite(SHAPE_ELLIPSE, 8, 8, -1, 255, 200, 1, 32);
// The large bullet's four animation pictures, their red pulsing.
constexpr Sprite LargeShotSprites[4] = {
    DescribeSprite(SHAPE_ELLIPSE, 12, 12, -1, 255, 255, 1, 32),
    DescribeSprite(SHAPE_ELLIPSE, 12, 12, -1, 128, 255, 1, 32),
    DescribeSprite(SHAPE_ELLIPSE, 12, 12, -1, 1, 255, 1, 32),
    DescribeSprite(SHAPE_ELLIPSE, 12, 12, -1, 128, 255, 1, 32),
};
constexpr Sprite NeedleShotSprite =
    DescribeSprite(SHAPE_TRIANGLE_DOWN, 4, 8, -1, 255, 255, 255, 32);

} // namespace

constexpr EnemyShotType ShotTypeTable[6] = {
    {{}, nullptr, 0, 0, 0, 0, 0},
    {{&OvalShotSprite}, DrawSpritePlain, 8, 6, 512, 512, 224},
    {{&SmallShotSprite}, DrawSpritePlain, 4, 4, 256, 256, 288},
    {{&RoundShotSprite}, DrawSpritePlain, 8, 8, 768, 768, 256},
    {{&LargeShotSprites[0], &LargeShotSprites[1], &LargeShotSprites[2], &LargeShotSprites[3]},
     DrawSpritePlain,
     12,
     12,
     1280,
     1280,
     320},
    {{&NeedleShotSprite}, DrawSpritePlain, 4, 8, 512, 1024, 320},
};

namespace {

// Playfield edges for bullets, tested before each move (1/256 pixel).
constexpr int32_t EDGE_LEFT = 120 << 8;
constexpr int32_t EDGE_RIGHT = 595 << 8;
constexpr int32_t EDGE_TOP = 320 << 8;
constexpr int32_t EDGE_BOTTOM = 643 << 8;
// The ship's 4 x 4 core, as offsets from its top-left corner.
// The point bullets are aimed at, before the bullet's own aim offsets.
constexpr int32_t AIM_X = 15 << 8;
constexpr int32_t AIM_Y = 10 << 8;

constexpr int32_t ANIMATED_TYPE = 4;

// A flying shot has a type of 1..5; a free one has type 0 and no first picture. The type is what
// is tested, so that a bullet whose picture could not be made still flies and is still counted
// correctly.

void FreeShot(int32_t index) {
    Game& g = TheGame();
    EnemyShot& shot = g.enemyShots[index];
    shot.type = 0;
    shot.pictures[0] = nullptr;
    g.enemyShotCount -= 1;
    if (index < g.enemyShotFreeHint) g.enemyShotFreeHint = index;
}

void AnimateShot(EnemyShot& shot) {
    shot.animCount += 1;
    if (shot.animCount == 25) shot.animCount = 0;
    shot.frame = shot.animCount / 5;
    if (shot.frame == 4) shot.frame = 0;
}

} // namespace

int32_t InitEnemyShots() {
    ResetEnemyShots();
    return 0;
}

void ResetEnemyShots() {
    Game& g = TheGame();
    g.enemyShotCount = 0;
    g.enemyShotFreeHint = 0;
    g.enemyShotHighMark = 0;
    for (int32_t i = 0; i < ENEMY_SHOT_POOL_SIZE; ++i)
        g.enemyShots[i] = EnemyShot{};
}

int32_t ShotSpeed(int32_t type) {
    Game& g = TheGame();
    if (type < 0 || type > 5) type = 0;
    return ShotTypeTable[type].baseSpeed + 256 * (g.gameRank + g.stageLevel);
}

void SpawnEnemyShot(int32_t type, int32_t x, int32_t y, int32_t vx, int32_t vy) {
    Game& g = TheGame();
    if (type < 1 || type > 5) return;
    const EnemyShotType& kind = ShotTypeTable[type];
    // Only inside the columns of the view.
    if (x < g.viewX * 256 || x > (g.viewX - kind.width + 240) * 256) return;
    if (g.enemyShotCount >= ENEMY_SHOT_LIMIT) return;
    int32_t index = g.enemyShotFreeHint;
    while (index < ENEMY_SHOT_POOL_SIZE && g.enemyShots[index].type != 0)
        ++index;
    if (index >= ENEMY_SHOT_POOL_SIZE) return;
    g.enemyShotFreeHint = index + 1;
    if (index >= g.enemyShotHighMark) g.enemyShotHighMark = index + 1;

    EnemyShot& shot = g.enemyShots[index];
    shot.type = type;
    shot.x = x;
    shot.y = y;
    shot.width = kind.width;
    shot.height = kind.height;
    shot.vx = vx;
    shot.vy = vy;
    shot.boxWidth = kind.width * 256;
    shot.boxHeight = kind.height * 256;
    shot.frame = 0;
    shot.animCount = 0;
    for (int32_t p = 0; p < 10; ++p)
        shot.pictures[p] = kind.pictures[p];
    shot.draw = kind.draw;
    g.enemyShotCount += 1;
}

void FireAtAngle(int32_t type, int32_t angle, int32_t x, int32_t y) {
    if (type < 1 || type > 5) return;
    if (angle < 0) {
        angle += 360 * ((359 - angle) / 360);
    } else if (angle >= 360) {
        angle %= 360;
    }
    const int32_t speed = ShotSpeed(type);
    const int32_t vx = speed * SinCosTable[0][angle] / 256;
    const int32_t vy = speed * SinCosTable[1][angle] / 256;
    if (vx != 0 || vy != 0) SpawnEnemyShot(type, x, y, vx, vy);
}

int32_t AimAngle(int32_t type, int32_t x, int32_t y) {
    Game& g = TheGame();
    const EnemyShotType& kind = ShotTypeTable[type >= 0 && type <= 5 ? type : 0];
    const int32_t dx = g.playerX + AIM_X - (kind.aimX >> 1) - x;
    const int32_t dy = g.playerY + AIM_Y - (kind.aimY >> 1) - y;
    const double degrees =
        std::atan2(static_cast<double>(dy), static_cast<double>(dx)) * 57.29577951471995;
    return static_cast<int32_t>(degrees);
}

void FireAimed(int32_t x, int32_t y) {
    FireAtAngle(1, AimAngle(1, x, y), x, y);
}

void FireAimedJitter(int32_t type, int32_t jitter, int32_t x, int32_t y) {
    int32_t angle = AimAngle(1, x, y);
    // A jitter below 1 has no range to draw from: the bullet goes straight at the aim.
    if (jitter >= 1) angle += NextRandom() % (2 * jitter) - jitter;
    FireAtAngle(type, angle, x, y);
}

void FireRing(int32_t n, int32_t x, int32_t y) {
    if (n < 1) return;
    const int32_t step = 360 / n;
    for (int32_t k = 0; k < n; ++k)
        FireAtAngle(1, k * step, x, y);
}

void FireSpread(int32_t type, int32_t n, int32_t step, int32_t x, int32_t y) {
    if (type < 1 || type > 5) return;
    const int32_t aim = AimAngle(type, x, y);
    FireAtAngle(type, aim, x, y);
    for (int32_t k = 1; k < n; ++k) {
        FireAtAngle(type, aim + k * step, x, y);
        FireAtAngle(type, aim - k * step, x, y);
    }
}

void FireRandom(int32_t x, int32_t y) {
    FireAtAngle(1, NextRandom() % 360, x, y);
}

void FireDown(int32_t x, int32_t y) {
    Game& g = TheGame();
    SpawnEnemyShot(5, x, y, 0, 256 * (g.gameRank + g.stageLevel) + 320);
}

void UpdateEnemyShots() {
    Game& g = TheGame();
    const bool shipExposed = g.playerState == PLAYER_VULNERABLE;
    const bool clearing = g.bombActive != 0;
    int32_t lastFlying = -1;
    for (int32_t i = 0; i < g.enemyShotHighMark; ++i) {
        EnemyShot& shot = g.enemyShots[i];
        if (shot.type == 0) continue;
        bool gone = false;
        if (shipExposed && BulletTouchesShip(shot)) {
            g.hitFlag = 1;
            gone = true;
        }
        if (clearing) gone = true;
        if (gone || shot.x < EDGE_LEFT || shot.x > EDGE_RIGHT || shot.y < EDGE_TOP ||
            shot.y > EDGE_BOTTOM) {
            FreeShot(i);
            continue;
        }
        shot.x += shot.vx;
        shot.y += shot.vy;
        if (shot.type == ANIMATED_TYPE) AnimateShot(shot);
        lastFlying = i;
    }
    g.enemyShotHighMark = lastFlying + 1;
}

void DrawEnemyShots(Painter& painter) {
    const Game& g = TheGame();
    for (int32_t i = 0; i < g.enemyShotHighMark; ++i) {
        const EnemyShot& shot = g.enemyShots[i];
        if (shot.type == 0) continue;
        const ShotDrawRoutine draw = shot.draw != nullptr ? shot.draw : DrawSpritePlain;
        draw(painter, shot.x >> 8, shot.y >> 8, shot.pictures[shot.frame]);
    }
}

} // namespace velkar
