// Headless sound output: records what the effect engine asked for, so tests and velkar-sim can
// look at it. No clock runs here; NullSoundAdvance moves playing voices on by hand.
#pragma once

#include <cstdint>

#include "sound/voice.h"

namespace velkar {

struct SoundVoice {
    int32_t inUse;          // 1 from VoiceCreate until VoiceRelease
    VoiceFormat format;     // as given to VoiceCreate
    const uint8_t* samples; // as given to VoiceCreate
    int32_t byteCount;
    int32_t frameCount; // byteCount / (bytesPerSample * channels)
    int32_t volume;     // last VoiceSetVolume, 1/100 dB
    int32_t restarts;   // VoiceRestart calls since creation
    int32_t sounding;   // 1 while the voice plays
    int32_t position;   // next frame it would play
};

constexpr int32_t NULL_VOICE_COUNT = 32;

struct NullSoundRecord {
    // Knobs a test sets to make the next calls fail.
    int32_t failMarker;
    int32_t failDevice;
    int32_t failVoices;
    int32_t failRestart;
    int32_t loseDevice; // the open device reports itself gone (SoundDeviceLost)
    // What was asked.
    int32_t markerOpen;
    int32_t markerCreates;
    int32_t markerCloses;
    int32_t deviceOpen;
    int32_t deviceOpens;
    int32_t deviceCloses;
    void* window;          // window of the last SoundDeviceOpen
    int32_t voicesCreated; // VoiceCreate successes
    int32_t voicesReleased;
    int32_t restartCalls; // every VoiceRestart, including failed ones
    SoundVoice voices[NULL_VOICE_COUNT];
};

extern NullSoundRecord NullSound;

// Clears the record and every knob; voices must have been released (SoundStop) before.
void NullSoundReset();

// Voices in use right now, and those of them that are sounding.
int32_t NullSoundVoicesInUse();
int32_t NullSoundVoicesSounding();

// Plays every sounding voice on by frames; a voice that reaches its end stops.
void NullSoundAdvance(int32_t frames);

} // namespace velkar
