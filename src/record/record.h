// The state of one game as one value, and the game the rules run.
#pragma once

#include <cstdint>

#include "record/game_types.h"

namespace velkar {

// Game modes.
enum : int32_t {
    MODE_TITLE = 0,
    MODE_KEY_ASSIGN = 1,
    MODE_RANKING = 2,
    MODE_DEMO = 3,
    MODE_PLAY = 4,
    MODE_GAME_OVER = 5,
};

constexpr int64_t SCORE_MAX = 99'999'999'999'999LL;

constexpr int32_t ViewWidth = 240;
constexpr int32_t ViewHeight = 320;

// The state of one game: everything that decides its next frames and its pictures, as one
// plain value. Copy it to keep a game as it is (a snapshot), assign it to put one back; a new
// Game is the game as a program starts. Assets (sprites, tables, the stage script) and the
// host's state (settings, controls, the Name Entry hand-off, sound, the replay recorder and
// player) are not part of it.
struct Game {
    // The record.
    int32_t gameMode = MODE_TITLE;
    int32_t modeFrame = 0;
    int64_t score = 0;
    int32_t lives = 0;
    int32_t bombs = 0;
    int32_t stageNumber = 0;
    int32_t stageLevel = 0;
    int32_t continueCount = 0;
    int32_t gameRank = 0; // 0 Normal, 1 Hard
    int32_t demoStage = 0;
    int32_t rankingPlace = -1;
    int32_t shotPower = 0;
    // The frame sequence.
    int32_t endSequence = 0;
    int32_t endCountdown = 0;
    int32_t quitRequested = 0;
    int32_t stageCleared = 0;
    int32_t gameOverFrame = 0;
    // The visible window of the playfield, in canvas pixels.
    int32_t viewX = 120;
    int32_t viewY = 320;
    // SPRITE_BLINK sprites show on frames where this is 0; it turns every frame.
    int32_t blinkPhase = 0;
    // The one random generator's state.
    uint32_t randomSeed = 1;
    // The hi-score tables in play: [rank][place], place 0 the best.
    RankingEntry ranking[2][RANKING_PLACES] = {};

    // The ship: top-left corner in 1/256 canvas pixel.
    int32_t playerX = 0;
    int32_t playerY = 0;
    int32_t playerState = PLAYER_OUT;
    int32_t hitFlag = 0;
    int32_t invulnerable = 0;
    int32_t explodeFrames = 0;
    int32_t respawnWait = 0;
    int32_t pickupGlow = 0;
    int32_t shotCooldown = 0;
    int32_t demoFireCount = 0;
    const Sprite* shipPicture = nullptr;

    // The weapons: the shots in flight, the laser and the bomb.
    PlayerShot shots[SHOT_POOL_SIZE] = {};
    int32_t shotCount = 0;
    int32_t shotFreeHint = 0; // no free entry below this index
    int32_t shotHighMark = 0; // no active entry at or above this index
    int32_t laserLength = 0;
    int32_t laserTop = 0;
    int32_t laserHit = 0;
    int32_t laserPhase = 0;
    int32_t laserToggle = 0;
    int32_t bombActive = 0;
    int32_t bombX = 0;
    int32_t bombY = 0;
    int32_t bombStage = 0;
    int32_t bombTimer = 0;
    int32_t bombPicture = 0; // the blast frame drawn, drawn from the random sequence each frame

    // Stars and particles.
    Star stars[STAR_MAX] = {};
    int32_t starCount = 0;
    Particle particles[PARTICLE_MAX] = {};
    int32_t particleCount = 0;

    // The enemies (and items, banners, score popups), their bullets and the stage script.
    EnemySlot enemies[ENEMY_SLOT_COUNT] = {};
    int32_t enemyCount = 0; // slots taken by spawns and not yet given back, 0..100
    EnemyShot enemyShots[ENEMY_SHOT_POOL_SIZE] = {};
    int32_t enemyShotCount = 0;
    int32_t enemyShotFreeHint = 0;   // no free entry below this index
    int32_t enemyShotHighMark = 0;   // no flying entry at or above this index
    const int32_t* script = nullptr; // the stage script it runs; nullptr: the shipped one
    int32_t scriptCursor = 1;
    int32_t scriptWait = 0;
    int32_t waitForClear = 0;
    int32_t stageLength = 10000;

    // The sound effects the last step started (bit n: effect n), for the host to play.
    uint32_t soundsStarted = 0;
};

// The game the rules are running: the host points it at its game (a program's one game, a
// test's own, a replay's), and every rule reads and writes that game through TheGame().
extern Game* ActiveGame;
inline Game& TheGame() {
    return *ActiveGame;
}

// A rule starts sound effect 0..31: the host plays it after the step.
inline void StartSound(int32_t effect) {
    TheGame().soundsStarted |= 1u << (effect & 31);
}

// Points the rules at another game for as long as it lives, then back at the game before.
class RunningGame {
  public:
    explicit RunningGame(Game& game) : previous(ActiveGame) { ActiveGame = &game; }
    ~RunningGame() { ActiveGame = previous; }
    RunningGame(const RunningGame&) = delete;
    RunningGame& operator=(const RunningGame&) = delete;

  private:
    Game* previous;
};

} // namespace velkar
