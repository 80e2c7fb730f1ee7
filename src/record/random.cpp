// The game's one random generator.
#include "record/random.h"

#include "record/record.h"

namespace velkar {


int32_t NextRandom() {
    TheGame().randomSeed = TheGame().randomSeed * 214013u + 2531011u;
    return static_cast<int32_t>((TheGame().randomSeed >> 16) & 0x7FFFu);
}

} // namespace velkar
