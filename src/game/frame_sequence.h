// One game frame: the mode machine, the play steps and the draw phase.
#pragma once

#include <cstdint>

namespace velkar {

// Runs one frame with the controls already sampled into InputBits (quit held cancels start in
// that frame); canvasBits is the FrameCanvas pixel memory.
void RunGameFrame(uint8_t* canvasBits);

// ResetGame, then the title. Returns 0.
int32_t BeginAttract();

} // namespace velkar
