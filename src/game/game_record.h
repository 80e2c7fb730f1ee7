// Starting and resetting a game.
#pragma once

#include <cstdint>

#include "input/name_hand_off.h"
#include "record/record.h"

namespace velkar {

// Start-up initialisation: the pools, the star field and the defaults. 0 on success, -1 on failure.
int32_t InitGame();
void ResetGame();

} // namespace velkar
