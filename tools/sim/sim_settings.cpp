// velkar-sim's settings file, rank and name answers, and the "settings" and "ranking" JSON.
#include "sim_settings.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "game/game_record.h"
#include "game/ranking.h"
#include "settings/settings.h"

namespace velkar::sim {

namespace {

constexpr int32_t NAME_ENTRY_BYTES = 9;

// Length of the well-formed UTF-8 character at s, or 0.
size_t Utf8Length(const unsigned char* s) {
    const unsigned char c = s[0];
    size_t n = 0;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4;
    for (size_t k = 1; k < n; ++k) {
        if ((s[k] & 0xC0) != 0x80) return 0;
    }
    if (n == 3 && ((c == 0xE0 && s[1] < 0xA0) || (c == 0xED && s[1] >= 0xA0))) return 0;
    if (n == 4 && ((c == 0xF0 && s[1] < 0x90) || (c == 0xF4 && s[1] >= 0x90))) return 0;
    return n;
}

void AppendEntry(std::string& out, const RankingEntry& entry) {
    char numbers[96];
    std::snprintf(numbers, sizeof numbers,
                  "{\"stage\":%" PRId32 ",\"score\":%" PRId64 ",\"name\":", entry.stage,
                  entry.score);
    out += numbers;
    out += JsonString(entry.name);
    out += '}';
}

} // namespace

bool LoadSimSettings(const std::string& path, std::string& error) {
    if (path.empty() || path.size() >= sizeof SettingsPath ||
        path.find('\0') != std::string::npos) {
        error = "--settings: the path must be 1 to " + std::to_string(sizeof SettingsPath - 1) +
                " bytes long";
        return false;
    }
    std::memcpy(SettingsPath, path.c_str(), path.size() + 1);
    ReadSettings();
    return true;
}

bool SaveSimSettings() {
    return WriteSettings() == 0;
}

bool ApplySimRank(int32_t rank) {
    if (rank != 0 && rank != 1) return false;
    TheGame().gameRank = rank;
    return true;
}

void AnswerNameEntry(const char* text) {
    if (text == nullptr) {
        NameBuffer[0] = '\0';
    } else {
        CopyNameCut(NameBuffer, text, NAME_ENTRY_BYTES);
    }
    NameBuffer[10] = '\0';
}

std::string SettingsJson() {
    std::string out = "\"settings\":{";
    for (int32_t i = 0; i < SETTINGS_KEY_COUNT; ++i) {
        char member[64];
        std::snprintf(member, sizeof member, "%s\"%s\":%" PRId32, i > 0 ? "," : "",
                      SettingsKeys[i].key, SettingValue(SettingsKeys[i]));
        out += member;
    }
    out += '}';
    return out;
}

std::string RankingJson() {
    std::string out = "\"ranking\":{";
    for (int32_t rank = 0; rank < 2; ++rank) {
        out += rank == 0 ? "\"normal\":[" : ",\"hard\":[";
        for (int32_t place = 0; place < RANKING_PLACES; ++place) {
            if (place > 0) out += ',';
            AppendEntry(out, TheGame().ranking[rank][place]);
        }
        out += ']';
    }
    out += '}';
    return out;
}

std::string JsonString(const char* text) {
    std::string out = "\"";
    const auto* s = reinterpret_cast<const unsigned char*>(text != nullptr ? text : "");
    while (*s != 0) {
        const unsigned char c = *s;
        char escaped[8];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else if (c >= 0x80) {
            const size_t n = Utf8Length(s);
            if (n == 0) {
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out.append(reinterpret_cast<const char*>(s), n);
                s += n;
                continue;
            }
        } else {
            out += static_cast<char>(c);
        }
        ++s;
    }
    out += '"';
    return out;
}

} // namespace velkar::sim
