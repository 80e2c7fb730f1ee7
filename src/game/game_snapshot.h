// A snapshot of one game: a copy of everything that decides its next frames and its pictures.
#pragma once

#include "record/record.h"

namespace velkar {

// A snapshot is the game itself, copied: restoring it puts the game back to that frame, and the
// frames that follow are those that followed it.
using GameSnapshot = Game;

// Between frames, after InitGame: copies the running game into out, or puts a copy back.
void TakeSnapshot(GameSnapshot& out);
void RestoreSnapshot(const GameSnapshot& in);

} // namespace velkar
