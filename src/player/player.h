// The player's ship: movement, camera, vulnerability, explosion and return.
#pragma once

#include <cstdint>

#include "record/record.h"

#include "gfx/canvas.h"
#include "gfx/sprite.h"

namespace velkar {

// The ship, with its marker square at the centre, and the ten frames of its explosion.
inline constexpr Sprite ShipSprite =
    DescribeSpriteEx(SHAPE_TRIANGLE_UP, 32, 32, -1, 220, 220, 255, 0, 14, 14, 18, 18);
struct ShipExplosionFrames {
    Sprite frame[10];
};
inline constexpr ShipExplosionFrames ShipExplosionSprites = [] {
    ShipExplosionFrames made{};
    for (int32_t k = 0; k < 10; ++k) {
        made.frame[k] = DescribeSprite(SHAPE_ELLIPSE | SPRITE_BLINK | SPRITE_NOMASK, 64, 64, 4 * k,
                                       255, 127, 0, 0);
    }
    return made;
}();
// A ship that was hit (exploding with HitFlag set) loses a life and bursts: true then, and the
// caller drops its power items before UpdatePlayer plays the explosion on.
bool TakeShipHit();
void UpdatePlayer();
void DrawPlayer(Painter& painter);
// The ship at the start of a game, and back after a life is lost.
void ResetPlayer();
void RespawnPlayer();
// Points for the player unless the ship is out; the score stops at SCORE_MAX.
void AddScore(int32_t points);

} // namespace velkar
