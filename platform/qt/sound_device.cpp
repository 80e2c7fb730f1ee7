// The sound device's comings and goings on the UI thread of the Linux program.
#include "sound_device.h"

#include <QObject>
#include <QTimer>

#include "app/frame_clock.h"
#include "base/trace.h"
#include "settings/settings.h"
#include "sound/sound.h"
#include "sound/voice.h"

namespace velkar {

namespace {

constexpr int DEVICE_WATCH_MS = 250;

// Runs change with no game frame running, under a hold of its own or the one already in place
// (an open menu or dialog), as the engine's other changes are made.
template <class Change> void WithGameHeld(Change change) {
    const int32_t held = GameHold.load();
    HoldGame();
    change();
    if (held == 0) ReleaseGame();
}

} // namespace

void WatchSoundDevice(QObject* owner) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, timer, [] { CheckSoundDevice(); });
    timer->start(DEVICE_WATCH_MS);
}

int32_t CheckSoundDevice() {
    // Only a running engine has a device to lose; nothing is held while all is well.
    if (SoundReady == 0 || SoundDeviceLost() == 0) return 0;
    int32_t dropped = 0;
    WithGameHeld([&dropped] { dropped = SoundDropLostDevice(); });
    return dropped;
}

int32_t RetrySoundAfterEnable(void* window) {
    if (EnableSound == 0 || SoundReady != 0) return 0;
    int32_t running = 0;
    WithGameHeld([&running, window] { running = SoundRestart(window); });
    Trace(running != 0 ? "sound: a device opened again; the effects sound\n"
                       : "sound: still no output device; the game runs on without sound\n");
    return running;
}

} // namespace velkar
