// The sound effect engine as the game sees it.
#pragma once

#include <cstdint>

namespace velkar {

// Starts effect 0..9: 0 when started or silently skipped, -1 when out of range or not loaded.
int32_t PlayEffect(int32_t number);

} // namespace velkar
