// The settings variables with the values used when the settings file lacks them.
#include "base/settings_vars.h"

namespace velkar {

int32_t ScreenDevice = 0;
int32_t ScreenResolution = 0;
int32_t ScreenBpp = 16;
int32_t DisablePrimSurf = 0;
int32_t SoundVolume1 = 100;
int32_t SoundVolume2 = 100;
int32_t EnableSound = 1;
int32_t JoyButton_A = 0;
int32_t JoyButton_B = 1;
int32_t JoyButton_C = 2;
int32_t JoyButton_START = -1;
int32_t JoyButton_PAUSE = -1;
int32_t Language = -1;
char SettingsPath[260] = {};

} // namespace velkar
