// What the SDL sound output shows of itself beyond the seam, for its tests.
#pragma once

#include <cstdint>

#include "sound/voice.h"

namespace velkar {

struct SdlAudioFormat {
    int32_t open;         // 1 while the device is open
    int32_t frequency;    // frames per second of the device
    int32_t channels;     // interleaved 16-bit samples per frame
    int32_t bufferFrames; // frames per callback
};

SdlAudioFormat SdlAudioCurrentFormat();

// SDL's identifier of the open output device, 0 when none is open.
uint32_t SdlAudioDeviceId();

// The voice's samples after conversion to the device format, and their frame count.
const int16_t* SdlVoiceSamples(const SoundVoice* voice);
int32_t SdlVoiceFrames(const SoundVoice* voice);

// Called on the audio thread with every block just mixed; nullptr for none.
using SdlMixTapFn = void (*)(const int16_t* samples, int32_t frames, int32_t channels);
void SetSdlMixTap(SdlMixTapFn tap);

} // namespace velkar
