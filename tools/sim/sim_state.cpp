// Builds velkar-sim's JSON view of the game state.
#include "sim_state.h"

#include "sim_settings.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "game/game_record.h"
#include "record/random.h"
#include "gfx/canvas.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_pool.h"

namespace velkar::sim {

uint64_t ScreenHash() {
    uint64_t hash = 0xcbf29ce484222325ull;
    if (ScreenBufferBits == nullptr) return hash;
    const size_t size = static_cast<size_t>(SCREEN_STRIDE) * SCREEN_HEIGHT;
    for (size_t i = 0; i < size; ++i) {
        hash ^= ScreenBufferBits[i];
        hash *= 0x100000001b3ull;
    }
    return hash;
}

namespace {

// Folds 64-bit values into a hash; the shift carries high bits back into the low ones.
struct Digest {
    uint64_t h = 0xcbf29ce484222325ull;
    void Add(uint64_t v) {
        h = (h ^ v) * 0x100000001b3ull;
        h ^= h >> 32;
    }
};

} // namespace

uint64_t FrameDigest() {
    Digest d;
    for (int64_t v : {int64_t{GameMode},      int64_t{ModeFrame},     Score,
                      int64_t{Lives},         int64_t{Bombs},         int64_t{StageNumber},
                      int64_t{StageLevel},    int64_t{GameRank},      int64_t{ShotPower},
                      int64_t{PlayerState},   int64_t{PlayerX},       int64_t{PlayerY},
                      int64_t{ViewX},         int64_t{EnemyCount},    int64_t{EnemyShotCount},
                      int64_t{ShotCount},     int64_t{ParticleCount}, int64_t{BombActive},
                      int64_t{BombStage},     int64_t{LaserLength},   int64_t{LaserTop},
                      int64_t{StageCleared},  int64_t{EndSequence},   int64_t{EndCountdown},
                      int64_t{ContinueCount}, int64_t{DemoStage},     int64_t{RandomSeed}}) {
        d.Add(static_cast<uint64_t>(v));
    }
    // Only entries in use: what a free entry still holds does not matter to the game.
    if (EnemyPool != nullptr) {
        for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
            const EnemySlot& s = EnemyPool[i];
            if (s.state == 0) continue;
            for (int32_t v : {i, s.state, s.flags, s.hitPoints, s.hit, s.solid, s.x, s.y, s.width,
                              s.height, s.boxLeft, s.boxTop, s.boxRight, s.boxBottom, s.word1,
                              s.word2, s.word3, s.word4}) {
                d.Add(static_cast<uint32_t>(v));
            }
        }
    }
    if (EnemyShotPool != nullptr) {
        for (int32_t i = 0; i < ENEMY_SHOT_POOL_SIZE; ++i) {
            const EnemyShot& s = EnemyShotPool[i];
            if (s.type == 0) continue;
            for (int32_t v : {i, s.type, s.x, s.y, s.vx, s.vy, s.frame, s.animCount})
                d.Add(static_cast<uint32_t>(v));
        }
    }
    if (ParticlePool != nullptr) {
        for (int32_t i = 0; i < PARTICLE_MAX; ++i) {
            const Particle& p = ParticlePool[i];
            if (p.life == 0) continue;
            for (int32_t v : {i, p.kind, p.counter, p.interval, p.life, p.x, p.y, p.vx, p.vy,
                              p.brightness, p.priority}) {
                d.Add(static_cast<uint32_t>(v));
            }
        }
    }
    // The screen in four interleaved lanes of 8-byte words, each a plain multiply chain (a
    // changed bit always changes its lane), folded into the digest at the end: little per frame.
    if (ScreenBufferBits != nullptr) {
        const size_t words = static_cast<size_t>(SCREEN_STRIDE) * SCREEN_HEIGHT / 8;
        uint64_t lanes[4] = {1, 2, 3, 4};
        for (size_t i = 0; i + 4 <= words; i += 4) {
            uint64_t w[4];
            std::memcpy(w, ScreenBufferBits + i * 8, sizeof w);
            for (size_t lane = 0; lane < 4; ++lane)
                lanes[lane] = (lanes[lane] ^ w[lane]) * 0x100000001b3ull;
        }
        for (uint64_t lane : lanes)
            d.Add(lane);
    }
    return d.h;
}

namespace {

void Add(std::string& out, const char* key, int64_t value) {
    char text[64];
    std::snprintf(text, sizeof text, "\"%s\":%" PRId64 ",", key, value);
    out += text;
}

} // namespace

std::string StateJson(int64_t framesRun, const std::string& effectsJson,
                      const std::string& members) {
    std::string out = "{";
    Add(out, "frame", framesRun);
    Add(out, "GameMode", GameMode);
    Add(out, "ModeFrame", ModeFrame);
    Add(out, "Score", Score);
    Add(out, "Lives", Lives);
    Add(out, "Bombs", Bombs);
    Add(out, "StageNumber", StageNumber);
    Add(out, "StageLevel", StageLevel);
    Add(out, "GameRank", GameRank);
    Add(out, "ShotPower", ShotPower);
    Add(out, "PlayerState", PlayerState);
    Add(out, "PlayerX", PlayerX);
    Add(out, "PlayerY", PlayerY);
    Add(out, "ViewX", ViewX);
    Add(out, "EnemyCount", EnemyCount);
    Add(out, "EnemyShotCount", EnemyShotCount);
    Add(out, "ShotCount", ShotCount);
    Add(out, "ParticleCount", ParticleCount);
    Add(out, "BombActive", BombActive);
    Add(out, "LaserLength", LaserLength);
    Add(out, "StageCleared", StageCleared);
    Add(out, "EndSequence", EndSequence);
    Add(out, "EndCountdown", EndCountdown);
    Add(out, "RankingPlace", RankingPlace);
    Add(out, "ContinueCount", ContinueCount);
    Add(out, "DemoStage", DemoStage);
    Add(out, "Seed", RandomSeed);
    char hash[40];
    std::snprintf(hash, sizeof hash, "\"ScreenHash\":\"%016" PRIx64 "\"", ScreenHash());
    out += hash;
    out += ',';
    out += SettingsJson();
    out += ',';
    if (!members.empty()) {
        out += members;
        out += ',';
    }
    out += RankingJson();
    if (!effectsJson.empty()) {
        out += ",\"effects\":";
        out += effectsJson;
    }
    out += "}";
    return out;
}

} // namespace velkar::sim
