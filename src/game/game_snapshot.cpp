// Game snapshots: the running game copied out whole and put back whole.
#include "game/game_snapshot.h"

#include <type_traits>

namespace velkar {

static_assert(std::is_trivially_copyable_v<Game>, "a game is copied as plain data");

void TakeSnapshot(GameSnapshot& out) {
    out = TheGame();
}

void RestoreSnapshot(const GameSnapshot& in) {
    TheGame() = in;
}

} // namespace velkar
