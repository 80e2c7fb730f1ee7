// Display devices and their 60 Hz modes, the full-screen mode choice and the letterbox bars.
#pragma once

#include <cstdint>

namespace velkar {

constexpr int32_t DISPLAY_MODE_MAX = 128;
constexpr uint32_t DISPLAY_REFRESH = 60;

// One listed display device with its usable modes, sorted by width, height, refresh.
struct DisplayDevice {
    uint8_t deviceId[16]; // all zero for entry 0
    char deviceName[64];  // "Default" for entry 0, else the driver name (at most 63 characters)
    int32_t modeCount;    // 0..128
    uint32_t modeWidth[DISPLAY_MODE_MAX];
    uint32_t modeHeight[DISPLAY_MODE_MAX];
    uint32_t modeRefresh[DISPLAY_MODE_MAX];
};

// Built once at start-up; entry 0 is the primary display.
extern DisplayDevice* DisplayDeviceList;
extern int32_t DisplayDeviceCount;

// The mode in use while in full screen, and the black bars around the 3 : 4 picture.
extern int32_t FullScreenWidth;
extern int32_t FullScreenHeight;
extern int32_t FullScreenBpp;
extern int32_t FullScreenRefresh;
extern int32_t LetterboxX;
extern int32_t LetterboxY;

// Which fields a platform mode report carries; a report with none of them is ignored.
enum : uint32_t {
    MODE_FIELD_WIDTH = 0x1,
    MODE_FIELD_HEIGHT = 0x2,
    MODE_FIELD_REFRESH = 0x4,
};

// Display failure messages (caption DISPLAY_ERROR_CAPTION, error icon, task-modal); each one
// stops start-up.
extern const char* const DISPLAY_ERROR_CAPTION;
extern const char* const DISPLAY_ERROR_ENUM_1;
extern const char* const DISPLAY_ERROR_ALLOCATION;
extern const char* const DISPLAY_ERROR_ENUM_2;
extern const char* const DISPLAY_ERROR_CREATE;
extern const char* const DISPLAY_ERROR_MODES;
extern const char* const DISPLAY_ERROR_NO_60HZ;

// Traces one device found by the first enumeration ("%s %s\n").
void NoteDisplayDevice(const char* description, const char* driverName);

// Makes the list: attachedCount platform devices plus "Default" as entry 0, all cleared.
// Returns 0, or -1 when the memory could not be had (the list is then absent).
int32_t CreateDisplayDeviceList(int32_t attachedCount);

// Fills entry index (1..count-1) with a device's identifier and driver name, cut to 63
// characters. Returns 0, or -1 for an index outside the list.
int32_t SetDisplayDeviceEntry(int32_t index, const uint8_t deviceId[16], const char* driverName);

// Offers one mode report to the device. It is kept when it carries a width, height or
// refresh rate, runs at exactly 60 Hz, is not listed yet and the list has room.
// Returns 1 when kept, 0 when dropped.
int32_t AddDisplayMode(DisplayDevice* device, uint32_t fields, uint32_t width, uint32_t height,
                       uint32_t refresh);

// Sorts the device's modes (width, then height, then refresh, ascending) and traces them.
// Returns 0, or -1 when the device has no mode.
int32_t FinishDisplayModes(DisplayDevice* device);

void FreeDisplayDeviceList();

// The sizes tried in this order, at 60 Hz and the colour depth ScreenBpp, for "Auto".
constexpr int32_t AUTO_MODE_COUNT = 8;
extern const int32_t AUTO_MODE_WIDTH[AUTO_MODE_COUNT];
extern const int32_t AUTO_MODE_HEIGHT[AUTO_MODE_COUNT];

// Asks the platform to switch the opened display to a mode; non-zero on success.
using TrySetModeFn = int32_t (*)(uint32_t width, uint32_t height, uint32_t bpp, uint32_t refresh);

// Chooses and sets the full-screen mode from ScreenResolution, ScreenBpp and ScreenDevice:
// the Auto order, or the listed mode ScreenResolution - 1. On success the FullScreen* values
// describe the mode set, the letterbox bars are computed for it and 1 is returned; 0 when no
// mode could be set (the bars are then 0).
int32_t SetupFullScreenMode(TrySetModeFn trySetMode);

// The bar widths that keep a 3 : 4 picture in a width x height display (both 0 for a square
// or empty display).
void ComputeLetterbox(int32_t width, int32_t height, int32_t* barX, int32_t* barY);

// A rectangle of the full-screen display.
struct ScreenRect {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
};

// What full screen draws on a width x height display with bars barX and barY wide: the picture's
// rectangle (from the bars' inner edges, one pixel short of the right and bottom bars, as the
// flip chain's blit rectangle with its right and bottom edges excluded) and four black areas
// (left, right, top, bottom) that together with the picture cover every pixel exactly once.
// An area may be empty.
struct FullScreenLayout {
    ScreenRect picture;
    ScreenRect black[4];
};
FullScreenLayout ComputeFullScreenLayout(int32_t width, int32_t height, int32_t barX, int32_t barY);

// The frame timer period in ms for the display state: 5 in full screen with the flip chain
// (presentation sets the pace), 16 in full screen without it and in the window.
int32_t FrameTimerPeriod(int32_t fullScreen, int32_t disablePrimSurf);

// The number of ticks a new full-screen toggle is refused after leaving full screen on the
// given Windows generation (93 on OsKind 2, else 0: no lock).
int32_t FullScreenLockTicks(int32_t osKind);

} // namespace velkar
