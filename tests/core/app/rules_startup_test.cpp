// Start-up decisions: Windows generation, paths, language and the display choice clamps.
#include <gtest/gtest.h>

#include <string>

#include "app/frame_clock.h"
#include "app/startup.h"
#include "settings/settings.h"
#include "ui/display_modes.h"

namespace velkar {
namespace {

int32_t Kind(uint32_t platform, uint32_t major, uint32_t build) {
    const MessageText* message = nullptr;
    int32_t kind = ClassifyOs(platform, major, 0, build, &message);
    if (platform == OS_PLATFORM_NT && kind >= 0) {
        EXPECT_EQ(message, nullptr);
    }
    return kind;
}

TEST(StartupOs, GenerationTable) {
    EXPECT_EQ(Kind(OS_PLATFORM_WINDOWS, 4, 1998), 0);
    EXPECT_EQ(Kind(OS_PLATFORM_NT, 4, 1381), 1);
    EXPECT_EQ(Kind(OS_PLATFORM_NT, 5, 2600), 2);
    EXPECT_EQ(OsKind, 2);
    EXPECT_EQ(Kind(OS_PLATFORM_NT, 6, 7601), 3);
    EXPECT_EQ(Kind(OS_PLATFORM_NT, 9, 8999), 3);
    EXPECT_EQ(Kind(OS_PLATFORM_NT, 6, 9200), 4);
    EXPECT_EQ(Kind(OS_PLATFORM_NT, 5, 9000), 4);
    EXPECT_EQ(Kind(OS_PLATFORM_NT, 10, 100), 4);
    // Only the low 16 bits of the build field are the build number.
    EXPECT_EQ(Kind(OS_PLATFORM_NT, 6, 0x06010000u + 7601), 3);
}

TEST(StartupOs, StopsAndUnknownPlatform) {
    const MessageText* message = nullptr;
    EXPECT_EQ(ClassifyOs(OS_PLATFORM_WIN32S, 3, 10, 0, &message), -1);
    EXPECT_STREQ(message->text, "WIN32s is not supported");
    EXPECT_EQ(ClassifyOs(OS_PLATFORM_NT, 3, 51, 1057, &message), -1);
    EXPECT_STREQ(message->text, "NT Ver.3.x is not supported");
    EXPECT_STREQ(message->caption, "Initialize error");
    EXPECT_EQ(ClassifyOs(7, 6, 0, 0, &message), 3);
    EXPECT_STREQ(message->text, "Unknown OS ... Use Windows Vista mode");
    EXPECT_EQ(message->style, MSG_ICON_INFORMATION);
}

TEST(StartupPaths, SettingsFileIsNamedAfterTheExecutable) {
    SetProgramPaths("C:\\Games\\Velkar\\game2.exe", "D:\\elsewhere", '\\');
    EXPECT_STREQ(ExeDirectory, "C:\\Games\\Velkar");
    EXPECT_STREQ(SettingsPath, "C:\\Games\\Velkar\\game2.ini");
    SetProgramPaths("C:\\a.b\\my.game.exe", nullptr, '\\');
    EXPECT_STREQ(SettingsPath, "C:\\a.b\\my.game.ini");
    SetProgramPaths("/usr/games/velkar", "/tmp", '/');
    EXPECT_STREQ(ExeDirectory, "/usr/games");
    EXPECT_STREQ(SettingsPath, "/usr/games/velkar.ini");
}

TEST(StartupPaths, FallbackKeepsTheExtensionInTheName) {
    SetProgramPaths(nullptr, "D:\\work", '\\');
    EXPECT_STREQ(ExeDirectory, "D:\\work");
    EXPECT_STREQ(SettingsPath, "D:\\work\\VELKAR.exe.ini");
}

TEST(StartupPaths, SettingsPathNeverExceeds259Characters) {
    // A 259-character path to a program without an extension: ".ini" does not fit.
    std::string dir = "C:\\" + std::string(245, 'd');
    SetProgramPaths((dir + "\\velkar1234").c_str(), nullptr, '\\');
    EXPECT_EQ(std::string(ExeDirectory), dir);
    EXPECT_EQ(std::string(SettingsPath), (dir + "\\velkar1234.ini").substr(0, 259));
    EXPECT_EQ(std::string(SettingsPath).size(), 259u);
}

TEST(StartupLanguage, LocaleDecidesOnlyWithoutAStoredChoice) {
    int32_t saved = Language;
    Language = 1;
    Paused.store(1);
    BeginStartup();
    EXPECT_EQ(Language, -1);
    EXPECT_EQ(Paused.load(), 0);
    EXPECT_EQ(LanguageOfWindowsLocale("Japanese_Japan.932"), 1);
    EXPECT_EQ(LanguageOfWindowsLocale("Japanes"), 0);
    EXPECT_EQ(LanguageOfWindowsLocale("English_United States.437"), 0);
    EXPECT_EQ(LanguageOfPosixLocale("ja_JP.UTF-8"), 1);
    EXPECT_EQ(LanguageOfPosixLocale("C"), 0);
    Language = -1;
    DecideLanguage("Japanese_Japan.932", 0);
    EXPECT_EQ(Language, 1);
    Language = -5;
    DecideLanguage(nullptr, 1);
    EXPECT_EQ(Language, 0);
    Language = 1;
    DecideLanguage("en_US.UTF-8", 1);
    EXPECT_EQ(Language, 1);
    Language = 0;
    DecideLanguage("ja_JP.UTF-8", 1);
    EXPECT_EQ(Language, 0);
    Language = saved;
}

TEST(StartupClamp, StoredChoicesComeWithinTheDisplayList) {
    int32_t savedDevice = ScreenDevice, savedResolution = ScreenResolution;
    ASSERT_EQ(CreateDisplayDeviceList(1), 0);
    DisplayDeviceList[1].modeCount = 3;
    ScreenDevice = 7;
    ScreenResolution = 9;
    ClampDisplaySettings();
    EXPECT_EQ(ScreenDevice, 1);
    EXPECT_EQ(ScreenResolution, 3);
    ScreenDevice = -2;
    ScreenResolution = -1;
    ClampDisplaySettings();
    EXPECT_EQ(ScreenDevice, 0);
    EXPECT_EQ(ScreenResolution, 0);
    ScreenResolution = 2; // device 0 lists no mode: Auto
    ClampDisplaySettings();
    EXPECT_EQ(ScreenResolution, 0);
    FreeDisplayDeviceList();
    ScreenDevice = savedDevice;
    ScreenResolution = savedResolution;
}

} // namespace
} // namespace velkar
