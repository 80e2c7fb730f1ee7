// The program's own game, which the rules run unless a caller points them at another.
#include "record/record.h"

namespace velkar {

namespace {
Game ProgramGame;
} // namespace

Game* ActiveGame = &ProgramGame;

} // namespace velkar
