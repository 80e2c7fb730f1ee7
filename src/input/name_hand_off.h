// The Name Entry hand-off between the game and its host: the game asks for a name, the host
// asks the player and answers. Host state, not part of a game.
#pragma once

#include <atomic>
#include <cstdint>

namespace velkar {

// Between the game frame, the tick and the UI thread. The UI thread writes NameBuffer before it
// stores NameEntryDone (release); the frame loads NameEntryDone (acquire) before it reads
// NameBuffer.
extern std::atomic<int32_t> NameEntryRequested;
extern std::atomic<int32_t> NameEntryPosted;
extern std::atomic<int32_t> NameEntryDone;
extern char NameBuffer[11];

} // namespace velkar
