// The ini codec: how names, values and numbers read, how writes edit a file, and safe saving.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "settings/ini_codec.h"
#include "temp_dir.h"

using namespace velkar;
using velkar::testing::ReadBytes;
using velkar::testing::TempDir;
using velkar::testing::WriteBytes;

namespace {

IniFile Parse(const std::string& bytes) {
    IniFile file;
    IniParse(file, bytes);
    return file;
}

std::string Get(IniFile& file, const char* section, const char* key, const char* def = "<def>") {
    char buffer[256];
    const int32_t n = IniGetString(file, section, key, def, buffer, sizeof buffer);
    EXPECT_EQ(static_cast<size_t>(n), std::string(buffer).size());
    return buffer;
}

// Renders the edited file and reads it again, so every check also holds for the written bytes.
IniFile Reparsed(const IniFile& file) {
    return Parse(IniRender(file));
}

} // namespace

TEST(IniRead, NamesIgnoreCaseAndBlanksAndValuesLoseBlanksAndQuotes) {
    IniFile file = Parse("[Game]\r\n  gamerank =  1  \r\n[ Sound ]\r\nName = \"  A B \"\r\n"
                         "Q='x'\r\nHalf=\"y\r\nEmptyQuotes=\"\"\r\n");
    EXPECT_EQ(Get(file, "GAME", "GameRank"), "1");
    EXPECT_EQ(Get(file, " game ", " GAMERANK "), "1");
    EXPECT_EQ(Get(file, "SOUND", "name"), "  A B ");
    EXPECT_EQ(Get(file, "sound", "Q"), "x");
    EXPECT_EQ(Get(file, "sound", "Half"), "\"y");
    EXPECT_EQ(Get(file, "sound", "EmptyQuotes"), "");
}

TEST(IniRead, MissingKeysSectionsAndValuelessKeysGiveTheDefault) {
    IniFile file = Parse("top=1\n[A]\nk=v\nflag\n[B]\n");
    EXPECT_EQ(Get(file, "A", "missing"), "<def>");
    EXPECT_EQ(Get(file, "C", "k"), "<def>");
    EXPECT_EQ(Get(file, "A", "flag"), "<def>");
    EXPECT_EQ(Get(file, "B", "k"), "<def>");
    EXPECT_EQ(Get(file, "A", "missing", "dflt   "), "dflt"); // trailing blanks of the default go
    EXPECT_EQ(Get(file, "A", "top"), "<def>");               // keys before any section are not in A
    EXPECT_EQ(Get(file, "", "top"), "1");
    EXPECT_EQ(IniGetInt(file, "A", "missing", -7), -7);
    EXPECT_EQ(IniGetInt(file, "A", "flag", 42), 42);
}

TEST(IniRead, FirstOccurrenceOfADuplicatedKeyOrSectionWins) {
    IniFile file = Parse("[S]\nk=first\nK=second\n[T]\nk=t\n[s]\nk=third\nonly=later\n");
    EXPECT_EQ(Get(file, "S", "k"), "first");
    EXPECT_EQ(Get(file, "S", "only"), "<def>"); // the second [s] is never looked at
    EXPECT_EQ(Get(file, "T", "k"), "t");
}

TEST(IniRead, LargeSectionsFindTheFirstOfEveryKey) {
    char line[64];
    std::string text = "[Big]\n";
    for (int i = 0; i < 3000; ++i) {
        std::snprintf(line, sizeof line, "k%d=%d\n", i, i);
        text += line;
    }
    for (int i = 0; i < 3000; i += 7) {
        std::snprintf(line, sizeof line, "K%d=late\n", i);
        text += line;
    }
    for (int i = 0; i < 500; ++i) {
        std::snprintf(line, sizeof line, "[s%d]\nv=%d\n", i, i);
        text += line;
    }
    text += "[S250]\nv=late\n";
    IniFile file = Parse(text);
    for (int i = 0; i < 3000; i += 13) {
        std::snprintf(line, sizeof line, "k%d", i);
        EXPECT_EQ(IniGetInt(file, "big", line, -1), i);
    }
    EXPECT_EQ(Get(file, "Big", "k3000"), "<def>");
    EXPECT_EQ(IniGetInt(file, "S250", "v", -1), 250);
    EXPECT_EQ(IniGetInt(file, "s499", "V", -1), 499);
    EXPECT_EQ(Get(file, "s500", "v"), "<def>");
}

TEST(IniRead, LineEndsAndByteOrderMarks) {
    const std::string body = "[S]\r\nA=1\r\n\r\n[T]\nB=2\nC=3";
    IniFile crlf = Parse(body);
    EXPECT_EQ(Get(crlf, "S", "A"), "1");
    EXPECT_EQ(Get(crlf, "T", "B"), "2");
    EXPECT_EQ(Get(crlf, "T", "C"), "3"); // last line without a line end

    IniFile utf8 = Parse("\xEF\xBB\xBF" + body);
    EXPECT_EQ(Get(utf8, "S", "A"), "1");
    EXPECT_EQ(IniRender(utf8), "\xEF\xBB\xBF" + body);

    std::string utf16 = "\xFF\xFE";
    for (char16_t unit : std::u16string(u"[S]\r\nA=5\r\nN=\u00e9\r\n")) {
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    IniFile wide = Parse(utf16);
    EXPECT_EQ(wide.encoding, INI_ENCODING_UTF16LE);
    EXPECT_EQ(Get(wide, "S", "A"), "5");
    EXPECT_EQ(Get(wide, "S", "N"), "\xC3\xA9");
    EXPECT_EQ(IniRender(wide), utf16); // written back in its own encoding, byte for byte
}

TEST(IniRead, ALoneCrEndsALineAndWritesKeepTheFilesOwnLineEnds) {
    IniFile cr = Parse("[GAME]\rGameRank=1\r");
    EXPECT_EQ(IniGetInt(cr, "GAME", "GameRank", 0), 1);
    ASSERT_EQ(IniSetString(cr, "GAME", "GameRank", "2"), 0);
    ASSERT_EQ(IniSetString(cr, "GAME", "Added", "a"), 0);
    ASSERT_EQ(IniSetString(cr, "NEW", "k", "v"), 0);
    EXPECT_EQ(IniRender(cr), "[GAME]\rGameRank=2\rAdded=a\r\r[NEW]\rk=v\r");

    // Runs of mixed line ends: CR-LF is one line end, every other CR or LF ends a line too.
    IniFile mixed = Parse("[S]\r\r\na=1\n\rb=2\r\r\r\n[T]\rc=3\r\nflag\rd=4");
    EXPECT_EQ(Get(mixed, "S", "a"), "1");
    EXPECT_EQ(Get(mixed, "S", "b"), "2");
    EXPECT_EQ(Get(mixed, "T", "c"), "3");
    EXPECT_EQ(Get(mixed, "T", "flag"), "<def>");
    EXPECT_EQ(Get(mixed, "T", "d"), "4");
    EXPECT_EQ(Get(mixed, "S", "c"), "<def>");
    ASSERT_EQ(IniSetString(mixed, "S", "e", "5"), 0); // the first line end (lone CR) is used
    ASSERT_EQ(IniSetString(mixed, "T", "f", "6"), 0);
    EXPECT_EQ(IniRender(mixed), "[S]\r\r\na=1\n\rb=2\re=5\r\r\r\n[T]\rc=3\r\nflag\rd=4\rf=6\r");
    IniFile again = Reparsed(mixed);
    EXPECT_EQ(Get(again, "S", "e"), "5");
    EXPECT_EQ(Get(again, "T", "f"), "6");
    EXPECT_EQ(Get(again, "T", "d"), "4");
}

TEST(IniRead, IntegersFollowTheProfileRules) {
    IniFile file = Parse("[N]\nneg=-1\nbig=4294967295\nwrap=4294967296\nplus=+7\ntext=abc\n"
                         "lead=12abc\nempty=\nspace= \nq=\"-5\"\nhex=0x10\nsign=-\nzeros=" +
                         std::string(40, '0') + "9\n");
    EXPECT_EQ(IniGetInt(file, "N", "neg", 5), -1);
    EXPECT_EQ(IniGetInt(file, "N", "big", 5), -1);
    EXPECT_EQ(IniGetInt(file, "N", "wrap", 5), 0);
    EXPECT_EQ(IniGetInt(file, "N", "plus", 5), 7);
    EXPECT_EQ(IniGetInt(file, "N", "text", 5), 0);
    EXPECT_EQ(IniGetInt(file, "N", "lead", 5), 12);
    EXPECT_EQ(IniGetInt(file, "N", "empty", 5), 5);
    EXPECT_EQ(IniGetInt(file, "N", "space", 5), 5);
    EXPECT_EQ(IniGetInt(file, "N", "q", 5), -5);
    EXPECT_EQ(IniGetInt(file, "N", "hex", 5), 0);
    EXPECT_EQ(IniGetInt(file, "N", "sign", 5), 0);
    EXPECT_EQ(IniGetInt(file, "N", "zeros", 5), 0); // only the first 29 characters count
}

TEST(IniRead, SixtyFourBitTextParsesLikeScanf) {
    int64_t v = 0;
    EXPECT_TRUE(IniParseInt64(" 123456789012", v));
    EXPECT_EQ(v, 123456789012LL);
    EXPECT_TRUE(IniParseInt64("-9223372036854775808", v));
    EXPECT_EQ(v, INT64_MIN);
    EXPECT_TRUE(IniParseInt64("77x", v));
    EXPECT_EQ(v, 77);
    v = 99;
    EXPECT_FALSE(IniParseInt64("", v));
    EXPECT_FALSE(IniParseInt64("x1", v));
    EXPECT_FALSE(IniParseInt64("-", v));
    EXPECT_EQ(v, 99);
}

TEST(IniRead, StringsAreCutToTheBuffer) {
    IniFile file = Parse("[S]\nk=abcdefgh\n");
    char buffer[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(IniGetString(file, "S", "k", "", buffer, sizeof buffer), 3);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(IniGetString(file, "S", "k", "", buffer, 1), 0);
    EXPECT_STREQ(buffer, "");
}

TEST(IniWrite, ReplacesInPlaceAndKeepsEveryOtherByte) {
    const std::string before = "; my settings\r\n[GAME]\r\nGameRank = 0   ; trailing\r\n"
                               "Other=1\r\n\r\n[Mine]\r\nx=y\r\n";
    IniFile file = Parse(before);
    ASSERT_EQ(IniSetString(file, "game", "gamerank", "1"), 0);
    EXPECT_EQ(IniRender(file), "; my settings\r\n[GAME]\r\nGameRank = 1\r\n"
                               "Other=1\r\n\r\n[Mine]\r\nx=y\r\n");
    ASSERT_EQ(IniSetString(file, "GAME", "GameRank", "2"), 0); // a second write of one key
    IniFile again = Reparsed(file);
    EXPECT_EQ(Get(again, "GAME", "GameRank"), "2");
    EXPECT_EQ(Get(again, "Mine", "x"), "y");
}

TEST(IniWrite, AddsKeysAtTheEndOfTheirSectionAndSectionsAtTheEndOfTheFile) {
    IniFile file = Parse("[A]\na=1\n; about B\n\n[B]\nb=2");
    ASSERT_EQ(IniSetString(file, "A", "new", "n"), 0);
    ASSERT_EQ(IniSetString(file, "B", "more", "m"), 0);
    ASSERT_EQ(IniSetString(file, "C", "c1", "x"), 0);
    ASSERT_EQ(IniSetString(file, "A", "new2", "n2"), 0);
    ASSERT_EQ(IniSetString(file, "C", "c2", "y"), 0);
    EXPECT_EQ(IniRender(file), "[A]\na=1\nnew=n\nnew2=n2\n; about B\n\n[B]\nb=2\nmore=m\n"
                               "\n[C]\nc1=x\nc2=y\n");
}

TEST(IniWrite, ValuelessKeyGetsItsValueAndNewFileUsesCrLf) {
    IniFile file = Parse("[A]\r\nflag\r\n");
    ASSERT_EQ(IniSetString(file, "A", "FLAG", "3"), 0);
    EXPECT_EQ(IniRender(file), "[A]\r\nflag=3\r\n");

    IniFile empty = Parse("");
    ASSERT_EQ(IniSetString(empty, "GAME", "GameRank", "0"), 0);
    EXPECT_EQ(IniRender(empty), "[GAME]\r\nGameRank=0\r\n");
}

TEST(IniWrite, LineEndsInValuesAndBrokenNamesCannotInjectLines) {
    IniFile file = Parse("[A]\n");
    ASSERT_EQ(IniSetString(file, "A", "k", "v\r\n[B]\nx=1"), 0);
    EXPECT_EQ(IniSetString(file, "A", "a=b", "1"), -1);
    EXPECT_EQ(IniSetString(file, "A", "", "1"), -1);
    EXPECT_EQ(IniSetString(file, "A", "[x", "1"), -1);
    EXPECT_EQ(IniSetString(file, "A", "k\n", "1"), 0); // trimmed: the same key
    EXPECT_EQ(IniSetString(file, "A]", "k", "1"), -1);
    IniFile again = Reparsed(file);
    EXPECT_EQ(Get(again, "A", "k"), "1");
    EXPECT_EQ(Get(again, "B", "x"), "<def>");
}

TEST(IniWrite, AKeyAtTheStartNeverTurnsIntoAByteOrderMark) {
    for (const char* key : {"\xFF\xFEk", "\xFE\xFFk", "\xEF\xBB\xBFk"}) {
        IniFile file = Parse("");
        ASSERT_EQ(IniSetString(file, "", key, "v"), 0);
        IniFile again = Reparsed(file);
        EXPECT_EQ(again.encoding, INI_ENCODING_ANSI);
        EXPECT_EQ(Get(again, "", key), "v");
    }
}

// Inputs the fuzz target once reported (fuzz/corpus/settings/empty_key.bin and
// nuls_and_line_end_in_value.bin): writes whose names hold control bytes, next to refused
// writes whose section and key, joined, look the same. Each accepted write reads back and each
// refused one leaves the key missing.
TEST(IniBadInput, NamesOfAnyBytesReadBackOrAreRefused) {
    struct Write {
        std::string section, key, value, readBack;
        int32_t result;
    };
    const std::string x02(12, '\x02');
    const std::vector<Write> writes = {
        {"", "\x02", "", "", 0},
        {"\x02", "", "", "<def>", -1},
        {"game", "", "v", "<def>", -1},
        {"\xff[GAME]\nGqrs", "A", "v", "<def>", -1},
        {"", x02, x02 + "\xc9\xff", x02 + "\xc9\xff", 0},
        {x02, "", "v", "<def>", -1},
        {"GAME", "a", "", "", 0},
        {"game", "Key_1", "\r\xe1[GAME]\r0GameRank=1\x96", "\xe1[GAME] 0GameRank=1\x96", 0},
        {"A", " RankNormal ", "cc;\n[gAME]\non", "cc; [gAME] on", 0},
        {"GAME", "a", "_START=-1\r\nII", "_START=-1  II", 0},
    };
    const char raw[] = "IIa\0\0R\0a\0\n[game]\n \x1b\x95"
                       "amer\0\0ank = \"1\" \nflag\n"
                       "[\xfe\xffG]=A\x11\0=v\n\r\r>\n";
    IniFile file = Parse(std::string(raw, sizeof raw - 1));
    for (const Write& w : writes) {
        EXPECT_EQ(IniSetString(file, w.section.c_str(), w.key.c_str(), w.value.c_str()), w.result)
            << w.section << "/" << w.key;
    }
    IniFile again = Reparsed(file);
    for (size_t i = 0; i < writes.size(); ++i) {
        const Write& w = writes[i];
        if (i == 6) continue; // written again by the last write
        SCOPED_TRACE(i);
        EXPECT_EQ(Get(file, w.section.c_str(), w.key.c_str()), w.readBack);
        EXPECT_EQ(Get(again, w.section.c_str(), w.key.c_str()), w.readBack);
    }
    EXPECT_EQ(Get(again, "game", "flag"), "<def>");
}

TEST(IniBadInput, GarbageLongLinesAndNulsNeverBreakReadingOrWriting) {
    std::mt19937 rng(12345);
    std::string garbage(2'000'000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng() & 0xFF);
    garbage += "\n[GAME]\nGameRank=1\n";
    garbage += std::string(50'000, 'k') + "=long\n" + "x=" + std::string(20'000, 'v') + "\n";
    garbage += std::string("Zero=\0abc\n", 10);
    IniFile file = Parse(garbage);
    EXPECT_EQ(IniGetInt(file, "GAME", "GameRank", 0), 1);
    EXPECT_EQ(Get(file, "GAME", "x").size(), 255u);
    EXPECT_EQ(Get(file, "GAME", "Zero"), "");
    EXPECT_EQ(IniRender(file), garbage);
    ASSERT_EQ(IniSetString(file, "GAME", "GameRank", "0"), 0);
    ASSERT_EQ(IniSetString(file, "NEW", "k", "v"), 0);
    IniFile again = Reparsed(file);
    EXPECT_EQ(IniGetInt(again, "GAME", "GameRank", 5), 0);
    EXPECT_EQ(Get(again, "NEW", "k"), "v");
    EXPECT_EQ(IniRender(again).size(), IniRender(file).size());
}

TEST(IniSave, WritesAtomicallyAndKeepsTheOldFileWhenWritingFails) {
    TempDir dir;
    const std::string path = dir.File("game.ini");
    WriteBytes(path, "[A]\nk=old\n");
    IniFile file;
    ASSERT_EQ(IniLoad(file, path.c_str()), 0);
    ASSERT_EQ(IniSetString(file, "A", "k", "new"), 0);

    // A directory where the temporary file would go makes the write fail.
    std::filesystem::create_directories(dir.Path() / "game.ini.tmp" / "busy");
    EXPECT_EQ(IniSave(file, path.c_str()), -1);
    EXPECT_EQ(ReadBytes(path), "[A]\nk=old\n");

    std::filesystem::remove_all(dir.Path() / "game.ini.tmp");
    EXPECT_EQ(IniSave(file, path.c_str()), 0);
    EXPECT_EQ(ReadBytes(path), "[A]\nk=new\n");
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "game.ini.tmp"));

    EXPECT_EQ(IniSave(file, dir.File("no/such/dir/game.ini").c_str()), -1);
}

TEST(IniSave, AMissingFileIsCreatedAndAnUnreadableOneIsNeverReplaced) {
    TempDir dir;
    IniFile file;
    const std::string fresh = dir.File("fresh.ini");
    EXPECT_EQ(IniLoad(file, fresh.c_str()), 0);
    EXPECT_FALSE(file.unreadable);
    ASSERT_EQ(IniSetString(file, "S", "k", "1"), 0);
    ASSERT_EQ(IniSave(file, fresh.c_str()), 0);
    EXPECT_EQ(ReadBytes(fresh), "[S]\r\nk=1\r\n");

    const std::string folder = dir.File("folder.ini"); // not a file: cannot be read
    std::filesystem::create_directories(folder);
    EXPECT_EQ(IniLoad(file, folder.c_str()), -1);
    EXPECT_TRUE(file.unreadable);
    EXPECT_EQ(IniGetInt(file, "S", "k", 9), 9);
    ASSERT_EQ(IniSetString(file, "S", "k", "1"), 0);
    EXPECT_EQ(IniSave(file, folder.c_str()), -1);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

TEST(IniStore, ABatchLoadsOnceAndWritesOnceAtTheEnd) {
    TempDir dir;
    const std::string path = dir.File("batch.ini");
    WriteBytes(path, "[A]\nk=1\n");
    IniStoreBegin(path.c_str());
    IniStoreBegin(path.c_str()); // nested
    EXPECT_EQ(IniStoreReadInt("A", "k", 0, path.c_str()), 1);
    EXPECT_EQ(IniStoreWriteString("A", "k", "2", path.c_str()), 0);
    EXPECT_EQ(IniStoreWriteString("B", "j", "3", path.c_str()), 0);
    EXPECT_EQ(IniStoreReadInt("A", "k", 0, path.c_str()), 2); // reads see the writes
    EXPECT_EQ(IniStoreEnd(path.c_str()), 0);
    EXPECT_EQ(ReadBytes(path), "[A]\nk=1\n"); // still inside the outer batch
    EXPECT_EQ(IniStoreEnd(path.c_str()), 0);
    EXPECT_EQ(ReadBytes(path), "[A]\nk=2\n\n[B]\nj=3\n");

    // Outside a batch every call stands alone.
    EXPECT_EQ(IniStoreWriteString("A", "k", "4", path.c_str()), 0);
    EXPECT_EQ(ReadBytes(path), "[A]\nk=4\n\n[B]\nj=3\n");
    char buffer[8];
    EXPECT_EQ(IniStoreReadString("B", "j", "", buffer, sizeof buffer, path.c_str()), 1);
    EXPECT_STREQ(buffer, "3");
}
