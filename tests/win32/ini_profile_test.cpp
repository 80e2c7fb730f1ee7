// The ini codec against the real Windows profile functions: same files read, same edits written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/ini_codec.h"
#include "test_util.h"

namespace {

using velkar_test::ReadWholeFile;
using velkar_test::ScratchDirectory;
using velkar_test::WriteWholeFile;

struct Corpus {
    const char* name;
    std::string bytes;
};

// Files written by hand or by other programs, with the quirks the profile functions tolerate.
std::vector<Corpus> TrickyFiles() {
    std::string longValue(5000, 'x');
    return {
        {"plain", "[GAME]\r\nGameRank=1\r\n[SOUND]\r\nSoundVolume2=55\r\n"},
        {"case", "[game]\r\ngamerank=1\r\n[Sound]\r\nSOUNDVOLUME2=7\r\n"},
        {"blanks",
         "  [ GAME ]  \r\n   GameRank   =   1   \r\n[SOUND]\r\n\tSoundVolume2\t=\t-3\t\r\n"},
        {"signs", "[S]\r\na=-1\r\nb=+5\r\nc=--2\r\nd=- 4\r\ne=4294967295\r\nf=2147483648\r\n"
                  "g=99999999999\r\nh=-2147483649\r\n"},
        {"nondigits", "[S]\r\na=12abc\r\nb=abc12\r\nc=\r\nd= \r\ne=1x1F\r\nf=1e3\r\ng=3.9\r\n"},
        {"duplicates", "[S]\r\nk=1\r\nk=2\r\n[S]\r\nk=3\r\nm=4\r\n[T]\r\nk=5\r\n"},
        {"quotes", "[S]\r\na=\"12\"\r\nb='hello world'\r\nc=\"unbalanced\r\nd=\"x\"y\"\r\n"
                   "e=\"\"\r\nf=' spaced '\r\n"},
        {"comments", "; leading comment\r\n[S]\r\n;k=9\r\nk=1 ; trailing\r\n# hash=2\r\n"
                     "hash=3\r\n"},
        {"lf_only", "[S]\na=1\nb=2\n[T]\nc=3\n"},
        {"mixed_ends", "[S]\r\na=1\nb=2\r\n\r\n[T]\r\nc=3"},
        {"lone_cr", "[GAME]\rGameRank=1\r[S]\ra=1\rb=2\r\r[T]\rc=3\r"},
        {"line_end_runs", "[S]\r\r\na=1\n\rb=2\r\r\r\n[T]\rc=3\r\nk\rm=4"},
        {"long_line", "[S]\r\nlong=" + longValue + "\r\nafter=8\r\n"},
        {"no_section", "k=1\r\n[S]\r\nk=2\r\n"},
        {"key_without_equals", "[S]\r\nlonely\r\nk=1\r\n"},
        {"bracket_names", "[A]B]\r\nk=1\r\n[C\r\nk=2\r\n"},
        {"empty", ""},
    };
}

struct Query {
    const char* section;
    const char* key;
};

const Query QUERIES[] = {
    {"GAME", "GameRank"},
    {"SOUND", "SoundVolume2"},
    {"S", "a"},
    {"S", "b"},
    {"S", "c"},
    {"S", "d"},
    {"S", "e"},
    {"S", "f"},
    {"S", "g"},
    {"S", "h"},
    {"S", "k"},
    {"S", "m"},
    {"T", "k"},
    {"T", "c"},
    {"S", "hash"},
    {"S", ";k"},
    {"S", "# hash"},
    {"S", "long"},
    {"S", "after"},
    {"S", "lonely"},
    {"", "k"},
    {"A]B", "k"},
    {"A", "k"},
    {"C", "k"},
    {"MISSING", "k"},
    {"S", "missing"},
};

TEST(IniAgainstProfile, ReadsTheSameStringsAndIntegers) {
    std::string dir = ScratchDirectory("ini-read");
    int compared = 0;
    for (const Corpus& corpus : TrickyFiles()) {
        std::string path = dir + corpus.name + ".ini";
        WriteWholeFile(path, corpus.bytes);
        velkar::IniFile file;
        velkar::IniParse(file, corpus.bytes);
        for (const Query& q : QUERIES) {
            SCOPED_TRACE(std::string(corpus.name) + " [" + q.section + "] " + q.key);
            char system[8192] = {};
            char ours[8192] = {};
            DWORD systemLength = GetPrivateProfileStringA(q.section, q.key, "dflt ", system,
                                                          sizeof system, path.c_str());
            int32_t ourLength =
                velkar::IniGetString(file, q.section, q.key, "dflt ", ours, sizeof ours);
            EXPECT_EQ(std::string(system), std::string(ours));
            EXPECT_EQ(static_cast<int32_t>(systemLength), ourLength);
            UINT systemInt = GetPrivateProfileIntA(q.section, q.key, -77, path.c_str());
            EXPECT_EQ(static_cast<int32_t>(systemInt),
                      velkar::IniGetInt(file, q.section, q.key, -77));
            ++compared;
        }
    }
    EXPECT_EQ(compared,
              static_cast<int>(TrickyFiles().size() * (sizeof QUERIES / sizeof QUERIES[0])));
}

TEST(IniAgainstProfile, ShortBuffersCutTheSameWay) {
    std::string dir = ScratchDirectory("ini-short");
    std::string path = dir + "short.ini";
    std::string bytes = "[S]\r\nname=ABCDEFGHIJKL\r\n";
    WriteWholeFile(path, bytes);
    velkar::IniFile file;
    velkar::IniParse(file, bytes);
    for (int size : {1, 2, 5, 12, 13, 14}) {
        SCOPED_TRACE(size);
        char system[32] = {};
        char ours[32] = {};
        DWORD n = GetPrivateProfileStringA("S", "name", "", system, static_cast<DWORD>(size),
                                           path.c_str());
        int32_t m = velkar::IniGetString(file, "S", "name", "", ours, size);
        EXPECT_EQ(std::string(system), std::string(ours));
        EXPECT_EQ(static_cast<int32_t>(n), m);
    }
}

struct Write {
    const char* section;
    const char* key;
    const char* value;
};

// Applies the writes to a copy of the file through WritePrivateProfileStringA and through the
// codec. Both results must hold the same values for every key asked about; where
// exactLayout is set the bytes must agree as well.
//
// Layout differences found under Wine (the values always agree):
// - Wine rewrites the whole file from its parsed form on every write: blanks around names and
//   values go, blank lines go, every line ends in CR-LF. The codec keeps every other byte of
//   the file as it was.
// - A key added to a section that ends in comment lines goes after the comments in Wine and
//   after the last key line in the codec.
// - A section added at the end follows the last line directly in Wine; the codec puts a blank
//   line before it.
void CompareWrites(const std::string& dir, const char* name, const std::string& start,
                   const std::vector<Write>& writes, bool exactLayout) {
    SCOPED_TRACE(name);
    std::string systemPath = dir + name + ".ini";
    std::string ourPath = dir + name + ".codec.ini";
    if (!start.empty()) WriteWholeFile(systemPath, start);
    velkar::IniFile file;
    velkar::IniParse(file, start);
    for (const Write& w : writes) {
        EXPECT_TRUE(WritePrivateProfileStringA(w.section, w.key, w.value, systemPath.c_str()));
        EXPECT_EQ(velkar::IniSetString(file, w.section, w.key, w.value), 0);
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, systemPath.c_str()); // flush
    std::string rendered = velkar::IniRender(file);
    WriteWholeFile(ourPath, rendered);
    if (exactLayout) {
        EXPECT_EQ(ReadWholeFile(systemPath), rendered);
    }
    // Every key of the start file and of the writes reads the same from both results.
    std::vector<Write> keys(writes);
    for (const char* section : {"A", "B", "C", "GAME", "DISPLAY", "RankNormal", "RankHard"}) {
        for (const char* key : {"x", "y", "z", "w", "v", "n", "GameRank", "Other", "Extra",
                                "ScreenBpp", "NAME_1", "SCORE_1", "STAGE_1"}) {
            keys.push_back({section, key, ""});
        }
    }
    for (const Write& k : keys) {
        char fromSystem[256];
        char fromOurs[256];
        GetPrivateProfileStringA(k.section, k.key, "<none>", fromSystem, sizeof fromSystem,
                                 systemPath.c_str());
        GetPrivateProfileStringA(k.section, k.key, "<none>", fromOurs, sizeof fromOurs,
                                 ourPath.c_str());
        EXPECT_STREQ(fromSystem, fromOurs) << k.section << " " << k.key;
    }
}

TEST(IniAgainstProfile, WritesTheSameValues) {
    std::string dir = ScratchDirectory("ini-write");
    CompareWrites(dir, "new_file", "",
                  {{"GAME", "GameRank", "0"},
                   {"DISPLAY", "ScreenBpp", "16"},
                   {"GAME", "Extra", "-1"},
                   {"DISPLAY", "ScreenBpp", "32"}},
                  false);
    CompareWrites(dir, "replace_in_place", "[GAME]\r\nGameRank=1\r\n; note\r\nOther=2\r\n",
                  {{"game", "gamerank", "0"}, {"GAME", "Other", "12345678901"}}, true);
    CompareWrites(dir, "add_after_last_key", "[A]\r\nx=1\r\n\r\n; comment\r\n\r\n[B]\r\ny=2\r\n",
                  {{"A", "z", "3"}, {"B", "w", "4"}, {"C", "v", "5"}}, false);
    CompareWrites(dir, "blanks", "  [ A ]  \r\n   x   =   1   \r\n",
                  {{"A", "x", "9"}, {"A", "y", "8"}}, false);
    CompareWrites(dir, "lf_file", "[A]\nx=1\n", {{"A", "y", "2"}, {"B", "z", "3"}}, false);
    CompareWrites(dir, "lone_cr_file", "[A]\rx=1\r[GAME]\rGameRank=1",
                  {{"A", "y", "2"}, {"GAME", "GameRank", "0"}, {"B", "z", "3"}}, false);
    CompareWrites(dir, "no_final_newline", "[A]\r\nx=1", {{"A", "y", "2"}}, true);
    CompareWrites(dir, "duplicate_sections", "[A]\r\nx=1\r\n[A]\r\nx=2\r\n",
                  {{"A", "x", "5"}, {"A", "n", "6"}}, true);
    CompareWrites(dir, "empty_values", "[A]\r\nx=1\r\n", {{"A", "x", ""}, {"A", "y", ""}}, true);
    CompareWrites(dir, "ranking", "",
                  {{"RankNormal", "NAME_1", "NO PLAYER"},
                   {"RankNormal", "SCORE_1", "110000"},
                   {"RankNormal", "STAGE_1", "3"},
                   {"RankHard", "NAME_1", "ABCDEFGHI"},
                   {"RankNormal", "NAME_1", "ZED"}},
                  false);
}

// Wine's GetPrivateProfileIntA parses with a base prefix ("0x1F" is 31, as its integer
// conversion does for base 0); the codec takes leading decimal digits only ("0x1F" is 0). Both
// readings are pinned here so that a change on either side shows.
TEST(IniAgainstProfile, HexPrefixIsReadDifferentlyByWine) {
    std::string dir = ScratchDirectory("ini-hex");
    std::string path = dir + "hex.ini";
    std::string bytes = "[S]\r\nh=0x1F\r\nd=017\r\n";
    WriteWholeFile(path, bytes);
    velkar::IniFile file;
    velkar::IniParse(file, bytes);
    EXPECT_EQ(static_cast<int32_t>(GetPrivateProfileIntA("S", "h", -1, path.c_str())), 31);
    EXPECT_EQ(velkar::IniGetInt(file, "S", "h", -1), 0);
    // A leading zero is still decimal on both sides.
    EXPECT_EQ(static_cast<int32_t>(GetPrivateProfileIntA("S", "d", -1, path.c_str())), 17);
    EXPECT_EQ(velkar::IniGetInt(file, "S", "d", -1), 17);
}

TEST(IniAgainstProfile, SettingsWrittenByTheGameReadBackThroughBoth) {
    std::string dir = ScratchDirectory("ini-roundtrip");
    std::string path = dir + "VELKAR.ini";
    const Write writes[] = {{"GAME", "GameRank", "1"},
                            {"INPUT", "JoyButton_START", "-1"},
                            {"RankHard", "SCORE_1", "123456789012"},
                            {"RankHard", "NAME_1", "A B C"}};
    for (const Write& w : writes)
        WritePrivateProfileStringA(w.section, w.key, w.value, path.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
    velkar::IniFile file;
    ASSERT_EQ(velkar::IniLoad(file, path.c_str()), 0);
    EXPECT_EQ(velkar::IniGetInt(file, "INPUT", "JoyButton_START", 0), -1);
    EXPECT_EQ(
        static_cast<int32_t>(GetPrivateProfileIntA("INPUT", "JoyButton_START", 0, path.c_str())),
        -1);
    char text[64];
    velkar::IniGetString(file, "RankHard", "SCORE_1", "", text, sizeof text);
    int64_t score = 0;
    ASSERT_TRUE(velkar::IniParseInt64(text, score));
    EXPECT_EQ(score, 123456789012LL);
    velkar::IniGetString(file, "RankHard", "NAME_1", "", text, sizeof text);
    EXPECT_STREQ(text, "A B C");
}

} // namespace
