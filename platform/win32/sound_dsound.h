// The DirectSound side of the sound voices, for the tests that look at what the device holds.
#pragma once

#include "sound/voice.h"
#include "win32.h"

#include <dsound.h>

namespace velkar {

// The effect buffer behind a voice (null for a null voice).
IDirectSoundBuffer* VoiceSoundBuffer(SoundVoice* voice);

} // namespace velkar
