// Entry point of VELKAR.exe: version check, paths, settings, language, window, displays, game
// thread.
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/menu_state.h"
#include "app/startup.h"
#include "base/trace.h"
#include "display.h"
#include "game/game_record.h"
#include "replay/replay.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "ui/display_modes.h"
#include "window.h"

#include <commctrl.h>

namespace {

DWORD WINAPI GameThreadProc(LPVOID) {
    velkar::GameThread();
    return 0;
}

void DebuggerTrace(const char* message) {
    OutputDebugStringA(message);
}

// The diagnostic messages go to the debugger in a debug build, and in a release build when the
// environment variable VELKAR_TRACE is 1 (under Wine, WINEDEBUG=+debugstr shows them).
bool TraceWanted() {
#ifndef NDEBUG
    return true;
#else
    char value[4] = {};
    const DWORD length = GetEnvironmentVariableA("VELKAR_TRACE", value, sizeof value);
    return length == 1 && value[0] == '1';
#endif
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    using namespace velkar;
    if (TraceWanted()) SetTraceSink(DebuggerTrace);
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version; // 148 bytes
    GetVersionExA(&version);
    const MessageText* stop = nullptr;
    int32_t kind = ClassifyOs(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                              version.dwBuildNumber, &stop);
    if (stop != nullptr) ShowMessageText(nullptr, stop);
    if (kind < 0) return 0;
    OsKind = kind;

    char modulePath[MAX_PATH + 1] = {};
    char currentDirectory[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(MAX_PATH, currentDirectory);
    DWORD length = GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        SetProgramPaths(modulePath, currentDirectory, '\\');
        SetCurrentDirectoryA(ExeDirectory);
    } else {
        SetProgramPaths(nullptr, currentDirectory, '\\');
    }

    // /record FILE or /replay FILE (the run-time library splits the command line the Windows
    // way, quotes included); a relative FILE is the user's, from the starting directory.
    ReplayArguments replayArguments;
    std::string replayError;
    if (!ParseReplayArguments(__argc, __argv, "/", currentDirectory, '\\', replayArguments,
                              replayError)) {
        const MessageText box = {replayError.c_str(), "VELKAR", MSG_ICON_STOP};
        ShowMessageText(nullptr, &box);
        return 0;
    }

    MainInstance = instance;
    BeginStartup();
    if (InitGame() < 0) {
        ShowMessageText(nullptr, &STARTUP_APPLICATION_INIT);
        return 0;
    }
    ReadSettings();
    // A take-over (T while a replay plays) records in the settings file's folder, the one
    // SettingsPath was made from.
    SetTakeOverFolder(std::string(ExeDirectory) + '\\', "VELKAR.exe");
    if (!BeginReplaySession(replayArguments, "VELKAR.exe", replayError)) {
        const MessageText box = {replayError.c_str(), "VELKAR", MSG_ICON_STOP};
        ShowMessageText(nullptr, &box);
        return 0;
    }
    if (Language < 0) DecideLanguage(std::setlocale(LC_ALL, ".OCP"), 0);

    // The Device Configuration dialog's sliders are trackbar common controls.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    InstallWindowFrontEnd();
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VELKAR));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(MainMenuId());
    windowClass.lpszClassName = MAIN_WINDOW_CLASS;
    if (RegisterClassA(&windowClass) == 0) {
        ShowMessageText(nullptr, &STARTUP_REGISTER_CLASS);
        return 0;
    }
    HWND window = CreateWindowExA(
        WS_EX_OVERLAPPEDWINDOW, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE, WS_OVERLAPPEDWINDOW,
        CW_USEDEFAULT, CW_USEDEFAULT, OuterWidthFor(ClientWidth.load()),
        OuterHeightFor(ClientHeight.load()), nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        ShowMessageText(nullptr, &STARTUP_CREATE_WINDOW);
        return 0;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetFocus(window);

    if (EnumerateDisplays(window) < 0) {
        FreeDisplayDeviceList();
        return 0;
    }
    ClampDisplaySettings();

    HANDLE gameThread = CreateThread(nullptr, 0, GameThreadProc, nullptr, 0, nullptr);
    if (gameThread == nullptr) {
        ShowMessageText(nullptr, &STARTUP_CREATE_THREAD);
        return 0;
    }

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    EndReplaySession(); // a replay's rank and scores are not the player's to keep
    WriteSettings();
    FreeDisplayDeviceList();
    // The window procedure stopped the frames; let the game thread leave its wait so that the
    // process does not end under a running thread.
    StopGameThread();
    WaitForSingleObject(gameThread, 1000);
    CloseHandle(gameThread);
    return static_cast<int>(message.wParam);
}
