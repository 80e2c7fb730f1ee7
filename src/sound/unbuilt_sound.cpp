// Placeholder definition until the effect engine lands; delete when it does.
#include "sound/sound.h"

namespace velkar {
int32_t PlayEffect(int32_t) { return -1; }
} // namespace velkar
