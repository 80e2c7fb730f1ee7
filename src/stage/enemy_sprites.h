// Sprite groups of the blocks, the large and small enemies and the items.
#pragma once

#include <cstdint>

namespace velkar {

// Each returns 0; a sprite the factory could not make stays null and is drawn as a white box.
int32_t MakeBlockSprites();
int32_t MakeLargeEnemySprites();
int32_t MakeSmallEnemySprites();
int32_t MakeItemSprites();

} // namespace velkar
