// Reading the settings at start-up and writing them at shutdown, through the settings-file seam.
#include <cinttypes>
#include <cstdio>

#include "game/game_record.h"
#include "game/ranking.h"
#include "settings/ini_codec.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace velkar {

const SettingsKey SettingsKeys[SETTINGS_KEY_COUNT] = {
    {"GAME", "GameRank", nullptr, 0, &Game::gameRank},
    {"DISPLAY", "ScreenDevice", &ScreenDevice, 0},
    {"DISPLAY", "ScreenResolution", &ScreenResolution, 0},
    {"DISPLAY", "ScreenBpp", &ScreenBpp, 16},
    {"DISPLAY", "DisablePrimSurf", &DisablePrimSurf, 0},
    {"SOUND", "SoundVolume1", &SoundVolume1, 100},
    {"SOUND", "SoundVolume2", &SoundVolume2, 100},
    {"SOUND", "EnableSound", &EnableSound, 1},
    {"INPUT", "JoyButton_A", &JoyButton_A, 0},
    {"INPUT", "JoyButton_B", &JoyButton_B, 1},
    {"INPUT", "JoyButton_C", &JoyButton_C, 2},
    {"INPUT", "JoyButton_START", &JoyButton_START, -1},
    {"INPUT", "JoyButton_PAUSE", &JoyButton_PAUSE, -1},
    {"ENVIRONMENT", "Language", &Language, -1},
};

namespace {

// Text buffer of the 64-bit reader, as large as the profile call's.
constexpr int32_t INI_TEXT_BUFFER = 8192;

void ReadKey(const SettingsKey& entry) {
    SettingValue(entry) =
        SettingsFileReadInt(entry.section, entry.key, entry.fallback, SettingsPath);
}

} // namespace

void ReadSettings() {
    Game& g = TheGame();
    SettingsFileBegin(SettingsPath);
    ReadKey(SettingsKeys[0]);
    if (g.gameRank != 1) g.gameRank = 0;
    LoadRanking(SettingsPath);
    for (int32_t i = 1; i < SETTINGS_KEY_COUNT; ++i)
        ReadKey(SettingsKeys[i]);
    SettingsFileEnd(SettingsPath);
}

int32_t WriteSettings() {
    SettingsFileBegin(SettingsPath);
    const SettingsKey& rank = SettingsKeys[0];
    WriteIniInt(rank.section, rank.key, SettingValue(rank), SettingsPath);
    SaveRanking(SettingsPath);
    for (int32_t i = 1; i < SETTINGS_KEY_COUNT; ++i) {
        const SettingsKey& entry = SettingsKeys[i];
        WriteIniInt(entry.section, entry.key, SettingValue(entry), SettingsPath);
    }
    return SettingsFileEnd(SettingsPath);
}

void WriteIniInt(const char* section, const char* key, int32_t value, const char* path) {
    char text[16];
    std::snprintf(text, sizeof text, "%" PRId32, value);
    SettingsFileWriteString(section, key, text, path);
}

void WriteIniInt64(const char* section, const char* key, int64_t value, const char* path) {
    char text[24];
    std::snprintf(text, sizeof text, "%" PRId64, value);
    SettingsFileWriteString(section, key, text, path);
}

int64_t ReadIniInt64(const char* section, const char* key, int64_t def, const char* path) {
    char text[INI_TEXT_BUFFER];
    SettingsFileReadString(section, key, "", text, INI_TEXT_BUFFER, path);
    text[INI_TEXT_BUFFER - 1] = '\0';
    int64_t value = 0;
    return IniParseInt64(text, value) ? value : def;
}

} // namespace velkar
