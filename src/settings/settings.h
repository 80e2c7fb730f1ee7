// The settings file: every setting's key, and reading and writing them with the hi-score tables.
#pragma once

#include <cstdint>

#include "base/settings_vars.h"
#include "record/record.h"

namespace velkar {

// One integer setting of the file: where it lives, its variable and the value used when the
// key is missing. The variable is a host setting (value), or a field of the game the rules run
// (gameField, value nullptr), reached at each read and write so that it is the field of the game
// running then. SettingsKeys lists every one in file order, "GameRank" first.
struct SettingsKey {
    const char* section;
    const char* key;
    int32_t* value;
    int32_t fallback;
    int32_t Game::*gameField = nullptr;
};
constexpr int32_t SETTINGS_KEY_COUNT = 14;
extern const SettingsKey SettingsKeys[SETTINGS_KEY_COUNT];

// The variable a setting is read into and written from.
inline int32_t& SettingValue(const SettingsKey& entry) {
    return entry.value != nullptr ? *entry.value : TheGame().*entry.gameField;
}

// Reads every setting and the hi-score tables from SettingsPath (start-up). A GameRank other
// than 1 reads as 0 (Normal), since the rank indexes the hi-score tables.
void ReadSettings();

// Writes every setting and the hi-score tables to SettingsPath (shutdown). Returns 0, or -1
// when the file could not be written; the game ignores the result.
int32_t WriteSettings();

// Reads and writes both hi-score tables (RankingTable) as sections "RankNormal" and "RankHard"
// of the settings file at path.
void LoadRanking(const char* path);
void SaveRanking(const char* path);

// Write value as decimal text ("%d" / 64-bit) under key of section in the file at path.
void WriteIniInt(const char* section, const char* key, int32_t value, const char* path);
void WriteIniInt64(const char* section, const char* key, int64_t value, const char* path);

// Reads key as a 64-bit decimal number; def when the key is missing or holds no number.
int64_t ReadIniInt64(const char* section, const char* key, int64_t def, const char* path);

} // namespace velkar
