// Visual effects: the sine table, the star field and the particle pool.
#pragma once

#include <cstdint>

namespace velkar {

// Row 0: 360 cosines, row 1: 360 sines, each 256 x the value truncated toward zero.
extern int32_t SinCosTable[2][360];
extern int32_t ParticleCount;

constexpr int32_t STAR_MAX = 600;
constexpr int32_t PARTICLE_MAX = 500;

enum : int32_t {
    PARTICLE_DEBRIS = 1, // debris and sparks
    PARTICLE_GLOW = 2,
};

struct Star {
    int32_t x;                // canvas pixel column, 120..599
    int32_t y;                // canvas pixel row, 320..639
    int32_t col0, col1, col2; // colour bytes in pixel byte order, 1..254
    int32_t speed;            // -2, -1, 1 or 2
    int32_t counter;          // frames since the last step
    int32_t phase;            // twinkle phase 0..128
};

struct Particle {
    int32_t kind;     // PARTICLE_DEBRIS or PARTICLE_GLOW
    int32_t counter;  // frames since the last step
    int32_t interval; // frames per step
    int32_t life;     // steps left; 0 means free
    int32_t x, y;     // position, 1/256 canvas pixel
    int32_t vx, vy;   // velocity per step, 1/256 canvas pixel
    int32_t brightness;
    int32_t priority; // protects the particle from being replaced
    int32_t sparkle;  // the extra pixel drawn this frame: 0 none, 1 to the right, 2 below
};

extern Star Stars[STAR_MAX];
extern int32_t StarCount;
// The particle pool, PARTICLE_MAX entries once InitParticles has succeeded; nullptr before.
extern Particle* ParticlePool;

void BuildSinCosTable();
int32_t InitParticles(); // allocates the particle pool; 0 or -1
void SeedStars();
void StepStars();
// Draws the stars as they were stepsBack (0 or 1) StepStars calls ago.
void DrawStars(uint8_t* canvasBits, int32_t stepsBack);
void ResetParticles();
void UpdateParticles();
// At the end of a frame's step in play: each particle in use draws from the random sequence
// whether an extra pixel beside it sparkles in this frame's picture.
void PickParticleSparkles();
void DrawParticles();
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
