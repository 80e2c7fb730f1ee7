// The main window procedure: creation and teardown, keys, menus and commands over the core's rules.
#include "window.h"

#include <imm.h>

#include <string>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/key_handling.h"
#include "app/menu_state.h"
#include "app/startup.h"
#include "display.h"
#include "gfx/canvas.h"
#include "replay/replay.h"
#include "sound/sound.h"

namespace velkar {

// The replay keys are matched on Windows virtual-key codes: the main row's full stop and the
// bracket keys of a US layout.
static_assert(VKEY_PERIOD == VK_OEM_PERIOD && VKEY_LEFT_BRACKET == VK_OEM_4 &&
              VKEY_RIGHT_BRACKET == VK_OEM_6 && VKEY_HOME == VK_HOME && VKEY_END == VK_END);

namespace {

// While a replay plays, the title bar says where it is; the timer looks ten times a second.
constexpr UINT_PTR REPLAY_TITLE_TIMER = 1;
constexpr UINT REPLAY_TITLE_PERIOD_MS = 100;
std::string shownTitle; // UI thread: the title last given to the window

// The replay's place, speed and pause (or, once it ended, the normal title or what a take-over
// did), set only when the text changed.
void ShowReplayTitle(HWND window) {
    const std::string title = ReplayWindowTitle();
    if (title == shownTitle) return;
    if (SetWindowTextA(window, title.c_str())) shownTitle = title;
}

int32_t FrontShowMessage(const MessageText* message) {
    return ShowMessageText(MainWindow, message);
}

int32_t FrontRunDialog(int32_t templateId) {
    return RunDialogTemplate(MainWindow, templateId);
}

void FrontToggleFullScreen() {
    ToggleFullScreen(MainWindow);
}

void FrontGetWindowOrigin(int32_t* left, int32_t* top) {
    RECT rect{};
    GetWindowRect(MainWindow, &rect);
    *left = rect.left;
    *top = rect.top;
}

void FrontPlaceWindow(int32_t left, int32_t top, int32_t outerWidth, int32_t outerHeight) {
    SetWindowPos(MainWindow, HWND_NOTOPMOST, left, top, outerWidth, outerHeight, SWP_SHOWWINDOW);
}

void FrontPostClose() {
    PostMessageA(MainWindow, WM_CLOSE, 0, 0);
}

void FrontRestartSound() {
    SoundRestart(MainWindow);
}

void FrontSleep(int32_t milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

void FrontDialogOverFullScreen(int32_t begin) {
    if (!FullScreenDisplayOpen()) return;
    if (begin)
        FullScreenYieldForDialog(MainWindow);
    else
        FullScreenResumeAfterDialog(MainWindow);
}

void FrontShowCursor(int32_t show) {
    ShowCursor(show ? TRUE : FALSE);
}

const WindowFrontEnd win32FrontEnd = {
    FrontShowMessage,
    FrontRunDialog,
    FrontToggleFullScreen,
    FrontGetWindowOrigin,
    FrontPlaceWindow,
    GetWindowMetrics,
    FrontPostClose,
    FrontRestartSound,
    FrontSleep,
    FrontDialogOverFullScreen,
    FrontShowCursor,
};

LRESULT KeyResult(int32_t result, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (result == KEY_DEFAULT) return DefWindowProcA(window, message, wParam, lParam);
    return result;
}

LRESULT OnCreate(HWND window) {
    MainWindow = window;
    if (CreateCanvases(ProgramPainter) < 0) {
        ShowMessageText(window, &STARTUP_ALLOCATE_OFFSCREEN);
        PostQuitMessage(0);
        return 0;
    }
    HINSTANCE instance = MainInstance != nullptr ? MainInstance : GetModuleHandleA(nullptr);
    if (OpenDevices(instance, window) < 0) {
        ShowMessageText(window, &STARTUP_OPEN_DEVICES);
        DestroyCanvases(ProgramPainter);
        PostQuitMessage(0);
        return 0;
    }
    timeBeginPeriod(1);
    FrameTimerId = timeSetEvent(16, 0, FrameTickCallback, 0, TIME_PERIODIC);
    // A replay session keeps its title up to date until the program ends: after the replay,
    // the normal title, or the take-over's file.
    if (ReplayPlaying() != 0) SetTimer(window, REPLAY_TITLE_TIMER, REPLAY_TITLE_PERIOD_MS, nullptr);
    HIMC previous = ImmAssociateContext(window, nullptr);
    if (previous != nullptr) ImmDestroyContext(previous);
    return 0;
}

LRESULT OnDestroy(HWND window) {
    KillTimer(window, REPLAY_TITLE_TIMER);
    HoldGame();
    Sleep(100);
    if (FullScreen.load() != 0) {
        ReleaseFullScreen(window);
        ShowCursor(TRUE);
        Sleep(200);
    }
    if (FrameTimerId != 0) {
        timeKillEvent(FrameTimerId);
        FrameTimerId = 0;
        timeEndPeriod(1);
    }
    Sleep(100);
    // The last frame is still on the screen buffer: the recording's closing digest.
    FinishRecording();
    CloseDevices();
    DestroyCanvases(ProgramPainter);
    PostQuitMessage(0);
    return 0;
}

void ApplyMenuState(HMENU popup, int32_t popupIndex, HWND window) {
    MenuItemState items[MENU_POPUP_STATE_MAX];
    int32_t count = OpenMenuPopup(popupIndex, GetMenu(window) != nullptr ? 1 : 0, items);
    for (int32_t i = 0; i < count; ++i) {
        CheckMenuItem(popup, static_cast<UINT>(items[i].id),
                      MF_BYCOMMAND | (items[i].checked ? MF_CHECKED : MF_UNCHECKED));
        EnableMenuItem(popup, static_cast<UINT>(items[i].id),
                       MF_BYCOMMAND | (items[i].enabled ? MF_ENABLED : MF_GRAYED));
    }
}

} // namespace

void InstallWindowFrontEnd() {
    SetWindowFrontEnd(&win32FrontEnd);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_DESTROY:
        return OnDestroy(window);
    case WM_SIZE:
        NoteClientSize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_ERASEBKGND:
        return 0;
    case WM_TIMER:
        if (wParam != REPLAY_TITLE_TIMER) break;
        ShowReplayTitle(window);
        return 0;
    case WM_ACTIVATEAPP:
        if (RepaintOnActivate(wParam != 0 ? 1 : 0)) PostMessageA(window, WM_PAINT, 0, 0);
        return 0;
    case WM_KEYDOWN:
        return KeyResult(KeyDown(static_cast<int32_t>(wParam), static_cast<uint32_t>(lParam)),
                         window, message, wParam, lParam);
    case WM_KEYUP:
        return KeyResult(KeyUp(static_cast<int32_t>(wParam), static_cast<uint32_t>(lParam)), window,
                         message, wParam, lParam);
    case WM_SYSKEYDOWN:
        return KeyResult(SysKeyDown(static_cast<int32_t>(wParam), static_cast<uint32_t>(lParam)),
                         window, message, wParam, lParam);
    case WM_SYSKEYUP:
        return KeyResult(SysKeyUp(static_cast<int32_t>(wParam), static_cast<uint32_t>(lParam)),
                         window, message, wParam, lParam);
    case WM_COMMAND:
        if (RunCommand(LOWORD(wParam)) == COMMAND_DONE) return 0;
        break;
    case WM_INITMENUPOPUP: {
        // The whole lParam is the popup's position: the system menu (high word 1) matches none.
        int32_t index = (lParam >= 0 && lParam <= 2) ? static_cast<int32_t>(lParam) : -1;
        ApplyMenuState(reinterpret_cast<HMENU>(wParam), index, window);
        break;
    }
    case WM_EXITMENULOOP:
        if (CloseMenuLoop()) PostMessageA(window, WM_PAINT, 0, 0);
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace velkar
