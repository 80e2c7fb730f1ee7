// The sound effect engine as the game sees it.
#pragma once

#include <atomic>
#include <cstdint>

namespace velkar {

struct SoundVoice;

constexpr int32_t EFFECT_COUNT = 10;

struct EffectEntry {
    const char* fileName; // the file in the Wave directory
    uint8_t* samples;     // the whole PCM data of the file, or nullptr when not loaded
    int32_t byteCount;    // length of samples in bytes; -1 when not loaded
};

extern EffectEntry EffectTable[EFFECT_COUNT];
// The voice of each effect, nullptr when the effect is not loaded.
extern SoundVoice* EffectVoice[EFFECT_COUNT];
// Why each effect is or is not loaded: 0 loaded, the wave reader's code (WAVE_*) from the first
// place that had the file (WAVE_CANNOT_OPEN when none had it), or EFFECT_NO_VOICE when the
// platform could not make its voice.
extern int32_t EffectLoadResult[EFFECT_COUNT];
constexpr int32_t EFFECT_NO_VOICE = -5;

// Attenuation of every effect in hundredths of a decibel: 0 full volume, -10000 silent.
extern int32_t EffectVolume;
// 1 while the device is open and the effects are loaded.
extern int32_t SoundReady;

// The Wave directory of an installed Linux program (from the install prefix).
extern const char* const InstalledWaveDirectory;

// The program's own directory, without a trailing separator: start-up, which finds it, defines
// this for the engine (it is the directory kept as ExeDirectory).
const char* ProgramDirectory();

// Where LoadEffects looks, in this order: "Wave" in exeDirectory, "Wave" in its parent, then
// extraWaveDirectory itself; with extraFirst, extraWaveDirectory before the other two (an
// installed program's own data folder). Either may be null to leave those places out. Set
// before SoundStart. Without this call the places are "Wave" in ProgramDirectory() and in its
// parent, as on Windows.
void SetEffectDirectories(const char* exeDirectory, const char* extraWaveDirectory,
                          bool extraFirst = false);
// Back to the places used without SetEffectDirectories.
void ResetEffectDirectories();

// EffectVolume (1/100 dB, -10000 silent .. 0 full) for an effect volume setting of 0..100; a
// setting below 0 counts as 0 and one above 100 as 100.
int32_t EffectVolumeFromSetting(int32_t soundVolume2);

// Whether start-up needs a sound device. 1 (the default): SoundStart fails without one, and
// the program ends with its start-up error. 0: the game runs without sound, as without the
// marker, until a later SoundRestart opens a device.
extern int32_t SoundDeviceRequired;

// Opens the engine with the window: 0, or -1 when the sound device cannot be opened and one
// is required.
int32_t SoundStart(void* window);
// Opens the device and loads the effects: 1 on success, 0 when the device cannot be opened.
int32_t SoundInit(void* window);
// Reads the ten effect files and makes their voices; a missing or bad file leaves its effect out.
void LoadEffects();
// Frees every voice and sample and closes the device (only the marker when not ready).
void SoundRelease();
// Rebuilds the engine after a settings change: 1 when it runs again, 0 when not.
int32_t SoundRestart(void* window);
// Closes the engine at shutdown.
void SoundStop();
// When the platform reports that the open device went away: releases every voice and the
// device, so the game runs on without sound until the next SoundRestart; returns 1 then, else
// 0. Called like SoundRestart, with no game frame running.
int32_t SoundDropLostDevice();

// 1 while the effects are to be skipped (a replay watched at another speed than x1); any thread.
extern std::atomic<int32_t> EffectsMuted;

// Starts effect 0..9: 0 when started or silently skipped, -1 when out of range or not loaded.
int32_t PlayEffect(int32_t number);

} // namespace velkar
