// The program's own game, which the rules run unless a caller points them at another, and the
// painter its frames are drawn with.
#include "gfx/canvas.h"
#include "record/record.h"

namespace velkar {

namespace {
Game ProgramGame;
} // namespace

Game* ActiveGame = &ProgramGame;
Painter ProgramPainter;

} // namespace velkar
