// The settings the player can change, kept in process-wide variables between start-up and exit.
#pragma once

#include <cstdint>

namespace velkar {

// "DISPLAY"
extern int32_t ScreenDevice;     // index of the full-screen device in the list found at start-up
extern int32_t ScreenResolution; // 0 "Auto", k = the k-th listed mode of that device
extern int32_t ScreenBpp;        // 16 or 32
extern int32_t DisablePrimSurf;
// "SOUND"
extern int32_t SoundVolume1; // music volume 0..100 (edited, not used by the game)
extern int32_t SoundVolume2; // effect volume 0..100
extern int32_t EnableSound;
// "INPUT": joystick buttons 0..15; any other value means none
extern int32_t JoyButton_A;
extern int32_t JoyButton_B;
extern int32_t JoyButton_C;
extern int32_t JoyButton_START;
extern int32_t JoyButton_PAUSE;
// "ENVIRONMENT"
extern int32_t Language; // -1 automatic, 0 English, 1 Japanese

// Path of the settings file, set at start-up.
extern char SettingsPath[260];

} // namespace velkar
