// The ini codec: reads and edits settings files by the rules of the Windows profile functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velkar {

// Rules (those of GetPrivateProfileString / GetPrivateProfileInt / WritePrivateProfileString):
// - A line ends at LF, CR-LF or a lone CR; blanks around names and values are ignored.
// - "[name]" starts a section (the name runs to the last ']' of the line); "key=value" is a
//   key (split at the first '='); a line without '=' is a key without a value, which reads as
//   missing. Lines before the first section belong to the section named "".
// - Section and key names are compared without regard to ASCII case. Only the first section
//   of a name counts, and in it the first key of a name: later duplicates are ignored.
// - A value enclosed in matching single or double quotes reads without them.
// - A write replaces the value of the key in place, adds a missing key after the last line of
//   its section that is not blank or a comment, and a missing section at the end of the file.
//   Added lines end as the file's first line does (CR-LF in a file without line ends). Every
//   other byte of the file stays as it was.
// The file is held as loaded; writes are kept beside it and applied when it is rendered.

enum : int32_t {
    INI_ENCODING_ANSI = 0,    // bytes as they are, no byte-order mark
    INI_ENCODING_UTF8 = 1,    // UTF-8 with a byte-order mark
    INI_ENCODING_UTF16LE = 2, // UTF-16 with a byte-order mark; held as UTF-8 in memory
    INI_ENCODING_UTF16BE = 3,
};

// Files larger than this read as unreadable.
constexpr size_t INI_MAX_FILE_BYTES = size_t{128} << 20;

// Characters an integer value is parsed from, as the profile function's own 30-character buffer.
constexpr int32_t INI_INT_BUFFER = 30;

// The first line of each distinct name (compared without case), found by hashing: each slot
// holds a 32-bit hash of the name and the line's offset + 1; 0 is a free slot.
struct IniNameIndex {
    std::vector<uint64_t> slots;
    size_t count = 0;
};

struct IniSectionSpot {
    std::string name;     // as asked for, trimmed
    bool found = false;   // false: the section does not exist yet
    size_t bodyBegin = 0; // first byte after the header line
    size_t bodyEnd = 0;   // first byte of the next header line, or the end of the text
    size_t insertAt = 0;  // where a new key goes: after the last key line of the body
    IniNameIndex keys;    // the first line of each key in the body
};

struct IniEdit {
    size_t section = 0;    // index into IniFile::spots
    std::string key;       // trimmed
    std::string value;     // as written (line ends turned into blanks)
    bool existing = false; // true: replaces [replaceBegin, replaceEnd) of the text
    size_t replaceBegin = 0;
    size_t replaceEnd = 0;
    bool addEquals = false; // the old line had no '=': write one before the value
};

struct IniFile {
    std::string text; // the file's content after its byte-order mark, as UTF-8 or bytes
    int32_t encoding = INI_ENCODING_ANSI;
    std::string newline = "\r\n"; // line end of added lines: the file's first one, else CR-LF
    bool unreadable = false;      // the file exists but could not be read: reads as missing and is
                                  // never overwritten
    bool headersIndexed = false;
    IniNameIndex headers;              // the first header line of each section name
    std::vector<IniSectionSpot> spots; // sections asked for so far
    std::vector<IniEdit> edits;        // writes so far, one per key
};

// Takes the raw bytes of a file (any content) into file; clears earlier edits.
void IniParse(IniFile& file, std::string_view bytes);

// Loads path into file. A missing file gives an empty one (0); a file that cannot be read or is
// larger than INI_MAX_FILE_BYTES gives an empty, unreadable one (-1).
int32_t IniLoad(IniFile& file, const char* path);

// Copies the value (or, when the key is missing or has no value, def with trailing blanks
// removed) into buffer, at most size - 1 bytes and a NUL; returns the bytes copied.
int32_t IniGetString(IniFile& file, const char* section, const char* key, const char* def,
                     char* buffer, int32_t size);

// The value as GetPrivateProfileInt reads it: missing or empty gives def, otherwise blanks, an
// optional sign and the leading decimal digits of its first 29 characters, in 32 bits with
// wrap-around (so "-1" and "4294967295" both read as -1), and 0 when no digit follows.
int32_t IniGetInt(IniFile& file, const char* section, const char* key, int32_t def);

// Sets the value of key in section. Line ends inside value are written as blanks. A key that is
// empty, starts with '[' or ';', or holds '=' or a line end, or a section that holds a line end
// or ']', cannot be written: returns -1 and changes nothing. Otherwise 0.
int32_t IniSetString(IniFile& file, const char* section, const char* key, const char* value);

// The file's bytes with every write applied, byte-order mark and encoding as loaded.
std::string IniRender(const IniFile& file);

// Writes the rendered file to path through a temporary file in the same directory, flushed to
// the disk before it replaces the old one, so that neither a failure nor a crash or power loss
// can leave less than the old file or the new one whole. 0, or -1 (the old file untouched and
// no temporary file left).
int32_t IniSave(const IniFile& file, const char* path);

// Parses decimal text as "%I64d" does: blanks, an optional sign, digits (64 bits, wrapping).
// Returns false when no digit follows.
bool IniParseInt64(const char* text, int64_t& value);

// The codec behind the settings-file seam of the Linux and headless builds. Between Begin and
// End the file is loaded once and written once; calls outside a batch load (and for a write,
// save) the file by themselves.
void IniStoreBegin(const char* path);
int32_t IniStoreEnd(const char* path); // 0, or -1 when the file could not be written
int32_t IniStoreReadInt(const char* section, const char* key, int32_t def, const char* path);
int32_t IniStoreReadString(const char* section, const char* key, const char* def, char* buffer,
                           int32_t size, const char* path);
int32_t IniStoreWriteString(const char* section, const char* key, const char* value,
                            const char* path);

} // namespace velkar
