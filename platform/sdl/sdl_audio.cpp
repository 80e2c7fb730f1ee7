// Sound voices through SDL2 audio: one output device whose callback mixes the effect voices.
#include "sdl_audio.h"

#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "base/trace.h"
#include "sdl_mixer.h"
#include "sound/voice.h"

namespace velkar {

struct SoundVoice {
    MixVoice mix;
    int16_t* data; // converted samples, owned
    int32_t inUse; // changed only with the device locked
};

namespace {

constexpr int32_t SDL_VOICE_COUNT = 16;
// At most 512 frames per callback: at 44100 Hz an effect starts within about 12 ms.
constexpr int32_t DEVICE_BUFFER_FRAMES = 512;

SoundVoice Voices[SDL_VOICE_COUNT];
SDL_AudioDeviceID Device = 0;
bool DeviceGone = false; // SDL reported the open device removed; cleared when it is closed
SDL_AudioSpec Obtained = {};
std::atomic<SdlMixTapFn> MixTap{nullptr};

void MixCallback(void*, Uint8* stream, int length) {
    MixVoice* playing[SDL_VOICE_COUNT];
    int32_t count = 0;
    for (SoundVoice& voice : Voices)
        if (voice.inUse) playing[count++] = &voice.mix;
    const int32_t channels = Obtained.channels;
    const int32_t frames = length / static_cast<int32_t>(sizeof(int16_t) * channels);
    int16_t* out = reinterpret_cast<int16_t*>(stream);
    MixVoices(playing, count, out, frames, channels);
    const SdlMixTapFn tap = MixTap.load(std::memory_order_acquire);
    if (tap != nullptr) tap(out, frames, channels);
}

// Converts the effect once to the device's rate, channels and 16-bit samples. The resampler
// holds back the last few hundred frames even when flushed, so silence follows the effect into
// it and the result is cut back to the effect's own length.
// An effect already at the device's rate only needs its samples widened and its channels
// spread, which is done here exactly; SDL's converter rounds through floating point.
int16_t* CopyToDevice(const VoiceFormat* format, const uint8_t* samples, int32_t frameCount) {
    const int32_t outChannels = Obtained.channels;
    int16_t* data = static_cast<int16_t*>(
        std::malloc(static_cast<size_t>(frameCount) * outChannels * sizeof(int16_t)));
    if (data == nullptr) return nullptr;
    for (int32_t f = 0; f < frameCount; ++f) {
        for (int32_t c = 0; c < outChannels; ++c) {
            // Mono goes to every channel; stereo keeps left and right and fills any others
            // with left.
            const int32_t from = f * format->channels + (c < format->channels ? c : 0);
            int16_t value;
            if (format->bytesPerSample == 1) {
                value = static_cast<int16_t>((samples[from] - 128) * 256);
            } else {
                value = static_cast<int16_t>(samples[2 * from] | samples[2 * from + 1] << 8);
            }
            data[static_cast<int64_t>(f) * outChannels + c] = value;
        }
    }
    return data;
}

int16_t* ConvertToDevice(const VoiceFormat* format, const uint8_t* samples, int32_t byteCount,
                         int32_t* frames) {
    const SDL_AudioFormat from = format->bytesPerSample == 1 ? AUDIO_U8 : AUDIO_S16LSB;
    const int32_t inFrameBytes = format->bytesPerSample * format->channels;
    const int32_t outFrameBytes = static_cast<int32_t>(sizeof(int16_t)) * Obtained.channels;
    const int64_t wanted =
        static_cast<int64_t>(byteCount / inFrameBytes) * Obtained.freq / format->sampleRate;
    if (wanted <= 0 || wanted > 0x7FFFFFFF / outFrameBytes) return nullptr;
    if (format->sampleRate == Obtained.freq) {
        *frames = byteCount / inFrameBytes;
        return CopyToDevice(format, samples, *frames);
    }
    SDL_AudioStream* stream =
        SDL_NewAudioStream(from, static_cast<Uint8>(format->channels), format->sampleRate,
                           AUDIO_S16SYS, Obtained.channels, Obtained.freq);
    if (stream == nullptr) return nullptr;
    uint8_t silence[4096];
    std::memset(silence, format->bytesPerSample == 1 ? 0x80 : 0, sizeof silence);
    bool fed = SDL_AudioStreamPut(stream, samples, byteCount) == 0;
    for (int i = 0; fed && i < 8; ++i)
        fed = SDL_AudioStreamPut(stream, silence, sizeof silence - sizeof silence % 4) == 0;
    int16_t* data = nullptr;
    if (fed && SDL_AudioStreamFlush(stream) == 0) {
        const int bytes = static_cast<int>(wanted) * outFrameBytes;
        data = static_cast<int16_t*>(std::malloc(static_cast<size_t>(bytes)));
        if (data != nullptr && SDL_AudioStreamGet(stream, data, bytes) != bytes) {
            std::free(data);
            data = nullptr;
        }
        *frames = static_cast<int32_t>(wanted);
    }
    SDL_FreeAudioStream(stream);
    return data;
}

} // namespace

// Linux has no marker for other programs to see.
int32_t SoundMarkerCreate() {
    return 0;
}
void SoundMarkerClose() {}

// The event subsystem comes with the audio one, so that SDL can report a device that goes away.
constexpr Uint32 AUDIO_SUBSYSTEMS = SDL_INIT_AUDIO | SDL_INIT_EVENTS;

int32_t SoundDeviceOpen(void*) {
    if (Device != 0) return -1;
    if (SDL_InitSubSystem(AUDIO_SUBSYSTEMS) != 0) {
        Trace("SDL audio init error: %s\n", SDL_GetError());
        return -1;
    }
    SDL_AudioSpec want = {};
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = DEVICE_BUFFER_FRAMES;
    want.callback = MixCallback;
    Device = SDL_OpenAudioDevice(nullptr, 0, &want, &Obtained, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (Device == 0) {
        Trace("SDL audio open error: %s\n", SDL_GetError());
        SDL_QuitSubSystem(AUDIO_SUBSYSTEMS);
        return -1;
    }
    SDL_PauseAudioDevice(Device, 0);
    return 0;
}

void SoundDeviceClose() {
    if (Device == 0) return;
    SDL_CloseAudioDevice(Device); // waits for a running callback to end
    Device = 0;
    DeviceGone = false;
    for (SoundVoice& voice : Voices) {
        if (!voice.inUse) continue;
        voice.inUse = 0;
        std::free(voice.data);
        voice.data = nullptr;
    }
    SDL_QuitSubSystem(AUDIO_SUBSYSTEMS);
}

// SDL queues a removal event for a device that disappears and stops its callback; the status
// catches a removal whose event did not reach the queue. Only the audio device events are
// taken from the queue, which nothing else in the program reads.
int32_t SoundDeviceLost() {
    if (Device == 0) return 0;
    if (DeviceGone) return 1;
    bool removed = false;
    SDL_Event events[8];
    int count;
    while ((count = SDL_PeepEvents(events, 8, SDL_GETEVENT, SDL_AUDIODEVICEADDED,
                                   SDL_AUDIODEVICEREMOVED)) > 0) {
        for (int i = 0; i < count; ++i) {
            const SDL_AudioDeviceEvent& event = events[i].adevice;
            if (event.type == SDL_AUDIODEVICEREMOVED && event.iscapture == 0 &&
                event.which == Device)
                removed = true;
        }
    }
    if (removed) Trace("SDL audio: output device %u removed\n", static_cast<unsigned>(Device));
    if (!removed && SDL_GetAudioDeviceStatus(Device) == SDL_AUDIO_STOPPED) {
        Trace("SDL audio: output device %u stopped\n", static_cast<unsigned>(Device));
        removed = true;
    }
    DeviceGone = removed;
    return removed ? 1 : 0;
}

SoundVoice* VoiceCreate(const VoiceFormat* format, const uint8_t* samples, int32_t byteCount) {
    if (Device == 0 || byteCount <= 0 || format->sampleRate <= 0) return nullptr;
    int32_t frames = 0;
    int16_t* data = ConvertToDevice(format, samples, byteCount, &frames);
    if (data == nullptr) return nullptr;
    SoundVoice* made = nullptr;
    SDL_LockAudioDevice(Device);
    for (SoundVoice& voice : Voices) {
        if (voice.inUse) continue;
        MixVoiceInit(&voice.mix, data, frames);
        voice.data = data;
        voice.inUse = 1;
        made = &voice;
        break;
    }
    SDL_UnlockAudioDevice(Device);
    if (made == nullptr) std::free(data);
    return made;
}

void VoiceSetVolume(SoundVoice* voice, int32_t volume) {
    voice->mix.gain.store(MixGainFromVolume(volume), std::memory_order_relaxed);
}

// The voice plays its own converted copy; the mixer picks the request up at its next block.
int32_t VoiceRestart(SoundVoice* voice, const uint8_t*, int32_t) {
    MixVoiceRestart(&voice->mix);
    return 0;
}

void VoiceRelease(SoundVoice* voice) {
    if (Device != 0) SDL_LockAudioDevice(Device);
    voice->inUse = 0;
    if (Device != 0) SDL_UnlockAudioDevice(Device);
    std::free(voice->data);
    voice->data = nullptr;
}

uint32_t SdlAudioDeviceId() {
    return Device;
}

SdlAudioFormat SdlAudioCurrentFormat() {
    if (Device == 0) return SdlAudioFormat{0, 0, 0, 0};
    return SdlAudioFormat{1, Obtained.freq, Obtained.channels, Obtained.samples};
}

const int16_t* SdlVoiceSamples(const SoundVoice* voice) {
    return voice->data;
}
int32_t SdlVoiceFrames(const SoundVoice* voice) {
    return voice->mix.frameCount;
}

void SetSdlMixTap(SdlMixTapFn tap) {
    MixTap.store(tap, std::memory_order_release);
}

} // namespace velkar
