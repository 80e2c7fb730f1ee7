// The player's ship: movement, camera, vulnerability, explosion and return.
#pragma once

#include <cstdint>

#include "gfx/sprite.h"

namespace velkar {

enum : int32_t {
    PLAYER_OUT = 0,
    PLAYER_SPAWNED = 1,
    PLAYER_VULNERABLE = 2,
    PLAYER_EXPLODING = 3,
};

extern int32_t PlayerX; // top-left corner, 1/256 canvas pixel
extern int32_t PlayerY;
extern int32_t PlayerState;
extern int32_t HitFlag;
extern int32_t Invulnerable;
extern int32_t ExplodeFrames;
extern int32_t RespawnWait;
extern int32_t PickupGlow;
extern int32_t ShotCooldown;
extern int32_t DemoFireCount;
extern const Sprite* ShipPicture;

extern Sprite* ShipSprite;
extern Sprite* ShipExplosionSprites[10];

int32_t MakePlayerSprites(); // 0, or -1
// A ship that was hit (exploding with HitFlag set) loses a life and bursts: true then, and the
// caller drops its power items before UpdatePlayer plays the explosion on.
bool TakeShipHit();
void UpdatePlayer();
void DrawPlayer();
// The ship at the start of a game, and back after a life is lost.
void ResetPlayer();
void RespawnPlayer();
// Points for the player unless the ship is out; the score stops at SCORE_MAX.
void AddScore(int32_t points);

} // namespace velkar
