// Placeholder definitions until the effects land; delete when they do.
#include "player/effects.h"

namespace velkar {
int32_t SinCosTable[2][360] = {};
int32_t ParticleCount = 0;
void BuildSinCosTable() {}
int32_t InitParticles() { return 0; }
void SeedStars() {}
void StepStars() {}
void DrawStars(uint8_t*) {}
void ResetParticles() {}
void UpdateParticles() {}
void DrawParticles() {}
void EmitParticle(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}
void EmitParticleAt(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}
void SpawnExplosion(int32_t, int32_t, int32_t, int32_t) {}
void SpawnDeathBurst(int32_t, int32_t, int32_t) {}
void SpawnGlow(int32_t, int32_t) {}
void SpawnShotSpark(int32_t, int32_t, int32_t, int32_t) {}
void SpawnLaserSpark(int32_t, int32_t) {}
} // namespace velkar
