// The effect synthesizer of velkar-sfx: a few parameters per effect become 16-bit mono samples.
#pragma once

#include <cstdint>
#include <vector>

namespace velkar::sfx {

constexpr int32_t SFX_RATE = 44100;

enum Waveform : int32_t { WAVE_SINE, WAVE_SQUARE, WAVE_TRIANGLE };

// One effect: a swept tone and a filtered noise burst, each with its own exponential decay,
// under a common attack, normalised to a peak level.
struct Recipe {
    const char* fileName;
    double seconds;      // length of the file
    double attack;       // seconds from silence to full level
    Waveform waveform;   // of the tone
    double toneStart;    // Hz at the start of the sweep (0: no tone)
    double toneEnd;      // Hz at the end of the sweep
    int32_t bend;        // sweep shape 1 - (1 - t)^bend: 1 even, higher ones move early
    double vibratoRate;  // Hz of the pitch wobble
    double vibratoDepth; // relative pitch wobble (0.05 = 5 %)
    double toneLevel;    // tone amplitude before normalising
    double toneDecay;    // seconds for the tone to fall to 1/e
    double noiseLevel;   // noise amplitude before normalising (0: no noise)
    double noiseSmooth;  // one-pole low-pass factor 0..1: small is dark, 1 is white
    double noiseDecay;   // seconds for the noise to fall to 1/e
    double peak;         // loudest sample as a fraction of full scale
    uint32_t seed;       // of the noise
};

extern const Recipe Recipes[10];

// The samples of one effect, with a short fade at each end so it starts and stops clean.
std::vector<int16_t> Synthesize(const Recipe& recipe);

// A RIFF/WAVE file of 16-bit mono PCM at SFX_RATE.
std::vector<uint8_t> WaveFile(const std::vector<int16_t>& samples);

} // namespace velkar::sfx
