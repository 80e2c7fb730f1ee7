// Collects the games a replay ends, for velkar-sim's JSON.
#include "replay_games.h"

#include <cinttypes>
#include <cstdio>

#include "game/game_record.h"
#include "game/ranking.h"
#include "replay/replay.h"
#include "sim_settings.h"

namespace velkar::sim {

void EndedGames::AfterFrame(int64_t frame) {
    Game& g = TheGame();
    const int32_t mode = g.gameMode;
    if (mode == MODE_GAME_OVER && lastMode_ != MODE_GAME_OVER) {
        // The first game-over frame has inserted the score (place -1 when it was too low).
        EndedGame game;
        game.frame = frame;
        game.rank = g.gameRank == 1 ? 1 : 0;
        game.score = g.score;
        game.stage = g.stageNumber;
        game.place = g.rankingPlace;
        games_.push_back(game);
        nameAsked_ = 0;
    }
    if (mode == MODE_GAME_OVER && !games_.empty()) {
        const int32_t asked = NameEntryRequested.load();
        // The frame that takes the answer closes the request; an empty answer is a cancel.
        if (nameAsked_ != 0 && asked == 0 && NameBuffer[0] != '\0') {
            char cut[RANKING_NAME_BYTES + 1];
            CopyNameCut(cut, NameBuffer, RANKING_NAME_BYTES);
            games_.back().named = true;
            games_.back().name = cut;
        }
        nameAsked_ = asked;
    }
    lastMode_ = mode;
}

std::string EndedGames::Json() const {
    std::string out = "\"games\":[";
    for (size_t i = 0; i < games_.size(); ++i) {
        const EndedGame& g = games_[i];
        char text[200];
        std::snprintf(text, sizeof text,
                      "%s{\"frame\":%" PRId64 ",\"rank\":%d,\"score\":%" PRId64
                      ",\"stage\":%d,\"place\":%d,\"name\":",
                      i == 0 ? "" : ",", g.frame, g.rank, g.score, g.stage, g.place);
        out += text;
        out += g.named ? JsonString(g.name.c_str()) : std::string("null");
        out += '}';
    }
    out += ']';
    return out;
}

std::string ReplayJson(const EndedGames* games) {
    const PlaybackResult r = PlaybackOutcome();
    const char* state = r.state == PLAYBACK_MATCHED      ? "matched"
                        : r.state == PLAYBACK_NO_CLOSING ? "no-closing"
                        : r.state == PLAYBACK_DIFFERS    ? "differs"
                                                         : "unfinished";
    char text[160];
    std::snprintf(text, sizeof text,
                  "\"replay\":{\"state\":\"%s\",\"frames\":%" PRId64 ",\"screenCompared\":%s,",
                  state, r.framesPlayed, r.screenCompared ? "true" : "false");
    std::string out = text;
    out += "\"detail\":";
    out += JsonString(DescribePlayback(r).c_str());
    if (games != nullptr) {
        out += ',';
        out += games->Json();
    }
    out += '}';
    return out;
}

} // namespace velkar::sim
