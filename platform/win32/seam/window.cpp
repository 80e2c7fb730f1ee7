// The main window procedure: creation and teardown, keys, menus and commands over the core's rules.
#include "window.h"

#include <imm.h>

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

namespace {

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
    if (CreateCanvases() < 0) {
        ShowMessageText(window, &STARTUP_ALLOCATE_OFFSCREEN);
        PostQuitMessage(0);
        return 0;
    }
    HINSTANCE instance = MainInstance != nullptr ? MainInstance : GetModuleHandleA(nullptr);
    if (OpenDevices(instance, window) < 0) {
        ShowMessageText(window, &STARTUP_OPEN_DEVICES);
        DestroyCanvases();
        PostQuitMessage(0);
        return 0;
    }
    timeBeginPeriod(1);
    FrameTimerId = timeSetEvent(16, 0, FrameTickCallback, 0, TIME_PERIODIC);
    HIMC previous = ImmAssociateContext(window, nullptr);
    if (previous != nullptr) ImmDestroyContext(previous);
    return 0;
}

LRESULT OnDestroy(HWND window) {
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
    DestroyCanvases();
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
