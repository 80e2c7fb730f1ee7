// Presentation of the ScreenBuffer with GDI and DirectDraw 7, the display list and full screen.
#include "display.h"

#include <cstring>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/platform_seam.h"
#include "app/startup.h"
#include "base/trace.h"
#include "gfx/canvas.h"
#include "settings/settings.h"
#include "ui/display_modes.h"

#include <ddraw.h>
#include <imm.h>

namespace velkar {

HINSTANCE MainInstance = nullptr;
HWND MainWindow = nullptr;
UINT FrameTimerId = 0;

namespace {

IDirectDraw7* Display = nullptr;
IDirectDrawSurface7* PrimarySurface = nullptr;
IDirectDrawSurface7* BackSurface = nullptr;
IDirectDrawSurface7* OffscreenSurface = nullptr;
HMENU SavedMenu = nullptr;
int32_t SavedClientWidth = 480;
int32_t SavedClientHeight = 640;

// The surfaces are made and released on the UI thread while the game thread may be presenting
// through them; this lock keeps a presentation and a change of the surfaces apart.
CRITICAL_SECTION SurfaceLock;
struct SurfaceLockInit {
    SurfaceLockInit() { InitializeCriticalSection(&SurfaceLock); }
} surfaceLockInit;

// A 240 x 320 top-down DIB section that receives the ScreenBuffer for the GDI copies.
HDC PictureDc = nullptr;
HBITMAP PictureBitmap = nullptr;
uint8_t* PictureBits = nullptr;

bool LoadPicture() {
    if (ProgramPainter.screen == nullptr) return false;
    if (PictureDc == nullptr) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = SCREEN_WIDTH;
        info.bmiHeader.biHeight = -SCREEN_HEIGHT;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        if (dc == nullptr) return false;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap == nullptr || bits == nullptr) {
            if (bitmap != nullptr) DeleteObject(bitmap);
            DeleteDC(dc);
            return false;
        }
        SelectObject(dc, bitmap);
        PictureDc = dc;
        PictureBitmap = bitmap;
        PictureBits = static_cast<uint8_t*>(bits);
    }
    // 240 pixels of 3 bytes are 720 bytes: the DIB rows need no padding, the layouts agree.
    std::memcpy(PictureBits, ProgramPainter.screen,
                static_cast<size_t>(SCREEN_STRIDE) * SCREEN_HEIGHT);
    GdiFlush();
    return true;
}

// Restores the lost surfaces among the first `count` of primary, back, off-screen, in that
// order, stopping at the first restore that fails.
void RestoreSurfaces(int32_t count) {
    IDirectDrawSurface7* surfaces[3] = {PrimarySurface, BackSurface, OffscreenSurface};
    for (int32_t i = 0; i < count; ++i) {
        if (surfaces[i] == nullptr) continue;
        if (surfaces[i]->IsLost() == DDERR_SURFACELOST && FAILED(surfaces[i]->Restore())) return;
    }
}

void ClearSurface(IDirectDrawSurface7* surface) {
    if (surface == nullptr) return;
    DDBLTFX fx;
    std::memset(&fx, 0, sizeof fx);
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0;
    for (;;) {
        HRESULT result = surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx);
        if (result == DDERR_SURFACELOST) {
            RestoreSurfaces(2);
            return;
        }
        if (result != DDERR_WASSTILLDRAWING) return;
    }
}

void PresentFlipChain() {
    if (PrimarySurface == nullptr || BackSurface == nullptr || OffscreenSurface == nullptr) return;
    if (!LoadPicture()) return;
    HDC dc = nullptr;
    if (FAILED(OffscreenSurface->GetDC(&dc))) {
        if (PrimarySurface->IsLost() == DDERR_SURFACELOST) PrimarySurface->Restore();
        if (BackSurface->IsLost() == DDERR_SURFACELOST) BackSurface->Restore();
        if (OffscreenSurface->IsLost() == DDERR_SURFACELOST) OffscreenSurface->Restore();
        return;
    }
    BitBlt(dc, 0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1, PictureDc, 0, 0, SRCCOPY);
    OffscreenSurface->ReleaseDC(dc);
    ClearSurface(BackSurface);

    RECT source = {0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1};
    RECT target = {LetterboxX, LetterboxY, FullScreenWidth - LetterboxX - 1,
                   FullScreenHeight - LetterboxY - 1};
    for (;;) {
        HRESULT result = BackSurface->Blt(&target, OffscreenSurface, &source, DDBLT_WAIT, nullptr);
        if (result == DDERR_SURFACELOST) {
            RestoreSurfaces(3);
            break;
        }
        if (result != DDERR_WASSTILLDRAWING) break;
    }
    for (;;) {
        HRESULT result = PrimarySurface->Flip(nullptr, 0);
        if (result == DDERR_SURFACELOST) {
            RestoreSurfaces(3);
            return;
        }
        if (result != DDERR_WASSTILLDRAWING) return;
    }
}

void PresentFullScreenDc() {
    if (MainWindow == nullptr || !LoadPicture()) return;
    HDC dc = GetDC(MainWindow);
    if (dc == nullptr) return;
    // The same picture as the flip chain's: its last column and row are left out, and the
    // screen's column and row beside it are painted black with the bars, not left as they were.
    const FullScreenLayout layout =
        ComputeFullScreenLayout(FullScreenWidth, FullScreenHeight, LetterboxX, LetterboxY);
    const ScreenRect& picture = layout.picture;
    SetStretchBltMode(dc, STRETCH_ORSCANS);
    StretchBlt(dc, picture.left, picture.top, picture.width, picture.height, PictureDc, 0, 0,
               SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1, SRCCOPY);
    for (const ScreenRect& black : layout.black) {
        if (black.width > 0 && black.height > 0)
            PatBlt(dc, black.left, black.top, black.width, black.height, BLACKNESS);
    }
    ReleaseDC(MainWindow, dc);
}

// --- display enumeration -------------------------------------------------------------------

struct EnumerationPass {
    int32_t count;
    bool fill;
};

BOOL WINAPI ListDevice(GUID* guid, LPSTR description, LPSTR driverName, LPVOID context,
                       HMONITOR monitor) {
    auto* pass = static_cast<EnumerationPass*>(context);
    if (monitor == nullptr) return DDENUMRET_OK;
    if (!pass->fill) {
        NoteDisplayDevice(description, driverName);
        ++pass->count;
    } else {
        uint8_t id[16] = {};
        if (guid != nullptr) std::memcpy(id, guid, sizeof id);
        ++pass->count;
        SetDisplayDeviceEntry(pass->count, id, driverName);
    }
    return DDENUMRET_OK;
}

HRESULT WINAPI ListMode(LPDDSURFACEDESC2 desc, LPVOID context) {
    uint32_t fields = 0;
    if (desc->dwFlags & DDSD_WIDTH) fields |= MODE_FIELD_WIDTH;
    if (desc->dwFlags & DDSD_HEIGHT) fields |= MODE_FIELD_HEIGHT;
    if (desc->dwFlags & DDSD_REFRESHRATE) fields |= MODE_FIELD_REFRESH;
    AddDisplayMode(static_cast<DisplayDevice*>(context), fields, desc->dwWidth, desc->dwHeight,
                   desc->dwRefreshRate);
    return DDENUMRET_OK;
}

int32_t DisplayError(HWND window, const char* text) {
    (void)window;
    MessageBoxA(nullptr, text, DISPLAY_ERROR_CAPTION, MB_OK | MB_ICONERROR | MB_TASKMODAL);
    return -1;
}

// Opens a listed device: the default display for an all-zero identifier.
IDirectDraw7* OpenDisplay(const DisplayDevice& device) {
    static const uint8_t zero[16] = {};
    GUID guid;
    std::memcpy(&guid, device.deviceId, sizeof guid);
    GUID* which = std::memcmp(device.deviceId, zero, sizeof zero) == 0 ? nullptr : &guid;
    IDirectDraw7* display = nullptr;
    if (FAILED(DirectDrawCreateEx(which, reinterpret_cast<void**>(&display), IID_IDirectDraw7,
                                  nullptr)))
        return nullptr;
    return display;
}

int32_t TrySetMode(uint32_t width, uint32_t height, uint32_t bpp, uint32_t refresh) {
    return SUCCEEDED(Display->SetDisplayMode(width, height, bpp, refresh, 0)) ? 1 : 0;
}

void SetOverlappedStyles(HWND window) {
    SetWindowLongA(window, GWL_EXSTYLE, WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE);
    SetWindowLongA(window, GWL_STYLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
}

void ImeStatusWindow(HWND window, WPARAM command) {
    HWND ime = ImmGetDefaultIMEWnd(window);
    if (ime != nullptr) SendMessageA(ime, WM_IME_CONTROL, command, 0);
}

} // namespace

void CALLBACK FrameTickCallback(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    FrameTick();
}

void ReplaceFrameTimer(UINT periodMs) {
    if (FrameTimerId != 0) timeKillEvent(FrameTimerId);
    FrameTimerId = timeSetEvent(periodMs, 0, FrameTickCallback, 0, TIME_PERIODIC);
}

void GetWindowMetrics(WindowMetrics* metrics) {
    metrics->cxEdge = GetSystemMetrics(SM_CXEDGE);
    metrics->cxFrame = GetSystemMetrics(SM_CXFRAME);
    metrics->cyEdge = GetSystemMetrics(SM_CYEDGE);
    metrics->cyFrame = GetSystemMetrics(SM_CYFRAME);
    metrics->cyCaption = GetSystemMetrics(SM_CYCAPTION);
    metrics->cyMenu = GetSystemMetrics(SM_CYMENU);
    metrics->cxDlgFrame = GetSystemMetrics(SM_CXDLGFRAME);
    metrics->cyDlgFrame = GetSystemMetrics(SM_CYDLGFRAME);
    metrics->cySmallSizeMenuWrap = SMALL_SIZE_EXTRA_HEIGHT;
}

int32_t OuterWidthFor(int32_t clientWidth) {
    WindowMetrics metrics;
    GetWindowMetrics(&metrics);
    return OuterWindowWidth(metrics, clientWidth);
}

int32_t OuterHeightFor(int32_t clientHeight) {
    WindowMetrics metrics;
    GetWindowMetrics(&metrics);
    return OuterWindowHeight(metrics, clientHeight);
}

void PresentToDc(HDC dc, int32_t clientWidth, int32_t clientHeight) {
    if (!LoadPicture()) return;
    if (clientWidth == SCREEN_WIDTH && clientHeight == SCREEN_HEIGHT) {
        BitBlt(dc, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, PictureDc, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(dc, STRETCH_ORSCANS);
        StretchBlt(dc, 0, 0, clientWidth, clientHeight, PictureDc, 0, 0, SCREEN_WIDTH,
                   SCREEN_HEIGHT, SRCCOPY);
    }
}

void PresentFrame() {
    if (FullScreen.load() == 0) {
        if (MainWindow == nullptr) return;
        HDC dc = GetDC(MainWindow);
        if (dc == nullptr) return;
        PresentToDc(dc, ClientWidth.load(), ClientHeight.load());
        ReleaseDC(MainWindow, dc);
        return;
    }
    if (DisablePrimSurf != 0) {
        PresentFullScreenDc();
        return;
    }
    EnterCriticalSection(&SurfaceLock);
    PresentFlipChain();
    LeaveCriticalSection(&SurfaceLock);
}

void PostNameEntryCommand() {
    if (MainWindow != nullptr) PostMessageA(MainWindow, WM_COMMAND, 65000, 0);
}

int32_t EnumerateDisplays(HWND window) {
    EnumerationPass count{0, false};
    if (FAILED(DirectDrawEnumerateExA(ListDevice, &count, DDENUM_ATTACHEDSECONDARYDEVICES)))
        return DisplayError(window, DISPLAY_ERROR_ENUM_1);
    if (CreateDisplayDeviceList(count.count) < 0)
        return DisplayError(window, DISPLAY_ERROR_ALLOCATION);
    EnumerationPass fill{0, true};
    if (FAILED(DirectDrawEnumerateExA(ListDevice, &fill, DDENUM_ATTACHEDSECONDARYDEVICES)))
        return DisplayError(window, DISPLAY_ERROR_ENUM_2);
    for (int32_t i = 0; i < DisplayDeviceCount; ++i) {
        DisplayDevice& device = DisplayDeviceList[i];
        IDirectDraw7* display = OpenDisplay(device);
        if (display == nullptr) return DisplayError(window, DISPLAY_ERROR_CREATE);
        device.modeCount = 0;
        HRESULT result = display->EnumDisplayModes(DDEDM_REFRESHRATES, nullptr, &device, ListMode);
        display->Release();
        if (FAILED(result)) return DisplayError(window, DISPLAY_ERROR_MODES);
        if (FinishDisplayModes(&device) < 0) return DisplayError(window, DISPLAY_ERROR_NO_60HZ);
    }
    return 0;
}

void ReleaseFullScreen(HWND window) {
    EnterCriticalSection(&SurfaceLock);
    if (OffscreenSurface != nullptr) {
        OffscreenSurface->Release();
        OffscreenSurface = nullptr;
    }
    if (BackSurface != nullptr) {
        BackSurface->Release();
        BackSurface = nullptr;
    }
    if (PrimarySurface != nullptr) {
        PrimarySurface->Release();
        PrimarySurface = nullptr;
    }
    LeaveCriticalSection(&SurfaceLock);
    if (Display != nullptr) {
        Display->SetCooperativeLevel(window, DDSCL_NORMAL);
        Display->Release();
        Display = nullptr;
    }
}

int32_t SetupFullScreen(HWND window) {
    if (DisplayDeviceList == nullptr || ScreenDevice < 0 || ScreenDevice >= DisplayDeviceCount)
        return 0;
    Display = OpenDisplay(DisplayDeviceList[ScreenDevice]);
    if (Display == nullptr) return 0;
    LetterboxX = 0;
    LetterboxY = 0;
    if (FAILED(Display->SetCooperativeLevel(window, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE)) ||
        SetupFullScreenMode(TrySetMode) == 0) {
        ReleaseFullScreen(window);
        return 0;
    }
    EnterCriticalSection(&SurfaceLock);
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    desc.dwBackBufferCount = 1;
    bool made = SUCCEEDED(Display->CreateSurface(&desc, &PrimarySurface, nullptr));
    if (made) {
        ClearSurface(PrimarySurface);
        DDSCAPS2 caps;
        std::memset(&caps, 0, sizeof caps);
        caps.dwCaps = DDSCAPS_BACKBUFFER;
        made = SUCCEEDED(PrimarySurface->GetAttachedSurface(&caps, &BackSurface)) &&
               BackSurface != nullptr;
    }
    if (made) {
        ClearSurface(BackSurface);
        std::memset(&desc, 0, sizeof desc);
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        desc.dwWidth = SCREEN_WIDTH;
        desc.dwHeight = SCREEN_HEIGHT;
        made = SUCCEEDED(Display->CreateSurface(&desc, &OffscreenSurface, nullptr));
        if (made) ClearSurface(OffscreenSurface);
    }
    LeaveCriticalSection(&SurfaceLock);
    if (!made) {
        ReleaseFullScreen(window);
        return 0;
    }
    return 1;
}

int32_t FullScreenDisplayOpen() {
    return Display != nullptr ? 1 : 0;
}

void FullScreenYieldForDialog(HWND window) {
    if (Display != nullptr) Display->SetCooperativeLevel(window, DDSCL_NORMAL);
}

void FullScreenResumeAfterDialog(HWND window) {
    if (Display == nullptr) return;
    Display->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    Display->SetDisplayMode(static_cast<DWORD>(FullScreenWidth),
                            static_cast<DWORD>(FullScreenHeight), static_cast<DWORD>(FullScreenBpp),
                            static_cast<DWORD>(FullScreenRefresh), 0);
}

void ToggleFullScreen(HWND window) {
    if (FullScreen.load() != 0) {
        HoldGame();
        Sleep(100);
        RECT rect;
        GetWindowRect(window, &rect);
        WindowLeft = rect.left;
        WindowTop = rect.top;
        SavedClientWidth = ClientWidth.load();
        SavedClientHeight = ClientHeight.load();
        WindowMetrics metrics;
        GetWindowMetrics(&metrics);
        SetWindowPos(window, HWND_NOTOPMOST, WindowLeft, WindowTop, FullScreenStagingWidth(metrics),
                     FullScreenStagingHeight(metrics), SWP_SHOWWINDOW);
        if (SetupFullScreen(window) != 0) {
            SetWindowLongA(window, GWL_EXSTYLE, 0);
            SetWindowLongA(window, GWL_STYLE, WS_VISIBLE);
            SavedMenu = GetMenu(window);
            SetMenu(window, nullptr);
            ImeStatusWindow(window, IMC_CLOSESTATUSWINDOW);
            ReplaceFrameTimer(static_cast<UINT>(FrameTimerPeriod(1, DisablePrimSurf)));
            ReleaseGame();
            ShowCursor(FALSE);
        } else {
            SetOverlappedStyles(window);
            SetWindowPos(window, HWND_NOTOPMOST, WindowLeft, WindowTop,
                         OuterWidthFor(SavedClientWidth), OuterHeightFor(SavedClientHeight),
                         SWP_SHOWWINDOW | SWP_FRAMECHANGED);
            FullScreen.store(0);
            ReleaseGame();
        }
        return;
    }
    HoldGame();
    PresentHold.store(1);
    if (SavedMenu != nullptr) SetMenu(window, SavedMenu);
    ReleaseFullScreen(window);
    ReplaceFrameTimer(static_cast<UINT>(FrameTimerPeriod(0, DisablePrimSurf)));
    ShowCursor(TRUE);
    ClientWidth.store(SavedClientWidth);
    ClientHeight.store(SavedClientHeight);
    SetOverlappedStyles(window);
    SetWindowPos(window, HWND_NOTOPMOST, WindowLeft, WindowTop, OuterWidthFor(SavedClientWidth),
                 OuterHeightFor(SavedClientHeight), SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    ImeStatusWindow(window, IMC_OPENSTATUSWINDOW);
    ReleaseGame();
    PresentHold.store(0);
    int32_t lock = FullScreenLockTicks(OsKind);
    if (lock > 0) FullScreenLock.store(lock);
}

} // namespace velkar
