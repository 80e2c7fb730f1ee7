// Display device list, 60 Hz mode filtering and sorting, full-screen mode choice and bars.
#include "ui/display_modes.h"

#include <cstring>
#include <new>

#include "base/settings_vars.h"
#include "base/trace.h"

namespace velkar {

DisplayDevice* DisplayDeviceList = nullptr;
int32_t DisplayDeviceCount = 0;

int32_t FullScreenWidth = 0;
int32_t FullScreenHeight = 0;
int32_t FullScreenBpp = 0;
int32_t FullScreenRefresh = 0;
int32_t LetterboxX = 0;
int32_t LetterboxY = 0;

const char* const DISPLAY_ERROR_CAPTION = "VELKAR";
const char* const DISPLAY_ERROR_ENUM_1 = "DirectDrawEnumerateEx() error - 1";
const char* const DISPLAY_ERROR_ALLOCATION = "Memory Allocation Error";
const char* const DISPLAY_ERROR_ENUM_2 = "DirectDrawEnumerateEx() error - 2";
const char* const DISPLAY_ERROR_CREATE = "DirectDrawCreate() error";
const char* const DISPLAY_ERROR_MODES = "EnumDisplayModes() error";
const char* const DISPLAY_ERROR_NO_60HZ = "No refresh rate 60Hz resolutions monitor found.";

const int32_t AUTO_MODE_WIDTH[AUTO_MODE_COUNT] = {640, 800, 480, 480, 960, 600, 800, 600};
const int32_t AUTO_MODE_HEIGHT[AUTO_MODE_COUNT] = {480, 480, 640, 800, 600, 960, 600, 800};

void NoteDisplayDevice(const char* description, const char* driverName) {
    Trace("%s %s\n", description != nullptr ? description : "",
          driverName != nullptr ? driverName : "");
}

int32_t CreateDisplayDeviceList(int32_t attachedCount) {
    FreeDisplayDeviceList();
    if (attachedCount < 0) return -1;
    DisplayDevice* list = new (std::nothrow) DisplayDevice[attachedCount + 1];
    if (list == nullptr) return -1;
    std::memset(list, 0, sizeof(DisplayDevice) * static_cast<size_t>(attachedCount + 1));
    std::strcpy(list[0].deviceName, "Default");
    DisplayDeviceList = list;
    DisplayDeviceCount = attachedCount + 1;
    return 0;
}

int32_t SetDisplayDeviceEntry(int32_t index, const uint8_t deviceId[16], const char* driverName) {
    if (DisplayDeviceList == nullptr || index < 1 || index >= DisplayDeviceCount) return -1;
    DisplayDevice& device = DisplayDeviceList[index];
    std::memcpy(device.deviceId, deviceId, sizeof device.deviceId);
    std::memset(device.deviceName, 0, sizeof device.deviceName);
    if (driverName != nullptr) std::strncpy(device.deviceName, driverName, 63);
    return 0;
}

int32_t AddDisplayMode(DisplayDevice* device, uint32_t fields, uint32_t width, uint32_t height,
                       uint32_t refresh) {
    if ((fields & (MODE_FIELD_WIDTH | MODE_FIELD_HEIGHT | MODE_FIELD_REFRESH)) == 0) return 0;
    if (refresh != DISPLAY_REFRESH) return 0;
    if (device->modeCount >= DISPLAY_MODE_MAX) return 0;
    for (int32_t i = 0; i < device->modeCount; i++) {
        if (device->modeWidth[i] == width && device->modeHeight[i] == height &&
            device->modeRefresh[i] == refresh)
            return 0;
    }
    int32_t n = device->modeCount;
    device->modeWidth[n] = width;
    device->modeHeight[n] = height;
    device->modeRefresh[n] = refresh;
    device->modeCount = n + 1;
    return 1;
}

namespace {

// True when mode i must come after mode j.
bool ModeAfter(const DisplayDevice* d, int32_t i, int32_t j) {
    if (d->modeWidth[i] != d->modeWidth[j]) return d->modeWidth[i] > d->modeWidth[j];
    if (d->modeHeight[i] != d->modeHeight[j]) return d->modeHeight[i] > d->modeHeight[j];
    return d->modeRefresh[i] > d->modeRefresh[j];
}

void SwapModes(DisplayDevice* d, int32_t i, int32_t j) {
    uint32_t w = d->modeWidth[i], h = d->modeHeight[i], r = d->modeRefresh[i];
    d->modeWidth[i] = d->modeWidth[j];
    d->modeHeight[i] = d->modeHeight[j];
    d->modeRefresh[i] = d->modeRefresh[j];
    d->modeWidth[j] = w;
    d->modeHeight[j] = h;
    d->modeRefresh[j] = r;
}

} // namespace

int32_t FinishDisplayModes(DisplayDevice* device) {
    for (int32_t i = 0; i + 1 < device->modeCount; i++) {
        for (int32_t j = i + 1; j < device->modeCount; j++) {
            if (ModeAfter(device, i, j)) SwapModes(device, i, j);
        }
    }
    for (int32_t i = 0; i < device->modeCount; i++) {
        Trace("%d x %d (%d)\n", static_cast<int>(device->modeWidth[i]),
              static_cast<int>(device->modeHeight[i]), static_cast<int>(device->modeRefresh[i]));
    }
    return device->modeCount > 0 ? 0 : -1;
}

void FreeDisplayDeviceList() {
    delete[] DisplayDeviceList;
    DisplayDeviceList = nullptr;
    DisplayDeviceCount = 0;
}

void ComputeLetterbox(int32_t width, int32_t height, int32_t* barX, int32_t* barY) {
    *barX = 0;
    *barY = 0;
    if (width <= 0 || height <= 0) return;
    double ratio = static_cast<double>(width) / static_cast<double>(height);
    if (ratio > 1.0) {
        // The picture is 0.75 x height wide; the rest is split into two bars.
        int32_t inner = static_cast<int32_t>((1.0 / ratio) * width * 0.75);
        *barX = (width - inner) / 2;
    } else if (ratio < 1.0) {
        // The picture is 4/3 x width tall.
        int32_t inner = static_cast<int32_t>(height * ratio * 1.3333333333333333);
        *barY = (height - inner) / 2;
    }
}

FullScreenLayout ComputeFullScreenLayout(int32_t width, int32_t height, int32_t barX,
                                         int32_t barY) {
    const auto clamp = [](int32_t value, int32_t high) {
        return value < 0 ? 0 : (value > high ? high : value);
    };
    width = width < 0 ? 0 : width;
    height = height < 0 ? 0 : height;
    FullScreenLayout layout{};
    ScreenRect& picture = layout.picture;
    picture.left = clamp(barX, width);
    picture.top = clamp(barY, height);
    picture.width = clamp(width - 2 * barX - 1, width - picture.left);
    picture.height = clamp(height - 2 * barY - 1, height - picture.top);
    const int32_t right = picture.left + picture.width;
    const int32_t bottom = picture.top + picture.height;
    // Beside the picture: from the screen's edges to the picture's, over the picture's rows.
    layout.black[0] = {0, picture.top, picture.left, picture.height};
    layout.black[1] = {right, picture.top, width - right, picture.height};
    // Above and below it: the whole width.
    layout.black[2] = {0, 0, width, picture.top};
    layout.black[3] = {0, bottom, width, height - bottom};
    return layout;
}

int32_t SetupFullScreenMode(TrySetModeFn trySetMode) {
    LetterboxX = 0;
    LetterboxY = 0;
    int32_t found = 0;
    if (ScreenResolution == 0) {
        FullScreenBpp = ScreenBpp;
        FullScreenRefresh = static_cast<int32_t>(DISPLAY_REFRESH);
        for (int32_t i = 0; i < AUTO_MODE_COUNT && !found; i++) {
            if (trySetMode(static_cast<uint32_t>(AUTO_MODE_WIDTH[i]),
                           static_cast<uint32_t>(AUTO_MODE_HEIGHT[i]),
                           static_cast<uint32_t>(ScreenBpp), DISPLAY_REFRESH) != 0) {
                FullScreenWidth = AUTO_MODE_WIDTH[i];
                FullScreenHeight = AUTO_MODE_HEIGHT[i];
                found = 1;
            }
        }
    } else {
        // A stored choice outside the list (the start-up clamps normally prevent it) sets
        // no mode rather than reading past the list.
        if (DisplayDeviceList == nullptr || ScreenDevice < 0 || ScreenDevice >= DisplayDeviceCount)
            return 0;
        const DisplayDevice& device = DisplayDeviceList[ScreenDevice];
        int32_t index = ScreenResolution - 1;
        if (index < 0 || index >= device.modeCount) return 0;
        FullScreenWidth = static_cast<int32_t>(device.modeWidth[index]);
        FullScreenHeight = static_cast<int32_t>(device.modeHeight[index]);
        FullScreenRefresh = static_cast<int32_t>(device.modeRefresh[index]);
        FullScreenBpp = ScreenBpp;
        Trace("Try -> %d x %d (%dHz)\n", FullScreenWidth, FullScreenHeight, FullScreenRefresh);
        found = trySetMode(device.modeWidth[index], device.modeHeight[index],
                           static_cast<uint32_t>(ScreenBpp), device.modeRefresh[index]) != 0;
    }
    if (!found) return 0;
    Trace("%d x %d (%dHz)\n", FullScreenWidth, FullScreenHeight, FullScreenRefresh);
    ComputeLetterbox(FullScreenWidth, FullScreenHeight, &LetterboxX, &LetterboxY);
    return 1;
}

int32_t FrameTimerPeriod(int32_t fullScreen, int32_t disablePrimSurf) {
    if (fullScreen != 0 && disablePrimSurf == 0) return 5;
    return 16;
}

int32_t FullScreenLockTicks(int32_t osKind) {
    return osKind == 2 ? 93 : 0;
}

} // namespace velkar
