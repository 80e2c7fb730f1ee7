// Dialog rules: Device Configuration model, Name Entry, About and window centring.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "game/game_record.h"
#include "settings/settings.h"
#include "ui/center_window.h"
#include "ui/device_config.h"
#include "ui/dialog_texts.h"
#include "ui/display_modes.h"
#include "ui/name_entry.h"

namespace velkar {
namespace {

constexpr uint32_t ALL_FIELDS = MODE_FIELD_WIDTH | MODE_FIELD_HEIGHT | MODE_FIELD_REFRESH;

struct SettingsSnapshot {
    int32_t v[11];
    void Take() {
        const int32_t now[11] = {JoyButton_A,      JoyButton_B,  JoyButton_C,    JoyButton_START,
                                 JoyButton_PAUSE,  SoundVolume1, SoundVolume2,   ScreenDevice,
                                 ScreenResolution, ScreenBpp,    DisablePrimSurf};
        std::memcpy(v, now, sizeof v);
    }
    void Put() const {
        int32_t* vars[11] = {&JoyButton_A,      &JoyButton_B,  &JoyButton_C,    &JoyButton_START,
                             &JoyButton_PAUSE,  &SoundVolume1, &SoundVolume2,   &ScreenDevice,
                             &ScreenResolution, &ScreenBpp,    &DisablePrimSurf};
        for (int i = 0; i < 11; i++)
            *vars[i] = v[i];
    }
    bool operator==(const SettingsSnapshot& o) const { return std::memcmp(v, o.v, sizeof v) == 0; }
};

class DeviceConfig : public ::testing::Test {
  protected:
    void SetUp() override {
        saved.Take();
        ASSERT_EQ(CreateDisplayDeviceList(1), 0);
        AddDisplayMode(&DisplayDeviceList[0], ALL_FIELDS, 640, 480, 60);
        AddDisplayMode(&DisplayDeviceList[0], ALL_FIELDS, 800, 600, 60);
        AddDisplayMode(&DisplayDeviceList[1], ALL_FIELDS, 1024, 768, 60);
        // A non-default set of values, all within the lists.
        JoyButton_A = 4, JoyButton_B = 15, JoyButton_C = 0, JoyButton_START = -1;
        JoyButton_PAUSE = 7, SoundVolume1 = 35, SoundVolume2 = 80, ScreenDevice = 0;
        ScreenResolution = 2, ScreenBpp = 32, DisablePrimSurf = 1;
    }
    void TearDown() override {
        FreeDisplayDeviceList();
        saved.Put();
    }
    SettingsSnapshot saved;
    DeviceConfigModel model{};
    const MessageText* message = nullptr;
    char text[64];
};

TEST_F(DeviceConfig, OkWithEverythingAsOpenedStoresTheSameValues) {
    SettingsSnapshot before;
    before.Take();
    OpenDeviceConfig(&model, 0);
    EXPECT_EQ(model.sliderPosition[0], 65);
    EXPECT_STREQ(DeviceConfigConnectText(&model), "Not Found");
    EXPECT_STREQ(DeviceConfigItemText(&model, DEVCFG_RESOLUTION_LIST, 2, text, sizeof text),
                 "800 x 600 (60Hz)");
    EXPECT_EQ(AcceptDeviceConfig(&model, &message), 1);
    EXPECT_EQ(message, nullptr);
    SettingsSnapshot after;
    after.Take();
    EXPECT_TRUE(before == after);
}

TEST_F(DeviceConfig, ButtonItemsMapToAssignments) {
    OpenDeviceConfig(&model, 1);
    EXPECT_STREQ(DeviceConfigConnectText(&model), "Connect");
    SelectDeviceConfigItem(&model, DEVCFG_BUTTON_A_LIST, 16);
    EXPECT_STREQ(DeviceConfigItemText(&model, DEVCFG_BUTTON_A_LIST, 16, text, sizeof text), "16");
    SelectDeviceConfigItem(&model, DEVCFG_BUTTON_B_LIST, 0);
    EXPECT_EQ(AcceptDeviceConfig(&model, &message), 1);
    EXPECT_EQ(JoyButton_A, 15);
    EXPECT_EQ(JoyButton_B, -1);
}

TEST_F(DeviceConfig, InvalidStoredButtonStopsOkAfterTheEarlierLists) {
    JoyButton_C = 20;
    OpenDeviceConfig(&model, 0);
    EXPECT_EQ(model.buttonItem[2], -1);
    SelectDeviceConfigItem(&model, DEVCFG_BUTTON_A_LIST, 3);
    SelectDeviceConfigItem(&model, DEVCFG_BUTTON_B_LIST, 4);
    MoveDeviceConfigSlider(&model, 0, 100);
    EXPECT_EQ(AcceptDeviceConfig(&model, &message), 0);
    ASSERT_NE(message, nullptr);
    EXPECT_STREQ(message->text, "Assign button 2 select error");
    EXPECT_STREQ(message->caption, "Device Configuration");
    EXPECT_EQ(JoyButton_A, 2);
    EXPECT_EQ(JoyButton_B, 3);
    EXPECT_EQ(JoyButton_C, 20);
    EXPECT_EQ(SoundVolume1, 35); // later choices are not reached
}

TEST_F(DeviceConfig, SliderBottomIsVolumeZero) {
    OpenDeviceConfig(&model, 0);
    EXPECT_EQ(model.volumeShown[0], 35);
    MoveDeviceConfigSlider(&model, 0, 100);
    EXPECT_EQ(model.volumeShown[0], 0);
    EXPECT_STREQ(FormatVolumeText(model.volumeShown[0], text, sizeof text), "0");
    EXPECT_EQ(AcceptDeviceConfig(&model, &message), 1);
    EXPECT_EQ(SoundVolume1, 0);
    EXPECT_EQ(SoundVolume2, 80);
}

TEST_F(DeviceConfig, HandEditedVolumesOutsideTheSliderPutItAtTheNearestEnd) {
    SoundVolume1 = INT32_MIN;
    SoundVolume2 = INT32_MAX;
    OpenDeviceConfig(&model, 0);
    EXPECT_EQ(model.sliderPosition[0], 100); // the bottom: silent
    EXPECT_EQ(model.sliderPosition[1], 0);   // the top: full
    EXPECT_EQ(model.volumeShown[0], INT32_MIN);
    EXPECT_EQ(model.volumeShown[1], INT32_MAX);
    SoundVolume1 = -7;
    SoundVolume2 = 101;
    OpenDeviceConfig(&model, 0);
    EXPECT_EQ(model.sliderPosition[0], 100);
    EXPECT_EQ(model.sliderPosition[1], 0);
}

TEST_F(DeviceConfig, DefaultThenCancelChangesNothingDefaultThenOkStoresDefaults) {
    SettingsSnapshot before;
    before.Take();
    OpenDeviceConfig(&model, 0);
    DefaultDeviceConfig(&model);
    SettingsSnapshot after;
    after.Take();
    EXPECT_TRUE(before == after); // Cancel stores nothing on top of this
    EXPECT_EQ(AcceptDeviceConfig(&model, &message), 1);
    EXPECT_EQ(JoyButton_A, 0);
    EXPECT_EQ(JoyButton_B, 1);
    EXPECT_EQ(JoyButton_C, 2);
    EXPECT_EQ(JoyButton_START, -1);
    EXPECT_EQ(JoyButton_PAUSE, -1);
    EXPECT_EQ(SoundVolume1, 100);
    EXPECT_EQ(SoundVolume2, 100);
    EXPECT_EQ(ScreenDevice, 0);
    EXPECT_EQ(ScreenResolution, 0);
    EXPECT_EQ(ScreenBpp, 16);
    EXPECT_EQ(DisablePrimSurf, 0);
}

TEST_F(DeviceConfig, DeviceChangeRefillsResolutionsFromAuto) {
    OpenDeviceConfig(&model, 0);
    EXPECT_EQ(DeviceConfigItemCount(&model, DEVCFG_RESOLUTION_LIST), 3);
    SelectDeviceConfigItem(&model, DEVCFG_DEVICE_LIST, 0); // same device: choice kept
    EXPECT_EQ(model.resolutionItem, 2);
    SelectDeviceConfigItem(&model, DEVCFG_DEVICE_LIST, 1);
    EXPECT_EQ(model.resolutionItem, 0);
    EXPECT_EQ(DeviceConfigItemCount(&model, DEVCFG_RESOLUTION_LIST), 2);
    EXPECT_STREQ(DeviceConfigItemText(&model, DEVCFG_RESOLUTION_LIST, 0, text, sizeof text),
                 "Auto");
    EXPECT_STREQ(DeviceConfigItemText(&model, DEVCFG_RESOLUTION_LIST, 1, text, sizeof text),
                 "1024 x 768 (60Hz)");
    EXPECT_EQ(AcceptDeviceConfig(&model, &message), 1);
    EXPECT_EQ(ScreenDevice, 1);
    EXPECT_EQ(ScreenResolution, 0);
}

TEST_F(DeviceConfig, ResolutionBeyondTheListIsReportedAfterTheDevice) {
    ScreenResolution = 5;
    ScreenBpp = 16;
    OpenDeviceConfig(&model, 0);
    EXPECT_EQ(model.bppItem, 0);
    EXPECT_EQ(AcceptDeviceConfig(&model, &message), 0);
    EXPECT_STREQ(message->text, "Display resolution select error");
    EXPECT_EQ(ScreenResolution, 5);
    SelectDeviceConfigItem(&model, DEVCFG_BPP_LIST, 2);
    SelectDeviceConfigItem(&model, DEVCFG_RESOLUTION_LIST, 1);
    EXPECT_EQ(AcceptDeviceConfig(&model, &message), 0);
    EXPECT_STREQ(message->text, "Display BPP select error");
    EXPECT_EQ(ScreenResolution, 1);
}

TEST(NameEntry, CutAfterNineAndCancelEmpties) {
    std::memset(NameBuffer, 'x', sizeof NameBuffer);
    EXPECT_EQ(AcceptNameEntry("ABCDEFGHIJKL"), 1);
    EXPECT_STREQ(NameBuffer, "ABCDEFGHI");
    EXPECT_EQ(NameBuffer[10], '\0');
    EXPECT_EQ(AcceptNameEntry("ABCDEFGH\xC3\xA9Z"), 1); // a two-byte letter across the cut
    EXPECT_STREQ(NameBuffer, "ABCDEFGH");
    EXPECT_EQ(AcceptNameEntry("  "), 1);
    EXPECT_STREQ(NameBuffer, "  ");
    EXPECT_EQ(CancelNameEntry(), 0);
    EXPECT_STREQ(NameBuffer, "");
}

// The Windows dialog gives text in the system's ANSI code page; these stand in for two of them.
// Code page 1252 has no lead bytes; in code page 932 a lead byte starts a two-byte character
// whose second byte may itself look like a lead byte or like ASCII.
int32_t Cp1252CharLength(const char*) {
    return 1;
}
int32_t Cp932CharLength(const char* text) {
    const auto c = static_cast<uint8_t>(text[0]);
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
}

TEST(NameEntry, CutFollowsTheEncodingOfTheDialogText) {
    // "ABCDEFGH" and "Â©": two UTF-8 bytes of one letter, but two letters in code page 1252.
    const char* latin = "ABCDEFGH\xC2\xA9";
    EXPECT_EQ(AcceptNameEntry(latin), 1);
    EXPECT_STREQ(NameBuffer, "ABCDEFGH");
    EXPECT_EQ(AcceptNameEntry(latin, Cp1252CharLength), 1);
    EXPECT_STREQ(NameBuffer, "ABCDEFGH\xC2");
    EXPECT_EQ(NameBuffer[10], '\0');

    // Code page 932: a double-byte letter across the ninth byte is left out whole.
    EXPECT_EQ(AcceptNameEntry("ABCDEFGH\x82\xA0", Cp932CharLength), 1);
    EXPECT_STREQ(NameBuffer, "ABCDEFGH");
    EXPECT_EQ(AcceptNameEntry("ABCDEFG\x82\xA0Z", Cp932CharLength), 1);
    EXPECT_STREQ(NameBuffer, "ABCDEFG\x82\xA0");
    // Second bytes that look like lead bytes or like a backslash: only a walk from the start
    // knows where the characters begin.
    EXPECT_EQ(NameCutLength("A\x81\x81\x81\x81\x81\x81\x81\x81", 9, Cp932CharLength), 9);
    EXPECT_EQ(NameCutLength("AB\x81\x81\x81\x81\x81\x81\x81\x81", 9, Cp932CharLength), 8);
    EXPECT_EQ(NameCutLength("\x95\x5C\x95\x5C\x95\x5C\x95\x5C\x95\x5C", 9, Cp932CharLength), 8);
    // A lead byte with nothing after it stands alone; the terminator is never taken in.
    EXPECT_EQ(NameCutLength("ABCDEFG\x82", 9, Cp932CharLength), 8);
    // Never more than nine bytes, whatever the encoding says.
    EXPECT_EQ(NameCutLength("ABCDEFGHIJ", 9, [](const char*) { return 0; }), 9);
    EXPECT_EQ(NameCutLength("ABCDEFGHIJKLMN", 9, [](const char*) { return 4; }), 8);
}

TEST(DialogTexts, TemplateFollowsLanguage) {
    int32_t saved = Language;
    Language = -1;
    EXPECT_EQ(DialogTemplateId(DIALOG_KIND_DEVICE_CONFIG), 109);
    EXPECT_EQ(DialogTemplateId(DIALOG_KIND_ABOUT), 102);
    Language = 1;
    EXPECT_EQ(DialogTemplateId(DIALOG_KIND_NAME_ENTRY), 113);
    EXPECT_EQ(DialogLanguageOf(111), 1);
    EXPECT_EQ(DialogKindOf(112), DIALOG_KIND_ABOUT);
    EXPECT_STREQ(ABOUT_VERSION, "1.05");
    EXPECT_STREQ(DEVICE_CONFIG_TEXTS[1].caption, "ﾃﾞﾊﾞｲｽ設定");
    Language = saved;
}

TEST(CenterWindow, CentresAndStaysOnTheScreen) {
    WindowRect owner{100, 100, 581, 781};
    WindowRect dialog{0, 0, 200, 100};
    EXPECT_EQ(CenterWindowRect(&dialog, &owner, 1920, 1080), 1);
    EXPECT_EQ(dialog.left, 240); // 340 - 100
    EXPECT_EQ(dialog.top, 390);  // 440 - 50
    EXPECT_EQ(dialog.right - dialog.left, 200);
    // Near the bottom-right corner: pushed back to the corner.
    WindowRect corner{1700, 1000, 1900, 1080};
    dialog = {0, 0, 400, 300};
    CenterWindowRect(&dialog, &corner, 1920, 1080);
    EXPECT_EQ(dialog.right, 1920);
    EXPECT_EQ(dialog.bottom, 1080);
    // Wider than the screen: the left edge ends at 0.
    dialog = {0, 0, 2500, 100};
    CenterWindowRect(&dialog, &owner, 1920, 1080);
    EXPECT_EQ(dialog.left, 0);
    EXPECT_EQ(dialog.right, 2500);
    // Halves round toward zero on negative coordinates.
    WindowRect left{-301, 0, 0, 0};
    dialog = {0, 0, 0, 0};
    CenterWindowRect(&dialog, &left, 10, 10);
    EXPECT_EQ(dialog.left, 0);
    WindowRect noMove{5, 5, 10, 10};
    EXPECT_EQ(CenterWindowRect(&noMove, nullptr, 100, 100), 0);
    EXPECT_EQ(noMove.left, 5);
}

} // namespace
} // namespace velkar
