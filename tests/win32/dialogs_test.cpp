// The dialogs and menus of VELKAR.exe driven through their messages in headless Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "app/menu_state.h"
#include "display.h"
#include "game/game_record.h"
#include "gfx/sprite.h"
#include "input/joystick_seam.h"
#include "player/player.h"
#include "resource.h"
#include "settings/settings.h"
#include "test_util.h"
#include "ui/dialog_texts.h"
#include "ui/display_modes.h"
#include "window.h"

#include <commctrl.h>

namespace {

using velkar_test::Utf8;
using velkar_test::WindowTextUtf8;

// The steps run on the open dialog; they end it (or not) through its own messages.
std::function<void(HWND)> dialogScript;
std::string lastBoxText;

HWND FindDialog() {
    return GetActiveWindow();
}

// A message box opened by the dialog: remember its text and press its first button.
void CALLBACK CloseMessageBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = GetActiveWindow();
    if (box == nullptr) return;
    char className[32] = {};
    GetClassNameA(box, className, sizeof className);
    HWND text = GetDlgItem(box, 0xFFFF);
    if (std::strcmp(className, "#32770") != 0 || text == nullptr) return;
    KillTimer(nullptr, id);
    lastBoxText = WindowTextUtf8(text);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND dialog = FindDialog();
    ASSERT_NE(dialog, nullptr);
    dialogScript(dialog);
}

// Runs a dialog template modally; the script runs once the dialog is up.
int32_t RunWithScript(int32_t templateId, std::function<void(HWND)> script) {
    dialogScript = std::move(script);
    SetTimer(nullptr, 0, 50, RunScript);
    return velkar::RunDialogTemplate(nullptr, templateId);
}

void PressOkExpectingBox(HWND dialog) {
    lastBoxText.clear();
    SetTimer(nullptr, 0, 50, CloseMessageBox);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

int32_t ComboSelection(HWND dialog, int id) {
    return static_cast<int32_t>(SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0));
}

void Select(HWND dialog, int id, int item) {
    SendDlgItemMessageA(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::string ItemText(HWND dialog, int id) {
    char text[64] = {};
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

class DialogTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
    }
    void SetUp() override {
        // Two display devices: "Default" with two modes, and a second one with one.
        ASSERT_EQ(velkar::CreateDisplayDeviceList(1), 0);
        uint8_t id[16] = {1};
        velkar::SetDisplayDeviceEntry(1, id, "\\\\.\\DISPLAY2");
        velkar::AddDisplayMode(&velkar::DisplayDeviceList[0], 7, 640, 480, 60);
        velkar::AddDisplayMode(&velkar::DisplayDeviceList[0], 7, 800, 600, 60);
        velkar::AddDisplayMode(&velkar::DisplayDeviceList[1], 7, 1024, 768, 60);
        velkar::JoyButton_A = 0;
        velkar::JoyButton_B = 1;
        velkar::JoyButton_C = 2;
        velkar::JoyButton_START = -1;
        velkar::JoyButton_PAUSE = -1;
        velkar::SoundVolume1 = 100;
        velkar::SoundVolume2 = 100;
        velkar::ScreenDevice = 0;
        velkar::ScreenResolution = 2;
        velkar::ScreenBpp = 32;
        velkar::DisablePrimSurf = 1;
        velkar::Language = 0;
    }
    void TearDown() override { velkar::FreeDisplayDeviceList(); }
};

TEST_F(DialogTest, DeviceConfigurationOpensWithTheSettingsAndStoresThemBackOnOk) {
    int32_t result = RunWithScript(IDD_DEVICE_CONFIG_EN, [](HWND d) {
        EXPECT_EQ(ComboSelection(d, IDC_BUTTON_A), 1);
        EXPECT_EQ(ComboSelection(d, IDC_BUTTON_START), 0);
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_BUTTON_A, CB_GETCOUNT, 0, 0), 17);
        EXPECT_EQ(ItemText(d, IDC_CONNECT), "Not Found");
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_BGM_SLIDER, TBM_GETPOS, 0, 0), 0);
        EXPECT_EQ(ItemText(d, IDC_BGM_VALUE), "100");
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_RESOLUTION, CB_GETCOUNT, 0, 0), 3);
        char mode[64] = {};
        SendDlgItemMessageA(d, IDC_RESOLUTION, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(mode));
        EXPECT_STREQ(mode, "800 x 600 (60Hz)");
        EXPECT_EQ(ComboSelection(d, IDC_RESOLUTION), 2);
        EXPECT_EQ(ComboSelection(d, IDC_BPP), 1);
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_PRIMSURF), BST_CHECKED);
        SendMessageA(d, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(velkar::JoyButton_A, 0);
    EXPECT_EQ(velkar::JoyButton_START, -1);
    EXPECT_EQ(velkar::ScreenResolution, 2);
    EXPECT_EQ(velkar::ScreenBpp, 32);
    EXPECT_EQ(velkar::DisablePrimSurf, 1);
    EXPECT_EQ(velkar::SoundVolume1, 100);
}

TEST_F(DialogTest, ChoicesAndTheSliderAreStoredOnOk) {
    int32_t result = RunWithScript(IDD_DEVICE_CONFIG_EN, [](HWND d) {
        Select(d, IDC_BUTTON_A, 16); // "16": button 15
        Select(d, IDC_BUTTON_B, 0);  // "None"
        SendDlgItemMessageA(d, IDC_BGM_SLIDER, TBM_SETPOS, TRUE, 100);
        NMHDR note = {GetDlgItem(d, IDC_BGM_SLIDER), IDC_BGM_SLIDER, NM_CUSTOMDRAW};
        SendMessageA(d, WM_NOTIFY, IDC_BGM_SLIDER, reinterpret_cast<LPARAM>(&note));
        EXPECT_EQ(ItemText(d, IDC_BGM_VALUE), "0");
        CheckDlgButton(d, IDC_PRIMSURF, BST_UNCHECKED);
        SendMessageA(d, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(velkar::JoyButton_A, 15);
    EXPECT_EQ(velkar::JoyButton_B, -1);
    EXPECT_EQ(velkar::SoundVolume1, 0);
    EXPECT_EQ(velkar::DisablePrimSurf, 0);
}

TEST_F(DialogTest, AnAssignmentOutsideTheListIsReportedAfterTheOnesBeforeItAreStored) {
    velkar::JoyButton_A = 3;
    velkar::JoyButton_B = 4;
    velkar::JoyButton_C = 20;
    std::string reported;
    int32_t result = RunWithScript(IDD_DEVICE_CONFIG_EN, [&reported](HWND d) {
        EXPECT_EQ(ComboSelection(d, IDC_BUTTON_C), -1);
        Select(d, IDC_BUTTON_A, 6);
        PressOkExpectingBox(d);
        reported = lastBoxText;
        EXPECT_NE(GetDlgItem(d, IDOK), nullptr); // still open
        SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(reported, "Assign button 2 select error");
    EXPECT_EQ(velkar::JoyButton_A, 5);
    EXPECT_EQ(velkar::JoyButton_B, 4);
    EXPECT_EQ(velkar::JoyButton_C, 20);
}

TEST_F(DialogTest, AnotherDeviceResetsTheResolutionAndDefaultThenCancelChangesNothing) {
    int32_t result = RunWithScript(IDD_DEVICE_CONFIG_EN, [](HWND d) {
        Select(d, IDC_DEVICE, 1);
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_RESOLUTION, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(ComboSelection(d, IDC_RESOLUTION), 0);
        SendMessageA(d, WM_COMMAND, IDC_DEFAULT, 0);
        EXPECT_EQ(ComboSelection(d, IDC_BUTTON_A), 1);
        EXPECT_EQ(ComboSelection(d, IDC_BUTTON_PAUSE), 0);
        EXPECT_EQ(ComboSelection(d, IDC_DEVICE), 0);
        EXPECT_EQ(ComboSelection(d, IDC_BPP), 0);
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_PRIMSURF), BST_UNCHECKED);
        SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(velkar::ScreenDevice, 0);
    EXPECT_EQ(velkar::ScreenResolution, 2);
    EXPECT_EQ(velkar::ScreenBpp, 32);
    EXPECT_EQ(velkar::DisablePrimSurf, 1);
}

TEST_F(DialogTest, NameEntryKeepsNineCharactersAndEscapeLeavesItEmpty) {
    int32_t result = RunWithScript(IDD_NAME_ENTRY_EN, [](HWND d) {
        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_NAME_EDIT));
        SetDlgItemTextA(d, IDC_NAME_EDIT, "ABCDEFGHIJKL");
        SendMessageA(d, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(velkar::NameBuffer, "ABCDEFGHI");
    EXPECT_EQ(velkar::NameBuffer[10], '\0');
    result = RunWithScript(IDD_NAME_ENTRY_JA, [](HWND d) {
        SetDlgItemTextA(d, IDC_NAME_EDIT, "XYZ");
        SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_STREQ(velkar::NameBuffer, "");
}

TEST_F(DialogTest, NameEntryCutsTheAnsiTextOnItsOwnCharacters) {
    // "ABCDEFGH" and "Â©" in the ANSI code page: nine characters of one byte each in code page
    // 1252, which keeps all nine bytes (a UTF-8 reading would take the last two as one letter).
    ASSERT_EQ(GetACP(), 1252u) << "the test prefix runs with the western ANSI code page";
    int32_t result = RunWithScript(IDD_NAME_ENTRY_EN, [](HWND d) {
        SetDlgItemTextA(d, IDC_NAME_EDIT, "ABCDEFGH\xC2\xA9");
        SendMessageA(d, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(velkar::NameBuffer, "ABCDEFGH\xC2");
    // The lead bytes come from the system: code page 932's are seen as such, 1252 has none.
    EXPECT_TRUE(IsDBCSLeadByteEx(932, 0x82));
    EXPECT_EQ(velkar::AnsiCharLength("\x82\xA0"), 1);
    EXPECT_EQ(velkar::AnsiCharLength("A"), 1);
}

TEST_F(DialogTest, AboutShowsTheVersionInBothLanguages) {
    for (int32_t id : {IDD_ABOUT_EN, IDD_ABOUT_JA}) {
        std::string version;
        std::string caption;
        RunWithScript(id, [&](HWND d) {
            version = ItemText(d, IDC_VERSION);
            caption = WindowTextUtf8(d);
            SendMessageA(d, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(version, "1.05");
        if (id == IDD_ABOUT_EN || GetACP() == 932) {
            EXPECT_EQ(caption, velkar::ABOUT_TEXTS[id == IDD_ABOUT_JA ? 1 : 0].caption);
        }
    }
}

// The texts of every control of a dialog template, in order, as UTF-8.
std::string DialogTexts(int32_t id) {
    std::string texts;
    RunWithScript(id, [&texts](HWND d) {
        texts = WindowTextUtf8(d);
        for (HWND c = GetWindow(d, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            char className[32] = {};
            GetClassNameA(c, className, sizeof className);
            if (_stricmp(className, "ComboBox") == 0 || _stricmp(className, "Edit") == 0) continue;
            // The icon control's "text" is the icon's resource number.
            if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
                _stricmp(className, "Static") == 0) {
                continue;
            }
            std::string text = WindowTextUtf8(c);
            if (!text.empty()) texts += "|" + text;
        }
        SendMessageA(d, WM_COMMAND, IDCANCEL, 0);
    });
    return texts;
}

// The dialogs are ANSI windows (DialogBoxParamA), so their Japanese texts survive only under
// the Japanese ANSI code page (932); under any other the Japanese templates are not compared
// (the menus, read as Unicode, check the Japanese resource texts).
TEST_F(DialogTest, TemplatesCarryTheTextsOfBothLanguages) {
    const int languages = GetACP() == 932 ? 2 : 1;
    for (int language = 0; language < languages; ++language) {
        const velkar::DeviceConfigTexts& t = velkar::DEVICE_CONFIG_TEXTS[language];
        std::string expected = std::string(t.caption) + "|" + t.inputGroup;
        const char* rest[] = {t.buttonLabel[0], t.buttonLabel[1],  t.buttonLabel[2],
                              t.buttonLabel[3], t.buttonLabel[4],  t.connectLabel,
                              t.soundGroup,     t.bgmNote,         t.effectNote,
                              t.displayGroup,   t.fullScreenGroup, t.deviceLabel,
                              t.deviceNote,     t.resolutionLabel, t.resolutionNote,
                              t.bppLabel,       t.bppNote,         t.primSurfCheck,
                              t.okButton,       t.cancelButton,    t.defaultButton};
        for (const char* text : rest)
            expected += std::string("|") + text;
        EXPECT_EQ(DialogTexts(language ? IDD_DEVICE_CONFIG_JA : IDD_DEVICE_CONFIG_EN), expected);

        const velkar::NameEntryTexts& n = velkar::NAME_ENTRY_TEXTS[language];
        EXPECT_EQ(DialogTexts(language ? IDD_NAME_ENTRY_JA : IDD_NAME_ENTRY_EN),
                  std::string(n.caption) + "|" + n.heading + "|" + n.prompt + "|" + n.okButton);

        const velkar::AboutTexts& a = velkar::ABOUT_TEXTS[language];
        EXPECT_EQ(DialogTexts(language ? IDD_ABOUT_JA : IDD_ABOUT_EN),
                  std::string(a.caption) + "|" + a.title + "|" + a.versionLabel + "|1.05|" +
                      a.systems + "|" + a.okButton);
    }
}

// Walks a loaded menu in the order of the core's layout table.
void CompareMenu(HMENU menu, int language, int* entry, bool top) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const velkar::MenuEntry& e = velkar::MAIN_MENU[*entry];
        wchar_t text[128] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 127;
        ASSERT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info));
        SCOPED_TRACE(*entry);
        ++*entry;
        if (info.fType & MFT_SEPARATOR) {
            EXPECT_EQ(e.kind, velkar::MENU_SEPARATOR);
            continue;
        }
        EXPECT_EQ(Utf8(text), language ? e.japanese : e.english);
        if (info.hSubMenu != nullptr) {
            EXPECT_EQ(e.kind, top ? velkar::MENU_POPUP : velkar::MENU_SUBMENU);
            CompareMenu(info.hSubMenu, language, entry, false);
            if (!top) {
                EXPECT_EQ(velkar::MAIN_MENU[*entry].kind, velkar::MENU_SUBMENU_END);
                ++*entry;
            }
        } else {
            EXPECT_EQ(e.kind, velkar::MENU_ITEM);
            EXPECT_EQ(static_cast<int32_t>(info.wID), e.id);
        }
    }
}

TEST(MenuResources, BothMenusFollowTheLayoutAndTexts) {
    for (int language = 0; language < 2; ++language) {
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr),
                               MAKEINTRESOURCEA(language ? IDM_MENU_JA : IDM_MENU_EN));
        ASSERT_NE(menu, nullptr);
        int entry = 0;
        CompareMenu(menu, language, &entry, true);
        EXPECT_EQ(entry, velkar::MAIN_MENU_ENTRY_COUNT);
        DestroyMenu(menu);
    }
}

// The program's icon, drawn on the build machine, is the ship this program's own sprite factory
// draws: pixel for pixel in its 32 x 32 image, transparent exactly where the ship is black.
TEST(IconResource, TheIconIsTheShipPixelForPixel) {
    const velkar::Sprite& ship = velkar::ShipSprite;
    const auto pictures = velkar::DrawSpriteImages(ship);
    ASSERT_NE(pictures, nullptr);
    ASSERT_EQ(ship.width, 32);
    ASSERT_EQ(ship.height, 32);
    HICON icon = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_VELKAR), IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = 32;
    format.bmiHeader.biHeight = -32; // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    uint8_t colour[32 * 32 * 4] = {};
    uint8_t mask[32 * 32 * 4] = {};
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(dc, info.hbmColor, 0, 32, colour, &format, DIB_RGB_COLORS), 32);
    EXPECT_EQ(GetDIBits(dc, info.hbmMask, 0, 32, mask, &format, DIB_RGB_COLORS), 32);
    ReleaseDC(nullptr, dc);
    int32_t solid = 0, wrong = 0;
    for (int32_t i = 0; i < 32 * 32; ++i) {
        const uint8_t* want = pictures->image.bits.get() + i * 3;
        const uint8_t* got = colour + i * 4;
        const bool black = (want[0] | want[1] | want[2]) == 0;
        solid += black ? 0 : 1;
        if (got[0] != want[0] || got[1] != want[1] || got[2] != want[2]) ++wrong;
        // The AND mask is white where the icon lets the background through.
        if ((mask[i * 4] != 0) != black) ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(solid, 100);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    DestroyIcon(icon);
}

} // namespace
