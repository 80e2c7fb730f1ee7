// The player's ship: controls, movement and camera, vulnerability, explosion and return.
#include "player/player.h"

#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/effects.h"
#include "player/weapons.h"
#include "record/random.h"
#include "record/record.h"
#include "sound/sound.h"

namespace velkar {


Sprite* ShipSprite = nullptr;
Sprite* ShipExplosionSprites[10] = {};

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
    int32_t controls = InputBits;
    if (TheGame().gameMode == MODE_DEMO) {
        // The demonstration ship stands still, fires and sets off a bomb every 1000 frames.
        TheGame().demoFireCount += 1;
        controls = INPUT_SHOT;
        if (TheGame().demoFireCount % DEMO_BOMB_INTERVAL == 0) controls |= INPUT_BOMB;
    }
    if (TheGame().bombActive != 0) TheGame().hitFlag = 0;
    bool protectedFrame = false;
    if (TheGame().invulnerable > 0) {
        TheGame().invulnerable -= 1;
        TheGame().hitFlag = 0;
        protectedFrame = TheGame().invulnerable > 0;
    }
    if (!protectedFrame) {
        if (TheGame().playerState == PLAYER_SPAWNED) TheGame().playerState = PLAYER_VULNERABLE;
        if (TheGame().hitFlag != 0) {
            TheGame().playerState = PLAYER_EXPLODING;
            return;
        }
    }

    TheGame().shipPicture = ShipSprite;
    if (TheGame().shotCooldown > 0) TheGame().shotCooldown -= 1;
    if (TheGame().pickupGlow > 0) {
        TheGame().pickupGlow -= 1;
        SpawnGlow(TheGame().playerX + CENTRE, TheGame().playerY + CENTRE);
    }

    bool slow = false;
    if (controls & INPUT_LASER) {
        ChargeLaser();
        slow = true;
    } else if ((controls & INPUT_SHOT) && TheGame().shotCooldown == 0) {
        TheGame().shotCooldown = SHOT_INTERVAL;
        FireShot();
    }
    if (controls & INPUT_BOMB) FireBomb((TheGame().playerX >> 8) + 16, (TheGame().playerY >> 8) + 16, 1);

    const int32_t speed = slow ? SPEED_SLOW : SPEED_FAST;
    if (controls & INPUT_UP) TheGame().playerY -= speed;
    if (controls & INPUT_DOWN) TheGame().playerY += speed;
    if (controls & INPUT_LEFT) TheGame().playerX -= speed;
    if (controls & INPUT_RIGHT) TheGame().playerX += speed;
    TheGame().playerX = Clamp(TheGame().playerX, MIN_X, MAX_X);
    TheGame().playerY = Clamp(TheGame().playerY, MIN_Y, MAX_Y);

    // The 240-pixel view pans over the 480-pixel field as the ship crosses it.
    TheGame().viewX = 120 + ((TheGame().playerX >> 8) - 120) * 240 / 448;
}

void Explode() {
    if (TheGame().explodeFrames > 0) {
        TheGame().explodeFrames -= 1;
        int32_t frame = (TheGame().explodeFrames > 30 ? 0 : 10 - TheGame().explodeFrames / 2) + NextRandom() % 3;
        frame = Clamp(frame, 0, 9);
        TheGame().shipPicture = ShipExplosionSprites[frame];
    } else if (TheGame().respawnWait > 0) {
        TheGame().respawnWait -= 1;
        if (TheGame().respawnWait == 0) {
            if (TheGame().lives != 0) {
                RespawnPlayer();
            } else {
                TheGame().playerState = PLAYER_OUT;
            }
        }
    }
}

} // namespace

int32_t MakePlayerSprites() {
    // A sprite the factory cannot make stays null and shows as a white box.
    ShipSprite = DescribeSpriteEx(SHAPE_TRIANGLE_UP, 32, 32, -1, 220, 220, 255, 0, 14, 14, 18, 18);
    for (int32_t k = 0; k < 10; ++k) {
        ShipExplosionSprites[k] = DescribeSprite(SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK, 64,
                                                 64, 4 * k, 255, 127, 0, 0);
    }
    TheGame().shipPicture = ShipSprite;
    return 0;
}

bool TakeShipHit() {
    if (TheGame().playerState != PLAYER_EXPLODING || TheGame().hitFlag == 0) return false;
    PlayEffect(EFFECT_DEATH);
    TheGame().lives -= 1;
    TheGame().hitFlag = 0;
    TheGame().explodeFrames = 99;
    TheGame().respawnWait = TheGame().lives > 0 ? 30 : 200;
    TheGame().invulnerable = 200;
    for (int32_t i = 0; i < 20; ++i) {
        SpawnDeathBurst(TheGame().playerX + CENTRE, TheGame().playerY + CENTRE, 5000);
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

void DrawPlayer() {
    if (TheGame().playerState == PLAYER_OUT) return;
    if (TheGame().explodeFrames > 0) {
        DrawSprite((TheGame().playerX >> 8) - 16, (TheGame().playerY >> 8) - 16, TheGame().shipPicture, 0);
    } else if (TheGame().respawnWait <= 0) {
        DrawSprite(TheGame().playerX >> 8, TheGame().playerY >> 8, TheGame().shipPicture, 0);
    }
}

void ResetPlayer() {
    TheGame().playerX = 344 << 8;
    TheGame().playerY = 600 << 8;
    TheGame().playerState = PLAYER_SPAWNED;
    TheGame().bombs = 3;
    TheGame().hitFlag = 0;
    TheGame().explodeFrames = 0;
    TheGame().invulnerable = 10;
    TheGame().respawnWait = 0;
    TheGame().pickupGlow = 0;
    TheGame().shotCooldown = 0;
    TheGame().shipPicture = ShipSprite;
    TheGame().demoFireCount = 0;
    RespawnPlayer();
}

void RespawnPlayer() {
    TheGame().playerY = 580 << 8;
    TheGame().pickupGlow = 0;
    TheGame().shotCooldown = 0;
    TheGame().hitFlag = 0;
    TheGame().bombs = 3;
    TheGame().playerState = PLAYER_SPAWNED;
    TheGame().shotPower = TheGame().gameMode == MODE_DEMO ? 6 : 1;
}

void AddScore(int32_t points) {
    if (TheGame().playerState != PLAYER_OUT) TheGame().score += points;
    if (TheGame().score > SCORE_MAX) TheGame().score = 99'999'999'999'900LL + points % 100;
}

} // namespace velkar
