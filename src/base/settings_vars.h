// The settings the player can change, kept in process-wide variables between start-up and exit;
// every part of the game reads them from here (the settings room reads and writes the file).
#pragma once

#include <atomic>
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

// The button assignments are read by the game thread on every tick, also while the game is held
// for the dialog that changes them on the UI thread; both sides access them through these.
// Standard libraries without std::atomic_ref (libc++ 14 of the WebAssembly build) use the
// compiler's atomic built-ins on the same variable instead.
#if defined(__cpp_lib_atomic_ref)
inline int32_t LoadSharedSetting(int32_t& setting) {
    return std::atomic_ref<int32_t>(setting).load(std::memory_order_relaxed);
}
inline void StoreSharedSetting(int32_t& setting, int32_t value) {
    std::atomic_ref<int32_t>(setting).store(value, std::memory_order_relaxed);
}
#else
inline int32_t LoadSharedSetting(int32_t& setting) {
    return __atomic_load_n(&setting, __ATOMIC_RELAXED);
}
inline void StoreSharedSetting(int32_t& setting, int32_t value) {
    __atomic_store_n(&setting, value, __ATOMIC_RELAXED);
}
#endif

// Path of the settings file, set at start-up.
extern char SettingsPath[260];

} // namespace velkar
