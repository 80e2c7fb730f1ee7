// Game digests: the state that decides the next frames, the picture, and the glyphs, in 64 bits.
#include "game/game_digest.h"

#include <cstddef>
#include <initializer_list>
#include <memory>

#include "game/game_record.h"
#include "game/ranking.h"
#include "gfx/canvas.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "record/random.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_pool.h"

namespace velkar {

namespace {

constexpr uint64_t FOLD_START = 0xcbf29ce484222325ull;
constexpr uint64_t FOLD_PRIME = 0x100000001b3ull;

// Multiply-xor folding of whole words; the shift brings the high bits, where the multiply
// leaves most of its mixing, back into the low ones before the next word.
struct Fold {
    uint64_t h = FOLD_START;
    void Add(uint64_t v) {
        h = (h ^ v) * FOLD_PRIME;
        h ^= h >> 29;
    }
    void Add32(int32_t v) { Add(static_cast<uint32_t>(v)); }
};

// The bytes as little-endian 64-bit words (then the last few bytes one by one), so that the
// digest does not depend on the machine's byte order.
uint64_t WordAt(const uint8_t* p) {
    uint64_t w = 0;
    for (int i = 7; i >= 0; --i)
        w = (w << 8) | p[i];
    return w;
}

uint64_t BytesDigest(const uint8_t* bytes, size_t size) {
    // Four independent lanes keep the multiplies from waiting on each other.
    Fold lanes[4];
    size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        for (size_t lane = 0; lane < 4; ++lane)
            lanes[lane].Add(WordAt(bytes + i + lane * 8));
    }
    Fold tail;
    for (; i < size; ++i)
        tail.Add(bytes[i]);
    Fold all;
    for (const Fold& lane : lanes)
        all.Add(lane.h);
    all.Add(tail.h);
    all.Add(size);
    return all.h;
}

void AddRanking(Fold& d, const Game& g) {
    for (const auto& table : g.ranking) {
        for (const RankingEntry& entry : table) {
            d.Add32(entry.stage);
            d.Add(static_cast<uint64_t>(entry.score));
            // The name up to its terminator: bytes left beyond it by a shorter name are no part
            // of the table.
            size_t length = 0;
            while (length < sizeof entry.name && entry.name[length] != '\0')
                ++length;
            d.Add(BytesDigest(reinterpret_cast<const uint8_t*>(entry.name), length));
        }
    }
}

} // namespace

uint64_t GameStateDigest() {
    return GameStateDigest(TheGame());
}

uint64_t GameStateDigest(const Game& g) {
    Fold d;
    for (int32_t v :
         {g.gameMode, g.modeFrame, g.lives, g.bombs, g.stageNumber, g.stageLevel, g.continueCount,
          g.gameRank, g.demoStage, g.rankingPlace, g.shotPower, g.endSequence, g.endCountdown,
          g.quitRequested, g.stageCleared, g.gameOverFrame, g.viewX, g.viewY}) {
        d.Add32(v);
    }
    d.Add(static_cast<uint64_t>(g.score));
    for (int32_t v :
         {g.playerX,       g.playerY,     g.playerState,    g.hitFlag,       g.invulnerable,
          g.explodeFrames, g.respawnWait, g.pickupGlow,     g.shotCooldown,  g.demoFireCount,
          g.shotCount,     g.laserLength, g.laserTop,       g.laserHit,      g.laserPhase,
          g.laserToggle,   g.bombActive,  g.bombX,          g.bombY,         g.bombStage,
          g.bombTimer,     g.enemyCount,  g.enemyShotCount, g.particleCount, g.blinkPhase}) {
        d.Add32(v);
    }
    d.Add(g.randomSeed);
    AddRanking(d, g);
    // Only entries in use: what a free entry still holds plays no part in the game.
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        const EnemySlot& s = g.enemies[i];
        if (s.state == 0) continue;
        d.Add32(i);
        for (int32_t v : StateWords(s))
            d.Add32(v);
    }
    for (int32_t i = 0; i < ENEMY_SHOT_POOL_SIZE; ++i) {
        const EnemyShot& s = g.enemyShots[i];
        if (s.pictures[0] == nullptr) continue;
        d.Add32(i);
        for (int32_t v : StateWords(s))
            d.Add32(v);
    }
    for (int32_t i = 0; i < PARTICLE_MAX; ++i) {
        const Particle& p = g.particles[i];
        if (p.life == 0) continue;
        d.Add32(i);
        for (int32_t v : StateWords(p))
            d.Add32(v);
    }
    return d.h;
}

uint64_t ScreenDigest(const Painter& painter) {
    if (painter.screen == nullptr) return FOLD_START;
    return BytesDigest(painter.screen, static_cast<size_t>(SCREEN_STRIDE) * SCREEN_HEIGHT);
}

uint64_t GlyphDigest() {
    Fold d;
    for (int32_t code = 0; code < 128; ++code) {
        const Sprite* glyph = GlyphSprite(code);
        if (glyph == nullptr) continue;
        const std::unique_ptr<SpriteImages> images = DrawSpriteImages(*glyph);
        if (images == nullptr) continue;
        const SpriteSurface& image = images->image;
        d.Add32(code);
        d.Add32(image.width);
        d.Add32(image.height);
        d.Add(BytesDigest(image.bits.get(), static_cast<size_t>(image.width) *
                                                static_cast<size_t>(image.height) * 3));
    }
    return d.h;
}

} // namespace velkar
