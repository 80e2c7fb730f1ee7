// Starting and resetting a game, and the Name Entry hand-off between the game and its host.
#pragma once

#include <atomic>
#include <cstdint>

#include "record/record.h"

namespace velkar {

// Name entry hand-off between the game frame, the tick and the UI thread. The UI thread
// writes NameBuffer before it stores NameEntryDone (release); the frame loads NameEntryDone
// (acquire) before it reads NameBuffer.
extern std::atomic<int32_t> NameEntryRequested;
extern std::atomic<int32_t> NameEntryPosted;
extern std::atomic<int32_t> NameEntryDone;
extern char NameBuffer[11];

// Start-up initialisation: tables, sprites, pools, defaults. 0 on success, -1 on failure.
int32_t InitGame();
void ResetGame();

} // namespace velkar
