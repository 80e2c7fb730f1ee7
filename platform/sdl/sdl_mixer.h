// Mixing arithmetic of the SDL sound output, free of SDL calls so that it runs on plain buffers.
#pragma once

#include <atomic>
#include <cstdint>

namespace velkar {

// Amplitude factor of a volume in hundredths of a decibel, 10^(volume / 2000), in 1/65536:
// 65536 at 0 and above, 0 (silence) at -10000 and below.
int32_t MixGainFromVolume(int32_t volume);

// One effect as the mixer plays it. The samples are 16-bit, interleaved in the output's channel
// count. The game thread only touches `starts` and `gain`; the rest belongs to the audio thread.
struct MixVoice {
    const int16_t* samples;
    int32_t frameCount;
    std::atomic<uint32_t> starts; // restart requests counted by the game thread
    std::atomic<int32_t> gain;    // MixGainFromVolume of the voice's volume
    uint32_t startsSeen;          // the requests the mixer has acted on
    int32_t position;             // next frame to play; frameCount when idle
};

// Prepares an idle voice at full gain. Not while the mixer may be running over it.
void MixVoiceInit(MixVoice* voice, const int16_t* samples, int32_t frameCount);

// Asks the mixer to play the voice again from its first frame at the start of its next block.
// Any number of requests before that block count as one. Never waits.
void MixVoiceRestart(MixVoice* voice);

// Mixes `frames` frames of every playing voice into `out` (`channels` interleaved samples per
// frame): each sample scaled by its voice's gain, voices added, the sum saturated to 16 bits.
// Voices that reach their end go idle; frames with nothing playing are silence.
void MixVoices(MixVoice* const* voices, int32_t voiceCount, int16_t* out, int32_t frames,
               int32_t channels);

} // namespace velkar
