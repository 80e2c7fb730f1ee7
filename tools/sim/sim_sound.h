// velkar-sim's effect loading through the recording (silent) voices.
#pragma once

#include <string>

namespace velkar::sim {

// Opens the sound engine over the null voices with effects read from waveDir only; returns
// the "effects" JSON array: ten {"file","bytes"} with the loaded size or the reader's code.
std::string LoadEffectsJson(const std::string& waveDir);

} // namespace velkar::sim
