// The ten effect files written at build time: readable by the game, by sox too, distinct,
// audible, unclipped, short, and the same bytes on every run of the synthesizer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "core/sound/wave_bytes.h"
#include "sound/sound.h"
#include "sound/wave_reader.h"

using namespace velkar;

namespace {

const std::filesystem::path BuiltWaveDir = VELKAR_BUILT_WAVE_DIR;

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string Shell(const std::string& command) {
    std::string out;
    if (std::FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            out += buffer;
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

struct Loaded {
    WaveReader reader;
    std::vector<int16_t> samples;
};

Loaded Load(const std::filesystem::path& path) {
    Loaded loaded;
    WaveReaderInit(&loaded.reader);
    uint8_t* data = WaveReadAll(&loaded.reader, path.string().c_str());
    if (data == nullptr) return loaded;
    loaded.samples.resize(loaded.reader.frameCount * loaded.reader.channels);
    for (size_t i = 0; i < loaded.samples.size(); ++i)
        loaded.samples[i] = static_cast<int16_t>(data[2 * i] | data[2 * i + 1] << 8);
    std::free(data);
    return loaded;
}

} // namespace

TEST(GeneratedEffects, AllTenAreSixteenBitMonoAt44100AndShort) {
    for (const EffectEntry& entry : EffectTable) {
        const std::filesystem::path path = BuiltWaveDir / entry.fileName;
        SCOPED_TRACE(entry.fileName);
        WaveReader reader;
        WaveReaderInit(&reader);
        ASSERT_EQ(WaveOpen(&reader, path.string().c_str()), 0);
        WaveClose(&reader);
        EXPECT_EQ(reader.sampleRate, 44100);
        EXPECT_EQ(reader.channels, 1);
        EXPECT_EQ(reader.bytesPerSample, 2);
        EXPECT_GT(reader.frameCount, 44100u / 50) << "at least 20 ms";
        EXPECT_LE(reader.frameCount, 2u * 44100u) << "no longer than 2 seconds";
        // The file is exactly header and samples: nothing trails the data chunk.
        EXPECT_EQ(std::filesystem::file_size(path), 44u + 2u * reader.frameCount);
    }
}

TEST(GeneratedEffects, AudibleUnclippedAndFadedAtBothEnds) {
    for (const EffectEntry& entry : EffectTable) {
        SCOPED_TRACE(entry.fileName);
        const Loaded loaded = Load(BuiltWaveDir / entry.fileName);
        ASSERT_FALSE(loaded.samples.empty());
        int32_t peak = 0;
        double energy = 0;
        for (int16_t s : loaded.samples) {
            peak = std::max(peak, std::abs(static_cast<int32_t>(s)));
            energy += static_cast<double>(s) * s;
        }
        const double rms = std::sqrt(energy / static_cast<double>(loaded.samples.size()));
        EXPECT_GE(peak, 32767 / 4) << "not silent";
        EXPECT_LE(peak, 32767 * 9 / 10) << "headroom left, nothing clipped";
        EXPECT_GE(rms, 1000.0) << "sound over its length, not a single click";
        // Starts from silence and fades out, so no click at either end.
        EXPECT_LE(std::abs(static_cast<int32_t>(loaded.samples.front())), 200);
        EXPECT_LE(std::abs(static_cast<int32_t>(loaded.samples.back())), 200);
    }
}

TEST(GeneratedEffects, TheRapidShotIsTheShortestAndQuietest) {
    const Loaded shot = Load(BuiltWaveDir / "Tyiiiin.wav");
    ASSERT_FALSE(shot.samples.empty());
    // Played every 5 frames (83 ms) while firing: it must be over before the next one.
    EXPECT_LE(shot.samples.size(), 44100u * 83 / 1000);
    auto peakOf = [](const std::vector<int16_t>& s) {
        int32_t p = 0;
        for (int16_t v : s)
            p = std::max(p, std::abs(static_cast<int32_t>(v)));
        return p;
    };
    for (const EffectEntry& entry : EffectTable) {
        if (std::string(entry.fileName) == "Tyiiiin.wav") continue;
        const Loaded other = Load(BuiltWaveDir / entry.fileName);
        EXPECT_LT(shot.samples.size(), other.samples.size()) << entry.fileName;
        EXPECT_LT(peakOf(shot.samples), peakOf(other.samples)) << entry.fileName;
    }
}

TEST(GeneratedEffects, AreAllDifferent) {
    // Compared pair by pair for equality: no ordering of the byte vectors is needed.
    std::vector<std::vector<uint8_t>> seen;
    for (const EffectEntry& entry : EffectTable) {
        std::vector<uint8_t> bytes = ReadBytes(BuiltWaveDir / entry.fileName);
        EXPECT_FALSE(bytes.empty()) << entry.fileName;
        for (size_t i = 0; i < seen.size(); ++i)
            EXPECT_NE(bytes, seen[i]) << entry.fileName << " repeats " << EffectTable[i].fileName;
        seen.push_back(std::move(bytes));
    }
}

TEST(GeneratedEffects, SoxReadsThemWithTheSameFormatAndLength) {
    for (const EffectEntry& entry : EffectTable) {
        SCOPED_TRACE(entry.fileName);
        const std::string path = (BuiltWaveDir / entry.fileName).string();
        EXPECT_EQ(Shell("sox --i -r '" + path + "'"), "44100");
        EXPECT_EQ(Shell("sox --i -c '" + path + "'"), "1");
        EXPECT_EQ(Shell("sox --i -b '" + path + "'"), "16");
        const Loaded loaded = Load(path);
        EXPECT_EQ(Shell("sox --i -s '" + path + "'"), std::to_string(loaded.samples.size()));
    }
}

TEST(GeneratedEffects, TheSynthesizerWritesTheSameBytesEveryTime) {
    const std::filesystem::path again = test::FreshDirectory("velkar-sfx-again");
    ASSERT_EQ(std::system((std::string(VELKAR_SFX_PROGRAM) + " '" + again.string() + "'").c_str()),
              0);
    for (const EffectEntry& entry : EffectTable)
        EXPECT_EQ(ReadBytes(again / entry.fileName), ReadBytes(BuiltWaveDir / entry.fileName))
            << entry.fileName;
    std::filesystem::remove_all(again);
}

TEST(GeneratedEffects, LoadThroughTheEngineFromTheWaveDirectory) {
    SetEffectDirectories(nullptr, BuiltWaveDir.string().c_str());
    ASSERT_EQ(SoundStart(nullptr), 0);
    for (int32_t n = 0; n < EFFECT_COUNT; ++n) {
        EXPECT_EQ(EffectLoadResult[n], 0) << n;
        EXPECT_EQ(EffectTable[n].byteCount, static_cast<int32_t>(std::filesystem::file_size(
                                                BuiltWaveDir / EffectTable[n].fileName)) -
                                                44)
            << n;
    }
    SoundStop();
    ResetEffectDirectories();
}
