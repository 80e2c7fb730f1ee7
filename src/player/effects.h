// Visual effects: the sine table, the star field and the particle pool.
#pragma once

#include <cstdint>

#include "gfx/canvas.h"
#include "record/record.h"

namespace velkar {

// Row 0: 360 cosines, row 1: 360 sines, each 256 x the value truncated toward zero.
extern const int32_t SinCosTable[2][360];

// The particle pool, PARTICLE_MAX entries once InitParticles has succeeded; nullptr before.

int32_t InitParticles(); // allocates the particle pool; 0 or -1
void SeedStars();
void StepStars();
// Draws the stars as they were stepsBack (0 or 1) StepStars calls ago.
void DrawStars(Painter& painter, int32_t stepsBack);
void ResetParticles();
void UpdateParticles();
// At the end of a frame's step in play: each particle in use draws from the random sequence
// whether an extra pixel beside it sparkles in this frame's picture.
void PickParticleSparkles();
void DrawParticles(Painter& painter);
void EmitParticle(int32_t kind, int32_t x, int32_t y, int32_t vx, int32_t vy, int32_t life,
                  int32_t priority);
void EmitParticleAt(int32_t kind, int32_t angle, int32_t x, int32_t y, int32_t speed, int32_t life,
                    int32_t priority);
void SpawnExplosion(int32_t x, int32_t y, int32_t count, int32_t priority);
void SpawnDeathBurst(int32_t x, int32_t y, int32_t priority);
void SpawnGlow(int32_t x, int32_t y);
void SpawnShotSpark(int32_t x, int32_t y, int32_t vx, int32_t vy);
void SpawnLaserSpark(int32_t x, int32_t y);

} // namespace velkar
