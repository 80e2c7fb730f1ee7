// The game state as one line of JSON, as velkar-sim prints it.
#pragma once

#include <cstdint>
#include <string>

namespace velkar::sim {

// FNV-1a 64 of the ScreenBuffer bytes.
uint64_t ScreenHash();

// A 64-bit digest of this frame's game state (the record, the random seed, the enemies, enemy
// bullets and particles in use) and of the screen. Chained frame after frame it pins a whole run.
uint64_t FrameDigest();

// One JSON object (no newline) with the frame count and the game record; effectsJson, when
// not empty, is added as "effects"; members, when not empty, holds more members ("key":value,...)
// put between "settings" and "ranking".
std::string StateJson(int64_t framesRun, const std::string& effectsJson = std::string(),
                      const std::string& members = std::string());

} // namespace velkar::sim
