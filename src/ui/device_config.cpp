// Device Configuration dialog model: controls filled from the settings, OK, DEFAULT, lists.
#include "ui/device_config.h"

#include <cstdio>

#include "base/settings_vars.h"
#include "ui/display_modes.h"

namespace velkar {

const int32_t DEVCFG_BUTTON_LIST_ID[DEVCFG_BUTTON_LISTS] = {
    DEVCFG_BUTTON_A_LIST, DEVCFG_BUTTON_B_LIST, DEVCFG_BUTTON_C_LIST, DEVCFG_START_LIST,
    DEVCFG_PAUSE_LIST};

const char* const DEVCFG_BUTTON_ITEM_TEXT[DEVCFG_BUTTON_ITEMS] = {
    "None", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16"};
const char* const DEVCFG_BPP_ITEM_TEXT[2] = {"16", "32"};
const char* const DEVCFG_AUTO_TEXT = "Auto";
const char* const DEVCFG_CONNECTED_TEXT = "Connect";
const char* const DEVCFG_NOT_FOUND_TEXT = "Not Found";

namespace {

constexpr const char* MESSAGE_CAPTION = "Device Configuration";
constexpr int32_t MESSAGE_STYLE = MSG_ICON_WARNING;

int32_t* const ButtonSetting[DEVCFG_BUTTON_LISTS] = {&JoyButton_A, &JoyButton_B, &JoyButton_C,
                                                     &JoyButton_START, &JoyButton_PAUSE};

const DisplayDevice* ListedDevice(const DeviceConfigModel* model) {
    if (DisplayDeviceList == nullptr || model->listedDevice < 0 ||
        model->listedDevice >= DisplayDeviceCount)
        return nullptr;
    return &DisplayDeviceList[model->listedDevice];
}

void FillResolutionList(DeviceConfigModel* model) {
    const DisplayDevice* device = ListedDevice(model);
    model->resolutionItemCount = 1 + (device != nullptr ? device->modeCount : 0);
}

// The selection a list takes for an item: the item itself inside the list, else none.
int32_t Selection(int32_t item, int32_t count) {
    return item >= 0 && item < count ? item : -1;
}

int32_t ClampPosition(int32_t position) {
    if (position < 0) return 0;
    if (position > DEVCFG_SLIDER_MAX) return DEVCFG_SLIDER_MAX;
    return position;
}

// Slider position of a volume setting (the top, 0, is volume 100); a hand-edited setting outside
// 0..100 puts the slider at its nearest end without overflowing the subtraction.
int32_t SliderPositionOf(int32_t volume) {
    if (volume < 0) return DEVCFG_SLIDER_MAX;
    if (volume > DEVCFG_SLIDER_MAX) return 0;
    return DEVCFG_SLIDER_MAX - volume;
}

int32_t ButtonListIndex(int32_t listId) {
    for (int32_t i = 0; i < DEVCFG_BUTTON_LISTS; i++) {
        if (DEVCFG_BUTTON_LIST_ID[i] == listId) return i;
    }
    return -1;
}

} // namespace

const MessageText DEVCFG_BUTTON_ERROR[DEVCFG_BUTTON_LISTS] = {
    {"Assign button 0 select error", MESSAGE_CAPTION, MESSAGE_STYLE},
    {"Assign button 1 select error", MESSAGE_CAPTION, MESSAGE_STYLE},
    {"Assign button 2 select error", MESSAGE_CAPTION, MESSAGE_STYLE},
    {"Assign button 3 select error", MESSAGE_CAPTION, MESSAGE_STYLE},
    {"Assign button 4 select error", MESSAGE_CAPTION, MESSAGE_STYLE},
};
const MessageText DEVCFG_DEVICE_ERROR = {"Display device select error", MESSAGE_CAPTION,
                                         MESSAGE_STYLE};
const MessageText DEVCFG_RESOLUTION_ERROR = {"Display resolution select error", MESSAGE_CAPTION,
                                             MESSAGE_STYLE};
const MessageText DEVCFG_BPP_ERROR = {"Display BPP select error", MESSAGE_CAPTION, MESSAGE_STYLE};

void OpenDeviceConfig(DeviceConfigModel* model, int32_t joystickPresent) {
    for (int32_t i = 0; i < DEVCFG_BUTTON_LISTS; i++) {
        model->buttonItem[i] = Selection(*ButtonSetting[i] + 1, DEVCFG_BUTTON_ITEMS);
    }
    model->joystickConnected = joystickPresent != 0 ? 1 : 0;
    model->sliderPosition[0] = SliderPositionOf(SoundVolume1);
    model->sliderPosition[1] = SliderPositionOf(SoundVolume2);
    model->volumeShown[0] = SoundVolume1;
    model->volumeShown[1] = SoundVolume2;
    model->deviceItem = Selection(ScreenDevice, DisplayDeviceCount);
    model->listedDevice = ScreenDevice;
    FillResolutionList(model);
    model->resolutionItem = Selection(ScreenResolution, model->resolutionItemCount);
    model->bppItem = ScreenBpp != 16 ? 1 : 0;
    model->disablePrimSurf = DisablePrimSurf != 0 ? 1 : 0;
}

int32_t DeviceConfigItemCount(const DeviceConfigModel* model, int32_t listId) {
    if (ButtonListIndex(listId) >= 0) return DEVCFG_BUTTON_ITEMS;
    switch (listId) {
    case DEVCFG_DEVICE_LIST:
        return DisplayDeviceList != nullptr ? DisplayDeviceCount : 0;
    case DEVCFG_RESOLUTION_LIST:
        return model->resolutionItemCount;
    case DEVCFG_BPP_LIST:
        return 2;
    default:
        return 0;
    }
}

const char* DeviceConfigItemText(const DeviceConfigModel* model, int32_t listId, int32_t item,
                                 char* buffer, size_t size) {
    const char* text = "";
    if (item >= 0 && item < DeviceConfigItemCount(model, listId)) {
        if (ButtonListIndex(listId) >= 0) {
            text = DEVCFG_BUTTON_ITEM_TEXT[item];
        } else if (listId == DEVCFG_DEVICE_LIST) {
            text = DisplayDeviceList[item].deviceName;
        } else if (listId == DEVCFG_BPP_LIST) {
            text = DEVCFG_BPP_ITEM_TEXT[item];
        } else if (item == 0) {
            text = DEVCFG_AUTO_TEXT;
        } else {
            const DisplayDevice* device = ListedDevice(model);
            std::snprintf(buffer, size, "%d x %d (%dHz)",
                          static_cast<int>(device->modeWidth[item - 1]),
                          static_cast<int>(device->modeHeight[item - 1]),
                          static_cast<int>(device->modeRefresh[item - 1]));
            return buffer;
        }
    }
    std::snprintf(buffer, size, "%s", text);
    return buffer;
}

const char* DeviceConfigConnectText(const DeviceConfigModel* model) {
    return model->joystickConnected ? DEVCFG_CONNECTED_TEXT : DEVCFG_NOT_FOUND_TEXT;
}

const char* FormatVolumeText(int32_t volume, char* buffer, size_t size) {
    std::snprintf(buffer, size, "%ld", static_cast<long>(volume));
    return buffer;
}

void SelectDeviceConfigItem(DeviceConfigModel* model, int32_t listId, int32_t item) {
    int32_t selection = Selection(item, DeviceConfigItemCount(model, listId));
    int32_t button = ButtonListIndex(listId);
    if (button >= 0) {
        model->buttonItem[button] = selection;
        return;
    }
    switch (listId) {
    case DEVCFG_DEVICE_LIST:
        model->deviceItem = selection;
        // Another device than the one listed: its modes replace the list, starting at Auto.
        if (selection >= 0 && selection != model->listedDevice) {
            model->listedDevice = selection;
            FillResolutionList(model);
            model->resolutionItem = 0;
        }
        break;
    case DEVCFG_RESOLUTION_LIST:
        model->resolutionItem = selection;
        break;
    case DEVCFG_BPP_LIST:
        model->bppItem = selection;
        break;
    default:
        break;
    }
}

void MoveDeviceConfigSlider(DeviceConfigModel* model, int32_t slider, int32_t position) {
    if (slider < 0 || slider > 1) return;
    model->sliderPosition[slider] = ClampPosition(position);
    model->volumeShown[0] = DEVCFG_SLIDER_MAX - model->sliderPosition[0];
    model->volumeShown[1] = DEVCFG_SLIDER_MAX - model->sliderPosition[1];
}

void SetDeviceConfigCheck(DeviceConfigModel* model, int32_t checked) {
    model->disablePrimSurf = checked != 0 ? 1 : 0;
}

void DefaultDeviceConfig(DeviceConfigModel* model) {
    model->buttonItem[0] = 1; // button 0
    model->buttonItem[1] = 2; // button 1
    model->buttonItem[2] = 3; // button 2
    model->buttonItem[3] = 0; // none
    model->buttonItem[4] = 0; // none
    model->sliderPosition[0] = 0;
    model->sliderPosition[1] = 0;
    // The numbers follow the sliders, so they do not go on showing the old volumes.
    model->volumeShown[0] = DEVCFG_SLIDER_MAX;
    model->volumeShown[1] = DEVCFG_SLIDER_MAX;
    // First device, "Auto", "16". The resolution list keeps the modes it shows: "Auto" is
    // item 0 of every device's list.
    model->deviceItem = Selection(0, DeviceConfigItemCount(model, DEVCFG_DEVICE_LIST));
    model->resolutionItem = 0;
    model->bppItem = 0;
    model->disablePrimSurf = 0;
}

int32_t AcceptDeviceConfig(const DeviceConfigModel* model, const MessageText** message) {
    *message = nullptr;
    for (int32_t i = 0; i < DEVCFG_BUTTON_LISTS; i++) {
        if (model->buttonItem[i] < 0) {
            *message = &DEVCFG_BUTTON_ERROR[i];
            return 0;
        }
        StoreSharedSetting(*ButtonSetting[i], model->buttonItem[i] - 1);
    }
    SoundVolume1 = DEVCFG_SLIDER_MAX - model->sliderPosition[0];
    SoundVolume2 = DEVCFG_SLIDER_MAX - model->sliderPosition[1];
    if (model->deviceItem < 0) {
        *message = &DEVCFG_DEVICE_ERROR;
        return 0;
    }
    ScreenDevice = model->deviceItem;
    if (model->resolutionItem < 0) {
        *message = &DEVCFG_RESOLUTION_ERROR;
        return 0;
    }
    ScreenResolution = model->resolutionItem;
    if (model->bppItem != 0 && model->bppItem != 1) {
        *message = &DEVCFG_BPP_ERROR;
        return 0;
    }
    ScreenBpp = model->bppItem == 0 ? 16 : 32;
    DisablePrimSurf = model->disablePrimSurf != 0 ? 1 : 0;
    return 1;
}

} // namespace velkar
