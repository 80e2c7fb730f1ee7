// Sound output seam: plain functions each platform defines to give the effect engine its voices.
#pragma once

#include <cstdint>

namespace velkar {

// One playback voice holding one effect; each platform defines the record.
struct SoundVoice;

// The PCM layout of an effect's samples (little-endian; 8-bit samples are unsigned).
struct VoiceFormat {
    int32_t sampleRate;     // frames per second
    int32_t channels;       // 1 or 2
    int32_t bytesPerSample; // 1 or 2
};

// Volume in hundredths of a decibel: 0 is full volume, VOICE_SILENT and below are silent.
constexpr int32_t VOICE_SILENT = -10000;

// Creates the marker that tells other programs the engine is open (the named mutex on Windows).
// 0 on success, -1 on failure. Platforms without such a marker succeed and do nothing.
int32_t SoundMarkerCreate();
// Closes the marker made by SoundMarkerCreate.
void SoundMarkerClose();

// Opens the default output device for the window (an opaque handle that may be null), shared
// with other programs. 0 on success; -1 on failure, with nothing left open.
int32_t SoundDeviceOpen(void* window);
// Closes the device. Every voice has been released before.
void SoundDeviceClose();

// 1 when the open device has gone away since it was opened (unplugged, its sound server
// ended), and on every later call until it is closed; else 0. Called on the thread that opens
// and closes the device; never waits.
// Platforms that report a lost device otherwise (DirectSound's lost buffers) answer 0.
int32_t SoundDeviceLost();

// Makes a one-shot voice for byteCount bytes of samples in the given format, silent until
// played, centred, at the format's own rate. The platform may keep a converted copy; the
// engine keeps `samples` alive until the voice is released. nullptr on failure.
SoundVoice* VoiceCreate(const VoiceFormat* format, const uint8_t* samples, int32_t byteCount);

// Sets the voice's volume in hundredths of a decibel (0 down to VOICE_SILENT).
void VoiceSetVolume(SoundVoice* voice, int32_t volume);

// Stops the voice if it sounds, rewinds it and plays it once from its first sample with the
// given samples (the same bytes it was made for). Called from the game thread during a frame:
// it must not allocate, and may wait on the audio thread for a short critical section at most.
// 0 when playing, -1 when the voice could not be refilled (the effect is skipped).
int32_t VoiceRestart(SoundVoice* voice, const uint8_t* samples, int32_t byteCount);

// Stops the voice and frees it.
void VoiceRelease(SoundVoice* voice);

} // namespace velkar
