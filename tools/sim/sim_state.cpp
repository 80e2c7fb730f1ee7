// Builds velkar-sim's JSON view of the game state.
#include "sim_state.h"

#include "sim_settings.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "game/game_record.h"
#include "gfx/canvas.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "record/random.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_pool.h"

namespace velkar::sim {

uint64_t ScreenHash() {
    uint64_t hash = 0xcbf29ce484222325ull;
    if (ProgramPainter.screen == nullptr) return hash;
    const size_t size = static_cast<size_t>(SCREEN_STRIDE) * SCREEN_HEIGHT;
    for (size_t i = 0; i < size; ++i) {
        hash ^= ProgramPainter.screen[i];
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
    Game& g = TheGame();
    Digest d;
    for (int64_t v : {int64_t{g.gameMode},      int64_t{g.modeFrame},     g.score,
                      int64_t{g.lives},         int64_t{g.bombs},         int64_t{g.stageNumber},
                      int64_t{g.stageLevel},    int64_t{g.gameRank},      int64_t{g.shotPower},
                      int64_t{g.playerState},   int64_t{g.playerX},       int64_t{g.playerY},
                      int64_t{g.viewX},         int64_t{g.enemyCount},    int64_t{g.enemyShotCount},
                      int64_t{g.shotCount},     int64_t{g.particleCount}, int64_t{g.bombActive},
                      int64_t{g.bombStage},     int64_t{g.laserLength},   int64_t{g.laserTop},
                      int64_t{g.stageCleared},  int64_t{g.endSequence},   int64_t{g.endCountdown},
                      int64_t{g.continueCount}, int64_t{g.demoStage},     int64_t{g.randomSeed}}) {
        d.Add(static_cast<uint64_t>(v));
    }
    // Only entries in use: what a free entry still holds does not matter to the game.
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        const EnemySlot& s = g.enemies[i];
        if (s.state == 0) continue;
        d.Add(static_cast<uint32_t>(i));
        for (int32_t v : StateWords(s))
            d.Add(static_cast<uint32_t>(v));
    }
    for (int32_t i = 0; i < ENEMY_SHOT_POOL_SIZE; ++i) {
        const EnemyShot& s = g.enemyShots[i];
        if (s.type == 0) continue;
        d.Add(static_cast<uint32_t>(i));
        for (int32_t v : StateWords(s))
            d.Add(static_cast<uint32_t>(v));
    }
    for (int32_t i = 0; i < PARTICLE_MAX; ++i) {
        const Particle& p = g.particles[i];
        if (p.life == 0) continue;
        d.Add(static_cast<uint32_t>(i));
        for (int32_t v : StateWords(p))
            d.Add(static_cast<uint32_t>(v));
    }
    // The screen in four interleaved lanes of 8-byte words, each a plain multiply chain (a
    // changed bit always changes its lane), folded into the digest at the end: little per frame.
    if (ProgramPainter.screen != nullptr) {
        const size_t words = static_cast<size_t>(SCREEN_STRIDE) * SCREEN_HEIGHT / 8;
        uint64_t lanes[4] = {1, 2, 3, 4};
        for (size_t i = 0; i + 4 <= words; i += 4) {
            uint64_t w[4];
            std::memcpy(w, ProgramPainter.screen + i * 8, sizeof w);
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
    Add(out, "GameMode", TheGame().gameMode);
    Add(out, "ModeFrame", TheGame().modeFrame);
    Add(out, "Score", TheGame().score);
    Add(out, "Lives", TheGame().lives);
    Add(out, "Bombs", TheGame().bombs);
    Add(out, "StageNumber", TheGame().stageNumber);
    Add(out, "StageLevel", TheGame().stageLevel);
    Add(out, "GameRank", TheGame().gameRank);
    Add(out, "ShotPower", TheGame().shotPower);
    Add(out, "PlayerState", TheGame().playerState);
    Add(out, "PlayerX", TheGame().playerX);
    Add(out, "PlayerY", TheGame().playerY);
    Add(out, "ViewX", TheGame().viewX);
    Add(out, "EnemyCount", TheGame().enemyCount);
    Add(out, "EnemyShotCount", TheGame().enemyShotCount);
    Add(out, "ShotCount", TheGame().shotCount);
    Add(out, "ParticleCount", TheGame().particleCount);
    Add(out, "BombActive", TheGame().bombActive);
    Add(out, "LaserLength", TheGame().laserLength);
    Add(out, "StageCleared", TheGame().stageCleared);
    Add(out, "EndSequence", TheGame().endSequence);
    Add(out, "EndCountdown", TheGame().endCountdown);
    Add(out, "RankingPlace", TheGame().rankingPlace);
    Add(out, "ContinueCount", TheGame().continueCount);
    Add(out, "DemoStage", TheGame().demoStage);
    Add(out, "Seed", TheGame().randomSeed);
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
