// The games a replay played to their end, as the game put them into its hi-score table: what
// `velkar-sim --replay FILE --json` reports and the score board ranks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velkar::sim {

struct EndedGame {
    int64_t frame = 0;  // the frame (0-based) in which the game over began
    int32_t rank = 0;   // GameRank then: 0 Normal, 1 Hard
    int64_t score = 0;  // the score the game put into its table
    int32_t stage = 0;  // the stage it reached
    int32_t place = -1; // its place in the table (0 best), or -1 when it did not make it
    bool named = false; // a name was typed in Name Entry (not cancelled, not yet asked)
    std::string name;   // that name, as the table keeps it
};

// Watches the game after each frame, reading only: a game ends when it enters the game-over
// screen (a continue keeps it in play; quitting to the title ends no game).
class EndedGames {
  public:
    void AfterFrame(int64_t frame);
    const std::vector<EndedGame>& Games() const { return games_; }
    // "games":[{...},...] as a JSON member.
    std::string Json() const;

  private:
    std::vector<EndedGame> games_;
    int32_t lastMode_ = -1;
    int32_t nameAsked_ = 0; // the game over screen had a Name Entry open after the last frame
};

// The playback's outcome and the ended games as one JSON member: "replay":{...} (without
// "games" when games is null: a seek does not watch the frames it plays).
std::string ReplayJson(const EndedGames* games);

} // namespace velkar::sim
