// Cost of the player-shot pass with both pools full: 990 shots against 100 enemies.
#include <benchmark/benchmark.h>

#include "game/game_record.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "stage/collisions.h"
#include "stage/enemy_pool.h"

using namespace velkar;

namespace {

// 100 enemies whose boxes lie across the shots' rows; offField puts them beside the field so
// that every shot tests every enemy and none is hit (the pass's worst case).
void PlaceEnemies(bool offField) {
    ClearEnemyPool();
    for (int32_t i = 0; i < ENEMY_SLOT_COUNT; ++i) {
        EnemySlot* e = EnemyAlloc();
        e->state = 1;
        e->solid = 1;
        e->hitPoints = 1 << 30;
        e->x = (offField ? 640 : 120 + (i % 10) * 48) << 8;
        e->y = (500 + (i / 10) * 12) << 8;
        e->width = e->height = 32;
        e->boxRight = e->boxBottom = 32 << 8;
        TheGame().enemyCount += 1;
    }
}

void FillShots() {
    Game& g = TheGame();
    ResetWeapons();
    g.shotPower = 6;
    for (int32_t v = 0; v < 55; ++v) {
        g.playerX = (130 + (v % 11) * 40) << 8;
        g.playerY = (480 + (v / 11) * 20) << 8;
        FireShot();
    }
}

void UpdateShotsFullPools(benchmark::State& state) {
    Game& g = TheGame();
    InitEnemyPool();
    InitWeapons();
    InitParticles();
    g.gameMode = MODE_PLAY;
    g.viewX = 240;
    const bool offField = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        PlaceEnemies(offField);
        FillShots();
        ResetParticles();
        state.ResumeTiming();
        UpdateShots();
    }
    state.SetLabel(offField ? "no hits, every pair tested" : "enemies in the volleys' path");
}

} // namespace

BENCHMARK(UpdateShotsFullPools)->Arg(1)->Arg(0);
