// The main menu as data: its texts in English and Japanese, and the checks and grays of each
// popup as the game stands.
#pragma once

#include <cstdint>

namespace velkar {

// Menu resources: English, and Japanese when Language is 1.
enum : int32_t {
    MENU_ENGLISH_ID = 101,
    MENU_JAPANESE_ID = 102,
};
int32_t MainMenuId();

// One line of the menu bar's layout, in order. A MENU_POPUP starts a top-level popup, a
// MENU_SUBMENU a nested one that MENU_SUBMENU_END closes; items belong to the popup or
// submenu last opened.
enum : int32_t {
    MENU_POPUP = 0,
    MENU_ITEM = 1,
    MENU_SEPARATOR = 2,
    MENU_SUBMENU = 3,
    MENU_SUBMENU_END = 4,
};

struct MenuEntry {
    int32_t kind;
    int32_t id; // command identifier of an item, else 0
    const char* english;
    const char* japanese;
};

constexpr int32_t MAIN_MENU_ENTRY_COUNT = 22;
extern const MenuEntry MAIN_MENU[MAIN_MENU_ENTRY_COUNT];

// The Replay menu, which the Linux program shows beside the main menu's popups (the Windows
// program's menus stay as they are): its title, then one item for each replay key, in the same
// layout as MAIN_MENU. The id of an item is its REPLAY_KEY_ command (RunReplayKey carries it
// out as the key does), and its key follows a tab as the shortcut text. Its items are enabled
// only while a replay plays.
constexpr int32_t REPLAY_MENU_ENTRY_COUNT = 13;
extern const MenuEntry REPLAY_MENU[REPLAY_MENU_ENTRY_COUNT];

// The check and gray state of one item.
struct MenuItemState {
    int32_t id;
    int32_t checked;
    int32_t enabled;
};

constexpr int32_t MENU_POPUP_STATE_MAX = 8;

// The state of the items of top-level popup popupIndex (0 Game, 1 Tool, 2 Window) as the
// game stands now; returns how many items were written (0 for any other index, such as the
// system menu's).
int32_t MenuPopupState(int32_t popupIndex, MenuItemState items[MENU_POPUP_STATE_MAX]);

// 1 for a menu item that carries a check mark (one MenuPopupState may report checked), 0 for
// one that only runs its command (Clear Hi-Score, Exit, Device Configuration, About).
int32_t MenuItemHasCheck(int32_t commandId);

// A popup opens (WM_INITMENUPOPUP): when the window has a menu, holds the game (kept until
// CloseMenuLoop), then writes the popup's state as MenuPopupState does. Returns the count.
int32_t OpenMenuPopup(int32_t popupIndex, int32_t windowHasMenu,
                      MenuItemState items[MENU_POPUP_STATE_MAX]);

// The menu loop ends (WM_EXITMENULOOP): releases the hold. Returns 1 when the front end must
// repaint (in full screen).
int32_t CloseMenuLoop();

} // namespace velkar
