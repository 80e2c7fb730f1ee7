// Visual effects: the whole-degree sine table, the twinkling star field and the particle pool.
#include "player/effects.h"

#include <cmath>
#include <new>

#include "base/trace.h"
#include "gfx/canvas.h"
#include "record/random.h"
#include "record/record.h"

namespace velkar {

// cos and sin of d * 0.017453292519444445 (a hair below a degree in radians), times 256 and
// truncated toward zero, for d = 0..359: the values the game has always used, kept as constants
// so that no platform's maths library can change them.
// clang-format off
const int32_t SinCosTable[2][360] = {
    {
        256, 255, 255, 255, 255, 255, 254, 254, 253, 252, 252, 251, 250, 249, 248, 247, 246, 244,
        243, 242, 240, 238, 237, 235, 233, 232, 230, 228, 226, 223, 221, 219, 217, 214, 212, 209,
        207, 204, 201, 198, 196, 193, 190, 187, 184, 181, 177, 174, 171, 167, 164, 161, 157, 154,
        150, 146, 143, 139, 135, 131, 128, 124, 120, 116, 112, 108, 104, 100, 95, 91, 87, 83, 79,
        74, 70, 66, 61, 57, 53, 48, 44, 40, 35, 31, 26, 22, 17, 13, 8, 4, 0, -4, -8, -13, -17, -22,
        -26, -31, -35, -40, -44, -48, -53, -57, -61, -66, -70, -74, -79, -83, -87, -91, -95, -100,
        -104, -108, -112, -116, -120, -124, -127, -131, -135, -139, -143, -146, -150, -154, -157,
        -161, -164, -167, -171, -174, -177, -181, -184, -187, -190, -193, -196, -198, -201, -204,
        -207, -209, -212, -214, -217, -219, -221, -223, -226, -228, -230, -232, -233, -235, -237,
        -238, -240, -242, -243, -244, -246, -247, -248, -249, -250, -251, -252, -252, -253, -254,
        -254, -255, -255, -255, -255, -255, -256, -255, -255, -255, -255, -255, -254, -254, -253,
        -252, -252, -251, -250, -249, -248, -247, -246, -244, -243, -242, -240, -238, -237, -235,
        -233, -232, -230, -228, -226, -223, -221, -219, -217, -214, -212, -209, -207, -204, -201,
        -198, -196, -193, -190, -187, -184, -181, -177, -174, -171, -167, -164, -161, -157, -154,
        -150, -146, -143, -139, -135, -131, -128, -124, -120, -116, -112, -108, -104, -100, -95,
        -91, -87, -83, -79, -74, -70, -66, -61, -57, -53, -48, -44, -40, -35, -31, -26, -22, -17,
        -13, -8, -4, 0, 4, 8, 13, 17, 22, 26, 31, 35, 40, 44, 48, 53, 57, 61, 66, 70, 74, 79, 83,
        87, 91, 95, 100, 104, 108, 112, 116, 120, 124, 127, 131, 135, 139, 143, 146, 150, 154, 157,
        161, 164, 167, 171, 174, 177, 181, 184, 187, 190, 193, 196, 198, 201, 204, 207, 209, 212,
        214, 217, 219, 221, 223, 226, 228, 230, 232, 233, 235, 237, 238, 240, 242, 243, 244, 246,
        247, 248, 249, 250, 251, 252, 252, 253, 254, 254, 255, 255, 255, 255, 255,
    },
    {
        0, 4, 8, 13, 17, 22, 26, 31, 35, 40, 44, 48, 53, 57, 61, 66, 70, 74, 79, 83, 87, 91, 95,
        100, 104, 108, 112, 116, 120, 124, 127, 131, 135, 139, 143, 146, 150, 154, 157, 161, 164,
        167, 171, 174, 177, 181, 184, 187, 190, 193, 196, 198, 201, 204, 207, 209, 212, 214, 217,
        219, 221, 223, 226, 228, 230, 232, 233, 235, 237, 238, 240, 242, 243, 244, 246, 247, 248,
        249, 250, 251, 252, 252, 253, 254, 254, 255, 255, 255, 255, 255, 256, 255, 255, 255, 255,
        255, 254, 254, 253, 252, 252, 251, 250, 249, 248, 247, 246, 244, 243, 242, 240, 238, 237,
        235, 233, 232, 230, 228, 226, 223, 221, 219, 217, 214, 212, 209, 207, 204, 201, 198, 196,
        193, 190, 187, 184, 181, 177, 174, 171, 167, 164, 161, 157, 154, 150, 146, 143, 139, 135,
        131, 128, 124, 120, 116, 112, 108, 104, 100, 95, 91, 87, 83, 79, 74, 70, 66, 61, 57, 53, 48,
        44, 40, 35, 31, 26, 22, 17, 13, 8, 4, 0, -4, -8, -13, -17, -22, -26, -31, -35, -40, -44,
        -48, -53, -57, -61, -66, -70, -74, -79, -83, -87, -91, -95, -100, -104, -108, -112, -116,
        -120, -124, -127, -131, -135, -139, -143, -146, -150, -154, -157, -161, -164, -167, -171,
        -174, -177, -181, -184, -187, -190, -193, -196, -198, -201, -204, -207, -209, -212, -214,
        -217, -219, -221, -223, -226, -228, -230, -232, -233, -235, -237, -238, -240, -242, -243,
        -244, -246, -247, -248, -249, -250, -251, -252, -252, -253, -254, -254, -255, -255, -255,
        -255, -255, -256, -255, -255, -255, -255, -255, -254, -254, -253, -252, -252, -251, -250,
        -249, -248, -247, -246, -244, -243, -242, -240, -238, -237, -235, -233, -232, -230, -228,
        -226, -223, -221, -219, -217, -214, -212, -209, -207, -204, -201, -198, -196, -193, -190,
        -187, -184, -181, -177, -174, -171, -167, -164, -161, -157, -154, -150, -146, -143, -139,
        -135, -131, -128, -124, -120, -116, -112, -108, -104, -100, -95, -91, -87, -83, -79, -74,
        -70, -66, -61, -57, -53, -48, -44, -40, -35, -31, -26, -22, -17, -13, -8, -4,
    },
};
// clang-format on

namespace {

constexpr double RADIAN_TO_DEGREE = 57.29577951471995;

// Playfield limits a particle may occupy before it is freed, in canvas pixels.
constexpr int32_t PARTICLE_LEFT = 120;
constexpr int32_t PARTICLE_RIGHT = 595;
constexpr int32_t PARTICLE_TOP = 320;
constexpr int32_t PARTICLE_BOTTOM = 643;

// A draw of NextRandom below this plots an extra neighbour pixel (7000 / 32768).
constexpr int32_t SPARKLE_CHANCE = 7000;

// The colour byte plus the twinkle offset, held within a byte rather than wrapped.
uint8_t TwinkleByte(int32_t colour, int32_t offset) {
    int32_t value = colour + offset;
    if (value < 0) value = 0;
    if (value > 255) value = 255;
    return static_cast<uint8_t>(value);
}

bool InsideCanvas(int32_t x, int32_t y) {
    return x >= 0 && x < CANVAS_WIDTH && y >= 0 && y < CANVAS_HEIGHT;
}

void PlotParticle(Painter& painter, int32_t x, int32_t y, int32_t brightness) {
    if (InsideCanvas(x, y)) PutGreyPixel(painter, x, y, brightness);
}

// Direction of (vx, vy) in whole degrees, truncated toward zero (-179..180).
int32_t DirectionOf(int64_t vx, int64_t vy) {
    return static_cast<int32_t>(std::atan2(static_cast<double>(vy), static_cast<double>(vx)) *
                                RADIAN_TO_DEGREE);
}

// Ten sparks spraying within 32 degrees either side of a direction.
void SprayAlong(int32_t x, int32_t y, int32_t direction) {
    for (int32_t i = 0; i < 10; ++i) {
        const int32_t life = 10 + (NextRandom() & 15);
        const int32_t speed = (NextRandom() & 0x5D) * 3;
        const int32_t angle = direction + (NextRandom() & 63) - 32;
        EmitParticleAt(PARTICLE_DEBRIS, angle, x, y, speed, life, 300);
    }
}

// Debris flying every way at up to two pixels per step.
void Scatter(int32_t x, int32_t y, int32_t particles, int32_t priority) {
    for (int32_t i = 0; i < particles; ++i) {
        const int32_t life = 32 + (NextRandom() & 16);
        const int32_t speed = NextRandom() & 511;
        const int32_t angle = NextRandom() % 360;
        EmitParticleAt(PARTICLE_DEBRIS, angle, x, y, speed, life, priority);
    }
}

} // namespace

void SeedStars() {
    Game& g = TheGame();
    g.starCount = STAR_MAX;
    for (int32_t i = 0; i < g.starCount; ++i) {
        Star& star = g.stars[i];
        star.x = NextRandom() % 480 + 120;
        star.y = NextRandom() % 320 + 320;
        star.col0 = NextRandom() % 254 + 1;
        star.col1 = NextRandom() % 254 + 1;
        star.col2 = NextRandom() % 254 + 1;
        do {
            star.speed = -2 + NextRandom() % 5;
        } while (star.speed == 0);
        star.counter = 0;
        star.phase = NextRandom() % 128;
    }
}

void StepStars() {
    Game& g = TheGame();
    for (int32_t i = 0; i < g.starCount; ++i) {
        Star& star = g.stars[i];
        star.counter += 1;
        if (star.counter >= star.speed) {
            star.counter = 0;
            star.y += star.speed > 0 ? 1 : -star.speed;
            if (star.y > 639) star.y -= 320;
        }
        if (star.phase >= 128) {
            star.phase = 0;
        } else {
            star.phase += 1;
        }
    }
}

namespace {

// The row and twinkle phase of a star one StepStars call ago. A step that moved the star left
// its counter at 0 (a step that did not leaves it at 1 or more), the rows wrap within 320..639,
// and the phase runs 0..128 and back to 0, so each is undone exactly.
Star StarStepBefore(const Star& star) {
    Star before = star;
    if (star.counter == 0) {
        before.y -= star.speed > 0 ? 1 : -star.speed;
        if (before.y < 320) before.y += 320;
    }
    before.phase = star.phase == 0 ? 128 : star.phase - 1;
    return before;
}

} // namespace

void DrawStars(Painter& painter, int32_t stepsBack) {
    const Game& g = TheGame();
    uint8_t* const canvasBits = painter.canvas;
    if (canvasBits == nullptr) return;
    for (int32_t i = 0; i < g.starCount; ++i) {
        const Star star = stepsBack > 0 ? StarStepBefore(g.stars[i]) : g.stars[i];
        int32_t twinkle = star.phase < 64 ? star.phase : 127 - star.phase;
        twinkle >>= 3;
        uint8_t* pixel = canvasBits + star.y * CANVAS_STRIDE + star.x * 3;
        pixel[0] = TwinkleByte(star.col0, twinkle);
        pixel[1] = TwinkleByte(star.col1, twinkle);
        pixel[2] = TwinkleByte(star.col2, twinkle);
    }
}

int32_t InitParticles() {
    ResetParticles();
    return 0;
}

void ResetParticles() {
    Game& g = TheGame();
    g.particleCount = 0;
    for (int32_t i = 0; i < PARTICLE_MAX; ++i)
        g.particles[i] = Particle{};
}

void EmitParticle(int32_t kind, int32_t x, int32_t y, int32_t vx, int32_t vy, int32_t life,
                  int32_t priority) {
    if (x < TheGame().viewX * 256 || x > (TheGame().viewX + ViewWidth - 1) * 256) return;
    if (life < 2) life = 2;
    if (TheGame().particleCount >= PARTICLE_MAX - 1 && priority <= 2000) return;

    Particle* slot = nullptr;
    for (int32_t i = 0; i < PARTICLE_MAX; ++i) {
        if (TheGame().particles[i].life == 0) {
            slot = &TheGame().particles[i];
            break;
        }
    }
    if (slot == nullptr) {
        for (int32_t i = 0; i < PARTICLE_MAX; ++i) {
            if (TheGame().particles[i].priority < priority) {
                slot = &TheGame().particles[i];
                TheGame().particleCount -= 1;
                break;
            }
        }
    }
    if (slot == nullptr) return;

    slot->kind = kind;
    slot->counter = 0;
    slot->interval = kind == PARTICLE_GLOW ? 1 : 1 + NextRandom() % 3;
    slot->life = life;
    slot->x = x;
    slot->y = y;
    slot->vx = vx;
    slot->vy = vy;
    slot->brightness = 1;
    slot->priority = priority;
    slot->sparkle = 0;
    TheGame().particleCount += 1;
}

void EmitParticleAt(int32_t kind, int32_t angle, int32_t x, int32_t y, int32_t speed, int32_t life,
                    int32_t priority) {
    int32_t degree = angle % 360;
    if (degree < 0) degree += 360;
    // Widened so that no speed can overflow the product; the division truncates toward zero.
    const int32_t vx = static_cast<int32_t>(int64_t{SinCosTable[0][degree]} * speed / 256);
    const int32_t vy = static_cast<int32_t>(int64_t{SinCosTable[1][degree]} * speed / 256);
    if (vx == 0 && vy == 0) return;
    EmitParticle(kind, x, y, vx, vy, life, priority);
}

void UpdateParticles() {
    Game& g = TheGame();
    for (int32_t i = 0; i < PARTICLE_MAX; ++i) {
        Particle& p = g.particles[i];
        if (p.life == 0) continue;
        p.counter += 1;
        if (p.counter < p.interval) continue;
        p.counter = 0;
        if (p.life > 1) {
            p.life -= 1;
            // On its last step the particle leaves the field, so the bounds test frees it.
            if (p.life == 1) p.x = 0;
        }
        if (p.kind == PARTICLE_GLOW) NextRandom();
        p.brightness = (NextRandom() & 7) + 1;
        const int32_t px = p.x >> 8;
        const int32_t py = p.y >> 8;
        if (px < PARTICLE_LEFT || px > PARTICLE_RIGHT || py < PARTICLE_TOP ||
            py > PARTICLE_BOTTOM) {
            p.life = 0;
            g.particleCount -= 1;
        } else {
            p.x += p.vx;
            p.y += p.vy;
        }
    }
}

void PickParticleSparkles() {
    for (int32_t i = 0; i < PARTICLE_MAX; ++i) {
        Particle& p = TheGame().particles[i];
        if (p.life == 0) continue;
        if (NextRandom() < SPARKLE_CHANCE) {
            p.sparkle = 1;
        } else if (NextRandom() < SPARKLE_CHANCE) {
            p.sparkle = 2;
        } else {
            p.sparkle = 0;
        }
    }
}

void DrawParticles(Painter& painter) {
    for (int32_t i = 0; i < PARTICLE_MAX; ++i) {
        const Particle& p = TheGame().particles[i];
        if (p.life == 0) continue;
        const int32_t px = p.x >> 8;
        const int32_t py = p.y >> 8;
        if (p.sparkle == 1) {
            PlotParticle(painter, px + 1, py, p.brightness);
        } else if (p.sparkle == 2) {
            PlotParticle(painter, px, py + 1, p.brightness);
        }
        PlotParticle(painter, px, py, p.brightness);
    }
}

void SpawnExplosion(int32_t x, int32_t y, int32_t count, int32_t priority) {
    Scatter(x, y, 100 * count, priority);
}

void SpawnDeathBurst(int32_t x, int32_t y, int32_t priority) {
    Scatter(x, y, 30, priority);
}

void SpawnGlow(int32_t x, int32_t y) {
    const int32_t life = 32 + (NextRandom() & 16);
    const int32_t speed = 256 + (NextRandom() & 255);
    const int32_t angle = NextRandom() % 360;
    EmitParticleAt(PARTICLE_GLOW, angle, x, y, speed, life, 1000);
}

void SpawnShotSpark(int32_t x, int32_t y, int32_t vx, int32_t vy) {
    for (int32_t i = 0; i < 3; ++i) {
        const int32_t life = 10 + (NextRandom() & 15);
        const int32_t speed = NextRandom() & 0x4E;
        const int32_t angle = NextRandom() % 360;
        EmitParticleAt(PARTICLE_DEBRIS, angle, x, y, speed, life, 300);
    }
    // Forwards and backwards along the shot's line.
    SprayAlong(x, y, DirectionOf(vx, vy));
    SprayAlong(x, y, DirectionOf(-int64_t{vx}, -int64_t{vy}));
}

void SpawnLaserSpark(int32_t x, int32_t y) {
    for (int32_t i = 0; i < 3; ++i) {
        const int32_t life = 10 + (NextRandom() & 15);
        const int32_t speed = 15 + (NextRandom() & 63);
        const int32_t jitterY = y + (NextRandom() & 0x4FF) - 0x200;
        const int32_t jitterX = x + (NextRandom() & 0x1FF) - 0x100;
        const int32_t angle = NextRandom() % 360;
        EmitParticleAt(PARTICLE_DEBRIS, angle, jitterX, jitterY, speed, life, 300);
    }
    // Twenty more fanning out to the right, within 32 degrees of the +x axis.
    for (int32_t i = 0; i < 20; ++i) {
        const int32_t life = 10 + (NextRandom() & 15);
        const int32_t speed = (NextRandom() & 0x5D) * 3;
        const int32_t jitterY = y + (NextRandom() & 0x4FF) - 0x200;
        const int32_t jitterX = x + (NextRandom() & 0x1FF) - 0x100;
        const int32_t angle = (NextRandom() & 63) - 32;
        EmitParticleAt(PARTICLE_DEBRIS, angle, jitterX, jitterY, speed, life, 300);
    }
}

} // namespace velkar
