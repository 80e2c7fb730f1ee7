// The two ten-place hi-score tables.
#pragma once

#include <cstdint>

#include "record/record.h"

namespace velkar {

// Index = GameRank (0 Normal, 1 Hard); place 0 is the best.

void DefaultRanking(int32_t rank); // -1 for the current GameRank
// 1 where the rank may change and a table be cleared: the title and key assignment screens,
// where no game is in play.
int32_t RankingChangeable();
int32_t InsertRanking(); // place 0..9, or -1

// The table of the current GameRank (1 Hard, any other value Normal).
RankingEntry* CurrentRanking();

// How many bytes the character at the start of text takes in the text's encoding (text[0] is not
// NUL). Values below 1 count as 1; a length that would reach past the text's end counts as 1.
using CharLengthFn = int32_t (*)(const char* text);

// UTF-8: 2, 3 or 4 for a lead byte followed by its continuation bytes, else 1 (a byte that does
// not start a well-formed sequence stands alone).
int32_t Utf8CharLength(const char* text);

// How many bytes of text to keep so that at most maxBytes remain, cutting only between
// characters of the text's encoding: a character that would be split is left out whole.
int32_t NameCutLength(const char* text, int32_t maxBytes, CharLengthFn charLength = Utf8CharLength);

// Copies text cut by NameCutLength into dest (which holds maxBytes + 1) and terminates it.
void CopyNameCut(char* dest, const char* text, int32_t maxBytes,
                 CharLengthFn charLength = Utf8CharLength);

} // namespace velkar

namespace velkar {

// Copies at most 10 characters of name over the name at place of the current rank's table.
void SetRankingName(int32_t place, const char* name);

} // namespace velkar
