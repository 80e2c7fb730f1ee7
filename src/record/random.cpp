// The game's one random generator.
#include "record/random.h"

namespace velkar {

uint32_t RandomSeed = 1;

int32_t NextRandom() {
    RandomSeed = RandomSeed * 214013u + 2531011u;
    return static_cast<int32_t>((RandomSeed >> 16) & 0x7FFFu);
}

} // namespace velkar
