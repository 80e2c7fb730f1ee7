// The hi-score tables in the settings file: sections "RankNormal" and "RankHard", three keys a
// place.
#include <cstdio>
#include <cstring>

#include "game/ranking.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace velkar {

namespace {

// Written for an empty name; longer than a name can be, so it reads back as empty.
constexpr const char* EMPTY_NAME_TEXT = "(Empty)(Empty)(Empty)(Empty)(Empty)";
constexpr const char* RANK_SECTIONS[2] = {"RankNormal", "RankHard"};
constexpr int32_t NAME_READ_BUFFER = 8192;

void KeyName(char* key, size_t size, const char* stem, int32_t n) {
    std::snprintf(key, size, "%s_%d", stem, static_cast<int>(n));
}

} // namespace

void LoadRanking(const char* path) {
    char key[32];
    char name[NAME_READ_BUFFER];
    for (int32_t rank = 0; rank < 2; ++rank) {
        const char* section = RANK_SECTIONS[rank];
        for (int32_t n = 1; n <= RANKING_PLACES; ++n) {
            RankingEntry& entry = TheGame().ranking[rank][n - 1];
            KeyName(key, sizeof key, "STAGE", n);
            const int32_t stage = SettingsFileReadInt(section, key, -1, path);
            if (stage >= 0) entry.stage = stage;
            KeyName(key, sizeof key, "SCORE", n);
            const int64_t score = ReadIniInt64(section, key, -1, path);
            if (score >= 0) entry.score = score;
            KeyName(key, sizeof key, "NAME", n);
            SettingsFileReadString(section, key, "", name, NAME_READ_BUFFER, path);
            name[NAME_READ_BUFFER - 1] = '\0';
            const size_t length = std::strlen(name);
            if (length > static_cast<size_t>(RANKING_NAME_BYTES)) {
                entry.name[0] = '\0';
            } else if (length > 0) {
                std::strncpy(entry.name, name, RANKING_NAME_BYTES);
                entry.name[RANKING_NAME_BYTES] = '\0';
            }
        }
    }
}

void SaveRanking(const char* path) {
    char key[32];
    for (int32_t rank = 0; rank < 2; ++rank) {
        const char* section = RANK_SECTIONS[rank];
        for (int32_t n = 1; n <= RANKING_PLACES; ++n) {
            const RankingEntry& entry = TheGame().ranking[rank][n - 1];
            KeyName(key, sizeof key, "STAGE", n);
            WriteIniInt(section, key, entry.stage, path);
            KeyName(key, sizeof key, "SCORE", n);
            WriteIniInt64(section, key, entry.score, path);
            KeyName(key, sizeof key, "NAME", n);
            SettingsFileWriteString(section, key,
                                    entry.name[0] != '\0' ? entry.name : EMPTY_NAME_TEXT, path);
        }
    }
}

} // namespace velkar
