// One game frame: the mode machine, the play steps and the draw phase.
#pragma once

#include <cstdint>

#include "gfx/canvas.h"
#include "record/record.h"

namespace velkar {

// Runs one frame with the controls already sampled into InputBits (quit held cancels start in
// that frame), drawn with the painter. The same as StepGameFrame, then PlayStartedSounds, then
// DrawGameFrame.
void RunGameFrame(Painter& painter);
// The frame's rules: everything the frame does to the game. The sound effects it starts are
// noted in the game (soundsStarted), not played.
void StepGameFrame();
// Plays the sound effects the game's last step started, each on its own voice.
void PlayStartedSounds(const Game& game);
// The frame's picture: draws the game as the last step left it onto the painter's canvas and
// copies the view to its screen buffer. It changes nothing in the game, so a frame whose picture
// nobody looks at need not be drawn, and drawing a frame late gives the same picture.
void DrawGameFrame(Painter& painter);

// The same on a game of the caller's own: its step, and its picture (which reads it only).
void StepGameFrame(Game& game);
void DrawGameFrame(const Game& game, Painter& painter);

// ResetGame, then the title. Returns 0.
int32_t BeginAttract();

} // namespace velkar
