// The bindings' keys in the settings file, read as a whole set and checked before use.
#include "settings/control_settings.h"

#include "base/trace.h"
#include "input/control_map.h"
#include "settings/settings.h"
#include "settings/settings_file.h"

namespace velkar {

namespace {

constexpr const char* SECTION = "CONTROLS";

const char* const KEY_SETTINGS[ACTION_COUNT] = {
    "Key_Up",    "Key_Down", "Key_Left",  "Key_Right", "Key_Shot",
    "Key_Laser", "Key_Bomb", "Key_Start", "Key_Quit",  "Key_Pause",
};
const char* const PAD_SETTINGS[ACTION_COUNT] = {
    "Pad_Up",    "Pad_Down", "Pad_Left",  "Pad_Right", "Pad_Shot",
    "Pad_Laser", "Pad_Bomb", "Pad_Start", "Pad_Quit",  "Pad_Pause",
};

} // namespace

const char* ControlKeySetting(int32_t action) {
    return action >= 0 && action < ACTION_COUNT ? KEY_SETTINGS[action] : "";
}

const char* ControlPadSetting(int32_t action) {
    return action >= 0 && action < ACTION_COUNT ? PAD_SETTINGS[action] : "";
}

int32_t ReadControlSettings(const char* path) {
    ControlBindings bindings;
    DefaultControlBindings(&bindings);
    SettingsFileBegin(path);
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        bindings.key[action] =
            SettingsFileReadInt(SECTION, KEY_SETTINGS[action], bindings.key[action], path);
        bindings.pad[action] =
            SettingsFileReadInt(SECTION, PAD_SETTINGS[action], bindings.pad[action], path);
    }
    SettingsFileEnd(path);
    if (UseControlBindings(bindings) == 1) return 1;
    Trace("settings: the [CONTROLS] bindings hold a key or button that cannot be bound or is "
          "bound twice; the default controls are used\n");
    DefaultControlBindings(&bindings);
    UseControlBindings(bindings);
    return 0;
}

int32_t WriteControlSettings(const char* path) {
    const ControlBindings bindings = CurrentControlBindings();
    SettingsFileBegin(path);
    for (int32_t action = 0; action < ACTION_COUNT; ++action) {
        WriteIniInt(SECTION, KEY_SETTINGS[action], bindings.key[action], path);
        WriteIniInt(SECTION, PAD_SETTINGS[action], bindings.pad[action], path);
    }
    return SettingsFileEnd(path);
}

} // namespace velkar
