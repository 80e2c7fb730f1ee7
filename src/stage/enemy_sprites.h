// Sprite groups of the blocks, the large and small enemies and the items.
#pragma once

#include <cstdint>

namespace velkar {

// Each returns 0, or -1 when a sprite could not be made.
int32_t MakeBlockSprites();
int32_t MakeLargeEnemySprites();
int32_t MakeSmallEnemySprites();
int32_t MakeItemSprites();

} // namespace velkar
