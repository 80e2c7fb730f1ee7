// Headless definitions of the sound output seam: every request is recorded, nothing is heard.
#include "sound_null.h"

namespace velkar {

NullSoundRecord NullSound = {};

void NullSoundReset() {
    NullSound = NullSoundRecord{};
}

int32_t NullSoundVoicesInUse() {
    int32_t count = 0;
    for (const SoundVoice& voice : NullSound.voices)
        count += voice.inUse;
    return count;
}

int32_t NullSoundVoicesSounding() {
    int32_t count = 0;
    for (const SoundVoice& voice : NullSound.voices)
        count += voice.inUse && voice.sounding;
    return count;
}

void NullSoundAdvance(int32_t frames) {
    for (SoundVoice& voice : NullSound.voices) {
        if (!voice.inUse || !voice.sounding) continue;
        const int64_t end = static_cast<int64_t>(voice.position) + frames;
        if (end >= voice.frameCount) {
            voice.position = voice.frameCount;
            voice.sounding = 0;
        } else {
            voice.position = static_cast<int32_t>(end);
        }
    }
}

int32_t SoundMarkerCreate() {
    if (NullSound.failMarker) return -1;
    ++NullSound.markerCreates;
    NullSound.markerOpen = 1;
    return 0;
}

void SoundMarkerClose() {
    ++NullSound.markerCloses;
    NullSound.markerOpen = 0;
}

int32_t SoundDeviceOpen(void* window) {
    if (NullSound.failDevice) return -1;
    ++NullSound.deviceOpens;
    NullSound.deviceOpen = 1;
    NullSound.window = window;
    return 0;
}

void SoundDeviceClose() {
    ++NullSound.deviceCloses;
    NullSound.deviceOpen = 0;
}

int32_t SoundDeviceLost() {
    return NullSound.deviceOpen != 0 && NullSound.loseDevice != 0 ? 1 : 0;
}

SoundVoice* VoiceCreate(const VoiceFormat* format, const uint8_t* samples, int32_t byteCount) {
    const int32_t frameBytes = format->bytesPerSample * format->channels;
    if (NullSound.failVoices || !NullSound.deviceOpen || byteCount <= 0 || frameBytes <= 0)
        return nullptr;
    for (SoundVoice& voice : NullSound.voices) {
        if (voice.inUse) continue;
        voice = SoundVoice{};
        voice.inUse = 1;
        voice.format = *format;
        voice.samples = samples;
        voice.byteCount = byteCount;
        voice.frameCount = byteCount / frameBytes;
        voice.position = 0;
        ++NullSound.voicesCreated;
        return &voice;
    }
    return nullptr;
}

void VoiceSetVolume(SoundVoice* voice, int32_t volume) {
    voice->volume = volume;
}

int32_t VoiceRestart(SoundVoice* voice, const uint8_t* samples, int32_t byteCount) {
    ++NullSound.restartCalls;
    if (NullSound.failRestart || samples != voice->samples || byteCount != voice->byteCount)
        return -1;
    ++voice->restarts;
    voice->position = 0;
    voice->sounding = 1;
    return 0;
}

void VoiceRelease(SoundVoice* voice) {
    voice->sounding = 0;
    voice->inUse = 0;
    ++NullSound.voicesReleased;
}

} // namespace velkar
