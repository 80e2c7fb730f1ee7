// velkar-sim's settings file, rank and name answers, and their JSON members.
#pragma once

#include <cstdint>
#include <string>

namespace velkar::sim {

// --settings FILE, after InitGame: FILE becomes SettingsPath and is read as at start-up.
// Returns false (with error set) when the path does not fit SettingsPath.
bool LoadSimSettings(const std::string& path, std::string& error);

// After the last frame: writes SettingsPath back as the game does at exit. Returns false when
// the file could not be written (the old file is then left as it was).
bool SaveSimSettings();

// --rank N, after the settings are read. Returns false for a rank other than 0 or 1.
bool ApplySimRank(int32_t rank);

// Answers a name request as the Name Entry dialog would: text cut to 9 bytes (never inside a
// UTF-8 character) into NameBuffer; nullptr answers as cancelled (empty name). The caller then
// stores NameEntryDone with release order.
void AnswerNameEntry(const char* text);

// "settings":{...every key of the settings table...}
std::string SettingsJson();

// "ranking":{"normal":[ten {"stage","score","name"}],"hard":[...]}
std::string RankingJson();

// text as a JSON string literal: quotes, backslashes and control bytes escaped; bytes that are
// not UTF-8 become \u00XX.
std::string JsonString(const char* text);

} // namespace velkar::sim
