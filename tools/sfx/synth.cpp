// The effect synthesizer: tone sweeps, noise bursts and envelopes in plain arithmetic, so that
// every build writes the same bytes.
#include "synth.h"

#include <cstddef>

namespace velkar::sfx {

// clang-format off
const Recipe Recipes[10] = {
    // file            len   attack  wave           from    to     bend vibHz vibDepth tone  tDecay noise smooth nDecay peak  seed
    {"Boon.wav",       0.45, 0.002,  WAVE_SINE,     170.0,  55.0,  2,   0.0,  0.0,     0.8,  0.15,  1.0,  0.25,  0.09,  0.80, 11},
    {"Bygoooon.wav",   0.90, 0.010,  WAVE_TRIANGLE, 520.0,  90.0,  1,   9.0,  0.06,    1.0,  0.35,  0.15, 0.10,  0.20,  0.70, 12},
    {"Doooon.wav",     1.40, 0.004,  WAVE_SINE,     70.0,   32.0,  2,   0.0,  0.0,     1.0,  0.50,  0.9,  0.04,  0.30,  0.85, 13},
    {"Dotyuun.wav",    0.30, 0.002,  WAVE_SQUARE,   900.0,  180.0, 2,   0.0,  0.0,     0.5,  0.08,  0.8,  0.50,  0.06,  0.70, 14},
    {"Hyuun.wav",      0.55, 0.050,  WAVE_TRIANGLE, 280.0,  1900.0,1,   22.0, 0.03,    1.0,  0.60,  0.0,  1.00,  1.00,  0.60, 15},
    {"Tyiiiin.wav",    0.07, 0.002,  WAVE_TRIANGLE, 2600.0, 1900.0,2,   0.0,  0.0,     1.0,  0.025, 0.05, 0.60,  0.01,  0.30, 16},
    {"Bugu.wav",       0.35, 0.005,  WAVE_SQUARE,   110.0,  85.0,  1,   30.0, 0.20,    1.0,  0.15,  0.1,  0.20,  0.05,  0.55, 17},
    {"Chyuin.wav",     0.30, 0.002,  WAVE_SINE,     3000.0, 1200.0,3,   40.0, 0.05,    1.0,  0.12,  0.3,  0.70,  0.02,  0.55, 18},
    {"Gooon.wav",      1.80, 0.030,  WAVE_SINE,     55.0,   28.0,  1,   0.0,  0.0,     0.7,  0.80,  1.0,  0.015, 0.70,  0.85, 19},
    {"Pyuin.wav",      0.25, 0.003,  WAVE_SINE,     700.0,  2200.0,2,   12.0, 0.04,    1.0,  0.12,  0.0,  1.00,  1.00,  0.50, 20},
};
// clang-format on

namespace {

constexpr double PI = 3.14159265358979323846;

// sin(2 pi cycles) from a polynomial, so that no library routine decides the last bits.
double SineOfCycles(double cycles) {
    double x = cycles - static_cast<double>(static_cast<int64_t>(cycles)); // 0..1 for cycles >= 0
    if (x >= 0.5) x -= 1.0;                                                // -0.5..0.5
    if (x > 0.25) x = 0.5 - x;                                             // fold to -0.25..0.25
    if (x < -0.25) x = -0.5 - x;
    const double a = 2.0 * PI * x;
    const double a2 = a * a;
    double term = a;
    double sum = a;
    for (int k = 1; k <= 7; ++k) {
        term *= -a2 / static_cast<double>((2 * k) * (2 * k + 1));
        sum += term;
    }
    return sum;
}

double Oscillator(Waveform waveform, double cycles) {
    const double x = cycles - static_cast<double>(static_cast<int64_t>(cycles));
    switch (waveform) {
    case WAVE_SQUARE:
        // A square with its edges softened by a few sine harmonics, less harsh than a pure one.
        return (SineOfCycles(cycles) + SineOfCycles(3 * cycles) / 3.0 +
                SineOfCycles(5 * cycles) / 5.0 + SineOfCycles(7 * cycles) / 7.0) *
               (PI / 4.0);
    case WAVE_TRIANGLE:
        return x < 0.5 ? 4.0 * x - 1.0 : 3.0 - 4.0 * x;
    case WAVE_SINE:
    default:
        return SineOfCycles(cycles);
    }
}

double Power(double base, int32_t exponent) {
    double result = 1.0;
    for (int32_t i = 0; i < exponent; ++i)
        result *= base;
    return result;
}

// Per-sample factor of an exponential fall with the time constant `seconds`.
double DecayFactor(double seconds) {
    return 1.0 - 1.0 / (seconds * SFX_RATE);
}

int64_t RoundToInt(double value) {
    return value >= 0 ? static_cast<int64_t>(value + 0.5) : -static_cast<int64_t>(-value + 0.5);
}

} // namespace

std::vector<int16_t> Synthesize(const Recipe& recipe) {
    const int32_t count = static_cast<int32_t>(recipe.seconds * SFX_RATE);
    std::vector<double> mix(static_cast<std::size_t>(count), 0.0);
    double phase = 0.0;
    double vibratoPhase = 0.0;
    double toneEnvelope = recipe.toneLevel;
    double noiseEnvelope = recipe.noiseLevel;
    const double toneFall = DecayFactor(recipe.toneDecay);
    const double noiseFall = DecayFactor(recipe.noiseDecay);
    const int32_t attackSamples = static_cast<int32_t>(recipe.attack * SFX_RATE) + 1;
    uint32_t noiseState = recipe.seed * 2654435761u + 1u;
    double noise = 0.0;
    for (int32_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / count;
        double value = 0.0;
        if (recipe.toneStart > 0.0) {
            const double shape = 1.0 - Power(1.0 - t, recipe.bend);
            double hz = recipe.toneStart + (recipe.toneEnd - recipe.toneStart) * shape;
            hz *= 1.0 + recipe.vibratoDepth * SineOfCycles(vibratoPhase);
            value += toneEnvelope * Oscillator(recipe.waveform, phase);
            phase += hz / SFX_RATE;
            vibratoPhase += recipe.vibratoRate / SFX_RATE;
        }
        if (recipe.noiseLevel > 0.0) {
            noiseState ^= noiseState << 13;
            noiseState ^= noiseState >> 17;
            noiseState ^= noiseState << 5;
            const double white = static_cast<double>(noiseState) / 2147483648.0 - 1.0;
            noise += recipe.noiseSmooth * (white - noise);
            value += noiseEnvelope * noise;
        }
        toneEnvelope *= toneFall;
        noiseEnvelope *= noiseFall;
        if (i < attackSamples) value *= static_cast<double>(i) / attackSamples;
        mix[static_cast<std::size_t>(i)] = value;
    }

    // Fade the last 5 ms to nothing so the effect never ends on a click.
    const int32_t fade = SFX_RATE / 200;
    for (int32_t i = 0; i < fade && i < count; ++i)
        mix[static_cast<std::size_t>(count - 1 - i)] *= static_cast<double>(i) / fade;

    double loudest = 0.0;
    for (double v : mix)
        loudest = v > loudest ? v : (-v > loudest ? -v : loudest);
    const double scale = loudest > 0.0 ? recipe.peak * 32767.0 / loudest : 0.0;
    std::vector<int16_t> samples(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        samples[static_cast<std::size_t>(i)] =
            static_cast<int16_t>(RoundToInt(mix[static_cast<std::size_t>(i)] * scale));
    return samples;
}

std::vector<uint8_t> WaveFile(const std::vector<int16_t>& samples) {
    std::vector<uint8_t> out;
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(t[i]));
    };
    auto u16 = [&](uint32_t v) {
        out.push_back(static_cast<uint8_t>(v & 0xFF));
        out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    tag("RIFF");
    u32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);            // PCM
    u16(1);            // mono
    u32(SFX_RATE);     // frames per second
    u32(SFX_RATE * 2); // bytes per second
    u16(2);            // bytes per frame
    u16(16);           // bits per sample
    tag("data");
    u32(dataBytes);
    for (int16_t s : samples)
        u16(static_cast<uint16_t>(s));
    return out;
}

} // namespace velkar::sfx
