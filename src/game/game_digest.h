// Digests of the game: its state, its screen and the glyphs its text is drawn with, 64 bits each,
// the same on every build and platform for the same game.
#pragma once

#include <cstdint>

#include "gfx/canvas.h"
#include "record/record.h"

namespace velkar {

// The game record, the ship and weapons, the random seed, both hi-score tables, and the enemies,
// enemy bullets and particles in use: everything that decides the frames to come. A few
// microseconds; allocates nothing.
uint64_t GameStateDigest(const Game& game);
// The same for the game the rules run.
uint64_t GameStateDigest();

// The painter's screen buffer's bytes (a fixed value while it does not exist). A few tens of
// microseconds.
uint64_t ScreenDigest(const Painter& painter);

// The glyph pictures that text is drawn with. They come from the platform's font, so two programs
// show the same game on the same screen only when this agrees.
uint64_t GlyphDigest();

} // namespace velkar
