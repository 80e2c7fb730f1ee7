// The game's one random generator: a 32-bit linear congruential sequence starting from seed 1.
#pragma once

#include <cstdint>

namespace velkar {

// seed = seed * 214013 + 2531011 (wrapping); returns (seed >> 16) & 0x7FFF.
int32_t NextRandom();

} // namespace velkar
