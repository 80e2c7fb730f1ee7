// Mixing arithmetic of the SDL sound output: per-voice gain, restart on request, saturating sum.
#include "sdl_mixer.h"

#include <cmath>

namespace velkar {

namespace {

constexpr int32_t UNITY_GAIN = 65536;
constexpr int32_t SCRATCH_SAMPLES = 2048;

} // namespace

int32_t MixGainFromVolume(int32_t volume) {
    if (volume >= 0) return UNITY_GAIN;
    if (volume <= -10000) return 0;
    return static_cast<int32_t>(std::lround(UNITY_GAIN * std::pow(10.0, volume / 2000.0)));
}

void MixVoiceInit(MixVoice* voice, const int16_t* samples, int32_t frameCount) {
    voice->samples = samples;
    voice->frameCount = frameCount;
    voice->gain.store(UNITY_GAIN, std::memory_order_relaxed);
    voice->startsSeen = voice->starts.load(std::memory_order_relaxed);
    voice->position = frameCount;
}

void MixVoiceRestart(MixVoice* voice) {
    voice->starts.fetch_add(1, std::memory_order_release);
}

void MixVoices(MixVoice* const* voices, int32_t voiceCount, int16_t* out, int32_t frames,
               int32_t channels) {
    if (channels <= 0 || frames <= 0) return;
    // Requests that arrived since the last block rewind their voices before anything is mixed.
    for (int32_t v = 0; v < voiceCount; ++v) {
        MixVoice* voice = voices[v];
        const uint32_t starts = voice->starts.load(std::memory_order_acquire);
        if (starts != voice->startsSeen) {
            voice->startsSeen = starts;
            voice->position = 0;
        }
    }
    int32_t sum[SCRATCH_SAMPLES];
    const int32_t blockFrames = SCRATCH_SAMPLES / channels;
    for (int32_t done = 0; done < frames; done += blockFrames) {
        const int32_t count = frames - done < blockFrames ? frames - done : blockFrames;
        const int32_t samples = count * channels;
        for (int32_t i = 0; i < samples; ++i)
            sum[i] = 0;
        for (int32_t v = 0; v < voiceCount; ++v) {
            MixVoice* voice = voices[v];
            const int32_t left = voice->frameCount - voice->position;
            if (left <= 0) continue;
            const int32_t take = left < count ? left : count;
            const int32_t gain = voice->gain.load(std::memory_order_relaxed);
            const int16_t* from = voice->samples + static_cast<int64_t>(voice->position) * channels;
            // |sample| <= 32768 and gain <= 65536, so the product fits 32 bits.
            for (int32_t i = 0; i < take * channels; ++i)
                sum[i] += (from[i] * gain) >> 16;
            voice->position += take;
        }
        int16_t* to = out + static_cast<int64_t>(done) * channels;
        for (int32_t i = 0; i < samples; ++i) {
            const int32_t s = sum[i];
            to[i] = static_cast<int16_t>(s > 32767 ? 32767 : (s < -32768 ? -32768 : s));
        }
    }
}

} // namespace velkar
