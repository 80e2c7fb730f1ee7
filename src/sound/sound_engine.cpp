// The effect engine: ten effects loaded at start-up, each on its own voice, restarted on request.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/settings_vars.h"
#include "base/trace.h"
#include "sound/sound.h"
#include "sound/voice.h"
#include "sound/wave_reader.h"

#ifndef VELKAR_DATADIR
#define VELKAR_DATADIR "/usr/local/share/velkar"
#endif

namespace velkar {

EffectEntry EffectTable[EFFECT_COUNT] = {
    {"Boon.wav", nullptr, -1},    {"Bygoooon.wav", nullptr, -1}, {"Doooon.wav", nullptr, -1},
    {"Dotyuun.wav", nullptr, -1}, {"Hyuun.wav", nullptr, -1},    {"Tyiiiin.wav", nullptr, -1},
    {"Bugu.wav", nullptr, -1},    {"Chyuin.wav", nullptr, -1},   {"Gooon.wav", nullptr, -1},
    {"Pyuin.wav", nullptr, -1},
};
SoundVoice* EffectVoice[EFFECT_COUNT] = {};
int32_t EffectLoadResult[EFFECT_COUNT] = {
    WAVE_CANNOT_OPEN, WAVE_CANNOT_OPEN, WAVE_CANNOT_OPEN, WAVE_CANNOT_OPEN, WAVE_CANNOT_OPEN,
    WAVE_CANNOT_OPEN, WAVE_CANNOT_OPEN, WAVE_CANNOT_OPEN, WAVE_CANNOT_OPEN, WAVE_CANNOT_OPEN};
int32_t EffectVolume = 0;
int32_t SoundReady = 0;
int32_t SoundDeviceRequired = 1;
const char* const InstalledWaveDirectory = VELKAR_DATADIR "/Wave";

namespace {

constexpr size_t PATH_BUFFER = 260; // paths are cut to 259 characters and the terminating NUL

// Until SetEffectDirectories is called the effects come from the program's own directory.
bool OwnDirectories = false;
char ExeDirectoryCopy[PATH_BUFFER] = {};
bool HaveExeDirectory = false;
char ExtraWaveDirectory[PATH_BUFFER] = {};
bool HaveExtraWaveDirectory = false;
bool ExtraWaveDirectoryFirst = false;
bool MarkerOpen = false;

// The separator the directory already uses: a path that only knows backslashes is a Windows
// path and keeps them; anything else gets forward slashes.
char SeparatorOf(const char* directory) {
    if (std::strchr(directory, '/') == nullptr && std::strchr(directory, '\\') != nullptr)
        return '\\';
    return '/';
}

// Reads one candidate path. *result keeps the first reason other than a missing file, which
// says more about why an effect stayed silent than the places where it was simply absent.
uint8_t* ReadEffectFile(const char* path, WaveReader* reader, int32_t* result) {
    WaveReaderInit(reader);
    int32_t code = 0;
    uint8_t* samples = WaveReadAllResult(reader, path, &code);
    if (samples != nullptr || *result == WAVE_CANNOT_OPEN) *result = code;
    return samples;
}

void LoadEffect(int32_t number) {
    EffectEntry& entry = EffectTable[number];
    WaveReader reader;
    int32_t result = WAVE_CANNOT_OPEN;
    uint8_t* samples = nullptr;
    // Each path is cut to fit the buffer, as the game has always done; a cut path fails to open.
    char path[PATH_BUFFER];
    const bool extra = OwnDirectories && HaveExtraWaveDirectory;
    const auto readExtra = [&] {
        const char* dir = ExtraWaveDirectory;
        if (std::snprintf(path, sizeof path, "%s%c%s", dir, SeparatorOf(dir), entry.fileName) < 0)
            path[0] = '\0';
        samples = ReadEffectFile(path, &reader, &result);
    };
    if (extra && ExtraWaveDirectoryFirst) readExtra();
    if (samples == nullptr && (!OwnDirectories || HaveExeDirectory)) {
        const char* dir = OwnDirectories ? ExeDirectoryCopy : ProgramDirectory();
        const char sep = SeparatorOf(dir);
        if (std::snprintf(path, sizeof path, "%s%cWave%c%s", dir, sep, sep, entry.fileName) < 0)
            path[0] = '\0';
        samples = ReadEffectFile(path, &reader, &result);
        if (samples == nullptr) {
            if (std::snprintf(path, sizeof path, "%s%c..%cWave%c%s", dir, sep, sep, sep,
                              entry.fileName) < 0)
                path[0] = '\0';
            samples = ReadEffectFile(path, &reader, &result);
        }
    }
    if (samples == nullptr && extra && !ExtraWaveDirectoryFirst) readExtra();
    EffectLoadResult[number] = result;
    if (samples == nullptr) return;

    const uint64_t size = static_cast<uint64_t>(reader.frameCount) *
                          static_cast<uint64_t>(reader.bytesPerSample) *
                          static_cast<uint64_t>(reader.channels);
    // The byte count is a signed 32-bit number; a larger effect cannot be held.
    VoiceFormat format{reader.sampleRate, reader.channels, reader.bytesPerSample};
    SoundVoice* voice = nullptr;
    if (size <= 0x7FFFFFFFu) voice = VoiceCreate(&format, samples, static_cast<int32_t>(size));
    if (voice == nullptr) {
        std::free(samples);
        EffectLoadResult[number] = EFFECT_NO_VOICE;
        return;
    }
    VoiceSetVolume(voice, EffectVolume);
    EffectVoice[number] = voice;
    entry.samples = samples;
    entry.byteCount = static_cast<int32_t>(size);
}

} // namespace

void SetEffectDirectories(const char* exeDirectory, const char* extraWaveDirectory,
                          bool extraFirst) {
    OwnDirectories = true;
    ExtraWaveDirectoryFirst = extraFirst;
    HaveExeDirectory = exeDirectory != nullptr;
    if (HaveExeDirectory) std::snprintf(ExeDirectoryCopy, PATH_BUFFER, "%s", exeDirectory);
    HaveExtraWaveDirectory = extraWaveDirectory != nullptr;
    if (HaveExtraWaveDirectory)
        std::snprintf(ExtraWaveDirectory, PATH_BUFFER, "%s", extraWaveDirectory);
}

void ResetEffectDirectories() {
    OwnDirectories = false;
}

int32_t EffectVolumeFromSetting(int32_t soundVolume2) {
    // A hand-edited setting outside 0..100 counts as the nearest end of the slider: anything
    // else would overflow the product or fall below the device's quietest volume (-10000).
    const int32_t setting = soundVolume2 < 0 ? 0 : (soundVolume2 > 100 ? 100 : soundVolume2);
    const int32_t volume = setting * 10001 / 100 - 10000;
    return volume > 0 ? 0 : volume; // 100 gives 1
}

void LoadEffects() {
    for (int32_t number = 0; number < EFFECT_COUNT; ++number)
        LoadEffect(number);
}

int32_t SoundInit(void* window) {
    SoundReady = 0;
    if (SoundDeviceOpen(window) != 0) return 0;
    for (SoundVoice*& voice : EffectVoice)
        voice = nullptr;
    LoadEffects();
    SoundReady = 1;
    return 1;
}

int32_t SoundStart(void* window) {
    EffectVolume = EffectVolumeFromSetting(SoundVolume2);
    SoundReady = 0;
    // Without the marker the game goes on without sound until a later restart.
    if (SoundMarkerCreate() != 0) return 0;
    MarkerOpen = true;
    if (SoundInit(window)) return 0;
    if (SoundDeviceRequired != 0) return -1;
    Trace("sound: no output device could be opened; the game runs without sound\n");
    return 0;
}

void SoundRelease() {
    if (SoundReady == 0) {
        if (MarkerOpen) SoundMarkerClose();
        MarkerOpen = false;
        return;
    }
    for (int32_t number = 0; number < EFFECT_COUNT; ++number) {
        if (EffectVoice[number] != nullptr) VoiceRelease(EffectVoice[number]);
        EffectVoice[number] = nullptr;
        std::free(EffectTable[number].samples);
        EffectTable[number].samples = nullptr;
        EffectTable[number].byteCount = -1;
    }
    SoundDeviceClose();
    SoundReady = 0;
}

int32_t SoundRestart(void* window) {
    SoundRelease();
    EffectVolume = EffectVolumeFromSetting(SoundVolume2);
    SoundReady = 0;
    return SoundInit(window);
}

int32_t SoundDropLostDevice() {
    if (SoundReady == 0 || SoundDeviceLost() == 0) return 0;
    Trace("sound: the output device went away; the game runs on without sound\n");
    SoundRelease();
    return 1;
}

void SoundStop() {
    SoundRelease();
    if (MarkerOpen) SoundMarkerClose();
    MarkerOpen = false;
}

std::atomic<int32_t> EffectsMuted{0};

int32_t PlayEffect(int32_t number) {
    if (EnableSound == 0 || EffectsMuted.load() != 0) return 0;
    if (number < 0 || number >= EFFECT_COUNT) return -1;
    const EffectEntry& entry = EffectTable[number];
    SoundVoice* voice = EffectVoice[number];
    if (entry.samples == nullptr || entry.byteCount < 0 || voice == nullptr) return -1;
    // A voice that cannot be refilled skips this effect; the caller sees no difference.
    VoiceRestart(voice, entry.samples, entry.byteCount);
    return 0;
}

} // namespace velkar
