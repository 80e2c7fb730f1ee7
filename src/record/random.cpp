// The game's one random generator.
#include "record/random.h"

#include "record/record.h"

namespace velkar {

int32_t NextRandom() {
    Game& g = TheGame();
    g.randomSeed = g.randomSeed * 214013u + 2531011u;
    return static_cast<int32_t>((g.randomSeed >> 16) & 0x7FFFu);
}

} // namespace velkar
