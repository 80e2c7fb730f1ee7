// Enemy fire: the 300-bullet pool and the firing patterns.
#pragma once

#include <cstdint>

#include "record/record.h"

#include "gfx/canvas.h"
#include "gfx/sprite.h"

namespace velkar {

struct EnemyShotType {
    const Sprite* pictures[10];
    ShotDrawRoutine draw;
    int32_t width;
    int32_t height;
    int32_t aimX; // 1/256 pixel, halved when used
    int32_t aimY;
    int32_t baseSpeed; // 1/256 pixel per frame
};

extern const EnemyShotType ShotTypeTable[6]; // type 0 is empty

int32_t InitEnemyShots(); // an empty bullet pool; 0
void ResetEnemyShots();
void UpdateEnemyShots();
void DrawEnemyShots(Painter& painter);

// Base speed of the type + 256 * (GameRank + StageLevel), 1/256 pixel per frame.
int32_t ShotSpeed(int32_t type);

// Positions are 1/256 canvas pixel, angles whole degrees (0 right, 90 down).
void SpawnEnemyShot(int32_t type, int32_t x, int32_t y, int32_t vx, int32_t vy);
void FireAtAngle(int32_t type, int32_t angle, int32_t x, int32_t y);
int32_t AimAngle(int32_t type, int32_t x, int32_t y); // -179..180
void FireAimed(int32_t x, int32_t y);
void FireAimedJitter(int32_t type, int32_t jitter, int32_t x, int32_t y);
void FireRing(int32_t n, int32_t x, int32_t y);
void FireSpread(int32_t type, int32_t n, int32_t step, int32_t x, int32_t y);
void FireRandom(int32_t x, int32_t y);
void FireDown(int32_t x, int32_t y);

} // namespace velkar
