// A test's own game: a new Game, which the rules run on for as long as the OwnGame lives, so a
// test starts from a game as a program starts it and leaves nothing behind for the next.
#pragma once

#include <memory>

#include "record/record.h"

namespace velkar_test {

class OwnGame {
  public:
    velkar::Game& operator*() { return *game; }
    velkar::Game* operator->() { return game.get(); }

  private:
    std::unique_ptr<velkar::Game> game = std::make_unique<velkar::Game>();
    velkar::RunningGame running{*game};
};

} // namespace velkar_test
