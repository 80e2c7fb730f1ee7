// The plain data a game is made of: enemy slots, enemy bullets, the player's shots, stars,
// particles and hi-score entries, with the sizes of their pools. The rooms that run them keep
// their functions; the types live here so that one value can hold a whole game.
#pragma once

#include <array>
#include <cstdint>

#include "gfx/sprite.h"

namespace velkar {

enum : int32_t {
    PLAYER_OUT = 0,
    PLAYER_SPAWNED = 1,
    PLAYER_VULNERABLE = 2,
    PLAYER_EXPLODING = 3,
};

constexpr int32_t ENEMY_SLOT_COUNT = 100;

struct EnemySlot;
struct Painter;
using EnemyRoutine = void (*)(EnemySlot* slot);
// A slot's own drawing: it reads the slot and draws with the painter.
using EnemyDrawRoutine = void (*)(Painter& painter, const EnemySlot* slot);

// One entry of the pool. Positions are the top-left corner in 1/256 canvas pixel, sizes whole
// pixels, the hit box offsets from (x, y) in 1/256 pixel.
struct EnemySlot {
    int32_t state;     // 0: free; otherwise the type's own phase, frame count or countdown
    int32_t flags;     // bit 0: drawn with the flash picture this frame
    int32_t hitPoints; // never below 0; 0 means destroyed for an enemy
    int32_t hit;       // set to 1 by any damage; the type's update turns it into the flash bit
    int32_t solid;     // 1: touches the ship's body and may fire
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t boxLeft;
    int32_t boxTop;
    int32_t boxRight;
    int32_t boxBottom;
    EnemyRoutine update;        // called once per frame while the slot is in use
    EnemyDrawRoutine drawExtra; // second draw pass; a slot with one is skipped by the sprite pass
    const Sprite* sprite;       // drawn by the sprite pass, or nullptr
    // Four type-specific words (counters, velocities, death timer, item kind, popup points).
    int32_t word1;
    int32_t word2;
    int32_t word3;
    int32_t word4;
};

constexpr int32_t ENEMY_SHOT_POOL_SIZE = 300;
constexpr int32_t ENEMY_SHOT_LIMIT = 299; // no bullet is created while this many are flying

using ShotDrawRoutine = void (*)(Painter& painter, int32_t x, int32_t y, const Sprite* sprite);

struct EnemyShot {
    int32_t type; // 1..5
    int32_t x;    // top-left corner, 1/256 canvas pixel
    int32_t y;
    int32_t width; // pixels
    int32_t height;
    int32_t vx; // 1/256 pixel per frame
    int32_t vy;
    int32_t boxWidth; // width * 256
    int32_t boxHeight;
    int32_t frame;              // animation picture shown, 0..3
    int32_t animCount;          // 0..24
    const Sprite* pictures[10]; // pictures[0] != nullptr: the shot is flying
    ShotDrawRoutine draw;
};

constexpr int32_t SHOT_POOL_SIZE = 1000;
constexpr int32_t SHOT_SIZE = 4 << 8; // the side of a shot's hit square, 1/256 canvas pixel
struct PlayerShot {
    int32_t kind; // volley row - 4
    int32_t active;
    int32_t x, y; // top-left of the 4 x 4 hit square, 1/256 canvas pixel
    int32_t vx, vy;
};

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

// The words of an enemy slot, a bullet and a particle in use that decide what the game does
// next, in the order the digests fold them.
inline std::array<int32_t, 17> StateWords(const EnemySlot& s) {
    return {s.state,     s.flags, s.hitPoints, s.hit,     s.solid,  s.x,
            s.y,         s.width, s.height,    s.boxLeft, s.boxTop, s.boxRight,
            s.boxBottom, s.word1, s.word2,     s.word3,   s.word4};
}
inline std::array<int32_t, 7> StateWords(const EnemyShot& s) {
    return {s.type, s.x, s.y, s.vx, s.vy, s.frame, s.animCount};
}
inline std::array<int32_t, 10> StateWords(const Particle& p) {
    return {p.kind, p.counter, p.interval, p.life, p.x, p.y, p.vx, p.vy, p.brightness, p.priority};
}

constexpr int32_t RANKING_PLACES = 10;
constexpr int32_t RANKING_NAME_BYTES = 10; // a name holds at most 10 bytes and a NUL

struct RankingEntry {
    int32_t stage;
    int64_t score;
    char name[RANKING_NAME_BYTES + 1];
};

} // namespace velkar
