// The player's ship: movement, camera, vulnerability, explosion and return.
#pragma once

#include <cstdint>

#include "record/record.h"

#include "gfx/sprite.h"

namespace velkar {

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
