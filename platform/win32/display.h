// The Win32 display layer: the main window's handles and sizes, presentation, and full screen.
#pragma once

#include <atomic>
#include <cstdint>

#include "win32.h"

namespace velkar {

extern HINSTANCE MainInstance;
extern HWND MainWindow;

// The frame timer shared by window creation and the full-screen switch.
extern UINT FrameTimerId;
// Deletes the running frame timer, if any, and starts one with the given period in ms.
void ReplaceFrameTimer(UINT periodMs);
void CALLBACK FrameTickCallback(UINT id, UINT message, DWORD_PTR user, DWORD_PTR p1, DWORD_PTR p2);

struct WindowMetrics;
// The platform's frame and bar sizes.
void GetWindowMetrics(WindowMetrics* metrics);
// Outer window size for a client size with caption, menu, sizing frame and edges.
int32_t OuterWidthFor(int32_t clientWidth);
int32_t OuterHeightFor(int32_t clientHeight);

// Lists the display devices and their 60 Hz modes: 0, or -1 after an error message.
int32_t EnumerateDisplays(HWND window);
// Builds the full-screen display: 1, or 0 with everything released.
int32_t SetupFullScreen(HWND window);
void ReleaseFullScreen(HWND window);
// Enters (FullScreen 1) or leaves (FullScreen 0) full screen.
void ToggleFullScreen(HWND window);
// The full-screen display object is open (a dialog must lower its cooperative level).
int32_t FullScreenDisplayOpen();
// Lowers the display to normal cooperation for a dialog, and takes it back with the mode again.
void FullScreenYieldForDialog(HWND window);
void FullScreenResumeAfterDialog(HWND window);

// GDI copies of the ScreenBuffer: exposed for tests that check the pictures a window receives.
void PresentToDc(HDC dc, int32_t clientWidth, int32_t clientHeight);

} // namespace velkar
