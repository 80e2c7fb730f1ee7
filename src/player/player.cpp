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

int32_t PlayerX = 0;
int32_t PlayerY = 0;
int32_t PlayerState = PLAYER_OUT;
int32_t HitFlag = 0;
int32_t Invulnerable = 0;
int32_t ExplodeFrames = 0;
int32_t RespawnWait = 0;
int32_t PickupGlow = 0;
int32_t ShotCooldown = 0;
int32_t DemoFireCount = 0;
const Sprite* ShipPicture = nullptr;

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
    if (GameMode == MODE_DEMO) {
        // The demonstration ship stands still, fires and sets off a bomb every 1000 frames.
        DemoFireCount += 1;
        controls = INPUT_SHOT;
        if (DemoFireCount % DEMO_BOMB_INTERVAL == 0) controls |= INPUT_BOMB;
    }
    if (BombActive != 0) HitFlag = 0;
    bool protectedFrame = false;
    if (Invulnerable > 0) {
        Invulnerable -= 1;
        HitFlag = 0;
        protectedFrame = Invulnerable > 0;
    }
    if (!protectedFrame) {
        if (PlayerState == PLAYER_SPAWNED) PlayerState = PLAYER_VULNERABLE;
        if (HitFlag != 0) {
            PlayerState = PLAYER_EXPLODING;
            return;
        }
    }

    ShipPicture = ShipSprite;
    if (ShotCooldown > 0) ShotCooldown -= 1;
    if (PickupGlow > 0) {
        PickupGlow -= 1;
        SpawnGlow(PlayerX + CENTRE, PlayerY + CENTRE);
    }

    bool slow = false;
    if (controls & INPUT_LASER) {
        ChargeLaser();
        slow = true;
    } else if ((controls & INPUT_SHOT) && ShotCooldown == 0) {
        ShotCooldown = SHOT_INTERVAL;
        FireShot();
    }
    if (controls & INPUT_BOMB) FireBomb((PlayerX >> 8) + 16, (PlayerY >> 8) + 16, 1);

    const int32_t speed = slow ? SPEED_SLOW : SPEED_FAST;
    if (controls & INPUT_UP) PlayerY -= speed;
    if (controls & INPUT_DOWN) PlayerY += speed;
    if (controls & INPUT_LEFT) PlayerX -= speed;
    if (controls & INPUT_RIGHT) PlayerX += speed;
    PlayerX = Clamp(PlayerX, MIN_X, MAX_X);
    PlayerY = Clamp(PlayerY, MIN_Y, MAX_Y);

    // The 240-pixel view pans over the 480-pixel field as the ship crosses it.
    ViewX = 120 + ((PlayerX >> 8) - 120) * 240 / 448;
}

void Explode() {
    if (ExplodeFrames > 0) {
        ExplodeFrames -= 1;
        int32_t frame = (ExplodeFrames > 30 ? 0 : 10 - ExplodeFrames / 2) + NextRandom() % 3;
        frame = Clamp(frame, 0, 9);
        ShipPicture = ShipExplosionSprites[frame];
    } else if (RespawnWait > 0) {
        RespawnWait -= 1;
        if (RespawnWait == 0) {
            if (Lives != 0) {
                RespawnPlayer();
            } else {
                PlayerState = PLAYER_OUT;
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
    ShipPicture = ShipSprite;
    return 0;
}

bool TakeShipHit() {
    if (PlayerState != PLAYER_EXPLODING || HitFlag == 0) return false;
    PlayEffect(EFFECT_DEATH);
    Lives -= 1;
    HitFlag = 0;
    ExplodeFrames = 99;
    RespawnWait = Lives > 0 ? 30 : 200;
    Invulnerable = 200;
    for (int32_t i = 0; i < 20; ++i) {
        SpawnDeathBurst(PlayerX + CENTRE, PlayerY + CENTRE, 5000);
    }
    return true;
}

void UpdatePlayer() {
    switch (PlayerState) {
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
    if (PlayerState == PLAYER_OUT) return;
    if (ExplodeFrames > 0) {
        DrawSprite((PlayerX >> 8) - 16, (PlayerY >> 8) - 16, ShipPicture, 0);
    } else if (RespawnWait <= 0) {
        DrawSprite(PlayerX >> 8, PlayerY >> 8, ShipPicture, 0);
    }
}

void ResetPlayer() {
    PlayerX = 344 << 8;
    PlayerY = 600 << 8;
    PlayerState = PLAYER_SPAWNED;
    Bombs = 3;
    HitFlag = 0;
    ExplodeFrames = 0;
    Invulnerable = 10;
    RespawnWait = 0;
    PickupGlow = 0;
    ShotCooldown = 0;
    ShipPicture = ShipSprite;
    DemoFireCount = 0;
    RespawnPlayer();
}

void RespawnPlayer() {
    PlayerY = 580 << 8;
    PickupGlow = 0;
    ShotCooldown = 0;
    HitFlag = 0;
    Bombs = 3;
    PlayerState = PLAYER_SPAWNED;
    ShotPower = GameMode == MODE_DEMO ? 6 : 1;
}

void AddScore(int32_t points) {
    if (PlayerState != PLAYER_OUT) Score += points;
    if (Score > SCORE_MAX) Score = 99'999'999'999'900LL + points % 100;
}

} // namespace velkar
