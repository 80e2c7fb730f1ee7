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
void UpdatePlayer();
void DrawPlayer();

} // namespace velkar
