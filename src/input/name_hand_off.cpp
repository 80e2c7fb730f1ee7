// The Name Entry hand-off's values at start-up.
#include "input/name_hand_off.h"

namespace velkar {

std::atomic<int32_t> NameEntryRequested{0};
std::atomic<int32_t> NameEntryPosted{0};
std::atomic<int32_t> NameEntryDone{0};
char NameBuffer[11] = {};

} // namespace velkar
