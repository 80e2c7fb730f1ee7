// The effect engine over the recording null platform: loading, restart-on-repeat, mixing of
// different effects, volume, the directory fallbacks and the engine's life cycle.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/startup.h"
#include "base/trace.h"
#include "core/own_game.h"
#include "core/sound/wave_bytes.h"
#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "null/sound_null.h"
#include "settings/settings.h"
#include "sound/sound.h"
#include "sound/wave_reader.h"

using namespace velkar;
using namespace velkar::test;

namespace {

std::vector<std::string> Traces;
void CollectTrace(const char* message) {
    Traces.emplace_back(message);
}

// Effect n gets 100 * (n + 1) frames of 16-bit mono at 22050 Hz, so each has its own size.
std::vector<uint8_t> EffectFile(int32_t number) {
    std::vector<uint8_t> samples(200 * static_cast<size_t>(number + 1));
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint8_t>(i + number);
    return SimpleWave(1, 22050, 16, samples);
}

void WriteEffects(const std::filesystem::path& waveDir) {
    for (int32_t n = 0; n < EFFECT_COUNT; ++n)
        WriteFile(waveDir / EffectTable[n].fileName, EffectFile(n));
}

class SoundEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NullSoundReset();
        EnableSound = 1;
        SoundVolume2 = 100;
        dir = FreshDirectory("velkar-sound-engine");
        exeDir = dir / "bin";
        std::filesystem::create_directories(exeDir);
        SetEffectDirectories(exeDir.string().c_str(), nullptr);
    }
    void TearDown() override {
        SoundStop();
        NullSoundReset();
        SetTraceSink(nullptr);
        Traces.clear();
        SoundDeviceRequired = 1;
        EnableSound = 1;
        SoundVolume2 = 100;
        ResetEffectDirectories();
        std::filesystem::remove_all(dir);
    }
    void ExpectAllLoaded() {
        for (int32_t n = 0; n < EFFECT_COUNT; ++n) {
            EXPECT_EQ(EffectTable[n].byteCount, 200 * (n + 1)) << n;
            EXPECT_EQ(EffectLoadResult[n], 0) << n;
            ASSERT_NE(EffectVoice[n], nullptr) << n;
        }
    }

    std::filesystem::path dir;
    std::filesystem::path exeDir;
    int window = 0;
};

} // namespace

TEST(EffectVolume, FollowsTheSettingInHundredthsOfADecibel) {
    EXPECT_EQ(EffectVolumeFromSetting(100), 0);
    EXPECT_EQ(EffectVolumeFromSetting(50), -5000);
    EXPECT_EQ(EffectVolumeFromSetting(0), -10000);
    EXPECT_EQ(EffectVolumeFromSetting(99), -100);  // 990099 / 100 = 9900
    EXPECT_EQ(EffectVolumeFromSetting(1), -9900);  // 10001 / 100 = 100
    EXPECT_EQ(EffectVolumeFromSetting(101), 0);    // above full volume counts as full
    EXPECT_EQ(EffectVolumeFromSetting(33), -6700); // 330033 / 100 = 3300
}

TEST(EffectVolume, AHandEditedSettingOutsideTheSliderGivesTheNearestEndsVolume) {
    // 214748 x 10001 and INT_MIN x 10001 do not fit 32 bits; -50 would ask the device for
    // -15000, below its quietest volume.
    for (int32_t setting : {101, 214'726, 214'727, 214'748, 1'000'000, INT32_MAX})
        EXPECT_EQ(EffectVolumeFromSetting(setting), 0) << setting;
    for (int32_t setting : {-1, -50, -214'748, INT32_MIN + 1, INT32_MIN})
        EXPECT_EQ(EffectVolumeFromSetting(setting), -10000) << setting;
}

TEST_F(SoundEngineTest, StartLoadsAllTenEffectsEachOnItsOwnVoice) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    EXPECT_EQ(SoundReady, 1);
    EXPECT_EQ(NullSound.markerOpen, 1);
    EXPECT_EQ(NullSound.deviceOpen, 1);
    EXPECT_EQ(NullSound.window, &window);
    ExpectAllLoaded();
    EXPECT_EQ(NullSoundVoicesInUse(), 10);
    EXPECT_EQ(NullSoundVoicesSounding(), 0) << "nothing plays before it is asked for";
    for (int32_t n = 0; n < EFFECT_COUNT; ++n) {
        const SoundVoice* voice = EffectVoice[n];
        EXPECT_EQ(voice->samples, EffectTable[n].samples);
        EXPECT_EQ(voice->byteCount, EffectTable[n].byteCount);
        EXPECT_EQ(voice->format.sampleRate, 22050);
        EXPECT_EQ(voice->format.channels, 1);
        EXPECT_EQ(voice->format.bytesPerSample, 2);
        EXPECT_EQ(voice->volume, 0);
        // The engine holds exactly the file's sample bytes.
        const std::vector<uint8_t> file = EffectFile(n);
        EXPECT_TRUE(std::equal(file.end() - voice->byteCount, file.end(), voice->samples));
    }
}

TEST_F(SoundEngineTest, NumbersOutsideTheTableGiveMinusOneAndDoNothing) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    EXPECT_EQ(PlayEffect(10), -1);
    EXPECT_EQ(PlayEffect(-1), -1);
    EXPECT_EQ(PlayEffect(1000000), -1);
    EXPECT_EQ(NullSound.restartCalls, 0);
    EXPECT_EQ(PlayEffect(9), 0);
    EXPECT_EQ(NullSound.restartCalls, 1);
}

TEST_F(SoundEngineTest, DisabledSoundAnswersZeroAndPlaysNothing) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    EnableSound = 0;
    // Checked before the range, so even numbers outside the table give 0.
    for (int32_t n = -1; n <= 10; ++n)
        EXPECT_EQ(PlayEffect(n), 0) << n;
    EXPECT_EQ(NullSound.restartCalls, 0);
    EXPECT_EQ(NullSoundVoicesSounding(), 0);
}

TEST_F(SoundEngineTest, RepeatedEffectRestartsItsOneVoiceFromTheStart) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    SoundVoice* voice = EffectVoice[3];
    EXPECT_EQ(PlayEffect(3), 0);
    NullSoundAdvance(150);
    EXPECT_EQ(voice->position, 150);
    EXPECT_EQ(PlayEffect(3), 0);
    EXPECT_EQ(voice->position, 0) << "the second call starts it again from the beginning";
    EXPECT_EQ(voice->restarts, 2);
    EXPECT_EQ(NullSoundVoicesSounding(), 1) << "one copy, not two";
    EXPECT_EQ(NullSoundVoicesInUse(), 10) << "no voice is made at play time";
    NullSoundAdvance(400); // effect 3 has 400 frames
    EXPECT_EQ(voice->sounding, 0);
}

TEST_F(SoundEngineTest, DifferentEffectsSoundTogether) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    EXPECT_EQ(PlayEffect(3), 0);
    NullSoundAdvance(10);
    EXPECT_EQ(PlayEffect(0), 0);
    EXPECT_EQ(NullSoundVoicesSounding(), 2);
    EXPECT_EQ(EffectVoice[3]->position, 10) << "starting effect 0 leaves effect 3 alone";
    EXPECT_EQ(EffectVoice[0]->position, 0);
    NullSoundAdvance(100); // effect 0 (100 frames) ends, effect 3 goes on
    EXPECT_EQ(EffectVoice[0]->sounding, 0);
    EXPECT_EQ(EffectVoice[3]->sounding, 1);
}

TEST_F(SoundEngineTest, VolumeSettingReachesEveryVoice) {
    WriteEffects(exeDir / "Wave");
    SoundVolume2 = 50;
    ASSERT_EQ(SoundStart(&window), 0);
    EXPECT_EQ(EffectVolume, -5000);
    for (SoundVoice* voice : EffectVoice)
        EXPECT_EQ(voice->volume, -5000);
}

TEST_F(SoundEngineTest, AnOutOfRangeSettingPlaysAtTheNearestEndAndStaysAsWritten) {
    WriteEffects(exeDir / "Wave");
    SoundVolume2 = -50;
    ASSERT_EQ(SoundStart(&window), 0);
    for (SoundVoice* voice : EffectVoice)
        EXPECT_EQ(voice->volume, -10000);
    SoundVolume2 = 214'748;
    EXPECT_EQ(SoundRestart(&window), 1);
    for (SoundVoice* voice : EffectVoice)
        EXPECT_EQ(voice->volume, 0);
    EXPECT_EQ(SoundVolume2, 214'748);
}

TEST_F(SoundEngineTest, RestartAfterTheDialogAppliesTheNewVolume) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    SoundVoice* before = EffectVoice[5];
    EXPECT_EQ(before->volume, 0);
    SoundVolume2 = 0;
    EXPECT_EQ(EffectVolume, 0) << "the setting takes hold only at the restart";
    EXPECT_EQ(SoundRestart(&window), 1);
    EXPECT_EQ(EffectVolume, -10000);
    ExpectAllLoaded();
    for (SoundVoice* voice : EffectVoice)
        EXPECT_EQ(voice->volume, -10000);
    EXPECT_EQ(NullSound.voicesReleased, 10);
    EXPECT_EQ(NullSound.voicesCreated, 20);
    EXPECT_EQ(NullSoundVoicesInUse(), 10);
    EXPECT_EQ(NullSound.deviceOpens, 2);
    EXPECT_EQ(NullSound.deviceCloses, 1);
    EXPECT_EQ(NullSound.markerCreates, 1) << "the marker is not made again";
    EXPECT_EQ(NullSound.markerOpen, 1);
    EXPECT_EQ(PlayEffect(5), 0);
}

TEST_F(SoundEngineTest, EffectsInTheParentDirectoryAreFound) {
    WriteEffects(dir / "Wave"); // beside bin/, not inside it
    ASSERT_EQ(SoundStart(&window), 0);
    ExpectAllLoaded();
    EXPECT_EQ(PlayEffect(2), 0);
}

TEST_F(SoundEngineTest, TheExeDirectoryComesBeforeItsParent) {
    WriteEffects(dir / "Wave");
    WriteFile(exeDir / "Wave" / "Boon.wav", SimpleWave(2, 44100, 16, std::vector<uint8_t>(64)));
    ASSERT_EQ(SoundStart(&window), 0);
    EXPECT_EQ(EffectTable[0].byteCount, 64);
    EXPECT_EQ(EffectVoice[0]->format.channels, 2);
    EXPECT_EQ(EffectTable[1].byteCount, 400) << "the others still come from the parent";
}

TEST_F(SoundEngineTest, InstalledDirectoryIsTheLastPlaceLooked) {
    const std::filesystem::path installed = dir / "share" / "velkar" / "Wave";
    WriteEffects(installed);
    SetEffectDirectories(exeDir.string().c_str(), installed.string().c_str());
    ASSERT_EQ(SoundStart(&window), 0);
    ExpectAllLoaded();
    SoundStop();

    // With no executable directory at all only the given Wave directory is read.
    SetEffectDirectories(nullptr, installed.string().c_str());
    ASSERT_EQ(SoundStart(&window), 0);
    ExpectAllLoaded();
}

TEST_F(SoundEngineTest, AnInstalledProgramLooksInItsDataFolderFirst) {
    // The data folder holds all but Bugu; beside the program are other copies of Boon and Bugu.
    const std::filesystem::path installed = dir / "share" / "velkar" / "Wave";
    WriteEffects(installed);
    std::filesystem::remove(installed / "Bugu.wav");
    WriteFile(exeDir / "Wave" / "Boon.wav", SimpleWave(2, 44100, 16, std::vector<uint8_t>(64)));
    WriteFile(exeDir / "Wave" / "Bugu.wav", EffectFile(6));
    SetTraceSink(CollectTrace);
    WaveProgramName = "velkar";
    SetEffectDirectories(exeDir.string().c_str(), installed.string().c_str(), true);
    const int32_t started = SoundStart(&window);
    WaveProgramName = "VELKAR.exe";
    ASSERT_EQ(started, 0);
    ExpectAllLoaded(); // Boon from the data folder, Bugu from beside the program
    // The only place looked in and not found is the data folder's Bugu, traced with the name
    // the program gave.
    std::vector<std::string> tried;
    for (const std::string& t : Traces)
        if (t.find(".wav") != std::string::npos) tried.push_back(t);
    ASSERT_EQ(tried.size(), 1u);
    EXPECT_EQ(tried[0], "velkar: read open error (result=-1) \"" +
                            (installed / "Bugu.wav").string() + "\"\n");
}

TEST_F(SoundEngineTest, BadOrMissingFilesLeaveOnlyTheirEffectsSilent) {
    WriteEffects(exeDir / "Wave");
    std::filesystem::remove(exeDir / "Wave" / "Bugu.wav");
    WaveBytes deep = RiffWave();
    deep.Format(1, 1, 44100, 24, 3).Tag("data").U32(6).Fill(6, 0);
    WriteFile(exeDir / "Wave" / "Gooon.wav", Finish(deep));
    // A bad file beside the executable gives way to a good one in the parent.
    WriteFile(exeDir / "Wave" / "Pyuin.wav", Finish(deep));
    WriteFile(dir / "Wave" / "Pyuin.wav", EffectFile(9));
    ASSERT_EQ(SoundStart(&window), 0);
    EXPECT_EQ(EffectLoadResult[9], 0);
    EXPECT_EQ(EffectTable[9].byteCount, 2000);
    EXPECT_EQ(SoundReady, 1);
    EXPECT_EQ(EffectLoadResult[6], WAVE_CANNOT_OPEN);
    EXPECT_EQ(EffectLoadResult[8], WAVE_UNSUPPORTED) << "the code of the file found";
    for (int32_t n : {6, 8}) {
        EXPECT_EQ(EffectTable[n].samples, nullptr);
        EXPECT_EQ(EffectTable[n].byteCount, -1);
        EXPECT_EQ(EffectVoice[n], nullptr);
        EXPECT_EQ(PlayEffect(n), -1);
    }
    EXPECT_EQ(NullSoundVoicesInUse(), 8);
    EXPECT_EQ(PlayEffect(7), 0);
}

TEST_F(SoundEngineTest, WithoutOwnDirectoriesTheProgramDirectoryIsUsed) {
    WriteEffects(dir / "Wave");
    const std::string saved = ExeDirectory;
    std::snprintf(ExeDirectory, sizeof ExeDirectory, "%s", exeDir.string().c_str());
    ResetEffectDirectories();
    const int32_t started = SoundStart(&window);
    std::snprintf(ExeDirectory, sizeof ExeDirectory, "%s", saved.c_str());
    ASSERT_EQ(started, 0);
    ExpectAllLoaded();
}

TEST_F(SoundEngineTest, PathsKeepTheSeparatorOfTheExecutableDirectory) {
    Traces.clear();
    SetTraceSink(CollectTrace);
    SetEffectDirectories("C:\\Games\\VELKAR", nullptr);
    ASSERT_EQ(SoundStart(&window), 0);
    std::vector<std::string> tried;
    for (const std::string& t : Traces)
        if (t.find("Boon.wav") != std::string::npos) tried.push_back(t);
    ASSERT_EQ(tried.size(), 2u);
    EXPECT_EQ(tried[0],
              "VELKAR.exe: read open error (result=-1) \"C:\\Games\\VELKAR\\Wave\\Boon.wav\"\n");
    EXPECT_EQ(tried[1], "VELKAR.exe: read open error (result=-1) "
                        "\"C:\\Games\\VELKAR\\..\\Wave\\Boon.wav\"\n");
}

TEST_F(SoundEngineTest, NoDeviceMakesStartFail) {
    WriteEffects(exeDir / "Wave");
    NullSound.failDevice = 1;
    EXPECT_EQ(SoundStart(&window), -1);
    EXPECT_EQ(SoundReady, 0);
    EXPECT_EQ(NullSoundVoicesInUse(), 0);
    EXPECT_EQ(PlayEffect(0), -1);
    SoundStop();
    EXPECT_EQ(NullSound.markerOpen, 0);
}

TEST_F(SoundEngineTest, WhereNoDeviceIsRequiredStartGoesOnSilentlyUntilARestart) {
    WriteEffects(exeDir / "Wave");
    SetTraceSink(CollectTrace);
    SoundDeviceRequired = 0;
    NullSound.failDevice = 1;
    EXPECT_EQ(SoundStart(&window), 0) << "start-up goes on";
    EXPECT_EQ(SoundReady, 0);
    EXPECT_EQ(PlayEffect(0), -1);
    ASSERT_EQ(Traces.size(), 1u);
    EXPECT_NE(Traces[0].find("without sound"), std::string::npos) << Traces[0];
    EXPECT_EQ(SoundRestart(&window), 0); // still no device
    NullSound.failDevice = 0;
    EXPECT_EQ(SoundRestart(&window), 1);
    ExpectAllLoaded();
    EXPECT_EQ(PlayEffect(0), 0);
    EXPECT_EQ(NullSoundVoicesSounding(), 1);
}

TEST_F(SoundEngineTest, ALostDeviceIsLetGoAndTheNextRestartOpensOneAgain) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    EXPECT_EQ(SoundDropLostDevice(), 0); // nothing lost: nothing changes
    EXPECT_EQ(SoundReady, 1);
    EXPECT_EQ(NullSoundVoicesInUse(), EFFECT_COUNT);
    PlayEffect(2);
    NullSound.loseDevice = 1;
    EXPECT_EQ(SoundDropLostDevice(), 1);
    EXPECT_EQ(SoundReady, 0);
    EXPECT_EQ(NullSoundVoicesInUse(), 0);
    EXPECT_EQ(NullSound.deviceOpen, 0);
    EXPECT_EQ(NullSound.markerOpen, 1) << "the engine is still open, without sound";
    for (int32_t n = 0; n < EFFECT_COUNT; ++n)
        EXPECT_EQ(PlayEffect(n), -1);
    EXPECT_EQ(SoundDropLostDevice(), 0) << "let go once";
    NullSound.loseDevice = 0;
    EXPECT_EQ(SoundRestart(&window), 1);
    ExpectAllLoaded();
    EXPECT_EQ(PlayEffect(2), 0);
    EXPECT_EQ(NullSound.deviceOpens, 2);
}

TEST_F(SoundEngineTest, WithoutTheMarkerSoundStaysOffUntilARestart) {
    WriteEffects(exeDir / "Wave");
    NullSound.failMarker = 1;
    EXPECT_EQ(SoundStart(&window), 0) << "start-up goes on";
    EXPECT_EQ(NullSound.deviceOpens, 0);
    EXPECT_EQ(PlayEffect(0), -1);
    EXPECT_EQ(SoundRestart(&window), 1);
    EXPECT_EQ(NullSound.markerCreates, 0);
    ExpectAllLoaded();
    EXPECT_EQ(PlayEffect(0), 0);
    SoundStop();
    EXPECT_EQ(NullSound.markerCloses, 0) << "there was no marker to close";
    EXPECT_EQ(NullSound.deviceOpen, 0);
}

TEST_F(SoundEngineTest, FailedRestartLeavesEverythingSilentUntilTheNext) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    NullSound.failDevice = 1;
    EXPECT_EQ(SoundRestart(&window), 0);
    EXPECT_EQ(SoundReady, 0);
    EXPECT_EQ(NullSoundVoicesInUse(), 0);
    for (int32_t n = 0; n < EFFECT_COUNT; ++n)
        EXPECT_EQ(PlayEffect(n), -1);
    NullSound.failDevice = 0;
    EXPECT_EQ(SoundRestart(&window), 1);
    ExpectAllLoaded();
    EXPECT_EQ(PlayEffect(4), 0);
}

TEST_F(SoundEngineTest, VoiceFailuresLeaveTheirEffectsUnloaded) {
    WriteEffects(exeDir / "Wave");
    NullSound.failVoices = 1;
    ASSERT_EQ(SoundStart(&window), 0);
    EXPECT_EQ(SoundReady, 1);
    for (int32_t n = 0; n < EFFECT_COUNT; ++n) {
        EXPECT_EQ(EffectLoadResult[n], EFFECT_NO_VOICE);
        EXPECT_EQ(EffectTable[n].samples, nullptr);
        EXPECT_EQ(PlayEffect(n), -1);
    }
}

TEST_F(SoundEngineTest, AVoiceThatCannotBeRefilledIsSkippedSilently) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    NullSound.failRestart = 1;
    EXPECT_EQ(PlayEffect(1), 0);
    EXPECT_EQ(NullSound.restartCalls, 1);
    EXPECT_EQ(NullSoundVoicesSounding(), 0);
}

TEST_F(SoundEngineTest, StopReleasesEverything) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    PlayEffect(0);
    SoundStop();
    EXPECT_EQ(SoundReady, 0);
    EXPECT_EQ(NullSoundVoicesInUse(), 0);
    EXPECT_EQ(NullSound.deviceOpen, 0);
    EXPECT_EQ(NullSound.markerOpen, 0);
    for (const EffectEntry& entry : EffectTable) {
        EXPECT_EQ(entry.samples, nullptr);
        EXPECT_EQ(entry.byteCount, -1);
    }
    EXPECT_EQ(PlayEffect(0), -1) << "PlayEffect works in any state";
}

// The rules only note the effects a step starts; the host plays them. A frame run in full plays
// its step's effects, each once; a step run alone (a frame a seek passes over) plays none, and
// the next step forgets them.
TEST_F(SoundEngineTest, AGameFramePlaysTheEffectsItsStepStarted) {
    WriteEffects(exeDir / "Wave");
    ASSERT_EQ(SoundStart(&window), 0);
    const auto restarts = [] {
        std::vector<int32_t> out;
        for (const SoundVoice* voice : EffectVoice)
            out.push_back(voice->restarts);
        return out;
    };
    velkar_test::OwnGame game;
    StartSound(3);
    StartSound(0);
    StartSound(3);
    PlayStartedSounds(*game);
    EXPECT_EQ(restarts(), (std::vector<int32_t>{1, 0, 0, 1, 0, 0, 0, 0, 0, 0}));

    ASSERT_EQ(InitGame(), 0);
    Painter painter;
    ASSERT_EQ(CreateCanvases(painter), 0);
    for (const bool drawn : {false, true}) {
        BeginAttract();
        const std::vector<int32_t> before = restarts();
        InputBits = INPUT_START;
        int32_t frames = 0;
        while (game->gameMode != MODE_PLAY && ++frames < 100) {
            if (drawn) {
                RunGameFrame(painter);
            } else {
                StepGameFrame();
            }
        }
        InputBits = 0;
        ASSERT_EQ(game->gameMode, MODE_PLAY);
        EXPECT_EQ(game->soundsStarted, 1u << 2) << "the start effect, in the frame play begins";
        std::vector<int32_t> expected = before;
        if (drawn) expected[2] += 1;
        EXPECT_EQ(restarts(), expected) << (drawn ? "run in full" : "stepped alone");
        StepGameFrame();
        EXPECT_EQ(game->soundsStarted & 1u << 2, 0u);
    }
}
