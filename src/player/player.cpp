// The player's ship: controls, movement and camera, vulnerability, explosion and return.
#include "player/player.h"

#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/effects.h"
#include "player/weapons.h"
#include "record/random.h"
#include "record/record.h"

namespace velkar {

namespace {

constexpr int32_t EFFECT_DEATH = 2; // "Doooon.wav"

constexpr int32_t SPEED_FAST = 4 << 8;
constexpr int32_t SPEED_SLOW = 2 << 8;
constexpr int32_t MIN_X = 120 << 8;
constexpr int32_t MAX_X = 567 << 8;
constexpr int32_t MIN_Y = 320 << 8;
constexpr int32_t MAX_Y = 607 << 8;
constexpr int32_t CENTRE = 16 << 8; // from the ship's corner to its centre
constexpr int32_t SHOT_INTERVAL = 5;
constexpr int32_t DEMO_BOMB_INTERVAL = 1000;

int32_t Clamp(int32_t value, int32_t lo, int32_t hi) {
    return value < lo ? lo : (value > hi ? hi : value);
}

void FlyShip() {
    Game& g = TheGame();
    int32_t controls = InputBits;
    if (g.gameMode == MODE_DEMO) {
        // The demonstration ship stands still, fires and sets off a bomb every 1000 frames.
        g.demoFireCount += 1;
        controls = INPUT_SHOT;
        if (g.demoFireCount % DEMO_BOMB_INTERVAL == 0) controls |= INPUT_BOMB;
    }
    if (g.bombActive != 0) g.hitFlag = 0;
    bool protectedFrame = false;
    if (g.invulnerable > 0) {
        g.invulnerable -= 1;
        g.hitFlag = 0;
        protectedFrame = g.invulnerable > 0;
    }
    if (!protectedFrame) {
        if (g.playerState == PLAYER_SPAWNED) g.playerState = PLAYER_VULNERABLE;
        if (g.hitFlag != 0) {
            g.playerState = PLAYER_EXPLODING;
            return;
        }
    }

    g.shipPicture = &ShipSprite;
    if (g.shotCooldown > 0) g.shotCooldown -= 1;
    if (g.pickupGlow > 0) {
        g.pickupGlow -= 1;
        SpawnGlow(g.playerX + CENTRE, g.playerY + CENTRE);
    }

    bool slow = false;
    if (controls & INPUT_LASER) {
        ChargeLaser();
        slow = true;
    } else if ((controls & INPUT_SHOT) && g.shotCooldown == 0) {
        g.shotCooldown = SHOT_INTERVAL;
        FireShot();
    }
    if (controls & INPUT_BOMB) FireBomb((g.playerX >> 8) + 16, (g.playerY >> 8) + 16, 1);

    const int32_t speed = slow ? SPEED_SLOW : SPEED_FAST;
    if (controls & INPUT_UP) g.playerY -= speed;
    if (controls & INPUT_DOWN) g.playerY += speed;
    if (controls & INPUT_LEFT) g.playerX -= speed;
    if (controls & INPUT_RIGHT) g.playerX += speed;
    g.playerX = Clamp(g.playerX, MIN_X, MAX_X);
    g.playerY = Clamp(g.playerY, MIN_Y, MAX_Y);

    // The 240-pixel view pans over the 480-pixel field as the ship crosses it.
    g.viewX = 120 + ((g.playerX >> 8) - 120) * 240 / 448;
}

void Explode() {
    Game& g = TheGame();
    if (g.explodeFrames > 0) {
        g.explodeFrames -= 1;
        int32_t frame = (g.explodeFrames > 30 ? 0 : 10 - g.explodeFrames / 2) + NextRandom() % 3;
        frame = Clamp(frame, 0, 9);
        g.shipPicture = &ShipExplosionSprites.frame[frame];
    } else if (g.respawnWait > 0) {
        g.respawnWait -= 1;
        if (g.respawnWait == 0) {
            if (g.lives != 0) {
                RespawnPlayer();
            } else {
                g.playerState = PLAYER_OUT;
            }
        }
    }
}

} // namespace

bool TakeShipHit() {
    Game& g = TheGame();
    if (g.playerState != PLAYER_EXPLODING || g.hitFlag == 0) return false;
    StartSound(EFFECT_DEATH);
    g.lives -= 1;
    g.hitFlag = 0;
    g.explodeFrames = 99;
    g.respawnWait = g.lives > 0 ? 30 : 200;
    g.invulnerable = 200;
    for (int32_t i = 0; i < 20; ++i) {
        SpawnDeathBurst(g.playerX + CENTRE, g.playerY + CENTRE, 5000);
    }
    return true;
}

void UpdatePlayer() {
    switch (TheGame().playerState) {
    case PLAYER_SPAWNED:
    case PLAYER_VULNERABLE:
        FlyShip();
        break;
    case PLAYER_EXPLODING:
        Explode();
        break;
    default:
        break;
    }
}

void DrawPlayer(Painter& painter) {
    const Game& g = TheGame();
    if (g.playerState == PLAYER_OUT) return;
    if (g.explodeFrames > 0) {
        DrawSprite(painter, (g.playerX >> 8) - 16, (g.playerY >> 8) - 16, g.shipPicture, 0);
    } else if (g.respawnWait <= 0) {
        DrawSprite(painter, g.playerX >> 8, g.playerY >> 8, g.shipPicture, 0);
    }
}

void ResetPlayer() {
    Game& g = TheGame();
    g.playerX = 344 << 8;
    g.playerY = 600 << 8;
    g.playerState = PLAYER_SPAWNED;
    g.bombs = 3;
    g.hitFlag = 0;
    g.explodeFrames = 0;
    g.invulnerable = 10;
    g.respawnWait = 0;
    g.pickupGlow = 0;
    g.shotCooldown = 0;
    g.shipPicture = &ShipSprite;
    g.demoFireCount = 0;
    RespawnPlayer();
}

void RespawnPlayer() {
    Game& g = TheGame();
    g.playerY = 580 << 8;
    g.pickupGlow = 0;
    g.shotCooldown = 0;
    g.hitFlag = 0;
    g.bombs = 3;
    g.playerState = PLAYER_SPAWNED;
    g.shotPower = g.gameMode == MODE_DEMO ? 6 : 1;
}

void AddScore(int32_t points) {
    Game& g = TheGame();
    if (g.playerState != PLAYER_OUT) g.score += points;
    if (g.score > SCORE_MAX) g.score = 99'999'999'999'900LL + points % 100;
}

} // namespace velkar
