// The hi-score tables: defaults, entering a score, the player's name.
#include "game/ranking.h"

#include <cstdio>
#include <cstring>

#include "game/game_record.h"

namespace velkar {

namespace {

constexpr int32_t DEFAULT_STAGES[RANKING_PLACES] = {3, 3, 3, 3, 2, 2, 2, 2, 1, 1};
constexpr const char* DEFAULT_NAME = "NO PLAYER";
constexpr const char* NEW_ENTRY_NAME = "A SHOOTER";

int32_t RankIndex(int32_t rank) {
    return rank == 1 ? 1 : 0;
}

void SetName(RankingEntry& entry, const char* name) {
    std::strncpy(entry.name, name, RANKING_NAME_BYTES);
    entry.name[RANKING_NAME_BYTES] = '\0';
}

} // namespace

RankingEntry* CurrentRanking() {
    Game& g = TheGame();
    return g.ranking[RankIndex(g.gameRank)];
}

void DefaultRanking(int32_t rank) {
    Game& g = TheGame();
    if (rank == -1) rank = RankIndex(g.gameRank);
    if (rank != 0 && rank != 1) return;
    for (int32_t i = 0; i < RANKING_PLACES; ++i) {
        RankingEntry& entry = g.ranking[rank][i];
        entry.stage = DEFAULT_STAGES[i];
        entry.score = 110000 - 10000 * static_cast<int64_t>(i);
        SetName(entry, DEFAULT_NAME);
    }
}

int32_t RankingChangeable() {
    Game& g = TheGame();
    return g.gameMode == MODE_TITLE || g.gameMode == MODE_KEY_ASSIGN ? 1 : 0;
}

int32_t InsertRanking() {
    Game& g = TheGame();
    RankingEntry* table = CurrentRanking();
    int32_t place = 0;
    while (place < RANKING_PLACES && table[place].score >= g.score)
        ++place;
    if (place == RANKING_PLACES) return -1;
    for (int32_t i = RANKING_PLACES - 1; i > place; --i)
        table[i] = table[i - 1];
    table[place].stage = g.stageNumber;
    table[place].score = g.score;
    SetName(table[place], NEW_ENTRY_NAME);
    return place;
}

void SetRankingName(int32_t place, const char* name) {
    if (place < 0 || place >= RANKING_PLACES || name == nullptr) return;
    CopyNameCut(CurrentRanking()[place].name, name, RANKING_NAME_BYTES);
}

int32_t Utf8CharLength(const char* text) {
    const auto at = [text](int32_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = at(0);
    const int32_t size = (lead >= 0xC2 && lead <= 0xDF)   ? 2
                         : (lead >= 0xE0 && lead <= 0xEF) ? 3
                         : (lead >= 0xF0 && lead <= 0xF4) ? 4
                                                          : 1;
    // A NUL is no continuation byte, so the check never reads past the text's end.
    for (int32_t k = 1; k < size; ++k) {
        if ((at(k) & 0xC0) != 0x80) return 1;
    }
    return size;
}

int32_t NameCutLength(const char* text, int32_t maxBytes, CharLengthFn charLength) {
    if (text == nullptr || maxBytes <= 0) return 0;
    if (charLength == nullptr) charLength = Utf8CharLength;
    int32_t kept = 0;
    while (text[kept] != '\0') {
        int32_t size = charLength(text + kept);
        if (size < 1) size = 1;
        // A character may not take the terminator in: one that would counts as a lone byte.
        for (int32_t k = 1; k < size; ++k) {
            if (text[kept + k] == '\0') {
                size = 1;
                break;
            }
        }
        if (kept + size > maxBytes) break;
        kept += size;
    }
    return kept;
}

void CopyNameCut(char* dest, const char* text, int32_t maxBytes, CharLengthFn charLength) {
    const int32_t n = NameCutLength(text, maxBytes, charLength);
    if (n > 0) std::memcpy(dest, text, static_cast<size_t>(n));
    dest[n] = '\0';
}

} // namespace velkar
