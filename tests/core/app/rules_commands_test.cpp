// Menu commands, menu checks and grays, and key messages over a recording front end.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/key_handling.h"
#include "app/menu_state.h"
#include "core/own_game.h"
#include "game/game_record.h"
#include "game/ranking.h"
#include "input/controls.h"
#include "settings/settings.h"
#include "ui/dialog_texts.h"

namespace velkar {
namespace {

struct Recorder {
    int32_t answer = MSG_ANSWER_CANCEL;
    int32_t dialogResult = 0;
    std::vector<const MessageText*> messages;
    std::vector<int32_t> dialogs;
    std::vector<int32_t> holdDuringModal;
    std::vector<int32_t> sleeps;
    int32_t toggles = 0, closes = 0, restarts = 0;
    int32_t placed[4] = {};
    std::vector<int32_t> overFullScreen, cursor;
};
Recorder rec;
// The fake front end's extra height for a wrapped menu bar in the small size (Windows' 20).
int32_t menuWrap = 20;

const WindowFrontEnd FAKE = {
    [](const MessageText* m) {
        rec.messages.push_back(m);
        rec.holdDuringModal.push_back(GameHold.load());
        return rec.answer;
    },
    [](int32_t id) {
        rec.dialogs.push_back(id);
        rec.holdDuringModal.push_back(GameHold.load());
        return rec.dialogResult;
    },
    [] { rec.toggles++; },
    [](int32_t* left, int32_t* top) {
        *left = 30;
        *top = 40;
    },
    [](int32_t l, int32_t t, int32_t w, int32_t h) {
        rec.placed[0] = l, rec.placed[1] = t, rec.placed[2] = w, rec.placed[3] = h;
    },
    [](WindowMetrics* m) { *m = {2, 4, 2, 4, 23, 20, 3, 3, menuWrap}; },
    [] { rec.closes++; },
    [] { rec.restarts++; },
    [](int32_t ms) { rec.sleeps.push_back(ms); },
    [](int32_t begin) { rec.overFullScreen.push_back(begin); },
    [](int32_t show) { rec.cursor.push_back(show); },
};

class WindowRules : public ::testing::Test {
  protected:
    void SetUp() override {
        rec = Recorder{};
        SetWindowFrontEnd(&FAKE);
        savedLanguage = Language;
        savedSound = EnableSound;
        GameHold.store(0);
        Paused.store(0);
        FullScreen.store(0);
        FullScreenLock.store(0);
        ClientWidth.store(480);
        ClientHeight.store(640);
        RawKeys.store(0);
    }
    void TearDown() override {
        SetWindowFrontEnd(nullptr);
        Language = savedLanguage;
        EnableSound = savedSound;
        GameHold.store(0);
        Paused.store(0);
        FullScreen.store(0);
        RawKeys.store(0);
    }
    int32_t Find(int32_t popup, int32_t id, int32_t* enabled) {
        MenuItemState items[MENU_POPUP_STATE_MAX];
        int32_t n = MenuPopupState(popup, items);
        for (int32_t i = 0; i < n; i++) {
            if (items[i].id == id) {
                *enabled = items[i].enabled;
                return items[i].checked;
            }
        }
        ADD_FAILURE() << "item " << id << " not in popup " << popup;
        return -1;
    }
    int32_t Checked(int32_t popup, int32_t id) {
        int32_t enabled = 0;
        return Find(popup, id, &enabled);
    }
    int32_t Enabled(int32_t popup, int32_t id) {
        int32_t enabled = -1;
        Find(popup, id, &enabled);
        return enabled;
    }
    // A new game: on the title, on the Normal rank.
    velkar_test::OwnGame game;
    int32_t savedLanguage = 0, savedSound = 0;
};

TEST_F(WindowRules, RankAndClearHiScoreRefusedInPlay) {
    Game& g = *game;
    for (int32_t mode : {MODE_RANKING, MODE_DEMO, MODE_PLAY, MODE_GAME_OVER}) {
        g.gameMode = mode;
        EXPECT_EQ(Enabled(0, CMD_RANK_NORMAL), 0) << mode;
        EXPECT_EQ(Enabled(0, CMD_RANK_HARD), 0) << mode;
        EXPECT_EQ(Enabled(0, CMD_CLEAR_HISCORE), 0) << mode;
        RunCommand(CMD_RANK_HARD);
        EXPECT_EQ(g.gameRank, 0);
        g.ranking[0][0].score = 777;
        rec.answer = MSG_ANSWER_OK;
        RunCommand(CMD_CLEAR_HISCORE);
        EXPECT_TRUE(rec.messages.empty());
        EXPECT_EQ(g.ranking[0][0].score, 777);
    }
    g.gameMode = MODE_KEY_ASSIGN;
    EXPECT_EQ(Enabled(0, CMD_RANK_HARD), 1);
    RunCommand(CMD_RANK_HARD);
    EXPECT_EQ(g.gameRank, 1);
    EXPECT_EQ(Checked(0, CMD_RANK_HARD), 1);
    EXPECT_EQ(Checked(0, CMD_RANK_NORMAL), 0);
    EXPECT_EQ(SetGameRank(-1), 1);
    EXPECT_EQ(g.gameRank, 1);
}

TEST_F(WindowRules, ClearHiScoreAsksWhileHeldAndCancelKeepsTheTable) {
    Game& g = *game;
    g.ranking[0][0].score = 777;
    rec.answer = MSG_ANSWER_CANCEL;
    RunCommand(CMD_CLEAR_HISCORE);
    ASSERT_EQ(rec.messages.size(), 1u);
    EXPECT_STREQ(rec.messages[0]->text, "Clear Ranking, Are you sure ?");
    EXPECT_STREQ(rec.messages[0]->caption, "VELKAR");
    EXPECT_EQ(rec.messages[0]->style, MSG_OK_CANCEL | MSG_DEFAULT_SECOND | MSG_ICON_WARNING);
    EXPECT_EQ(rec.holdDuringModal[0], 1);
    EXPECT_EQ(rec.sleeps, std::vector<int32_t>{100});
    EXPECT_EQ(GameHold.load(), 0);
    EXPECT_EQ(g.ranking[0][0].score, 777);
    rec.answer = MSG_ANSWER_OK;
    RunCommand(CMD_CLEAR_HISCORE);
    EXPECT_NE(g.ranking[0][0].score, 777);
}

TEST_F(WindowRules, SizeCommandsAndChecksFollowTheRecordedSize) {
    RunCommand(CMD_SIZE_X1);
    // 240 + 2 x (2 + 4); 320 + 23 + 20 + 2 x (2 + 4) + 20 more for the small size.
    EXPECT_EQ(rec.placed[0], 30);
    EXPECT_EQ(rec.placed[1], 40);
    EXPECT_EQ(rec.placed[2], 252);
    EXPECT_EQ(rec.placed[3], 395);
    EXPECT_EQ(WindowLeft, 30);
    EXPECT_EQ(Checked(2, CMD_SIZE_X1), 1);
    RunCommand(CMD_SIZE_X2);
    EXPECT_EQ(rec.placed[2], 492);
    EXPECT_EQ(rec.placed[3], 695);
    NoteClientSize(480, 640);
    EXPECT_EQ(Checked(2, CMD_SIZE_X2), 1);
    NoteClientSize(300, 400); // a free resize: neither size is checked
    EXPECT_EQ(Checked(2, CMD_SIZE_X1), 0);
    EXPECT_EQ(Checked(2, CMD_SIZE_X2), 0);
    NoteClientSize(240, 320);
    EXPECT_EQ(Checked(2, CMD_SIZE_X1), 1);
    FullScreen.store(1);
    NoteClientSize(1024, 768); // ignored in full screen
    EXPECT_EQ(ClientWidth.load(), 240);
    EXPECT_EQ(Enabled(2, CMD_SIZE_X1), 0);
    EXPECT_EQ(Enabled(2, CMD_SIZE_X2), 0);
    EXPECT_EQ(Checked(2, CMD_FULL_SCREEN), 1);
}

TEST_F(WindowRules, SmallSizeAddsOnlyTheFrontEndsMenuWrap) {
    // A menu bar that never wraps: the small size asks exactly for its client area.
    menuWrap = 0;
    RunCommand(CMD_SIZE_X1);
    menuWrap = 20;
    EXPECT_EQ(rec.placed[2], 252);
    EXPECT_EQ(rec.placed[3], 375);
    RunCommand(CMD_SIZE_X2); // the wrap never applies to the large size
    EXPECT_EQ(rec.placed[3], 695);
}

TEST_F(WindowRules, FullScreenItemWaitsForTheLockButAltEnterDoesNot) {
    const uint32_t altEnter = MakeKeyFlags(0, 1, 0, 0) | 0x001C0000u;
    FullScreenLock.store(93);
    RunCommand(CMD_FULL_SCREEN);
    EXPECT_EQ(rec.toggles, 0);
    EXPECT_EQ(FullScreen.load(), 0);
    EXPECT_EQ(SysKeyDown(VKEY_RETURN, altEnter), 1);
    EXPECT_EQ(rec.toggles, 1);
    EXPECT_EQ(FullScreen.load(), 1);
    FullScreenLock.store(0);
    RunCommand(CMD_FULL_SCREEN);
    EXPECT_EQ(rec.toggles, 2);
    EXPECT_EQ(FullScreen.load(), 0);
}

TEST_F(WindowRules, AltEnterHeldTogglesOnceAndOtherSystemKeys) {
    EXPECT_EQ(SysKeyDown(VKEY_RETURN, MakeKeyFlags(0, 1, 0, 0)), 1);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(SysKeyDown(VKEY_RETURN, MakeKeyFlags(0, 1, 1, 0)), 1);
    EXPECT_EQ(rec.toggles, 1);
    EXPECT_EQ(SysKeyDown(VKEY_RETURN, MakeKeyFlags(1, 1, 0, 0)), 1); // keypad Enter
    EXPECT_EQ(rec.toggles, 1);
    EXPECT_EQ(SysKeyDown(0x73 /* F4 */, MakeKeyFlags(0, 1, 0, 0)), KEY_DEFAULT);
    EXPECT_EQ(SysKeyDown(0x79 /* F10 */, MakeKeyFlags(0, 0, 0, 0)), 1);
    EXPECT_EQ(SysKeyUp(VKEY_MENU, MakeKeyFlags(0, 0, 1, 1)), KEY_DEFAULT);
    EXPECT_EQ(SysKeyUp(VKEY_RETURN, MakeKeyFlags(0, 1, 1, 1)), 1);
}

TEST_F(WindowRules, AGameKeyLetGoWhileAltIsHeldIsReleased) {
    // Z and the arrow-block Up held, then Alt pressed (Alt+Enter, say): their releases come as
    // system key-ups and must clear exactly their own bits.
    EXPECT_EQ(KeyDown(VKEY_Z, MakeKeyFlags(0, 0, 0, 0)), 0);
    EXPECT_EQ(KeyDown(VKEY_UP, MakeKeyFlags(1, 0, 0, 0)), 0);
    EXPECT_EQ(KeyDown(VKEY_NUMPAD8, MakeKeyFlags(0, 0, 0, 0)), 0);
    EXPECT_EQ(SysKeyDown(VKEY_MENU, MakeKeyFlags(0, 1, 0, 0)), KEY_DEFAULT);
    EXPECT_EQ(SysKeyDown(VKEY_Z, MakeKeyFlags(0, 1, 1, 0)), 1); // auto-repeat under Alt
    EXPECT_EQ(RawKeys.load(), 0x10011);
    EXPECT_EQ(SysKeyUp(VKEY_Z, MakeKeyFlags(0, 1, 1, 1)), 1);
    EXPECT_EQ(RawKeys.load(), 0x10001);
    EXPECT_EQ(SysKeyUp(VKEY_UP, MakeKeyFlags(1, 1, 1, 1)), 1);
    EXPECT_EQ(RawKeys.load(), 0x10000);
    EXPECT_EQ(SysKeyUp(VKEY_MENU, MakeKeyFlags(0, 0, 1, 1)), KEY_DEFAULT);
    EXPECT_EQ(KeyUp(VKEY_NUMPAD8, MakeKeyFlags(0, 0, 1, 1)), 0);
    EXPECT_EQ(RawKeys.load(), 0);
}

TEST_F(WindowRules, KeysSetBitsCloseAndPause) {
    EXPECT_EQ(KeyDown(VKEY_Z, MakeKeyFlags(0, 0, 0, 0)), 0);
    EXPECT_EQ(KeyDown(VKEY_UP, MakeKeyFlags(1, 0, 0, 0)), 0);
    EXPECT_EQ(RawKeys.load(), 0x11);
    EXPECT_EQ(KeyUp(VKEY_Z, MakeKeyFlags(0, 0, 1, 1)), 0);
    EXPECT_EQ(RawKeys.load(), 0x1);
    EXPECT_EQ(KeyDown(VKEY_P, MakeKeyFlags(0, 0, 0, 0)), KEY_DEFAULT);
    EXPECT_EQ(Paused.load(), 1);
    EXPECT_EQ(KeyDown(VKEY_P, MakeKeyFlags(0, 0, 1, 0)), KEY_DEFAULT); // auto-repeat toggles
    EXPECT_EQ(Paused.load(), 0);
    EXPECT_EQ(KeyDown(VKEY_F12, MakeKeyFlags(0, 0, 0, 0)), KEY_DEFAULT);
    EXPECT_EQ(Paused.load(), 1);
    EXPECT_EQ(rec.sleeps.size(), 3u);
    EXPECT_EQ(KeyUp(VKEY_P, MakeKeyFlags(0, 0, 1, 1)), KEY_DEFAULT);
    EXPECT_EQ(rec.closes, 0);
    EXPECT_EQ(KeyDown(VKEY_ESCAPE, MakeKeyFlags(0, 0, 0, 0)), 0);
    EXPECT_EQ(rec.closes, 1);
    EXPECT_EQ(KeyDown(0x41 /* A */, MakeKeyFlags(0, 0, 0, 0)), KEY_DEFAULT);
}

TEST_F(WindowRules, LanguageCommandsAndChecks) {
    const int32_t ids[3] = {CMD_LANGUAGE_AUTO, CMD_LANGUAGE_ENGLISH, CMD_LANGUAGE_JAPANESE};
    const int32_t cases[][2] = {{-1, 0}, {0, 1}, {1, 2}, {7, 0}, {-9, 0}};
    for (const auto& c : cases) {
        Language = c[0];
        for (int32_t i = 0; i < 3; i++)
            EXPECT_EQ(Checked(0, ids[i]), i == c[1] ? 1 : 0) << c[0];
    }
    RunCommand(CMD_LANGUAGE_JAPANESE);
    EXPECT_EQ(Language, 1);
    EXPECT_EQ(MainMenuId(), MENU_JAPANESE_ID);
    RunCommand(CMD_DEVICE_CONFIG);
    EXPECT_EQ(rec.dialogs.back(), DIALOG_DEVICE_CONFIG_JA);
    RunCommand(CMD_LANGUAGE_AUTO);
    EXPECT_EQ(Language, -1);
    EXPECT_EQ(Checked(0, CMD_LANGUAGE_AUTO), 1);
    RunCommand(CMD_ABOUT);
    EXPECT_EQ(rec.dialogs.back(), DIALOG_ABOUT_EN); // Automatic means English for dialogs
    RunCommand(CMD_LANGUAGE_ENGLISH);
    EXPECT_EQ(Language, 0);
}

TEST_F(WindowRules, DialogsHoldTheGameAndOkRestartsSound) {
    rec.dialogResult = 0;
    RunCommand(CMD_DEVICE_CONFIG);
    EXPECT_EQ(rec.restarts, 0);
    rec.dialogResult = 1;
    RunCommand(CMD_DEVICE_CONFIG);
    EXPECT_EQ(rec.restarts, 1);
    EXPECT_EQ(RunCommand(CMD_ABOUT), COMMAND_DONE);
    EXPECT_EQ(rec.holdDuringModal, (std::vector<int32_t>{1, 1, 1}));
    EXPECT_EQ(GameHold.load(), 0);
    EXPECT_EQ(RunCommand(CMD_EXIT), COMMAND_DONE);
    EXPECT_EQ(rec.closes, 1);
    EXPECT_EQ(RunCommand(12345), COMMAND_DEFAULT);
}

TEST_F(WindowRules, NameEntryRunsWithoutHoldingAndPublishesDone) {
    NameEntryDone.store(0);
    Language = 1;
    RunCommand(CMD_NAME_ENTRY);
    EXPECT_EQ(rec.dialogs, std::vector<int32_t>{DIALOG_NAME_ENTRY_JA});
    EXPECT_EQ(rec.holdDuringModal, std::vector<int32_t>{0});
    EXPECT_EQ(rec.overFullScreen, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(rec.cursor, (std::vector<int32_t>{1, 0}));
    EXPECT_EQ(NameEntryDone.load(), 1);
    NameEntryDone.store(0);
}

TEST_F(WindowRules, MenuLoopHoldsTheGameAndOtherChecks) {
    MenuItemState items[MENU_POPUP_STATE_MAX];
    EXPECT_EQ(OpenMenuPopup(0x10000, 1, items), 0); // the system menu
    EXPECT_EQ(GameHold.load(), 1);
    EXPECT_EQ(CloseMenuLoop(), 0);
    EXPECT_EQ(GameHold.load(), 0);
    EXPECT_EQ(OpenMenuPopup(1, 0, items), 0); // no menu bar (full screen): no hold
    EXPECT_EQ(GameHold.load(), 0);
    EnableSound = 5;
    EXPECT_EQ(OpenMenuPopup(1, 1, items), 2);
    EXPECT_EQ(items[1].id, CMD_ENABLE_SOUND);
    EXPECT_EQ(items[1].checked, 1);
    RunCommand(CMD_ENABLE_SOUND);
    EXPECT_EQ(EnableSound, 0);
    EXPECT_EQ(GameHold.load(), 1); // a command inside the menu keeps its hold
    RunCommand(CMD_ENABLE_SOUND);
    EXPECT_EQ(EnableSound, 1);
    RunCommand(CMD_PAUSE);
    EXPECT_EQ(Checked(0, CMD_PAUSE), 1);
    FullScreen.store(1);
    EXPECT_EQ(CloseMenuLoop(), 1);
    EXPECT_EQ(RepaintOnActivate(1), 1);
    EXPECT_EQ(RepaintOnActivate(0), 0);
}

TEST_F(WindowRules, ExactlyTheItemsThePopupsCanCheckCarryACheckMark) {
    // Every state the checks depend on, in every combination: an item is checkable when some
    // state checks it.
    std::set<int32_t> seenChecked;
    for (int32_t combination = 0; combination < 96; ++combination) {
        int32_t c = combination;
        Paused.store(c % 2), c /= 2;
        game->gameRank = c % 2, c /= 2;
        Language = c % 3 - 1, c /= 3;
        EnableSound = c % 2, c /= 2;
        const bool small = c % 2 != 0;
        c /= 2;
        ClientWidth.store(small ? CLIENT_WIDTH_X1 : CLIENT_WIDTH_X2);
        ClientHeight.store(small ? CLIENT_HEIGHT_X1 : CLIENT_HEIGHT_X2);
        FullScreen.store(c % 2);
        for (int32_t popup = 0; popup < 3; ++popup) {
            MenuItemState items[MENU_POPUP_STATE_MAX];
            const int32_t count = MenuPopupState(popup, items);
            for (int32_t i = 0; i < count; ++i)
                if (items[i].checked != 0) seenChecked.insert(items[i].id);
        }
    }
    Paused.store(0);
    FullScreen.store(0);
    int32_t itemCount = 0;
    for (const MenuEntry& entry : MAIN_MENU) {
        if (entry.kind != MENU_ITEM) continue;
        ++itemCount;
        EXPECT_EQ(MenuItemHasCheck(entry.id), seenChecked.count(entry.id) != 0 ? 1 : 0)
            << entry.english;
    }
    EXPECT_EQ(itemCount, 14);
    EXPECT_EQ(MenuItemHasCheck(CMD_ABOUT), 0);
    EXPECT_EQ(MenuItemHasCheck(CMD_SIZE_X1), 1);
}

TEST(WindowGeometry, OuterSizesFromMetrics) {
    const WindowMetrics m = {2, 4, 2, 4, 23, 20, 3, 3, 20};
    EXPECT_EQ(OuterWindowWidth(m, 480), 492);
    EXPECT_EQ(OuterWindowHeight(m, 640), 695);
    EXPECT_EQ(FullScreenStagingWidth(m), 250);
    EXPECT_EQ(FullScreenStagingHeight(m), 426);
}

} // namespace
} // namespace velkar
