// Placeholder definitions until the ship and its weapons land; delete when they do.
#include "player/player.h"
#include "player/weapons.h"

namespace velkar {
int32_t PlayerX = 0, PlayerY = 0, PlayerState = 0, HitFlag = 0, Invulnerable = 0;
int32_t ExplodeFrames = 0, RespawnWait = 0, PickupGlow = 0, ShotCooldown = 0, DemoFireCount = 0;
const Sprite* ShipPicture = nullptr;
Sprite* ShipSprite = nullptr;
Sprite* ShipExplosionSprites[10] = {};
int32_t MakePlayerSprites() { return 0; }
void UpdatePlayer() {}
void DrawPlayer() {}

int32_t ShotCount = 0, LaserLength = 0, LaserTop = 0, LaserHit = 0, LaserPhase = 0;
int32_t LaserToggle = 0, BombActive = 0, BombX = 0, BombY = 0, BombStage = 0, BombTimer = 0;
int32_t InitWeapons() { return 0; }
int32_t MakeBombSprites() { return 0; }
void ResetWeapons() {}
void FireShot() {}
void ChargeLaser() {}
void UpdateShots() {}
void FireBomb(int32_t, int32_t, int32_t) {}
void UpdateBomb() {}
void DrawShots() {}
void DrawLaser() {}
void DrawBomb() {}
} // namespace velkar
