// The player's weapons: the rapid shot, the laser and the bomb.
#pragma once

#include <bitset>
#include <cstdint>

#include "gfx/canvas.h"
#include "record/record.h"

namespace velkar {

// The player's shots in flight: a pool of SHOT_POOL_SIZE entries and two marks kept inside
// weapons.cpp; a snapshot of the game copies them whole.

int32_t InitWeapons(); // an empty shot pool; 0
void ResetWeapons();
void FireShot();
void ChargeLaser();
// The shot pool and its high mark (no shot flies at or above it), for the collision pass.
const PlayerShot* ShotsInFlight(int32_t& highMark);
// Each flying shot moves on, or leaves the pool when the collision pass marked it as a hit or
// it has left the field.
void MoveShots(const std::bitset<SHOT_POOL_SIZE>& hit);
// The beam's blink, and its length shortened; true while a beam is out (then the collision pass
// finds what it strikes).
bool AdvanceLaser();
void FireBomb(int32_t x, int32_t y, int32_t withSound); // x, y in canvas pixels
// The blast's stage moves on; true if a bomb was active this frame (it does damage).
bool AdvanceBomb();
// At the end of a frame's step: while the bomb is active, draws its blast picture at random
// from the three frames at its stage.
void PickBombPicture();
void DrawShots(Painter& painter);
void DrawLaser(Painter& painter);
void DrawBomb(Painter& painter);

} // namespace velkar
