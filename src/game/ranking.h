// The two ten-place hi-score tables.
#pragma once

#include <cstdint>

namespace velkar {

void DefaultRanking(int32_t rank); // -1 for the current GameRank
int32_t InsertRanking();           // place 0..9, or -1

} // namespace velkar

namespace velkar {

// Copies at most 10 characters of name over the name at place of the current rank's table.
void SetRankingName(int32_t place, const char* name);

} // namespace velkar
