// Menu texts of both languages and the checks and grays of each popup.
#include "app/menu_state.h"

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/key_handling.h"
#include "game/game_record.h"
#include "settings/settings.h"

namespace velkar {

int32_t MainMenuId() {
    return Language == 1 ? MENU_JAPANESE_ID : MENU_ENGLISH_ID;
}

const MenuEntry MAIN_MENU[MAIN_MENU_ENTRY_COUNT] = {
    {MENU_POPUP, 0, "Game(&F)", "ゲーム(&F)"},
    {MENU_ITEM, CMD_PAUSE, "&Pause\tP or F12", "一時停止(&P)\tP or F12"},
    {MENU_ITEM, CMD_CLEAR_HISCORE, "&Clear Hi-Score...", "ハイスコアのクリア...(&C)"},
    {MENU_ITEM, CMD_RANK_NORMAL, "Rank &Normal", "ランク・ノーマル(&N)"},
    {MENU_ITEM, CMD_RANK_HARD, "Rank &Hard", "ランク・ハード(&H)"},
    {MENU_SEPARATOR, 0, "", ""},
    {MENU_SUBMENU, 0, "&UI Language", "UI言語(&U)"},
    {MENU_ITEM, CMD_LANGUAGE_AUTO, "&Automatic", "自動(&Automatic)"},
    {MENU_ITEM, CMD_LANGUAGE_ENGLISH, "&English", "英語(&English)"},
    {MENU_ITEM, CMD_LANGUAGE_JAPANESE, "&Japanese", "日本語(&Japanese)"},
    {MENU_SUBMENU_END, 0, "", ""},
    {MENU_SEPARATOR, 0, "", ""},
    {MENU_ITEM, CMD_EXIT, "E&xit", "ゲームの終了(&X)"},
    {MENU_POPUP, 0, "&Tool", "ツール(&T)"},
    {MENU_ITEM, CMD_DEVICE_CONFIG, "D&evice Configuration", "デバイス設定(&E)..."},
    {MENU_ITEM, CMD_ENABLE_SOUND, "Enable &Sound", "サウンド有効(&S)"},
    {MENU_POPUP, 0, "&Window", "ウインドウ(&W)"},
    {MENU_ITEM, CMD_SIZE_X1, "Screen Size x &1", "画面サイズ等倍(&1)"},
    {MENU_ITEM, CMD_SIZE_X2, "Screen Size x &2", "画面サイズ2倍(&2)"},
    {MENU_ITEM, CMD_FULL_SCREEN, "&Full Screen\tAlt+Enter", "全画面(&F)\tAlt+Enter"},
    {MENU_POPUP, 0, "&Help", "ヘルプ(&H)"},
    {MENU_ITEM, CMD_ABOUT, "&About", "バージョン情報(&A)"},
};

const MenuEntry REPLAY_MENU[REPLAY_MENU_ENTRY_COUNT] = {
    {MENU_POPUP, 0, "&Replay", "リプレイ(&R)"},
    {MENU_ITEM, REPLAY_KEY_PAUSE, "&Pause/Resume\tSpace", "一時停止/再開(&P)\tSpace"},
    {MENU_ITEM, REPLAY_KEY_STEP, "&Step One Frame\t.", "1フレーム進む(&S)\t."},
    {MENU_SEPARATOR, 0, "", ""},
    {MENU_ITEM, REPLAY_KEY_BACK, "&Back 10 Seconds\tLeft", "10秒戻る(&B)\tLeft"},
    {MENU_ITEM, REPLAY_KEY_FORWARD, "&Forward 10 Seconds\tRight", "10秒進む(&F)\tRight"},
    {MENU_ITEM, REPLAY_KEY_START, "To the S&tart\tHome", "最初へ(&T)\tHome"},
    {MENU_ITEM, REPLAY_KEY_END, "To the &End\tEnd", "最後へ(&E)\tEnd"},
    {MENU_SEPARATOR, 0, "", ""},
    {MENU_ITEM, REPLAY_KEY_FASTER, "F&aster\t]", "速く(&A)\t]"},
    {MENU_ITEM, REPLAY_KEY_SLOWER, "S&lower\t[", "遅く(&L)\t["},
    {MENU_SEPARATOR, 0, "", ""},
    {MENU_ITEM, REPLAY_KEY_TAKE_OVER, "Take &Over\tT", "操作を引き継ぐ(&O)\tT"},
};

int32_t MenuPopupState(int32_t popupIndex, MenuItemState items[MENU_POPUP_STATE_MAX]) {
    Game& g = TheGame();
    int32_t n = 0;
    switch (popupIndex) {
    case 0: {
        int32_t changeable = SetGameRank(-1);
        int32_t language = Language;
        items[n++] = {CMD_PAUSE, Paused.load() != 0 ? 1 : 0, 1};
        items[n++] = {CMD_CLEAR_HISCORE, 0, changeable};
        items[n++] = {CMD_RANK_NORMAL, g.gameRank == 0 ? 1 : 0, changeable};
        items[n++] = {CMD_RANK_HARD, g.gameRank == 1 ? 1 : 0, changeable};
        items[n++] = {CMD_LANGUAGE_AUTO, language != 0 && language != 1 ? 1 : 0, 1};
        items[n++] = {CMD_LANGUAGE_ENGLISH, language == 0 ? 1 : 0, 1};
        items[n++] = {CMD_LANGUAGE_JAPANESE, language == 1 ? 1 : 0, 1};
        items[n++] = {CMD_EXIT, 0, 1};
        break;
    }
    case 1:
        items[n++] = {CMD_DEVICE_CONFIG, 0, 1};
        items[n++] = {CMD_ENABLE_SOUND, EnableSound != 0 ? 1 : 0, 1};
        break;
    case 2: {
        int32_t fullScreen = FullScreen.load() != 0 ? 1 : 0;
        int32_t w = ClientWidth.load(), h = ClientHeight.load();
        items[n++] = {CMD_SIZE_X1, w == CLIENT_WIDTH_X1 && h == CLIENT_HEIGHT_X1 ? 1 : 0,
                      1 - fullScreen};
        items[n++] = {CMD_SIZE_X2, w == CLIENT_WIDTH_X2 && h == CLIENT_HEIGHT_X2 ? 1 : 0,
                      1 - fullScreen};
        items[n++] = {CMD_FULL_SCREEN, fullScreen, 1};
        break;
    }
    default:
        break;
    }
    return n;
}

int32_t MenuItemHasCheck(int32_t commandId) {
    switch (commandId) {
    case CMD_PAUSE:
    case CMD_RANK_NORMAL:
    case CMD_RANK_HARD:
    case CMD_LANGUAGE_AUTO:
    case CMD_LANGUAGE_ENGLISH:
    case CMD_LANGUAGE_JAPANESE:
    case CMD_ENABLE_SOUND:
    case CMD_SIZE_X1:
    case CMD_SIZE_X2:
    case CMD_FULL_SCREEN:
        return 1;
    default:
        return 0;
    }
}

int32_t OpenMenuPopup(int32_t popupIndex, int32_t windowHasMenu,
                      MenuItemState items[MENU_POPUP_STATE_MAX]) {
    if (windowHasMenu == 0) return 0;
    BeginModalHold();
    return MenuPopupState(popupIndex, items);
}

int32_t CloseMenuLoop() {
    EndModalHold();
    return FullScreen.load() != 0 ? 1 : 0;
}

} // namespace velkar
