// The settings file as the game reads it at start-up and writes it at exit, hi-scores included.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/own_game.h"
#include "game/game_record.h"
#include "game/ranking.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "temp_dir.h"

using namespace velkar;
using velkar::testing::ReadBytes;
using velkar::testing::TempDir;
using velkar::testing::WriteBytes;

namespace {

class SettingsFile : public ::testing::Test {
  protected:
    // A new game with the default tables, as start-up has it before it reads the file.
    void SetUp() override {
        path_ = dir_.File("VELKAR.ini");
        std::snprintf(SettingsPath, sizeof SettingsPath, "%s", path_.c_str());
        ResetHostSettings();
        DefaultRanking(0);
        DefaultRanking(1);
    }
    void TearDown() override {
        ResetHostSettings();
        SettingsPath[0] = '\0';
    }
    // The settings that are the host's, not the game's, back to their defaults.
    static void ResetHostSettings() {
        for (const SettingsKey& entry : SettingsKeys) {
            if (entry.value != nullptr) *entry.value = entry.fallback;
        }
    }
    // Scrambles every setting so that a read must set each one.
    static void Scramble() {
        for (const SettingsKey& entry : SettingsKeys)
            SettingValue(entry) = 12345;
    }
    std::string ReadKey(const char* section, const char* key) const {
        char text[64];
        SettingsFileReadString(section, key, "<none>", text, sizeof text, path_.c_str());
        return text;
    }

    velkar_test::OwnGame game;
    TempDir dir_;
    std::string path_;
};

} // namespace

TEST_F(SettingsFile, WithNoFileEverySettingTakesItsDefaultAndExitWritesACompleteFile) {
    Game& g = *game;
    Scramble();
    ReadSettings();
    EXPECT_EQ(g.gameRank, 0);
    EXPECT_EQ(ScreenDevice, 0);
    EXPECT_EQ(ScreenResolution, 0);
    EXPECT_EQ(ScreenBpp, 16);
    EXPECT_EQ(DisablePrimSurf, 0);
    EXPECT_EQ(SoundVolume1, 100);
    EXPECT_EQ(SoundVolume2, 100);
    EXPECT_EQ(EnableSound, 1);
    EXPECT_EQ(JoyButton_A, 0);
    EXPECT_EQ(JoyButton_B, 1);
    EXPECT_EQ(JoyButton_C, 2);
    EXPECT_EQ(JoyButton_START, -1);
    EXPECT_EQ(JoyButton_PAUSE, -1);
    EXPECT_EQ(Language, -1);
    EXPECT_EQ(g.ranking[1][0].score, 110000);

    Language = 0;
    ASSERT_EQ(WriteSettings(), 0);
    const std::string text = ReadBytes(path_);
    for (const SettingsKey& entry : SettingsKeys) {
        EXPECT_NE(text.find(std::string(entry.key) + "="), std::string::npos) << entry.key;
    }
    EXPECT_EQ(ReadKey("ENVIRONMENT", "Language"), "0");
    EXPECT_EQ(ReadKey("INPUT", "JoyButton_START"), "-1");
    EXPECT_EQ(ReadKey("RankNormal", "NAME_10"), "NO PLAYER");
    EXPECT_EQ(ReadKey("RankHard", "STAGE_9"), "1");
    // The sections in the order the game writes them.
    const size_t game = text.find("[GAME]");
    const size_t normal = text.find("[RankNormal]");
    const size_t hard = text.find("[RankHard]");
    const size_t display = text.find("[DISPLAY]");
    const size_t environment = text.find("[ENVIRONMENT]");
    EXPECT_TRUE(game < normal && normal < hard && hard < display && display < environment);
    EXPECT_EQ(text.find("STAGE_1=3\r\nSCORE_1=110000\r\nNAME_1=NO PLAYER\r\nSTAGE_2="),
              text.find("STAGE_1="));
}

TEST_F(SettingsFile, EverySettingRoundTripsIncludingNegativeButtons) {
    int32_t value = -3;
    for (const SettingsKey& entry : SettingsKeys)
        SettingValue(entry) = value++;
    game->gameRank = 1;
    JoyButton_START = -1;
    ASSERT_EQ(WriteSettings(), 0);
    Scramble();
    ReadSettings();
    value = -3;
    for (const SettingsKey& entry : SettingsKeys) {
        const int32_t expected = &SettingValue(entry) == &game->gameRank ? 1
                                 : entry.value == &JoyButton_START       ? -1
                                                                         : value;
        EXPECT_EQ(SettingValue(entry), expected) << entry.key;
        ++value;
    }
}

TEST_F(SettingsFile, ValuesOutOfRangeOrNotNumbersFallBackAsTheProfileRulesSay) {
    WriteBytes(path_, "[GAME]\nGameRank=7\n[DISPLAY]\nScreenBpp=abc\nScreenDevice=\n"
                      "ScreenResolution=-2\n[SOUND]\nSoundVolume2=99999999999\n");
    Scramble();
    ReadSettings();
    EXPECT_EQ(game->gameRank, 0);    // a rank other than Hard is Normal
    EXPECT_EQ(ScreenBpp, 0);         // text that starts with no digit
    EXPECT_EQ(ScreenDevice, 0);      // empty: the default
    EXPECT_EQ(ScreenResolution, -2); // not range-tested here; start-up clamps it
    EXPECT_EQ(SoundVolume2, static_cast<int32_t>(99999999999LL & 0xFFFFFFFF));
    EXPECT_EQ(EnableSound, 1);
}

TEST_F(SettingsFile, ScoresWiderThan32BitsRoundTripAndNonNumbersGiveTheDefault) {
    Game& g = *game;
    const int64_t big = 98'765'432'109'876LL;
    WriteIniInt64("RankNormal", "SCORE_1", big, path_.c_str());
    EXPECT_EQ(ReadKey("RankNormal", "SCORE_1"), "98765432109876");
    EXPECT_EQ(ReadIniInt64("RankNormal", "SCORE_1", -1, path_.c_str()), big);
    WriteIniInt64("X", "min", INT64_MIN, path_.c_str());
    EXPECT_EQ(ReadIniInt64("X", "min", 0, path_.c_str()), INT64_MIN);
    SettingsFileWriteString("X", "text", "lots", path_.c_str());
    EXPECT_EQ(ReadIniInt64("X", "text", -1, path_.c_str()), -1);
    EXPECT_EQ(ReadIniInt64("X", "missing", 17, path_.c_str()), 17);

    g.ranking[0][0].score = big;
    g.ranking[1][9].score = (int64_t{1} << 40) + 1;
    ASSERT_EQ(WriteSettings(), 0);
    DefaultRanking(0);
    DefaultRanking(1);
    ReadSettings();
    EXPECT_EQ(g.ranking[0][0].score, big);
    EXPECT_EQ(g.ranking[1][9].score, (int64_t{1} << 40) + 1);
}

TEST_F(SettingsFile, NamesOfTenBytesLoadElevenReadEmptyAndEmptyIsWrittenAsAMarker) {
    Game& g = *game;
    std::strcpy(g.ranking[0][0].name, "ABCDEFGHIJ");
    g.ranking[0][1].name[0] = '\0';
    ASSERT_EQ(WriteSettings(), 0);
    EXPECT_EQ(ReadKey("RankNormal", "NAME_1"), "ABCDEFGHIJ");
    EXPECT_EQ(ReadKey("RankNormal", "NAME_2"), "(Empty)(Empty)(Empty)(Empty)(Empty)");

    SettingsFileWriteString("RankHard", "NAME_3", "ABCDEFGHIJK", path_.c_str());
    SettingsFileWriteString("RankHard", "NAME_4", "", path_.c_str()); // empty: name stays
    DefaultRanking(0);
    DefaultRanking(1);
    ReadSettings();
    EXPECT_STREQ(g.ranking[0][0].name, "ABCDEFGHIJ");
    EXPECT_STREQ(g.ranking[0][1].name, "");
    EXPECT_STREQ(g.ranking[1][2].name, "");
    EXPECT_STREQ(g.ranking[1][3].name, "NO PLAYER");
}

TEST_F(SettingsFile, ASectionWithOneScoreChangesOnlyThatValue) {
    Game& g = *game;
    WriteBytes(path_, "[RankHard]\r\nSCORE_1=123\r\n");
    ReadSettings();
    EXPECT_EQ(g.ranking[1][0].score, 123);
    EXPECT_EQ(g.ranking[1][0].stage, 3);
    EXPECT_STREQ(g.ranking[1][0].name, "NO PLAYER");
    for (int32_t rank = 0; rank < 2; ++rank) {
        for (int32_t place = 0; place < RANKING_PLACES; ++place) {
            if (rank == 1 && place == 0) continue;
            EXPECT_EQ(g.ranking[rank][place].score, 110000 - 10000 * place);
            EXPECT_EQ(g.ranking[rank][place].stage, place < 4 ? 3 : place < 8 ? 2 : 1);
        }
    }
}

TEST_F(SettingsFile, NegativeStoredStagesAndScoresKeepTheDefaults) {
    Game& g = *game;
    WriteBytes(path_, "[RankNormal]\nSTAGE_1=-4\nSCORE_1=-9\nSTAGE_2=0\nSCORE_2=0\n"
                      "SCORE_3=junk\nSTAGE_3=4294967295\n");
    ReadSettings();
    EXPECT_EQ(g.ranking[0][0].stage, 3);
    EXPECT_EQ(g.ranking[0][0].score, 110000);
    EXPECT_EQ(g.ranking[0][1].stage, 0);
    EXPECT_EQ(g.ranking[0][1].score, 0);
    EXPECT_EQ(g.ranking[0][2].score, 90000);
    EXPECT_EQ(g.ranking[0][2].stage, 3);
}

TEST_F(SettingsFile, ForeignSectionsCommentsAndUnknownKeysSurviveTheGamesWrite) {
    Game& g = *game;
    const std::string mine = "; written by hand\r\n[Tools]\r\nEditor=vi\r\n\r\n"
                             "[GAME]\r\n; difficulty\r\nGameRank=1\r\nCheat=on\r\n\r\n"
                             "[Zzz]\r\nlast=1\r\n";
    WriteBytes(path_, mine);
    ReadSettings();
    EXPECT_EQ(g.gameRank, 1);
    g.gameRank = 0;
    ASSERT_EQ(WriteSettings(), 0);
    // Every foreign line is still there, in its order (the codec's tests pin the exact bytes).
    const std::string text = ReadBytes(path_);
    size_t at = 0;
    for (const char* line : {"; written by hand", "[Tools]", "Editor=vi", "[GAME]", "; difficulty",
                             "GameRank=0", "Cheat=on", "[Zzz]", "last=1"}) {
        at = text.find(line, at);
        ASSERT_NE(at, std::string::npos) << line;
    }
    EXPECT_EQ(ReadKey("Tools", "Editor"), "vi");
    EXPECT_EQ(ReadKey("GAME", "Cheat"), "on");
    EXPECT_EQ(ReadKey("Zzz", "last"), "1");
    EXPECT_EQ(ReadKey("RankNormal", "SCORE_10"), "20000");
    EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
}

TEST_F(SettingsFile, AnUnreadableFileReadsAsMissingAndIsLeftAlone) {
    std::filesystem::create_directories(path_); // a directory where the file should be
    Scramble();
    ReadSettings();
    EXPECT_EQ(SoundVolume2, 100);
    WriteSettings(); // fails; the codec's own tests check that it says so
    EXPECT_TRUE(std::filesystem::is_directory(path_));
}
