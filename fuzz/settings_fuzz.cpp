// Fuzzes the ini codec: a file of any bytes, then reads and writes, then the written file re-read.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "settings/ini_codec.h"

using namespace velkar;

namespace {

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string Trimmed(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && Blank(s[b]))
        ++b;
    while (e > b && Blank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string Folded(const std::string& s) {
    std::string out = Trimmed(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return out;
}

// What a written value reads back as: line ends became blanks, blanks and one pair of quotes go.
std::string ReadBack(std::string value) {
    for (char& c : value) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    value = Trimmed(value);
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

std::string Get(IniFile& file, const std::string& section, const std::string& key) {
    char buffer[512];
    const int32_t n =
        IniGetString(file, section.c_str(), key.c_str(), "\x01", buffer, sizeof buffer);
    if (n < 0 || static_cast<size_t>(n) != std::string(buffer).size()) std::abort();
    IniGetInt(file, section.c_str(), key.c_str(), 7);
    return buffer;
}

std::string Name(FuzzedDataProvider& data) {
    static const char* const names[] = {"GAME", "game", " RankNormal ", "", "A", "a", "Key_1"};
    if (data.ConsumeBool()) return names[data.ConsumeIntegralInRange<size_t>(0, 6)];
    return std::string(data.ConsumeRandomLengthString(12).c_str());
}

bool Ascii(const std::string& s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// The text with every line end (CR-LF, lone CR) made a LF: it must read exactly as the text.
std::string WithLfLineEnds(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r') {
            out += text[i];
        } else if (i + 1 == text.size() || text[i + 1] != '\n') {
            out += '\n';
        }
    }
    return out;
}

struct Op {
    std::string section;
    std::string key;
    std::string value;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    std::vector<Op> ops(data.ConsumeIntegralInRange<size_t>(0, 8));
    for (Op& op : ops) {
        op.section = Name(data);
        op.key = Name(data);
        op.value = std::string(data.ConsumeRandomLengthString(40).c_str());
    }
    const std::string text = data.ConsumeRemainingBytesAsString();

    int64_t number = 0;
    IniParseInt64(text.c_str(), number);

    IniFile original;
    IniParse(original, text);
    const bool wide =
        original.encoding == INI_ENCODING_UTF16LE || original.encoding == INI_ENCODING_UTF16BE;
    if (!wide && IniRender(original) != text) std::abort(); // untouched files stay byte-exact

    IniFile lfOnly;
    IniParse(lfOnly, WithLfLineEnds(text));

    IniFile edited;
    IniParse(edited, text);
    bool asciiOnly = true;
    // Keyed by the folded section and key apart: names may hold any byte, so no separator
    // character could keep two different pairs from meeting in one string.
    std::map<std::pair<std::string, std::string>, std::string> expected;
    for (const Op& op : ops) {
        asciiOnly = asciiOnly && Ascii(op.section) && Ascii(op.key) && Ascii(op.value);
        if (IniSetString(edited, op.section.c_str(), op.key.c_str(), op.value.c_str()) == 0) {
            expected[{Folded(op.section), Folded(op.key)}] = ReadBack(op.value);
        }
    }
    IniFile reread;
    IniParse(reread, IniRender(edited));
    const bool checkReread = !wide || asciiOnly;
    for (const Op& op : ops) {
        const auto it = expected.find({Folded(op.section), Folded(op.key)});
        const std::string want =
            it != expected.end() ? it->second : Get(original, op.section, op.key);
        if (!wide && Get(lfOnly, op.section, op.key) != Get(original, op.section, op.key)) {
            std::abort(); // the kind of line end never changes what a file reads
        }
        if (Get(edited, op.section, op.key) != want) std::abort();
        if (checkReread && Get(reread, op.section, op.key) != want) std::abort();
    }
    return 0;
}
