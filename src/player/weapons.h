// The player's weapons: the rapid shot, the laser and the bomb.
#pragma once

#include <bitset>
#include <cstdint>

namespace velkar {

extern int32_t ShotCount;
extern int32_t LaserLength;
extern int32_t LaserTop;
extern int32_t LaserHit;
extern int32_t LaserPhase;
extern int32_t LaserToggle;
extern int32_t BombActive;
extern int32_t BombX;
extern int32_t BombY;
extern int32_t BombStage;
extern int32_t BombTimer;
extern int32_t BombPicture; // the blast frame drawn, drawn from the random sequence each frame

// The player's shots in flight: a pool of SHOT_POOL_SIZE entries and two marks kept inside
// weapons.cpp; a snapshot of the game copies them whole.
constexpr int32_t SHOT_POOL_SIZE = 1000;
constexpr int32_t SHOT_SIZE = 4 << 8; // the side of a shot's hit square, 1/256 canvas pixel
struct PlayerShot {
    int32_t kind; // volley row - 4
    int32_t active;
    int32_t x, y; // top-left of the 4 x 4 hit square, 1/256 canvas pixel
    int32_t vx, vy;
};
struct ShotPoolCopy {
    PlayerShot shots[SHOT_POOL_SIZE];
    int32_t freeHint; // no free entry below this index
    int32_t highMark; // no flying entry at or above this index
};
void CopyShotPool(ShotPoolCopy& out);
void RestoreShotPool(const ShotPoolCopy& in);

int32_t InitWeapons();     // shot pool, shot and laser sprites; 0 or -1
int32_t MakeBombSprites(); // the 20 blast frames; 0 or -1
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
void DrawShots();
void DrawLaser();
void DrawBomb();

} // namespace velkar
