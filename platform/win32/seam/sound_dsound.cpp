// Sound voices through DirectSound: one static one-shot buffer per effect, and the named marker
// mutex.
#include "sound_dsound.h"

#include <cstring>
#include <new>

namespace velkar {

struct SoundVoice {
    IDirectSoundBuffer* buffer;
};

namespace {

HANDLE soundMutex = nullptr;
IDirectSound* soundDevice = nullptr;
IDirectSoundBuffer* primaryBuffer = nullptr;

} // namespace

int32_t SoundMarkerCreate() {
    soundMutex = CreateMutexA(nullptr, FALSE, "KORVO_Sound_Mutex");
    return soundMutex != nullptr ? 0 : -1;
}

void SoundMarkerClose() {
    if (soundMutex != nullptr) {
        CloseHandle(soundMutex);
        soundMutex = nullptr;
    }
}

int32_t SoundDeviceOpen(void* window) {
    if (FAILED(DirectSoundCreate(nullptr, &soundDevice, nullptr))) {
        soundDevice = nullptr;
        return -1;
    }
    if (FAILED(soundDevice->SetCooperativeLevel(static_cast<HWND>(window), DSSCL_NORMAL))) {
        soundDevice->Release();
        soundDevice = nullptr;
        return -1;
    }
    // The primary buffer is held while the device is open, never written, its format left alone.
    DSBUFFERDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc; // 36 bytes in a 32-bit program, 40 in a 64-bit one
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (FAILED(soundDevice->CreateSoundBuffer(&desc, &primaryBuffer, nullptr))) {
        primaryBuffer = nullptr;
        soundDevice->Release();
        soundDevice = nullptr;
        return -1;
    }
    return 0;
}

void SoundDeviceClose() {
    if (primaryBuffer != nullptr) {
        primaryBuffer->Release();
        primaryBuffer = nullptr;
    }
    if (soundDevice != nullptr) {
        soundDevice->Release();
        soundDevice = nullptr;
    }
}

// A device taken away shows as lost buffers, which PlayEffect restores or skips.
int32_t SoundDeviceLost() {
    return 0;
}

SoundVoice* VoiceCreate(const VoiceFormat* format, const uint8_t* samples, int32_t byteCount) {
    (void)samples; // the buffer is filled on every play
    if (soundDevice == nullptr || format == nullptr || byteCount <= 0) return nullptr;
    WAVEFORMATEX wave;
    std::memset(&wave, 0, sizeof wave);
    wave.wFormatTag = WAVE_FORMAT_PCM;
    wave.nChannels = static_cast<WORD>(format->channels);
    wave.nSamplesPerSec = static_cast<DWORD>(format->sampleRate);
    wave.nBlockAlign = static_cast<WORD>(format->bytesPerSample * format->channels);
    wave.nAvgBytesPerSec = wave.nBlockAlign * wave.nSamplesPerSec;
    wave.wBitsPerSample = static_cast<WORD>(8 * format->bytesPerSample);
    wave.cbSize = 0;

    DSBUFFERDESC desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc; // 36 bytes in a 32-bit program, 40 in a 64-bit one
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLVOLUME;
    desc.dwBufferBytes = static_cast<DWORD>(byteCount);
    desc.lpwfxFormat = &wave;
    IDirectSoundBuffer* buffer = nullptr;
    if (FAILED(soundDevice->CreateSoundBuffer(&desc, &buffer, nullptr)) || buffer == nullptr)
        return nullptr;
    auto* voice = new (std::nothrow) SoundVoice{buffer};
    if (voice == nullptr) {
        buffer->Release();
        return nullptr;
    }
    // The file's own rate and the centre; the buffer has no frequency or pan control, so these
    // only confirm the defaults.
    buffer->SetFrequency(0);
    buffer->SetPan(0);
    return voice;
}

void VoiceSetVolume(SoundVoice* voice, int32_t volume) {
    if (voice == nullptr) return;
    if (volume > 0) volume = 0;
    if (volume < DSBVOLUME_MIN) volume = DSBVOLUME_MIN;
    voice->buffer->SetVolume(volume);
}

int32_t VoiceRestart(SoundVoice* voice, const uint8_t* samples, int32_t byteCount) {
    if (voice == nullptr || samples == nullptr || byteCount <= 0) return -1;
    IDirectSoundBuffer* buffer = voice->buffer;
    buffer->Stop();
    buffer->SetCurrentPosition(0);
    DWORD playPosition = 0;
    DWORD writePosition = 0;
    buffer->GetCurrentPosition(&playPosition, &writePosition);

    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD bytes1 = 0;
    DWORD bytes2 = 0;
    HRESULT result = buffer->Lock(writePosition, static_cast<DWORD>(byteCount), &part1, &bytes1,
                                  &part2, &bytes2, 0);
    if (result == DSERR_BUFFERLOST) {
        buffer->Restore();
        result = buffer->Lock(writePosition, static_cast<DWORD>(byteCount), &part1, &bytes1, &part2,
                              &bytes2, 0);
    }
    if (FAILED(result)) return -1;
    DWORD total = static_cast<DWORD>(byteCount);
    if (bytes1 > total) bytes1 = total;
    std::memcpy(part1, samples, bytes1);
    if (part2 != nullptr && bytes2 > 0) {
        DWORD rest = total - bytes1;
        if (bytes2 > rest) bytes2 = rest;
        std::memcpy(part2, samples + bytes1, bytes2);
    }
    buffer->Unlock(part1, bytes1, part2, bytes2);
    buffer->Play(0, 0, 0);
    return 0;
}

IDirectSoundBuffer* VoiceSoundBuffer(SoundVoice* voice) {
    return voice != nullptr ? voice->buffer : nullptr;
}

void VoiceRelease(SoundVoice* voice) {
    if (voice == nullptr) return;
    voice->buffer->Stop();
    voice->buffer->Release();
    delete voice;
}

} // namespace velkar
