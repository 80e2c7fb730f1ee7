// The Linux program's sound device comes and goes (a headset unplugged, the sound server
// restarted, a machine without any): the game then runs on without sound.
#pragma once

#include <cstdint>

class QObject;

namespace velkar {

// Looks on the UI thread, four times a second while owner lives, whether the open sound device
// went away; when it did, the engine lets it go with the game held (SoundDropLostDevice).
void WatchSoundDevice(QObject* owner);

// One look of the watch: 1 when the device had gone and was let go, else 0.
int32_t CheckSoundDevice();

// After Enable Sound: when sound is now enabled but the game runs without a device, tries to
// open one again with the game held (SoundRestart). 1 when sound runs again, else 0.
int32_t RetrySoundAfterEnable(void* window);

} // namespace velkar
