// Device Configuration dialog as a model of its controls: opening, OK, DEFAULT, device change.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/messages.h"

namespace velkar {

// Control identifiers, shared by both templates.
enum : int32_t {
    DEVCFG_OK = 1,
    DEVCFG_CANCEL = 2,
    DEVCFG_DEFAULT = 3,
    DEVCFG_BUTTON_A_LIST = 1002,
    DEVCFG_BUTTON_B_LIST = 1004,
    DEVCFG_BUTTON_C_LIST = 1005,
    DEVCFG_START_LIST = 1006,
    DEVCFG_PAUSE_LIST = 1007,
    DEVCFG_CONNECT_STATUS = 1008,
    DEVCFG_PRIMSURF_CHECK = 1009,
    DEVCFG_RESOLUTION_LIST = 1019,
    DEVCFG_DEVICE_LIST = 1020,
    DEVCFG_BPP_LIST = 1021,
    DEVCFG_BGM_SLIDER = 1022,
    DEVCFG_EFFECT_SLIDER = 1023,
    DEVCFG_BGM_VALUE = 1024,
    DEVCFG_EFFECT_VALUE = 1025,
};

constexpr int32_t DEVCFG_BUTTON_LISTS = 5;
constexpr int32_t DEVCFG_BUTTON_ITEMS = 17; // "None", "1" .. "16"
constexpr int32_t DEVCFG_SLIDER_MAX = 100;  // position 0 (top) is volume 100

// The five button lists in the order OK reads them: A, B, C, START, PAUSE.
extern const int32_t DEVCFG_BUTTON_LIST_ID[DEVCFG_BUTTON_LISTS];
extern const char* const DEVCFG_BUTTON_ITEM_TEXT[DEVCFG_BUTTON_ITEMS];
extern const char* const DEVCFG_BPP_ITEM_TEXT[2];
extern const char* const DEVCFG_AUTO_TEXT;
extern const char* const DEVCFG_CONNECTED_TEXT;
extern const char* const DEVCFG_NOT_FOUND_TEXT;

// Messages of OK for a list without a valid selection (English in both languages).
extern const MessageText DEVCFG_BUTTON_ERROR[DEVCFG_BUTTON_LISTS];
extern const MessageText DEVCFG_DEVICE_ERROR;
extern const MessageText DEVCFG_RESOLUTION_ERROR;
extern const MessageText DEVCFG_BPP_ERROR;

// The state of the dialog's controls. A selection of -1 means the list has none.
struct DeviceConfigModel {
    int32_t buttonItem[DEVCFG_BUTTON_LISTS]; // item k stands for button k - 1 (0: "None")
    int32_t sliderPosition[2];               // 1022 (BGM), 1023 (effect): 0..100
    int32_t volumeShown[2];                  // the numbers in 1024 and 1025
    int32_t deviceItem;                      // 1020
    int32_t listedDevice;                    // the device whose modes 1019 lists
    int32_t resolutionItemCount;             // "Auto" plus the listed device's modes
    int32_t resolutionItem;                  // 1019: 0 "Auto", k the mode k - 1
    int32_t bppItem;                         // 1021: 0 "16", 1 "32"
    int32_t disablePrimSurf;                 // 1009 checked
    int32_t joystickConnected;               // 1008 shows "Connect" or "Not Found"
};

// Fills the controls from the settings and the display list (the dialog opening).
void OpenDeviceConfig(DeviceConfigModel* model, int32_t joystickPresent);

// Number of items in a list control, and the text of one item into buffer (returned).
int32_t DeviceConfigItemCount(const DeviceConfigModel* model, int32_t listId);
const char* DeviceConfigItemText(const DeviceConfigModel* model, int32_t listId, int32_t item,
                                 char* buffer, size_t size);

// The text of 1008 and of a volume number ("%ld").
const char* DeviceConfigConnectText(const DeviceConfigModel* model);
const char* FormatVolumeText(int32_t volume, char* buffer, size_t size);

// Selects an item of a list as the user does; an item outside the list leaves the list
// without a selection. Selecting in the device list then follows the device-change rule:
// another device than the listed one refills the resolution list and selects "Auto".
void SelectDeviceConfigItem(DeviceConfigModel* model, int32_t listId, int32_t item);

// Moves a slider (0 BGM, 1 effect) to a position, kept within 0..100, and updates both
// volume numbers as the slider notification does.
void MoveDeviceConfigSlider(DeviceConfigModel* model, int32_t slider, int32_t position);

void SetDeviceConfigCheck(DeviceConfigModel* model, int32_t checked);

// DEFAULT: the default choices in the controls; nothing stored.
void DefaultDeviceConfig(DeviceConfigModel* model);

// OK: stores the choices in order, each at once. Returns the dialog result 1 when all were
// stored; 0 when one was invalid, with *message set to the box to show (the dialog stays
// open and the values stored before it stay stored).
int32_t AcceptDeviceConfig(const DeviceConfigModel* model, const MessageText** message);

} // namespace velkar
