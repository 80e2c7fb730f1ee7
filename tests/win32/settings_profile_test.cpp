// The settings file over the profile functions: a batch reports any write that failed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "game/game_record.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "test_util.h"

namespace {

class ProfileSettings : public ::testing::Test {
  protected:
    void SetUp() override { dir_ = velkar_test::ScratchDirectory("profile"); }
    void TearDown() override { velkar::SettingsPath[0] = '\0'; }
    void UsePath(const std::string& path) {
        std::snprintf(velkar::SettingsPath, sizeof velkar::SettingsPath, "%s", path.c_str());
    }
    std::string dir_;
};

TEST_F(ProfileSettings, WriteSettingsSucceedsAndTheFileHoldsWhatWasWritten) {
    velkar::Game& g = velkar::TheGame();
    const std::string path = dir_ + "VELKAR.ini";
    UsePath(path);
    g.gameRank = 1;
    ASSERT_EQ(velkar::WriteSettings(), 0);
    EXPECT_EQ(GetPrivateProfileIntA("GAME", "GameRank", -1, path.c_str()), 1u);
    char name[32] = {};
    GetPrivateProfileStringA("RankHard", "NAME_10", "", name, sizeof name, path.c_str());
    EXPECT_STRNE(name, "");
    g.gameRank = 0;
}

TEST_F(ProfileSettings, WriteSettingsFailsWhereTheFileCannotBeWritten) {
    // A directory stands where the file should be.
    const std::string path = dir_ + "blocked.ini";
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    UsePath(path);
    EXPECT_EQ(velkar::WriteSettings(), -1);
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    // The failure belongs to that batch only.
    UsePath(dir_ + "fine.ini");
    EXPECT_EQ(velkar::WriteSettings(), 0);
}

TEST_F(ProfileSettings, ANestedBatchReportsTheFailureAtEveryEndAfterIt) {
    const std::string good = dir_ + "good.ini";
    const std::string bad = dir_ + "bad.ini";
    ASSERT_TRUE(CreateDirectoryA(bad.c_str(), nullptr));
    velkar::SettingsFileBegin(good.c_str());
    velkar::SettingsFileBegin(good.c_str());
    EXPECT_EQ(velkar::SettingsFileWriteString("A", "x", "1", good.c_str()), 0);
    EXPECT_EQ(velkar::SettingsFileEnd(good.c_str()), 0);
    EXPECT_EQ(velkar::SettingsFileWriteString("A", "x", "1", bad.c_str()), -1);
    EXPECT_EQ(velkar::SettingsFileWriteString("A", "y", "2", good.c_str()), 0);
    EXPECT_EQ(velkar::SettingsFileEnd(good.c_str()), -1);
    // Writes outside a batch answer for themselves.
    EXPECT_EQ(velkar::SettingsFileWriteString("A", "x", "1", bad.c_str()), -1);
    velkar::SettingsFileBegin(good.c_str());
    EXPECT_EQ(velkar::SettingsFileEnd(good.c_str()), 0);
    EXPECT_EQ(GetPrivateProfileIntA("A", "y", 0, good.c_str()), 2u);
}

} // namespace
