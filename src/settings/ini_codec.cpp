// The ini codec: parsing, lookups, in-place edits, rendering and safe saving of settings files.
#include "settings/ini_codec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/file_sync.h"

namespace velkar {

namespace {

namespace fs = std::filesystem;

// Blanks as the profile functions skip them; 0x1A is the old end-of-file mark.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    size_t begin = 0;
    size_t end = s.size();
    while (begin < end && IsBlank(s[begin]))
        ++begin;
    while (end > begin && IsBlank(s[end - 1]))
        --end;
    return s.substr(begin, end - begin);
}

bool IsLineEnd(char c) {
    return c == '\n' || c == '\r';
}

// One line of the text: [begin, end) without its line end (CR-LF, LF or a lone CR); next is
// where the following line starts. content is the line without blanks around it.
struct Line {
    size_t begin = 0;
    size_t end = 0;
    size_t next = 0;
    size_t contentBegin = 0;
    size_t contentEnd = 0;
};

Line LineAt(const std::string& text, size_t pos) {
    Line line;
    line.begin = pos;
    line.end = text.find_first_of("\r\n", pos);
    if (line.end == std::string::npos) {
        line.end = line.next = text.size();
    } else {
        line.next = line.end + 1;
        if (text[line.end] == '\r' && line.next < text.size() && text[line.next] == '\n') {
            line.next += 1;
        }
    }
    line.contentBegin = line.begin;
    line.contentEnd = line.end;
    while (line.contentBegin < line.contentEnd && IsBlank(text[line.contentBegin])) {
        ++line.contentBegin;
    }
    while (line.contentEnd > line.contentBegin && IsBlank(text[line.contentEnd - 1])) {
        --line.contentEnd;
    }
    return line;
}

// A section header: '[' first, the name up to the last ']' of the line.
bool HeaderName(const std::string& text, const Line& line, std::string_view& name) {
    if (line.contentBegin == line.contentEnd || text[line.contentBegin] != '[') return false;
    const std::string_view content(text.data() + line.contentBegin,
                                   line.contentEnd - line.contentBegin);
    const size_t close = content.rfind(']');
    if (close == std::string_view::npos || close == 0) return false;
    name = Trim(content.substr(1, close - 1));
    return true;
}

bool IsComment(const std::string& text, const Line& line) {
    return text[line.contentBegin] == ';' || text[line.contentBegin] == '#';
}

// Where a key line keeps its parts.
struct KeySpot {
    bool found = false;
    bool hasEquals = false;
    size_t keyEnd = 0;     // end of the trimmed key
    size_t valueBegin = 0; // first byte of the trimmed value
    size_t valueEnd = 0;
};

KeySpot SplitKeyLine(const std::string& text, const Line& line, std::string_view& key) {
    KeySpot spot;
    const std::string_view content(text.data() + line.contentBegin,
                                   line.contentEnd - line.contentBegin);
    const size_t eq = content.find('=');
    if (eq == std::string_view::npos) {
        key = content;
        spot.keyEnd = line.contentEnd;
        spot.valueBegin = spot.valueEnd = line.contentEnd;
        return spot;
    }
    key = Trim(content.substr(0, eq));
    spot.hasEquals = true;
    spot.keyEnd = line.contentBegin + static_cast<size_t>(key.data() + key.size() - content.data());
    spot.valueBegin = line.contentBegin + eq + 1;
    while (spot.valueBegin < line.contentEnd && IsBlank(text[spot.valueBegin]))
        ++spot.valueBegin;
    spot.valueEnd = line.contentEnd;
    return spot;
}

uint32_t NameHash(std::string_view name) {
    uint32_t hash = 2166136261u;
    for (char c : name) {
        hash ^= static_cast<uint8_t>(LowerAscii(c));
        hash *= 16777619u;
    }
    return hash;
}

// Looks name up in index; nameAt gives the name held by the line at an offset. Returns the
// line's offset, or npos.
template <class NameAt>
size_t IndexFind(const IniNameIndex& index, std::string_view name, NameAt nameAt) {
    if (index.slots.empty()) return std::string::npos;
    const uint32_t hash = NameHash(name);
    const size_t mask = index.slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint64_t slot = index.slots[i];
        if (slot == 0) return std::string::npos;
        const size_t offset = static_cast<size_t>(slot & 0xFFFFFFFFu) - 1;
        if (static_cast<uint32_t>(slot >> 32) == hash && SameName(nameAt(offset), name)) {
            return offset;
        }
    }
}

void IndexPut(IniNameIndex& index, uint64_t slot) {
    const size_t mask = index.slots.size() - 1;
    size_t i = static_cast<uint32_t>(slot >> 32) & mask;
    while (index.slots[i] != 0)
        i = (i + 1) & mask;
    index.slots[i] = slot;
}

// Records the line at offset under name unless an earlier line holds the same name.
template <class NameAt>
void IndexAddFirst(IniNameIndex& index, std::string_view name, size_t offset, NameAt nameAt) {
    if (IndexFind(index, name, nameAt) != std::string::npos) return;
    if ((index.count + 1) * 2 > index.slots.size()) {
        std::vector<uint64_t> old = std::move(index.slots);
        index.slots.assign(std::max<size_t>(16, old.size() * 2), 0);
        for (uint64_t slot : old) {
            if (slot != 0) IndexPut(index, slot);
        }
    }
    IndexPut(index, (uint64_t{NameHash(name)} << 32) | (offset + 1));
    index.count += 1;
}

std::string_view HeaderNameAt(const std::string& text, size_t offset) {
    std::string_view name;
    HeaderName(text, LineAt(text, offset), name);
    return name;
}

std::string_view KeyNameAt(const std::string& text, size_t offset) {
    std::string_view key;
    SplitKeyLine(text, LineAt(text, offset), key);
    return key;
}

// Finds (or remembers the absence of) a section; returns its index in file.spots. The first
// request indexes every header of the file, and each section's body is indexed when it is
// first asked for, so no request scans the file again.
size_t SpotOf(IniFile& file, std::string_view name) {
    name = Trim(name);
    for (size_t i = 0; i < file.spots.size(); ++i) {
        if (SameName(file.spots[i].name, name)) return i;
    }
    const std::string& text = file.text;
    const auto headerAt = [&text](size_t offset) { return HeaderNameAt(text, offset); };
    const auto keyAt = [&text](size_t offset) { return KeyNameAt(text, offset); };
    if (!file.headersIndexed) {
        file.headersIndexed = true;
        for (size_t pos = 0; pos < text.size();) {
            const Line line = LineAt(text, pos);
            std::string_view header;
            if (HeaderName(text, line, header)) IndexAddFirst(file.headers, header, pos, headerAt);
            pos = line.next;
        }
    }
    IniSectionSpot spot;
    spot.name = std::string(name);
    if (name.empty()) {
        spot.found = true; // the lines before the first header
        spot.bodyBegin = 0;
    } else {
        const size_t header = IndexFind(file.headers, name, headerAt);
        if (header != std::string::npos) {
            spot.found = true;
            spot.bodyBegin = LineAt(text, header).next;
        }
    }
    if (spot.found) {
        spot.insertAt = spot.bodyBegin;
        spot.bodyEnd = text.size();
        for (size_t pos = spot.bodyBegin; pos < text.size();) {
            const Line line = LineAt(text, pos);
            std::string_view header;
            if (HeaderName(text, line, header)) {
                spot.bodyEnd = line.begin;
                break;
            }
            if (line.contentBegin < line.contentEnd) {
                std::string_view key;
                SplitKeyLine(text, line, key);
                IndexAddFirst(spot.keys, key, pos, keyAt);
                if (!IsComment(text, line)) spot.insertAt = line.next;
            }
            pos = line.next;
        }
    }
    file.spots.push_back(std::move(spot));
    return file.spots.size() - 1;
}

KeySpot FindKey(const IniFile& file, const IniSectionSpot& spot, std::string_view key) {
    KeySpot none;
    if (!spot.found) return none;
    const std::string& text = file.text;
    const size_t offset =
        IndexFind(spot.keys, key, [&text](size_t at) { return KeyNameAt(text, at); });
    if (offset == std::string::npos) return none;
    std::string_view lineKey;
    KeySpot found = SplitKeyLine(text, LineAt(text, offset), lineKey);
    found.found = true;
    return found;
}

IniEdit* EditOf(IniFile& file, size_t spot, std::string_view key) {
    for (IniEdit& edit : file.edits) {
        if (edit.section == spot && SameName(edit.key, key)) return &edit;
    }
    return nullptr;
}

// A value as it reads: trimmed, one pair of matching quotes removed, cut at a NUL.
std::string_view ReadableValue(std::string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    const size_t nul = value.find('\0');
    return nul == std::string_view::npos ? value : value.substr(0, nul);
}

int32_t CopyOut(std::string_view value, char* buffer, int32_t size) {
    if (buffer == nullptr || size <= 0) return 0;
    const size_t n = std::min(value.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
    return static_cast<int32_t>(n);
}

// --- UTF-16 files are held as UTF-8 ----------------------------------------------------------

void PutUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const size_t units = bytes.size() / 2;
    auto unit = [&](size_t i) -> uint32_t {
        const auto a = static_cast<uint8_t>(bytes[2 * i]);
        const auto b = static_cast<uint8_t>(bytes[2 * i + 1]);
        return bigEndian ? (uint32_t{a} << 8 | b) : (uint32_t{b} << 8 | a);
    };
    for (size_t i = 0; i < units; ++i) {
        uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units) {
            const uint32_t low = unit(i + 1);
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            } else {
                cp = 0xFFFD;
            }
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        PutUtf8(out, cp);
    }
    return out;
}

// Decodes one UTF-8 character at s[i]; a malformed byte counts as U+FFFD of length 1.
uint32_t NextCodePoint(std::string_view s, size_t& i) {
    const auto c = static_cast<uint8_t>(s[i]);
    size_t length = 0;
    uint32_t cp = 0;
    uint32_t least = 0;
    if (c < 0x80) {
        ++i;
        return c;
    } else if (c >= 0xC2 && c <= 0xDF) {
        length = 2, cp = c & 0x1F, least = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3, cp = c & 0x0F, least = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4, cp = c & 0x07, least = 0x10000;
    }
    if (length == 0 || i + length > s.size()) {
        ++i;
        return 0xFFFD;
    }
    for (size_t k = 1; k < length; ++k) {
        const auto t = static_cast<uint8_t>(s[i + k]);
        if ((t & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
        ++i;
        return 0xFFFD;
    }
    i += length;
    return cp;
}

std::string Utf8ToUtf16(std::string_view text, bool bigEndian) {
    std::string out;
    out.reserve(text.size() * 2 + 2);
    auto put = [&](uint32_t u) {
        const auto hi = static_cast<char>(u >> 8);
        const auto lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    };
    for (size_t i = 0; i < text.size();) {
        const uint32_t cp = NextCodePoint(text, i);
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

bool EndsWithBlankLine(const std::string& out) {
    if (out.empty() || !IsLineEnd(out.back())) return false;
    size_t i = out.size() - 1;
    if (out[i] == '\n' && i > 0 && out[i - 1] == '\r') --i;
    return i == 0 || IsLineEnd(out[i - 1]);
}

void PutKeyLine(std::string& out, const IniEdit& edit, const std::string& newline) {
    out += edit.key;
    out += '=';
    out += edit.value;
    out += newline;
}

bool ReadWholeFile(const char* path, std::string& bytes) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return false;
    bytes.clear();
    char chunk[65536];
    bool ok = true;
    for (;;) {
        const size_t n = std::fread(chunk, 1, sizeof chunk, f);
        if (n > 0) {
            if (bytes.size() + n > INI_MAX_FILE_BYTES) {
                ok = false;
                break;
            }
            bytes.append(chunk, n);
        }
        if (n < sizeof chunk) {
            ok = std::ferror(f) == 0;
            break;
        }
    }
    std::fclose(f);
    return ok;
}

} // namespace

void IniParse(IniFile& file, std::string_view bytes) {
    file = IniFile{};
    if (bytes.size() > INI_MAX_FILE_BYTES) { // line offsets are kept in 32 bits
        file.unreadable = true;
        return;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        file.encoding = INI_ENCODING_UTF8;
        file.text = std::string(bytes.substr(3));
    } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
        file.encoding = INI_ENCODING_UTF16LE;
        file.text = Utf16ToUtf8(bytes.substr(2), false);
    } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") {
        file.encoding = INI_ENCODING_UTF16BE;
        file.text = Utf16ToUtf8(bytes.substr(2), true);
    } else {
        file.text = std::string(bytes);
    }
    // Added lines end as the file's first line does; CR-LF in a file without any.
    const size_t end = file.text.find_first_of("\r\n");
    if (end != std::string::npos && file.text[end] == '\n') {
        file.newline.assign(1, '\n');
    } else if (end != std::string::npos &&
               (end + 1 == file.text.size() || file.text[end + 1] != '\n')) {
        file.newline.assign(1, '\r');
    }
}

int32_t IniLoad(IniFile& file, const char* path) {
    IniParse(file, std::string_view());
    if (path == nullptr || path[0] == '\0') return 0;
    std::error_code ec;
    const fs::file_status status = fs::status(fs::path(path), ec);
    if (status.type() == fs::file_type::not_found) return 0;
    std::string bytes;
    if (ec || status.type() != fs::file_type::regular || !ReadWholeFile(path, bytes)) {
        file.unreadable = true;
        return -1;
    }
    IniParse(file, bytes);
    return 0;
}

int32_t IniGetString(IniFile& file, const char* section, const char* key, const char* def,
                     char* buffer, int32_t size) {
    const std::string_view keyName = Trim(key != nullptr ? key : "");
    const size_t spot = SpotOf(file, section != nullptr ? section : "");
    if (const IniEdit* edit = EditOf(file, spot, keyName)) {
        return CopyOut(ReadableValue(edit->value), buffer, size);
    }
    const KeySpot found = FindKey(file, file.spots[spot], keyName);
    if (found.found && found.hasEquals) {
        const std::string_view value(file.text.data() + found.valueBegin,
                                     found.valueEnd - found.valueBegin);
        return CopyOut(ReadableValue(value), buffer, size);
    }
    std::string_view fallback = def != nullptr ? def : "";
    while (!fallback.empty() && IsBlank(fallback.back()))
        fallback.remove_suffix(1);
    return CopyOut(fallback, buffer, size);
}

int32_t IniGetInt(IniFile& file, const char* section, const char* key, int32_t def) {
    char text[INI_INT_BUFFER];
    if (IniGetString(file, section, key, "", text, sizeof text) == 0) return def;
    const char* p = text;
    while (IsBlank(*p))
        ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    uint32_t value = 0;
    while (*p >= '0' && *p <= '9')
        value = value * 10u + static_cast<uint32_t>(*p++ - '0');
    if (negative) value = 0u - value;
    return static_cast<int32_t>(value);
}

int32_t IniSetString(IniFile& file, const char* section, const char* key, const char* value) {
    const std::string_view sectionName = Trim(section != nullptr ? section : "");
    const std::string_view keyName = Trim(key != nullptr ? key : "");
    if (keyName.empty() || keyName.front() == '[' || keyName.front() == ';' ||
        keyName.find_first_of("=\r\n") != std::string_view::npos ||
        sectionName.find_first_of("]\r\n") != std::string_view::npos) {
        return -1;
    }
    std::string text = value != nullptr ? value : "";
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    const size_t spot = SpotOf(file, sectionName);
    if (IniEdit* edit = EditOf(file, spot, keyName)) {
        edit->value = std::move(text);
        return 0;
    }
    IniEdit edit;
    edit.section = spot;
    edit.key = std::string(keyName);
    edit.value = std::move(text);
    const KeySpot found = FindKey(file, file.spots[spot], keyName);
    if (found.found) {
        edit.existing = true;
        edit.addEquals = !found.hasEquals;
        edit.replaceBegin = found.hasEquals ? found.valueBegin : found.keyEnd;
        edit.replaceEnd = found.hasEquals ? found.valueEnd : found.keyEnd;
    }
    file.edits.push_back(std::move(edit));
    return 0;
}

std::string IniRender(const IniFile& file) {
    const std::string& text = file.text;
    // Changes to the existing text, in text order; at one position a replacement comes before
    // the keys added there.
    struct Change {
        size_t at;
        int order; // 0 replace, 1 insert
        size_t spot;
        const IniEdit* edit;
    };
    std::vector<Change> changes;
    std::vector<size_t> insertSpots;
    for (const IniEdit& edit : file.edits) {
        if (edit.existing) {
            changes.push_back({edit.replaceBegin, 0, edit.section, &edit});
        } else if (file.spots[edit.section].found &&
                   std::find(insertSpots.begin(), insertSpots.end(), edit.section) ==
                       insertSpots.end()) {
            insertSpots.push_back(edit.section);
            changes.push_back({file.spots[edit.section].insertAt, 1, edit.section, nullptr});
        }
    }
    std::sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) {
        return a.at != b.at ? a.at < b.at : a.order < b.order;
    });

    std::string out;
    out.reserve(text.size() + file.edits.size() * 32 + 64);
    size_t pos = 0;
    for (const Change& change : changes) {
        out.append(text, pos, change.at - pos);
        pos = change.at;
        if (change.order == 0) {
            if (change.edit->addEquals) out += '=';
            out += change.edit->value;
            pos = change.edit->replaceEnd;
            continue;
        }
        if (!out.empty() && !IsLineEnd(out.back())) out += file.newline;
        for (const IniEdit& edit : file.edits) {
            if (!edit.existing && edit.section == change.spot) PutKeyLine(out, edit, file.newline);
        }
    }
    out.append(text, pos, std::string::npos);

    // Sections that did not exist go at the end, in the order of their first write.
    std::vector<size_t> newSpots;
    for (const IniEdit& edit : file.edits) {
        if (!file.spots[edit.section].found &&
            std::find(newSpots.begin(), newSpots.end(), edit.section) == newSpots.end()) {
            newSpots.push_back(edit.section);
        }
    }
    for (size_t spot : newSpots) {
        if (!out.empty() && !IsLineEnd(out.back())) out += file.newline;
        if (!out.empty() && !EndsWithBlankLine(out)) out += file.newline;
        out += '[';
        out += file.spots[spot].name;
        out += ']';
        out += file.newline;
        for (const IniEdit& edit : file.edits) {
            if (edit.section == spot) PutKeyLine(out, edit, file.newline);
        }
    }

    switch (file.encoding) {
    case INI_ENCODING_UTF8:
        return "\xEF\xBB\xBF" + out;
    case INI_ENCODING_UTF16LE:
        return "\xFF\xFE" + Utf8ToUtf16(out, false);
    case INI_ENCODING_UTF16BE:
        return "\xFE\xFF" + Utf8ToUtf16(out, true);
    default:
        // A key added at the very start must not make a plain file look like one with a
        // byte-order mark; a blank first line keeps it plain.
        if (out.rfind("\xFF\xFE", 0) == 0 || out.rfind("\xFE\xFF", 0) == 0 ||
            out.rfind("\xEF\xBB\xBF", 0) == 0) {
            return file.newline + out;
        }
        return out;
    }
}

int32_t IniSave(const IniFile& file, const char* path) {
    if (file.unreadable || path == nullptr || path[0] == '\0') return -1;
    const std::string bytes = IniRender(file);
    std::error_code ec;
    fs::path target(path);
    if (fs::is_symlink(target, ec)) {
        target = fs::weakly_canonical(target, ec); // replace the file the link names
        if (ec) return -1;
    }
    fs::path temp = target;
    temp += ".tmp";
    fs::remove(temp, ec);
    std::FILE* f = std::fopen(temp.string().c_str(), "wb");
    if (f == nullptr) return -1;
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old)) {
        fs::permissions(temp, old.permissions(), fs::perm_options::replace, ec);
    }
    // The data reaches the disk before the rename: a crash at any point then leaves the old
    // file or the new one, whole, under the name, never a name without its data.
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = ok && SyncFileToDisk(f);
    ok = std::fclose(f) == 0 && ok;
    if (ok) {
        fs::rename(temp, target, ec);
        ok = !ec;
    }
    if (!ok) {
        fs::remove(temp, ec);
        return -1;
    }
    // Makes the rename itself last; the old file whole would be what a crash could bring back.
    const fs::path folder = target.parent_path();
    SyncDirectoryToDisk(folder.empty() ? "." : folder.string().c_str());
    return 0;
}

bool IniParseInt64(const char* text, int64_t& value) {
    if (text == nullptr) return false;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    if (*p < '0' || *p > '9') return false;
    uint64_t v = 0;
    while (*p >= '0' && *p <= '9')
        v = v * 10u + static_cast<uint64_t>(*p++ - '0');
    if (negative) v = 0u - v;
    value = static_cast<int64_t>(v);
    return true;
}

// --- The store behind the seam ---------------------------------------------------------------

namespace {

struct IniBatch {
    bool active = false;
    int32_t depth = 0;
    bool dirty = false;
    bool failed = false; // a write of the batch was refused
    std::string path;
    IniFile file;
};

IniBatch Batch;

bool InBatch(const char* path) {
    return Batch.active && path != nullptr && Batch.path == path;
}

} // namespace

void IniStoreBegin(const char* path) {
    if (path == nullptr) return;
    if (InBatch(path)) {
        Batch.depth += 1;
        return;
    }
    if (Batch.active) return; // another file is open; this one is served call by call
    Batch.active = true;
    Batch.depth = 1;
    Batch.dirty = false;
    Batch.failed = false;
    Batch.path = path;
    IniLoad(Batch.file, path);
}

int32_t IniStoreEnd(const char* path) {
    if (!InBatch(path)) return 0;
    Batch.depth -= 1;
    if (Batch.depth > 0) return 0;
    int32_t result = Batch.dirty ? IniSave(Batch.file, Batch.path.c_str()) : 0;
    if (Batch.failed) result = -1;
    Batch = IniBatch{};
    return result;
}

int32_t IniStoreReadInt(const char* section, const char* key, int32_t def, const char* path) {
    if (InBatch(path)) return IniGetInt(Batch.file, section, key, def);
    IniFile file;
    IniLoad(file, path);
    return IniGetInt(file, section, key, def);
}

int32_t IniStoreReadString(const char* section, const char* key, const char* def, char* buffer,
                           int32_t size, const char* path) {
    if (InBatch(path)) return IniGetString(Batch.file, section, key, def, buffer, size);
    IniFile file;
    IniLoad(file, path);
    return IniGetString(file, section, key, def, buffer, size);
}

int32_t IniStoreWriteString(const char* section, const char* key, const char* value,
                            const char* path) {
    if (InBatch(path)) {
        if (IniSetString(Batch.file, section, key, value) != 0) {
            Batch.failed = true;
            return -1;
        }
        Batch.dirty = true;
        return 0;
    }
    IniFile file;
    if (IniLoad(file, path) != 0) return -1;
    if (IniSetString(file, section, key, value) != 0) return -1;
    return IniSave(file, path);
}

} // namespace velkar
