// The main window in headless Wine: creation opens the devices and the frame timer, a timer tick
// asks for a name through command 65000, and destruction closes everything again.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/frame_clock.h"
#include "app/startup.h"
#include "display.h"
#include "game/game_record.h"
#include "input/controls.h"
#include "resource.h"
#include "settings/settings.h"
#include "window.h"

namespace {

bool SoundMutexExists() {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "KORVO_Sound_Mutex");
    if (mutex == nullptr) return false;
    CloseHandle(mutex);
    return true;
}

BOOL CALLBACK MatchNameEntryDialog(HWND window, LPARAM found) {
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || GetDlgItem(window, IDC_NAME_EDIT) == nullptr)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The thread's dialog that has the Name Entry edit control, if one is open.
HWND FindNameEntryDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), MatchNameEntryDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND nameDialogSeen = nullptr;
HWND nameDialogOwner = nullptr;

// Types a name into the Name Entry dialog once it is open and confirms it.
void CALLBACK AnswerNameEntry(HWND, UINT, UINT_PTR id, DWORD) {
    HWND dialog = FindNameEntryDialog();
    if (dialog == nullptr) return;
    KillTimer(nullptr, id);
    nameDialogSeen = dialog;
    nameDialogOwner = GetWindow(dialog, GW_OWNER);
    SetDlgItemTextA(dialog, IDC_NAME_EDIT, "PILOT-ONE-X");
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

// Dispatches the thread's messages until done() holds or timeoutMs passes.
template <typename Done> bool PumpUntil(Done done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    MSG message;
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(5);
    }
    return true;
}

TEST(MainWindow, AKeyLetGoWhileAltIsHeldIsReleased) {
    // The window procedure's own messages: Z down, then its release while Alt is held, which
    // Windows sends as WM_SYSKEYUP with the context bit (29) set.
    velkar::RawKeys.store(0);
    const LPARAM zScan = 0x002C0001;
    EXPECT_EQ(velkar::MainWindowProc(nullptr, WM_KEYDOWN, 'Z', zScan), 0);
    EXPECT_EQ(velkar::RawKeys.load(), 0x10);
    EXPECT_EQ(velkar::MainWindowProc(nullptr, WM_SYSKEYUP, 'Z',
                                     zScan | 0x20000000 | 0x40000000 | LPARAM(0x80000000u)),
              1);
    EXPECT_EQ(velkar::RawKeys.load(), 0);
}

TEST(MainWindow, ATimerTickAsksForTheNameThroughCommand65000) {
    velkar::InstallWindowFrontEnd();
    WNDCLASSA windowClass;
    std::memset(&windowClass, 0, sizeof windowClass);
    windowClass.lpfnWndProc = velkar::MainWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = velkar::MAIN_WINDOW_CLASS;
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    velkar::Language = 0;
    velkar::NameEntryRequested.store(0);
    velkar::NameEntryPosted.store(0);
    velkar::NameEntryDone.store(0);

    HWND window = CreateWindowExA(0, velkar::MAIN_WINDOW_CLASS, velkar::MAIN_WINDOW_TITLE,
                                  WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(velkar::MainWindow, window);
    EXPECT_NE(velkar::FrameTimerId, 0u);
    EXPECT_TRUE(SoundMutexExists());

    // The frame timer runs: it releases frames.
    velkar::FrameReady.store(0);
    EXPECT_TRUE(PumpUntil([] { return velkar::FrameReady.load() != 0; }, 2000));

    // A frame asks for a name; the next tick posts 65000 once, and the window runs the dialog
    // over itself and publishes the name.
    std::memset(velkar::NameBuffer, 'z', sizeof velkar::NameBuffer);
    nameDialogSeen = nullptr;
    SetTimer(nullptr, 0, 20, AnswerNameEntry);
    velkar::NameEntryRequested.store(1);
    EXPECT_TRUE(PumpUntil([] { return velkar::NameEntryDone.load() != 0; }, 5000));
    velkar::NameEntryRequested.store(0);
    EXPECT_NE(nameDialogSeen, nullptr);
    EXPECT_EQ(nameDialogOwner, window);
    EXPECT_EQ(velkar::NameEntryPosted.load(), 1);
    EXPECT_STREQ(velkar::NameBuffer, "PILOT-ONE");
    EXPECT_EQ(velkar::NameBuffer[10], '\0');

    DestroyWindow(window);
    EXPECT_EQ(velkar::FrameTimerId, 0u);
    EXPECT_FALSE(SoundMutexExists());
    // WM_DESTROY ends the program's message loop; this thread goes on with other tests.
    MSG quit;
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    velkar::ReleaseGame();
    velkar::NameEntryPosted.store(0);
    velkar::NameEntryDone.store(0);
    velkar::MainWindow = nullptr;
    UnregisterClassA(velkar::MAIN_WINDOW_CLASS, GetModuleHandleA(nullptr));
}

} // namespace
