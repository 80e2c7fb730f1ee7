// The player's weapons: the rapid shot, the laser and the bomb.
#pragma once

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

int32_t InitWeapons();     // shot pool, shot and laser sprites; 0 or -1
int32_t MakeBombSprites(); // the 20 blast frames; 0 or -1
void ResetWeapons();
void FireShot();
void ChargeLaser();
void UpdateShots();
void FireBomb(int32_t x, int32_t y, int32_t withSound); // x, y in canvas pixels
void UpdateBomb();
// At the end of a frame's step: while the bomb is active, draws its blast picture at random
// from the three frames at its stage.
void PickBombPicture();
void DrawShots();
void DrawLaser();
void DrawBomb();

} // namespace velkar
