// The SDL2 sound output: the mixer's arithmetic on plain buffers, then the effect engine over a
// real SDL audio device run by the dummy driver, listened to through the mix tap.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "core/sound/wave_bytes.h"
#include "sdl_audio.h"
#include "sdl_mixer.h"
#include "settings/settings.h"
#include "sound/sound.h"

using namespace velkar;
using namespace velkar::test;

namespace {

struct TestVoice {
    std::vector<int16_t> samples;
    MixVoice voice;
    TestVoice(std::vector<int16_t> s, int32_t channels) : samples(std::move(s)) {
        MixVoiceInit(&voice, samples.data(), static_cast<int32_t>(samples.size()) / channels);
    }
};

std::vector<int16_t> Mix(std::vector<MixVoice*> voices, int32_t frames, int32_t channels) {
    std::vector<int16_t> out(static_cast<size_t>(frames * channels), 12345);
    MixVoices(voices.data(), static_cast<int32_t>(voices.size()), out.data(), frames, channels);
    return out;
}

} // namespace

TEST(SdlMixer, GainIsTenToTheVolumeOverTwoThousand) {
    EXPECT_EQ(MixGainFromVolume(0), 65536);
    EXPECT_EQ(MixGainFromVolume(300), 65536);
    EXPECT_EQ(MixGainFromVolume(-2000), 6554); // 0.1
    EXPECT_EQ(MixGainFromVolume(-4000), 655);  // 0.01
    EXPECT_EQ(MixGainFromVolume(-5000), 207);  // 10^-2.5 = 0.00316
    EXPECT_EQ(MixGainFromVolume(-602), 32770); // about one half
    EXPECT_EQ(MixGainFromVolume(-9999), 1);
    EXPECT_EQ(MixGainFromVolume(-10000), 0);
    EXPECT_EQ(MixGainFromVolume(-20000), 0);
    for (int32_t v = -10000; v < 0; v += 7)
        ASSERT_LE(MixGainFromVolume(v), MixGainFromVolume(v + 7)) << v;
}

TEST(SdlMixer, IdleVoicesGiveSilence) {
    TestVoice a({100, 200, 300, 400}, 2);
    EXPECT_EQ(Mix({&a.voice}, 3, 2), std::vector<int16_t>(6, 0));
    EXPECT_EQ(Mix({}, 2, 1), std::vector<int16_t>(2, 0));
}

TEST(SdlMixer, OneVoiceAtFullGainPlaysItsSamplesThenStops) {
    TestVoice a({1, -2, 3, -4, 5, -6}, 2);
    MixVoiceRestart(&a.voice);
    EXPECT_EQ(Mix({&a.voice}, 2, 2), (std::vector<int16_t>{1, -2, 3, -4}));
    EXPECT_EQ(Mix({&a.voice}, 3, 2), (std::vector<int16_t>{5, -6, 0, 0, 0, 0}));
    EXPECT_EQ(Mix({&a.voice}, 1, 2), (std::vector<int16_t>{0, 0}));
}

TEST(SdlMixer, RestartRewindsAndRepeatedRequestsCountOnce) {
    std::vector<int16_t> ramp(10);
    for (int i = 0; i < 10; ++i)
        ramp[static_cast<size_t>(i)] = static_cast<int16_t>(i + 1);
    TestVoice a(ramp, 1);
    MixVoiceRestart(&a.voice);
    EXPECT_EQ(Mix({&a.voice}, 4, 1), (std::vector<int16_t>{1, 2, 3, 4}));
    MixVoiceRestart(&a.voice);
    MixVoiceRestart(&a.voice);
    MixVoiceRestart(&a.voice);
    EXPECT_EQ(Mix({&a.voice}, 4, 1), (std::vector<int16_t>{1, 2, 3, 4}));
    EXPECT_EQ(Mix({&a.voice}, 8, 1), (std::vector<int16_t>{5, 6, 7, 8, 9, 10, 0, 0}));
}

TEST(SdlMixer, DifferentVoicesAddAndSaturate) {
    TestVoice a({1000, 30000, -30000, 32767}, 1);
    TestVoice b({2000, 30000, -30000, 1}, 1);
    MixVoiceRestart(&a.voice);
    MixVoiceRestart(&b.voice);
    EXPECT_EQ(Mix({&a.voice, &b.voice}, 4, 1), (std::vector<int16_t>{3000, 32767, -32768, 32767}));
}

TEST(SdlMixer, GainScalesEachVoiceOnItsOwn) {
    TestVoice a({20000, -20000}, 1);
    TestVoice b({100, 100}, 1);
    a.voice.gain.store(MixGainFromVolume(-2000));
    MixVoiceRestart(&a.voice);
    MixVoiceRestart(&b.voice);
    // 20000 * 6554 / 65536 = 2000.1 -> 2000; -20000 -> -2001 (the shift rounds down)
    EXPECT_EQ(Mix({&a.voice, &b.voice}, 2, 1), (std::vector<int16_t>{2100, -1901}));

    TestVoice silent({32767, -32768, 5}, 1);
    silent.voice.gain.store(MixGainFromVolume(-10000));
    MixVoiceRestart(&silent.voice);
    EXPECT_EQ(Mix({&silent.voice}, 2, 1), (std::vector<int16_t>{0, 0}));
    EXPECT_EQ(silent.voice.position, 2) << "a silent voice still runs its course";
}

TEST(SdlMixer, LongBlocksAreMixedWhole) {
    const int32_t frames = 5000;
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(i % 1000);
    TestVoice a(samples, 2);
    MixVoiceRestart(&a.voice);
    EXPECT_EQ(Mix({&a.voice}, frames + 10, 2).size(), samples.size() + 20);
    MixVoiceRestart(&a.voice);
    std::vector<int16_t> out = Mix({&a.voice}, frames + 10, 2);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), out.begin()));
    EXPECT_TRUE(std::all_of(out.begin() + frames * 2, out.end(), [](int16_t s) { return s == 0; }));
}

namespace {

// What the device mixed, block by block, as seen from the audio thread.
std::mutex TapLock;
std::vector<int16_t> TapLeft; // first channel of every frame mixed since the last clear
int32_t TapChannels = 0;

void Listen(const int16_t* samples, int32_t frames, int32_t channels) {
    std::lock_guard<std::mutex> hold(TapLock);
    TapChannels = channels;
    for (int32_t f = 0; f < frames; ++f) {
        // Both channels of a mono effect carry the same sample.
        if (channels == 2 && samples[f * 2] != samples[f * 2 + 1]) TapLeft.push_back(-1);
        TapLeft.push_back(samples[f * channels]);
    }
}

void ClearTap() {
    std::lock_guard<std::mutex> hold(TapLock);
    TapLeft.clear();
}

std::vector<int16_t> Heard() {
    std::lock_guard<std::mutex> hold(TapLock);
    return TapLeft;
}

// Waits (at most a few seconds of the dummy device's real-time pace) until `done` holds.
template <typename Pred> bool WaitFor(Pred done) {
    for (int i = 0; i < 500; ++i) {
        if (done(Heard())) return true;
        SDL_Delay(10);
    }
    return false;
}

std::vector<uint8_t> Constant16(int16_t value, size_t frames) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < frames; ++i) {
        bytes.push_back(static_cast<uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
    }
    return bytes;
}

class SdlDeviceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        EnableSound = 1;
        SoundVolume2 = 100;
        dir = FreshDirectory("velkar-sdl-audio");
        // 0: 1000 for 0.1 s, 1: 3000 for 0.1 s, 2: a ramp 0..44099/4 over one second,
        // 3: 8-bit stereo at 22050 Hz; the others are short 16-bit mono.
        WriteFile(dir / EffectTable[0].fileName, SimpleWave(1, 44100, 16, Constant16(1000, 4410)));
        WriteFile(dir / EffectTable[1].fileName, SimpleWave(1, 44100, 16, Constant16(3000, 4410)));
        std::vector<uint8_t> ramp;
        for (int i = 0; i < 44100; ++i) {
            const int16_t v = static_cast<int16_t>(i / 4);
            ramp.push_back(static_cast<uint8_t>(v & 0xFF));
            ramp.push_back(static_cast<uint8_t>(v >> 8));
        }
        WriteFile(dir / EffectTable[2].fileName, SimpleWave(1, 44100, 16, ramp));
        WriteFile(dir / EffectTable[3].fileName,
                  SimpleWave(2, 22050, 8, std::vector<uint8_t>(2 * 2205, 200)));
        for (int n = 4; n < EFFECT_COUNT; ++n)
            WriteFile(dir / EffectTable[n].fileName,
                      SimpleWave(1, 44100, 16, Constant16(static_cast<int16_t>(n * 100), 441)));
        SetEffectDirectories(nullptr, dir.string().c_str());
        ClearTap();
        SetSdlMixTap(Listen);
    }
    void TearDown() override {
        SoundStop();
        SetSdlMixTap(nullptr);
        ResetEffectDirectories();
        SoundVolume2 = 100;
        std::filesystem::remove_all(dir);
    }
    std::filesystem::path dir;
};

} // namespace

TEST_F(SdlDeviceTest, OpensSixteenBitStereoWithSmallBuffers) {
    ASSERT_EQ(SoundStart(nullptr), 0) << SDL_GetError();
    const SdlAudioFormat format = SdlAudioCurrentFormat();
    EXPECT_EQ(format.open, 1);
    EXPECT_EQ(format.channels, 2);
    EXPECT_LE(format.bufferFrames, 512);
    EXPECT_GT(format.frequency, 0);
    for (int n = 0; n < EFFECT_COUNT; ++n) {
        EXPECT_EQ(EffectLoadResult[n], 0) << n;
        ASSERT_NE(EffectVoice[n], nullptr) << n;
    }
    // Converted once at load: a 44100 Hz mono effect keeps its length in frames on a 44100 Hz
    // device; the 22050 Hz one doubles. Either way its duration is kept.
    const double rate = format.frequency;
    EXPECT_NEAR(SdlVoiceFrames(EffectVoice[0]) / rate, 0.1, 0.002);
    EXPECT_NEAR(SdlVoiceFrames(EffectVoice[3]) / rate, 0.1, 0.002);
    if (format.frequency == 44100) {
        EXPECT_EQ(SdlVoiceFrames(EffectVoice[0]), 4410);
        const int16_t* s = SdlVoiceSamples(EffectVoice[0]);
        EXPECT_EQ(s[0], 1000);
        EXPECT_EQ(s[1], 1000) << "mono goes to both channels";
        // Unsigned 8-bit 200 is +72/128 of full scale.
        const int16_t* e = SdlVoiceSamples(EffectVoice[3]);
        // The resampler's filter leaves the level within a fraction of a percent.
        EXPECT_NEAR(e[2000], 72 * 256, 64);
    }
    SoundStop();
    EXPECT_EQ(SdlAudioCurrentFormat().open, 0);
}

TEST_F(SdlDeviceTest, PlayedEffectsAreHeardAndMixTogether) {
    ASSERT_EQ(SoundStart(nullptr), 0) << SDL_GetError();
    ASSERT_EQ(SdlAudioCurrentFormat().frequency, 44100) << "the exact sample checks need 44100";
    ASSERT_TRUE(WaitFor([](const std::vector<int16_t>& h) { return h.size() > 1024; }));
    std::vector<int16_t> before = Heard();
    EXPECT_TRUE(std::all_of(before.begin(), before.end(), [](int16_t s) { return s == 0; }));

    ClearTap();
    EXPECT_EQ(PlayEffect(0), 0);
    EXPECT_EQ(PlayEffect(1), 0);
    ASSERT_TRUE(WaitFor([](const std::vector<int16_t>& h) {
        return std::count(h.begin(), h.end(), 4000) > 0 && h.back() == 0;
    }));
    const std::vector<int16_t> heard = Heard();
    const auto count = [&heard](int16_t v) { return std::count(heard.begin(), heard.end(), v); };
    // Effect 0 (1000) and effect 1 (3000) add up to 4000 while both sound. When the audio
    // thread ran between the two calls, effect 0 leads alone for up to one block and effect 1
    // trails alone for as long.
    EXPECT_EQ(count(1000), count(3000));
    EXPECT_EQ(count(1000) + count(4000), 4410);
    EXPECT_LE(count(1000), SdlAudioCurrentFormat().bufferFrames);
    EXPECT_EQ(count(0) + count(1000) + count(3000) + count(4000),
              static_cast<std::ptrdiff_t>(heard.size()))
        << "nothing else is heard, and both channels alike";
}

TEST_F(SdlDeviceTest, RepeatingAnEffectRestartsItFromTheStart) {
    ASSERT_EQ(SoundStart(nullptr), 0) << SDL_GetError();
    ASSERT_EQ(SdlAudioCurrentFormat().frequency, 44100);
    EXPECT_EQ(PlayEffect(2), 0);
    ASSERT_TRUE(WaitFor([](const std::vector<int16_t>& h) {
        return !h.empty() && *std::max_element(h.begin(), h.end()) > 2000;
    }));
    EXPECT_EQ(PlayEffect(2), 0);
    // After the restart the ramp is heard again from 0: the level falls back, and no two copies
    // add up (which would go above the ramp's top of 11024).
    ASSERT_TRUE(WaitFor([](const std::vector<int16_t>& h) {
        const auto top = std::max_element(h.begin(), h.end());
        return top != h.end() && *top > 10000 && h.back() == 0;
    }));
    const std::vector<int16_t> heard = Heard();
    const auto top = std::max_element(heard.begin(), heard.end());
    EXPECT_EQ(*top, 11024);
    const auto firstPeak =
        std::find_if(heard.begin(), heard.end(), [](int16_t s) { return s > 2000; });
    const auto fallBack = std::find_if(firstPeak, heard.end(), [](int16_t s) { return s < 100; });
    ASSERT_NE(fallBack, heard.end());
    EXPECT_LT(fallBack - heard.begin(), top - heard.begin()) << "the restart came before the end";
    // The second run is heard whole: every ramp value from its start appears after the fall.
    for (int16_t v : {0, 1, 2, 1000, 5000, 11024})
        EXPECT_NE(std::find(fallBack, heard.end(), v), heard.end()) << v;
}

TEST_F(SdlDeviceTest, RestartAppliesTheNewVolume) {
    ASSERT_EQ(SoundStart(nullptr), 0) << SDL_GetError();
    ASSERT_EQ(SdlAudioCurrentFormat().frequency, 44100);
    SoundVolume2 = 50; // -50 dB: 3000 * 207 / 65536 = 9
    ASSERT_EQ(SoundRestart(nullptr), 1);
    ClearTap();
    EXPECT_EQ(PlayEffect(1), 0);
    ASSERT_TRUE(WaitFor([](const std::vector<int16_t>& h) {
        return std::count(h.begin(), h.end(), 9) >= 4410 && h.back() == 0;
    }));
    SoundVolume2 = 0;
    ASSERT_EQ(SoundRestart(nullptr), 1);
    ClearTap();
    EXPECT_EQ(PlayEffect(1), 0);
    ASSERT_TRUE(WaitFor([](const std::vector<int16_t>& h) { return h.size() > 44100 / 2; }));
    const std::vector<int16_t> heard = Heard();
    EXPECT_TRUE(std::all_of(heard.begin(), heard.end(), [](int16_t s) { return s == 0; }));
}

TEST_F(SdlDeviceTest, NoSoundDeviceMakesStartFail) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_EQ(SoundStart(nullptr), -1);
    EXPECT_EQ(SoundReady, 0);
    EXPECT_EQ(PlayEffect(0), -1);
    EXPECT_EQ(SdlAudioCurrentFormat().open, 0);
}
