// One 64-bit digest of the game state and the screen, the same on every build and platform.
#pragma once

#include <cstdint>

namespace velkar {

// A digest of the game record, the ship and weapons, the random seed, both hi-score tables,
// the enemies, enemy bullets and particles in use, and the ScreenBuffer (when it exists). Two
// runs that agree on it after a frame show the same game and the same picture. Cheap enough
// to take after every frame (a few tens of microseconds); allocates nothing.
uint64_t GameDigest();

} // namespace velkar
