// Game snapshots: the game's records copied out whole and put back whole.
#include "game/game_snapshot.h"

#include <cstring>
#include <type_traits>

#include "game/game_record.h"
#include "gfx/canvas.h"
#include "player/player.h"
#include "record/random.h"
#include "stage/stage_script.h"

namespace velkar {

namespace {

// Copies one record (a value or a fixed array of values): out of the game into a snapshot that
// is being taken, or back from a snapshot being restored (a const one).
template <typename Kept, typename Live> void Move(Kept& kept, Live& live) {
    static_assert(std::is_trivially_copyable_v<Live> && sizeof(Kept) == sizeof(Live));
    if constexpr (std::is_const_v<Kept>) {
        std::memcpy(&live, &kept, sizeof live);
    } else {
        std::memcpy(&kept, &live, sizeof kept);
    }
}

// The same for a pool that InitGame allocated (nothing while it does not exist).
template <typename Kept, typename T, size_t N> void MovePool(Kept (&kept)[N], T* live) {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(Kept) == sizeof(T));
    if (live == nullptr) return;
    if constexpr (std::is_const_v<Kept>) {
        std::memcpy(live, kept, sizeof kept);
    } else {
        std::memcpy(kept, live, sizeof kept);
    }
}

// Every record of the snapshot, one direction or the other; the one list of the game's state.
template <typename Snapshot> void MoveAll(Snapshot& s) {
    constexpr bool out = !std::is_const_v<Snapshot>;
    Move(s.gameMode, GameMode);
    Move(s.modeFrame, ModeFrame);
    Move(s.score, Score);
    Move(s.lives, Lives);
    Move(s.bombs, Bombs);
    Move(s.stageNumber, StageNumber);
    Move(s.stageLevel, StageLevel);
    Move(s.continueCount, ContinueCount);
    Move(s.gameRank, GameRank);
    Move(s.demoStage, DemoStage);
    Move(s.rankingPlace, RankingPlace);
    Move(s.shotPower, ShotPower);
    Move(s.endSequence, EndSequence);
    Move(s.endCountdown, EndCountdown);
    Move(s.quitRequested, QuitRequested);
    Move(s.stageCleared, StageCleared);
    Move(s.gameOverFrame, GameOverFrame);
    Move(s.viewX, ViewX);
    Move(s.viewY, ViewY);
    Move(s.blinkPhase, BlinkPhase);
    Move(s.randomSeed, RandomSeed);
    Move(s.ranking, RankingTable);

    Move(s.playerX, PlayerX);
    Move(s.playerY, PlayerY);
    Move(s.playerState, PlayerState);
    Move(s.hitFlag, HitFlag);
    Move(s.invulnerable, Invulnerable);
    Move(s.explodeFrames, ExplodeFrames);
    Move(s.respawnWait, RespawnWait);
    Move(s.pickupGlow, PickupGlow);
    Move(s.shotCooldown, ShotCooldown);
    Move(s.demoFireCount, DemoFireCount);
    Move(s.shipPicture, ShipPicture);

    Move(s.shotCount, ShotCount);
    Move(s.laserLength, LaserLength);
    Move(s.laserTop, LaserTop);
    Move(s.laserHit, LaserHit);
    Move(s.laserPhase, LaserPhase);
    Move(s.laserToggle, LaserToggle);
    Move(s.bombActive, BombActive);
    Move(s.bombX, BombX);
    Move(s.bombY, BombY);
    Move(s.bombStage, BombStage);
    Move(s.bombTimer, BombTimer);
    Move(s.bombPicture, BombPicture);
    if constexpr (out) {
        CopyShotPool(s.shots);
    } else {
        RestoreShotPool(s.shots);
    }

    Move(s.stars, Stars);
    Move(s.starCount, StarCount);
    MovePool(s.particles, ParticlePool);
    Move(s.particleCount, ParticleCount);

    MovePool(s.enemies, EnemyPool);
    Move(s.enemyCount, EnemyCount);
    MovePool(s.enemyShots, EnemyShotPool);
    if constexpr (out) {
        s.enemyShotMarks = CopyEnemyShotMarks();
    } else {
        RestoreEnemyShotMarks(s.enemyShotMarks);
    }
    Move(s.enemyShotCount, EnemyShotCount);
    Move(s.scriptCursor, ScriptCursor);
    Move(s.scriptWait, ScriptWait);
    Move(s.waitForClear, WaitForClear);
    Move(s.stageLength, StageLength);
}

} // namespace

void TakeSnapshot(GameSnapshot& out) {
    MoveAll(out);
}

void RestoreSnapshot(const GameSnapshot& in) {
    MoveAll(in);
}

} // namespace velkar
