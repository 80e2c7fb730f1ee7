// Sine table, star field and particle pool: values, rates, lifetimes, pool rules, burst draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/own_game.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "player/effects.h"
#include "record/random.h"

using namespace velkar;

namespace {

class EffectsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(InitParticles(), 0); }
    velkar_test::OwnGame game;
    int32_t LiveParticles() const {
        int32_t live = 0;
        for (int32_t i = 0; i < PARTICLE_MAX; ++i)
            live += TheGame().particles[i].life != 0 ? 1 : 0;
        return live;
    }
};

// A particle the bursts should have emitted, worked out from the random draws independently of
// the pool, in the order the bursts draw them.
struct Expected {
    int32_t x, y, vx, vy, life, interval;
};

// Turns one burst particle's angle and speed into the expected pool entry; false when the
// velocity rounds to nothing, so that nothing is emitted and no interval is drawn.
bool Expect(std::vector<Expected>& out, int32_t angle, int32_t x, int32_t y, int32_t speed,
            int32_t life) {
    const int32_t degree = ((angle % 360) + 360) % 360;
    const double radians = degree * 0.017453292519444445;
    const int32_t c = static_cast<int32_t>(std::cos(radians) * 256.0);
    const int32_t s = static_cast<int32_t>(std::sin(radians) * 256.0);
    const int32_t vx = c * speed / 256;
    const int32_t vy = s * speed / 256;
    if (vx == 0 && vy == 0) return false;
    out.push_back({x, y, vx, vy, life < 2 ? 2 : life, 1 + NextRandom() % 3});
    return true;
}

void CheckPool(const std::vector<Expected>& expected, int32_t priority) {
    Game& g = TheGame();
    ASSERT_EQ(g.particleCount, static_cast<int32_t>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        const Particle& p = g.particles[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(p.kind, PARTICLE_DEBRIS);
        EXPECT_EQ(p.x, expected[i].x);
        EXPECT_EQ(p.y, expected[i].y);
        EXPECT_EQ(p.vx, expected[i].vx);
        EXPECT_EQ(p.vy, expected[i].vy);
        EXPECT_EQ(p.life, expected[i].life);
        EXPECT_EQ(p.interval, expected[i].interval);
        EXPECT_EQ(p.priority, priority);
        EXPECT_EQ(p.brightness, 1);
    }
}

} // namespace

TEST(SinCosTable, PinnedValuesAndTruncation) {
    EXPECT_EQ(SinCosTable[0][0], 256);
    EXPECT_EQ(SinCosTable[1][1], 4);
    EXPECT_EQ(SinCosTable[0][1], 255);
    EXPECT_EQ(SinCosTable[0][180], -256);
    EXPECT_EQ(SinCosTable[1][90], 256);
    EXPECT_EQ(SinCosTable[1][270], -256);
    EXPECT_EQ(SinCosTable[0][90], 0);
    EXPECT_EQ(SinCosTable[1][359], -4);
    // The degree factor is a hair below pi/180: sin 30 falls just short of 128, cos 60 stays
    // just above it, and truncation keeps the difference.
    EXPECT_EQ(SinCosTable[1][30], 127);
    EXPECT_EQ(SinCosTable[0][60], 128);
    EXPECT_EQ(SinCosTable[0][135], -181);
    // Every entry is the truncated product the game's factor gives.
    constexpr double DEGREE_FACTOR = 0.017453292519444445;
    for (int d = 0; d < 360; ++d) {
        ASSERT_EQ(SinCosTable[0][d], static_cast<int32_t>(std::cos(d * DEGREE_FACTOR) * 256.0))
            << d;
        ASSERT_EQ(SinCosTable[1][d], static_cast<int32_t>(std::sin(d * DEGREE_FACTOR) * 256.0))
            << d;
    }
}

TEST_F(EffectsTest, SeedStarsDrawsEachStarInOrder) {
    Game& g = TheGame();
    g.randomSeed = 20240;
    SeedStars();
    ASSERT_EQ(g.starCount, 600);
    const uint32_t after = g.randomSeed;

    g.randomSeed = 20240;
    int32_t speeds[5] = {};
    for (int32_t i = 0; i < 600; ++i) {
        const Star& s = g.stars[i];
        SCOPED_TRACE(i);
        ASSERT_EQ(s.x, NextRandom() % 480 + 120);
        ASSERT_EQ(s.y, NextRandom() % 320 + 320);
        ASSERT_EQ(s.col0, NextRandom() % 254 + 1);
        ASSERT_EQ(s.col1, NextRandom() % 254 + 1);
        ASSERT_EQ(s.col2, NextRandom() % 254 + 1);
        int32_t speed = 0;
        while (speed == 0)
            speed = -2 + NextRandom() % 5;
        ASSERT_EQ(s.speed, speed);
        ASSERT_EQ(s.counter, 0);
        ASSERT_EQ(s.phase, NextRandom() % 128);
        speeds[s.speed + 2] += 1;
    }
    EXPECT_EQ(g.randomSeed, after);
    EXPECT_EQ(speeds[2], 0);
    EXPECT_GT(speeds[0], 0);
    EXPECT_GT(speeds[1], 0);
    EXPECT_GT(speeds[3], 0);
    EXPECT_GT(speeds[4], 0);
}

TEST_F(EffectsTest, StarsFallAtTheirRatesAndWrap) {
    Game& g = TheGame();
    SeedStars();
    const int32_t speeds[4] = {2, 1, -1, -2};
    for (int32_t i = 0; i < 4; ++i)
        g.stars[i] = Star{200 + i, 400, 10, 10, 10, speeds[i], 0, 0};
    g.stars[4] = Star{300, 639, 10, 10, 10, -2, 0, 0};
    g.stars[5] = Star{301, 639, 10, 10, 10, 2, 0, 0};
    g.starCount = 6;

    StepStars();
    EXPECT_EQ(g.stars[4].y, 321); // 639 + 2 wraps 320 rows up
    EXPECT_EQ(g.stars[5].y, 639); // speed 2 waits a frame first
    StepStars();
    EXPECT_EQ(g.stars[5].y, 320);
    for (int32_t frame = 2; frame < 10; ++frame)
        StepStars();
    EXPECT_EQ(g.stars[0].y, 405);
    EXPECT_EQ(g.stars[1].y, 410);
    EXPECT_EQ(g.stars[2].y, 410);
    EXPECT_EQ(g.stars[3].y, 420);
    EXPECT_EQ(g.stars[0].phase, 10);
}

TEST_F(EffectsTest, TwinklePhaseRunsToOneTwentyEightThenRestarts) {
    Game& g = TheGame();
    SeedStars();
    g.stars[0] = Star{200, 400, 10, 10, 10, 2, 0, 127};
    g.starCount = 1;
    StepStars();
    EXPECT_EQ(g.stars[0].phase, 128);
    StepStars();
    EXPECT_EQ(g.stars[0].phase, 0);
}

TEST_F(EffectsTest, DrawStarsAddsTheTwinkleAndSaturates) {
    Game& g = TheGame();
    Painter painter;
    ASSERT_EQ(CreateCanvases(painter), 0);
    const uint8_t* const canvas = painter.canvas;
    SeedStars();
    g.stars[0] = Star{120, 320, 100, 150, 200, 1, 0, 8}; // b = 1
    g.stars[1] = Star{599, 639, 254, 250, 1, 1, 0, 63};  // b = 7
    g.stars[2] = Star{300, 500, 1, 128, 254, 1, 0, 128}; // b = (127 - 128) >> 3 = -1
    g.stars[3] = Star{301, 500, 30, 40, 50, 1, 0, 64};   // b = 63 >> 3 = 7
    g.stars[4] = Star{302, 500, 30, 40, 50, 1, 0, 120};  // b = 7 >> 3 = 0
    g.starCount = 5;
    DrawStars(painter, 0);
    auto pixel = [&](int32_t x, int32_t y) { return &canvas[y * CANVAS_STRIDE + x * 3]; };
    EXPECT_EQ(pixel(120, 320)[0], 101);
    EXPECT_EQ(pixel(120, 320)[1], 151);
    EXPECT_EQ(pixel(120, 320)[2], 201);
    EXPECT_EQ(pixel(599, 639)[0], 255); // 261 held at 255 rather than wrapped to 5
    EXPECT_EQ(pixel(599, 639)[1], 255);
    EXPECT_EQ(pixel(599, 639)[2], 8);
    EXPECT_EQ(pixel(300, 500)[0], 0);
    EXPECT_EQ(pixel(300, 500)[1], 127);
    EXPECT_EQ(pixel(300, 500)[2], 253);
    EXPECT_EQ(pixel(301, 500)[0], 37);
    EXPECT_EQ(pixel(302, 500)[0], 30);
    int32_t written = 0;
    for (int32_t i = 0; i < CANVAS_STRIDE * CANVAS_HEIGHT; ++i)
        written += canvas[i] != 0 ? 1 : 0;
    EXPECT_EQ(written, 14); // five pixels, one byte of which became 0
}

TEST_F(EffectsTest, EmissionOutsideTheViewColumnsIsDropped) {
    Game& g = TheGame();
    g.viewX = 200;
    EmitParticle(PARTICLE_GLOW, 200 * 256 - 1, 400 * 256, 256, 0, 10, 100);
    EmitParticle(PARTICLE_GLOW, 150 * 256, 400 * 256, 256, 0, 10, 100); // in the field
    EmitParticle(PARTICLE_GLOW, 439 * 256 + 1, 400 * 256, 256, 0, 10, 100);
    EXPECT_EQ(g.particleCount, 0);
    EmitParticle(PARTICLE_GLOW, 200 * 256, 400 * 256, 256, 0, 10, 100);
    EmitParticle(PARTICLE_GLOW, 439 * 256, 400 * 256, 256, 0, 10, 100);
    EXPECT_EQ(g.particleCount, 2);
    EXPECT_EQ(LiveParticles(), 2);
}

TEST_F(EffectsTest, ShortestLifeIsRemovedAtTheFirstStepWithoutMoving) {
    Game& g = TheGame();
    EmitParticle(PARTICLE_GLOW, 300 * 256, 400 * 256, 0, 256, 0, 100);
    ASSERT_EQ(g.particleCount, 1);
    EXPECT_EQ(g.particles[0].life, 2); // raised to the minimum
    EXPECT_EQ(g.particles[0].interval, 1);
    UpdateParticles();
    EXPECT_EQ(g.particleCount, 0);
    EXPECT_EQ(g.particles[0].life, 0);
    EXPECT_EQ(g.particles[0].y, 400 * 256);
}

TEST_F(EffectsTest, LifeFortyEightMovesFortySixTimes) {
    Game& g = TheGame();
    EmitParticle(PARTICLE_GLOW, 300 * 256, 400 * 256, 0, 256, 48, 100);
    int32_t steps = 0;
    while (g.particles[0].life != 0 && steps < 100) {
        UpdateParticles();
        ++steps;
        ASSERT_GE(g.particles[0].brightness, 1);
        ASSERT_LE(g.particles[0].brightness, 8);
    }
    EXPECT_EQ(steps, 47);
    EXPECT_EQ(g.particles[0].y, 446 * 256);
    EXPECT_EQ(g.particleCount, 0);
}

TEST_F(EffectsTest, DebrisStepsOnItsOwnInterval) {
    Game& g = TheGame();
    EmitParticle(PARTICLE_DEBRIS, 300 * 256, 400 * 256, 256, 0, 30, 100);
    const int32_t interval = g.particles[0].interval;
    ASSERT_GE(interval, 1);
    ASSERT_LE(interval, 3);
    for (int32_t frame = 1; frame <= 3 * interval; ++frame)
        UpdateParticles();
    EXPECT_EQ(g.particles[0].x, 303 * 256);
    EXPECT_EQ(g.particles[0].life, 27);
}

TEST_F(EffectsTest, ParticlesLeavingThePlayfieldAreFreed) {
    Game& g = TheGame();
    g.viewX = 359;
    EmitParticle(PARTICLE_GLOW, 595 * 256 + 255, 400 * 256, 0, 0, 10, 100); // stays
    EmitParticle(PARTICLE_GLOW, 596 * 256, 400 * 256, 0, 0, 10, 100);       // freed
    EmitParticle(PARTICLE_GLOW, 400 * 256, 643 * 256 + 255, 0, 0, 10, 100); // stays
    EmitParticle(PARTICLE_GLOW, 400 * 256, 644 * 256, 0, 0, 10, 100);       // freed
    EmitParticle(PARTICLE_GLOW, 400 * 256, 320 * 256 - 1, 0, 0, 10, 100);   // freed
    ASSERT_EQ(g.particleCount, 5);
    UpdateParticles();
    EXPECT_EQ(g.particleCount, 2);
    EXPECT_NE(g.particles[0].life, 0);
    EXPECT_EQ(g.particles[1].life, 0);
    EXPECT_NE(g.particles[2].life, 0);
    EXPECT_EQ(g.particles[3].life, 0);
    EXPECT_EQ(g.particles[4].life, 0);
}

TEST_F(EffectsTest, NearlyFullPoolKeepsRoomForHighPriority) {
    Game& g = TheGame();
    for (int32_t i = 0; i < 499; ++i) {
        EmitParticle(PARTICLE_GLOW, 300 * 256, 400 * 256, 256, 0, 40, i == 0 ? 4000 : 100);
    }
    ASSERT_EQ(g.particleCount, 499);
    EmitParticle(PARTICLE_GLOW, 300 * 256, 400 * 256, 0, 256, 40, 500);
    EmitParticle(PARTICLE_GLOW, 300 * 256, 400 * 256, 0, 256, 40, 2000);
    SpawnExplosion(300 * 256, 400 * 256, 1, 500);
    EXPECT_EQ(g.particleCount, 499);
    EXPECT_EQ(g.particles[499].life, 0);

    EmitParticle(PARTICLE_GLOW, 300 * 256, 400 * 256, 0, 256, 40, 2001); // the free slot
    EXPECT_EQ(g.particleCount, 500);
    EXPECT_EQ(g.particles[499].priority, 2001);

    // Full: the first entry of lower priority gives way, not the lowest priority.
    EmitParticle(PARTICLE_GLOW, 300 * 256, 400 * 256, 0, 512, 40, 5000);
    EXPECT_EQ(g.particleCount, 500);
    EXPECT_EQ(g.particles[0].priority, 5000);
    EXPECT_EQ(g.particles[0].vy, 512);
    EmitParticle(PARTICLE_GLOW, 300 * 256, 400 * 256, 0, 512, 40, 3000);
    EXPECT_EQ(g.particles[1].priority, 3000);

    SpawnDeathBurst(300 * 256, 400 * 256, 5000);
    EXPECT_EQ(g.particleCount, 500);
    int32_t deathParticles = 0;
    for (int32_t i = 0; i < PARTICLE_MAX; ++i) {
        deathParticles += g.particles[i].priority == 5000 ? 1 : 0;
    }
    EXPECT_GT(deathParticles, 1); // speed 0 draws emit nothing, so up to 30 take places
    EXPECT_LE(deathParticles, 31);
}

TEST_F(EffectsTest, EmitParticleAtTurnsAngleAndSpeedIntoAVelocity) {
    Game& g = TheGame();
    const uint32_t before = g.randomSeed;
    EmitParticleAt(PARTICLE_GLOW, 0, 300 * 256, 400 * 256, 0, 20, 100);
    EmitParticleAt(PARTICLE_GLOW, 45, 300 * 256, 400 * 256, 1, 20, 100); // 181/256 -> 0
    EXPECT_EQ(g.particleCount, 0);
    EXPECT_EQ(g.randomSeed, before);

    EmitParticleAt(PARTICLE_GLOW, -1, 300 * 256, 400 * 256, 256, 20, 100);
    EmitParticleAt(PARTICLE_GLOW, 719, 300 * 256, 400 * 256, 256, 20, 100);
    EmitParticleAt(PARTICLE_GLOW, 135, 300 * 256, 400 * 256, 100, 20, 100);
    ASSERT_EQ(g.particleCount, 3);
    EXPECT_EQ(g.particles[0].vx, 255);
    EXPECT_EQ(g.particles[0].vy, -4);
    EXPECT_EQ(g.particles[1].vx, 255);
    EXPECT_EQ(g.particles[1].vy, -4);
    EXPECT_EQ(g.particles[2].vx, -70); // -18100 / 256 truncates toward zero
    EXPECT_EQ(g.particles[2].vy, 70);
}

TEST_F(EffectsTest, ExplosionDrawsLifeSpeedAngleForEachParticle) {
    Game& g = TheGame();
    g.randomSeed = 777;
    const int32_t x = 240 * 256, y = 480 * 256;
    SpawnExplosion(x, y, 2, 1234);
    const uint32_t after = g.randomSeed;

    g.randomSeed = 777;
    std::vector<Expected> expected;
    for (int32_t i = 0; i < 200; ++i) {
        const int32_t life = 32 + (NextRandom() & 16);
        const int32_t speed = NextRandom() & 511;
        const int32_t angle = NextRandom() % 360;
        Expect(expected, angle, x, y, speed, life);
    }
    EXPECT_EQ(g.randomSeed, after);
    EXPECT_GT(expected.size(), 190u);
    CheckPool(expected, 1234);
}

TEST_F(EffectsTest, GlowIsOneSlowStepKindTwoParticle) {
    Game& g = TheGame();
    g.randomSeed = 99;
    SpawnGlow(300 * 256, 400 * 256);
    g.randomSeed = 99;
    const int32_t life = 32 + (NextRandom() & 16);
    const int32_t speed = 256 + (NextRandom() & 255);
    const int32_t angle = NextRandom() % 360;
    ASSERT_EQ(g.particleCount, 1);
    const Particle& p = g.particles[0];
    EXPECT_EQ(p.kind, PARTICLE_GLOW);
    EXPECT_EQ(p.interval, 1);
    EXPECT_EQ(p.life, life);
    EXPECT_EQ(p.priority, 1000);
    EXPECT_EQ(p.vx, SinCosTable[0][angle] * speed / 256);
    EXPECT_EQ(p.vy, SinCosTable[1][angle] * speed / 256);
}

TEST_F(EffectsTest, ShotSparkSpraysAlongTheShotLineWithTruncatedAngles) {
    Game& g = TheGame();
    // (256, 1) points at 0.22 degrees, so a = 0; (-256, -1) points at -179.78, which
    // truncates to -179 (flooring would give -180).
    g.randomSeed = 4242;
    const int32_t x = 300 * 256, y = 400 * 256;
    SpawnShotSpark(x, y, 256, 1);
    const uint32_t after = g.randomSeed;

    g.randomSeed = 4242;
    std::vector<Expected> expected;
    for (int32_t i = 0; i < 3; ++i) {
        const int32_t life = 10 + (NextRandom() & 15);
        const int32_t speed = NextRandom() & 0x4E;
        Expect(expected, NextRandom() % 360, x, y, speed, life);
    }
    for (int32_t direction : {0, -179}) {
        for (int32_t i = 0; i < 10; ++i) {
            const int32_t life = 10 + (NextRandom() & 15);
            const int32_t speed = (NextRandom() & 0x5D) * 3;
            Expect(expected, direction + (NextRandom() & 63) - 32, x, y, speed, life);
        }
    }
    EXPECT_EQ(g.randomSeed, after);
    CheckPool(expected, 300);
}

TEST_F(EffectsTest, ShotSparkStraightUpSpraysUpAndDown) {
    Game& g = TheGame();
    SpawnShotSpark(300 * 256, 400 * 256, 0, -1024);
    int32_t up = 0, down = 0;
    for (int32_t i = 0; i < g.particleCount; ++i) {
        // Particles past the first three belong to the two sprays, at -90 +-32 and 90 +-32.
        if (g.particles[i].vy < 0) up += 1;
        if (g.particles[i].vy > 0) down += 1;
    }
    EXPECT_GE(up, 5);
    EXPECT_GE(down, 5);
}

TEST_F(EffectsTest, LaserSparkJittersYBeforeX) {
    Game& g = TheGame();
    g.randomSeed = 31337;
    const int32_t x = 300 * 256, y = 400 * 256;
    SpawnLaserSpark(x, y);
    const uint32_t after = g.randomSeed;

    g.randomSeed = 31337;
    std::vector<Expected> expected;
    for (int32_t i = 0; i < 23; ++i) {
        const int32_t life = 10 + (NextRandom() & 15);
        const int32_t speed = i < 3 ? 15 + (NextRandom() & 63) : (NextRandom() & 0x5D) * 3;
        const int32_t jy = y + (NextRandom() & 0x4FF) - 0x200;
        const int32_t jx = x + (NextRandom() & 0x1FF) - 0x100;
        const int32_t angle = i < 3 ? NextRandom() % 360 : (NextRandom() & 63) - 32;
        Expect(expected, angle, jx, jy, speed, life);
    }
    EXPECT_EQ(g.randomSeed, after);
    CheckPool(expected, 300);
}

// Each step gives a particle a brightness of 1..8 from one draw, a glow particle after a draw it
// throws away; drawing plots the grey 32 x brightness (held at 255) at the particle and, by two
// draws of 7000 in 32768, also at the pixel to its right or else the one below.
TEST_F(EffectsTest, ParticlesTakeABrightnessEachStepAndPlotItsGrey) {
    Game& g = TheGame();
    constexpr int32_t COUNT = 60;
    for (int32_t i = 0; i < COUNT; ++i) {
        const int32_t kind = i % 3 == 0 ? PARTICLE_GLOW : PARTICLE_DEBRIS;
        EmitParticle(kind, (130 + 4 * (i % 30)) << 8, (400 + 4 * (i / 30)) << 8, 0, 0, 10, 100);
        g.particles[i].interval = 1; // every particle steps on every update
    }
    ASSERT_EQ(g.particleCount, COUNT);
    g.randomSeed = 2024;
    UpdateParticles();
    const uint32_t afterUpdate = g.randomSeed;
    g.randomSeed = 2024;
    int32_t seen[9] = {};
    for (int32_t i = 0; i < COUNT; ++i) {
        if (i % 3 == 0) NextRandom();
        const int32_t brightness = (NextRandom() & 7) + 1;
        ASSERT_EQ(g.particles[i].brightness, brightness) << i;
        seen[brightness] += 1;
    }
    ASSERT_EQ(g.randomSeed, afterUpdate);
    EXPECT_GT(seen[1], 0);
    EXPECT_GT(seen[8], 0);

    Painter painter;
    ASSERT_EQ(CreateCanvases(painter), 0);
    std::vector<uint8_t> expected(CANVAS_STRIDE * CANVAS_HEIGHT, 0);
    g.randomSeed = 77;
    PickParticleSparkles();
    const uint32_t afterDraw = g.randomSeed;
    DrawParticles(painter);
    DrawParticles(painter); // drawing again draws nothing new and takes no random number
    ASSERT_EQ(g.randomSeed, afterDraw);
    g.randomSeed = 77;
    int32_t right = 0, below = 0;
    for (int32_t i = 0; i < COUNT; ++i) {
        const Particle& p = g.particles[i];
        const int32_t grey = std::min(32 * p.brightness, 255);
        auto plot = [&](int32_t x, int32_t y) {
            for (int32_t c = 0; c < 3; ++c)
                expected[y * CANVAS_STRIDE + x * 3 + c] = static_cast<uint8_t>(grey);
        };
        const int32_t x = p.x >> 8, y = p.y >> 8;
        if (NextRandom() < 7000) {
            plot(x + 1, y);
            right += 1;
        } else if (NextRandom() < 7000) {
            plot(x, y + 1);
            below += 1;
        }
        plot(x, y);
    }
    EXPECT_EQ(g.randomSeed, afterDraw);
    EXPECT_GT(right, 0);
    EXPECT_GT(below, 0);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), painter.canvas));
}

TEST_F(EffectsTest, ParticleOffTheCanvasIsNotPlotted) {
    Game& g = TheGame();
    // Emission checks only the columns; a particle emitted far above the canvas is drawn
    // before its first step frees it, and must not write outside the canvas.
    Painter painter;
    ASSERT_EQ(CreateCanvases(painter), 0);
    EmitParticle(PARTICLE_GLOW, 300 * 256, -5000 * 256, 0, 0, 10, 100);
    EmitParticle(PARTICLE_GLOW, 300 * 256, 4000 * 256, 0, 0, 10, 100);
    ASSERT_EQ(g.particleCount, 2);
    PickParticleSparkles();
    DrawParticles(painter);
    int32_t written = 0;
    for (int32_t i = 0; i < CANVAS_STRIDE * CANVAS_HEIGHT; ++i)
        written += painter.canvas[i] != 0 ? 1 : 0;
    EXPECT_EQ(written, 0);
    UpdateParticles();
    EXPECT_EQ(g.particleCount, 0);
}
