// DirectSound under Wine (ALSA's null device): the voices' buffers, one-shot play, volume, and the
// engine with its named mutex.
#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "core/sound/wave_bytes.h"
#include "settings/settings.h"
#include "sound/sound.h"
#include "sound_dsound.h"
#include "test_util.h"

namespace {

const char* const MUTEX_NAME = "KORVO_Sound_Mutex";

HWND MakeOwnerWindow() {
    return CreateWindowExA(0, "STATIC", "sound owner", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

bool MutexExists() {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, MUTEX_NAME);
    if (mutex == nullptr) return false;
    CloseHandle(mutex);
    return true;
}

DWORD Status(IDirectSoundBuffer* buffer) {
    DWORD status = 0;
    EXPECT_EQ(buffer->GetStatus(&status), DS_OK);
    return status;
}

// Waits up to timeoutMs for the buffer to stop by itself.
bool StopsWithin(IDirectSoundBuffer* buffer, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while ((Status(buffer) & DSBSTATUS_PLAYING) != 0) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(10);
    }
    return true;
}

std::vector<uint8_t> Pattern(size_t bytes, uint8_t seed) {
    std::vector<uint8_t> samples(bytes);
    for (size_t i = 0; i < bytes; ++i)
        samples[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
    return samples;
}

// The size of the buffer in bytes, from its capabilities (0 when they cannot be read).
DWORD BufferSize(IDirectSoundBuffer* buffer) {
    DSBCAPS caps;
    std::memset(&caps, 0, sizeof caps);
    caps.dwSize = sizeof caps;
    return buffer->GetCaps(&caps) == DS_OK ? caps.dwBufferBytes : 0;
}

// The bytes the buffer holds, read through a lock of the whole buffer.
std::vector<uint8_t> BufferBytes(IDirectSoundBuffer* buffer, DWORD size) {
    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD bytes1 = 0, bytes2 = 0;
    std::vector<uint8_t> out;
    if (FAILED(buffer->Lock(0, size, &part1, &bytes1, &part2, &bytes2, 0))) return out;
    out.assign(static_cast<uint8_t*>(part1), static_cast<uint8_t*>(part1) + bytes1);
    if (part2 != nullptr)
        out.insert(out.end(), static_cast<uint8_t*>(part2), static_cast<uint8_t*>(part2) + bytes2);
    buffer->Unlock(part1, bytes1, part2, bytes2);
    return out;
}

class DirectSoundVoices : public ::testing::Test {
  protected:
    void SetUp() override {
        window_ = MakeOwnerWindow();
        ASSERT_NE(window_, nullptr);
        ASSERT_EQ(velkar::SoundDeviceOpen(window_), 0) << "no DirectSound device under Wine";
    }
    void TearDown() override {
        velkar::SoundDeviceClose();
        DestroyWindow(window_);
    }
    HWND window_ = nullptr;
};

TEST_F(DirectSoundVoices, AVoiceIsAStaticBufferOfExactlyTheEffectInItsOwnFormat) {
    for (velkar::VoiceFormat format :
         {velkar::VoiceFormat{22050, 1, 2}, velkar::VoiceFormat{11025, 2, 1}}) {
        SCOPED_TRACE(format.sampleRate);
        const int32_t frameBytes = format.channels * format.bytesPerSample;
        const std::vector<uint8_t> samples = Pattern(static_cast<size_t>(frameBytes) * 1001, 3);
        const auto size = static_cast<int32_t>(samples.size());
        velkar::SoundVoice* voice = velkar::VoiceCreate(&format, samples.data(), size);
        ASSERT_NE(voice, nullptr);
        IDirectSoundBuffer* buffer = velkar::VoiceSoundBuffer(voice);
        ASSERT_NE(buffer, nullptr);

        DSBCAPS caps;
        std::memset(&caps, 0, sizeof caps);
        caps.dwSize = sizeof caps;
        ASSERT_EQ(buffer->GetCaps(&caps), DS_OK);
        const DWORD wanted = DSBCAPS_STATIC | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLVOLUME;
        EXPECT_EQ(caps.dwFlags & wanted, wanted);
        EXPECT_EQ(caps.dwFlags & DSBCAPS_PRIMARYBUFFER, 0u);
        EXPECT_EQ(caps.dwBufferBytes, static_cast<DWORD>(size));

        WAVEFORMATEX wave;
        std::memset(&wave, 0, sizeof wave);
        ASSERT_EQ(buffer->GetFormat(&wave, sizeof wave, nullptr), DS_OK);
        EXPECT_EQ(wave.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(wave.nSamplesPerSec, static_cast<DWORD>(format.sampleRate));
        EXPECT_EQ(wave.nChannels, format.channels);
        EXPECT_EQ(wave.wBitsPerSample, 8 * format.bytesPerSample);
        EXPECT_EQ(wave.nBlockAlign, frameBytes);
        // Silent until played.
        EXPECT_EQ(Status(buffer) & DSBSTATUS_PLAYING, 0u);
        velkar::VoiceRelease(voice);
    }
}

TEST_F(DirectSoundVoices, VolumeIsClampedToTheDeviceRange) {
    const velkar::VoiceFormat format{22050, 1, 2};
    const std::vector<uint8_t> samples = Pattern(400, 1);
    velkar::SoundVoice* voice = velkar::VoiceCreate(&format, samples.data(), 400);
    ASSERT_NE(voice, nullptr);
    IDirectSoundBuffer* buffer = velkar::VoiceSoundBuffer(voice);
    LONG volume = 1;
    for (auto [set, expected] :
         {std::pair{-5000, -5000}, {0, 0}, {250, 0}, {-10000, -10000}, {-20000, -10000}}) {
        velkar::VoiceSetVolume(voice, set);
        ASSERT_EQ(buffer->GetVolume(&volume), DS_OK);
        EXPECT_EQ(volume, expected) << set;
    }
    velkar::VoiceRelease(voice);
}

TEST_F(DirectSoundVoices, ARestartFillsTheBufferAndPlaysItOnceWithoutLooping) {
    const velkar::VoiceFormat format{22050, 1, 2};
    const std::vector<uint8_t> samples = Pattern(22050 / 10 * 2, 9); // a tenth of a second
    const auto size = static_cast<int32_t>(samples.size());
    velkar::SoundVoice* voice = velkar::VoiceCreate(&format, samples.data(), size);
    ASSERT_NE(voice, nullptr);
    IDirectSoundBuffer* buffer = velkar::VoiceSoundBuffer(voice);

    ASSERT_EQ(velkar::VoiceRestart(voice, samples.data(), size), 0);
    const DWORD status = Status(buffer);
    EXPECT_NE(status & DSBSTATUS_PLAYING, 0u);
    EXPECT_EQ(status & DSBSTATUS_LOOPING, 0u);
    EXPECT_EQ(BufferBytes(buffer, static_cast<DWORD>(size)), samples);
    EXPECT_TRUE(StopsWithin(buffer, 3000)) << "a one-shot voice kept playing";

    // A restart while it sounds starts it over; it still ends by itself.
    ASSERT_EQ(velkar::VoiceRestart(voice, samples.data(), size), 0);
    ASSERT_EQ(velkar::VoiceRestart(voice, samples.data(), size), 0);
    EXPECT_NE(Status(buffer) & DSBSTATUS_PLAYING, 0u);
    EXPECT_TRUE(StopsWithin(buffer, 3000));

    EXPECT_EQ(velkar::VoiceRestart(voice, nullptr, size), -1);
    EXPECT_EQ(velkar::VoiceRestart(nullptr, samples.data(), size), -1);
    velkar::VoiceRelease(voice);
}

TEST(DirectSoundVoicesWithoutDevice, NoVoiceIsMadeWithoutAnOpenDevice) {
    const velkar::VoiceFormat format{22050, 1, 2};
    const uint8_t samples[4] = {};
    EXPECT_EQ(velkar::VoiceCreate(&format, samples, 4), nullptr);
}

// The engine over DirectSound with ten effect files in a Wave directory beside "the program".
class SoundEngineOverDirectSound : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = velkar_test::ScratchDirectory("sound") + folder_;
        CreateDirectoryA(dir_.c_str(), nullptr);
        CreateDirectoryA((dir_ + "Wave").c_str(), nullptr);
        for (int32_t n = 0; n < velkar::EFFECT_COUNT; ++n) {
            samples_[n] = Pattern(2000 + 100 * static_cast<size_t>(n), static_cast<uint8_t>(n));
            const std::vector<uint8_t> file = velkar::test::SimpleWave(1, 22050, 16, samples_[n]);
            velkar_test::WriteWholeFile(dir_ + "Wave\\" + velkar::EffectTable[n].fileName,
                                        std::string(file.begin(), file.end()));
        }
        // The directory without its trailing backslash, as ExeDirectory is kept.
        velkar::SetEffectDirectories(dir_.substr(0, dir_.size() - 1).c_str(), nullptr);
        window_ = MakeOwnerWindow();
        ASSERT_NE(window_, nullptr);
        savedVolume_ = velkar::SoundVolume2;
        savedEnable_ = velkar::EnableSound;
    }
    void TearDown() override {
        velkar::SoundStop();
        velkar::ResetEffectDirectories();
        velkar::SoundVolume2 = savedVolume_;
        velkar::EnableSound = savedEnable_;
        DestroyWindow(window_);
    }
    // The game's folder inside the scratch directory (with its trailing backslash).
    std::string folder_ = "game\\";
    std::string dir_;
    std::vector<uint8_t> samples_[velkar::EFFECT_COUNT];
    HWND window_ = nullptr;
    int32_t savedVolume_ = 100;
    int32_t savedEnable_ = 1;
};

TEST_F(SoundEngineOverDirectSound, TheMutexExistsExactlyWhileTheEngineIsOpen) {
    ASSERT_FALSE(MutexExists());
    velkar::SoundVolume2 = 50;
    ASSERT_EQ(velkar::SoundStart(window_), 0);
    EXPECT_EQ(velkar::SoundReady, 1);
    EXPECT_TRUE(MutexExists());
    for (int32_t n = 0; n < velkar::EFFECT_COUNT; ++n) {
        SCOPED_TRACE(velkar::EffectTable[n].fileName);
        IDirectSoundBuffer* buffer = velkar::VoiceSoundBuffer(velkar::EffectVoice[n]);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(BufferSize(buffer), samples_[n].size());
        LONG volume = 0;
        ASSERT_EQ(buffer->GetVolume(&volume), DS_OK);
        EXPECT_EQ(volume, -5000);
    }
    // A rebuild after the settings dialog keeps the mutex and takes the new volume.
    velkar::SoundVolume2 = 0;
    EXPECT_EQ(velkar::SoundRestart(window_), 1);
    EXPECT_TRUE(MutexExists());
    LONG volume = 0;
    velkar::VoiceSoundBuffer(velkar::EffectVoice[0])->GetVolume(&volume);
    EXPECT_EQ(volume, -10000);

    velkar::SoundStop();
    EXPECT_EQ(velkar::SoundReady, 0);
    EXPECT_FALSE(MutexExists());
}

TEST_F(SoundEngineOverDirectSound, PlayEffectSoundsTheEffectsOwnBytesUnlessSoundIsOff) {
    ASSERT_EQ(velkar::SoundStart(window_), 0);
    velkar::EnableSound = 1;
    IDirectSoundBuffer* bomb = velkar::VoiceSoundBuffer(velkar::EffectVoice[8]);
    ASSERT_NE(bomb, nullptr);
    ASSERT_EQ(velkar::PlayEffect(8), 0);
    EXPECT_NE(Status(bomb) & DSBSTATUS_PLAYING, 0u);
    EXPECT_EQ(BufferBytes(bomb, static_cast<DWORD>(samples_[8].size())), samples_[8]);
    EXPECT_TRUE(StopsWithin(bomb, 3000));
    EXPECT_EQ(velkar::PlayEffect(10), -1);

    velkar::EnableSound = 0;
    EXPECT_EQ(velkar::PlayEffect(8), 0);
    EXPECT_EQ(Status(bomb) & DSBSTATUS_PLAYING, 0u);
}

// A game folder named "Jeux é" (é is byte 0xE9 in the ANSI code page), with the C library's
// locale on the OEM code page as the program sets it at start-up: every effect still loads, as
// the reader asks nothing of the path beyond what fopen does.
class SoundEngineInNonAsciiFolder : public SoundEngineOverDirectSound {
  protected:
    void SetUp() override {
        folder_ = "Jeux \xE9\\";
        savedLocale_ = std::setlocale(LC_ALL, nullptr);
        ASSERT_NE(std::setlocale(LC_ALL, ".OCP"), nullptr);
        SoundEngineOverDirectSound::SetUp();
    }
    void TearDown() override {
        SoundEngineOverDirectSound::TearDown();
        std::setlocale(LC_ALL, savedLocale_.c_str());
    }
    std::string savedLocale_;
};

TEST_F(SoundEngineInNonAsciiFolder, EveryEffectLoadsUnderTheOemLocale) {
    ASSERT_EQ(GetACP(), 1252u) << "the test prefix runs with the western ANSI code page";
    ASSERT_NE(GetOEMCP(), GetACP());
    ASSERT_EQ(velkar::SoundStart(window_), 0);
    for (int32_t n = 0; n < velkar::EFFECT_COUNT; ++n) {
        SCOPED_TRACE(velkar::EffectTable[n].fileName);
        IDirectSoundBuffer* buffer = velkar::VoiceSoundBuffer(velkar::EffectVoice[n]);
        ASSERT_NE(buffer, nullptr);
        EXPECT_EQ(BufferSize(buffer), samples_[n].size());
    }
    // The samples themselves reach the device when an effect plays.
    velkar::EnableSound = 1;
    ASSERT_EQ(velkar::PlayEffect(3), 0);
    IDirectSoundBuffer* played = velkar::VoiceSoundBuffer(velkar::EffectVoice[3]);
    EXPECT_EQ(BufferBytes(played, static_cast<DWORD>(samples_[3].size())), samples_[3]);
}

} // namespace
