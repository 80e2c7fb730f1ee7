// Builds velkar-sim's JSON view of the game state.
#include "sim_state.h"

#include "sim_settings.h"

#include <cinttypes>
#include <cstdio>

#include "game/game_record.h"
#include "game/random.h"
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

void Add(std::string& out, const char* key, int64_t value) {
    char text[64];
    std::snprintf(text, sizeof text, "\"%s\":%" PRId64 ",", key, value);
    out += text;
}

} // namespace

std::string StateJson(int64_t framesRun, const std::string& effectsJson) {
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
    out += RankingJson();
    if (!effectsJson.empty()) {
        out += ",\"effects\":";
        out += effectsJson;
    }
    out += "}";
    return out;
}

} // namespace velkar::sim
