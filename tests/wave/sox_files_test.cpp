// Files written by sox, an independent program, read back by the game's wave reader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/sound/wave_bytes.h"
#include "sound/wave_reader.h"

using namespace velkar;

namespace {

class SoxFilesTest : public ::testing::Test {
  protected:
    void SetUp() override { dir = test::FreshDirectory("velkar-sox"); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Makes `name` with sox from a generated tone; the options set its format.
    std::string Make(const std::string& name, const std::string& options) {
        const std::string path = (dir / name).string();
        const std::string command =
            "sox -n " + options + " '" + path + "' synth 0.1 sine 440 gain -3 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }
    // The sample bytes as sox itself decodes them, in the same encoding.
    std::vector<uint8_t> RawFromSox(const std::string& path) {
        const std::string raw = path + ".raw";
        const std::string command = "sox '" + path + "' -t raw '" + raw + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(raw, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path dir;
};

} // namespace

TEST_F(SoxFilesTest, SixteenBitStereoAndMonoReadBackWithTheirSamples) {
    struct Case {
        const char* name;
        const char* options;
        int32_t rate, channels;
    };
    const Case cases[] = {
        {"stereo.wav", "-r 44100 -c 2 -b 16 -e signed-integer", 44100, 2},
        {"mono.wav", "-r 22050 -c 1 -b 16 -e signed-integer", 22050, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Make(c.name, c.options);
        WaveReader reader;
        WaveReaderInit(&reader);
        uint8_t* data = WaveReadAll(&reader, path.c_str());
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(reader.sampleRate, c.rate);
        EXPECT_EQ(reader.channels, c.channels);
        EXPECT_EQ(reader.bytesPerSample, 2);
        EXPECT_EQ(reader.frameCount, static_cast<uint32_t>(c.rate / 10));
        const std::vector<uint8_t> raw = RawFromSox(path);
        EXPECT_EQ(std::vector<uint8_t>(data, data + raw.size()), raw);
        EXPECT_EQ(raw.size(), reader.frameCount * 2u * static_cast<uint32_t>(c.channels));
        std::free(data);
    }
}

TEST_F(SoxFilesTest, EightBitUnsignedMonoReadsAsOneBytePerSample) {
    const std::string path = Make("eight.wav", "-r 11025 -c 1 -b 8 -e unsigned-integer");
    WaveReader reader;
    WaveReaderInit(&reader);
    uint8_t* data = WaveReadAll(&reader, path.c_str());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(reader.bytesPerSample, 1);
    EXPECT_EQ(reader.channels, 1);
    EXPECT_EQ(reader.sampleRate, 11025);
    const std::vector<uint8_t> raw = RawFromSox(path);
    ASSERT_EQ(raw.size(), reader.frameCount);
    EXPECT_EQ(std::vector<uint8_t>(data, data + raw.size()), raw);
    std::free(data);
}

TEST_F(SoxFilesTest, FormatsBeyondEightAndSixteenBitPcmAreRefused) {
    for (const char* options :
         {"-r 44100 -c 1 -b 24 -e signed-integer", "-r 44100 -c 1 -b 32 -e floating-point",
          "-r 44100 -c 1 -b 8 -e mu-law", "-r 44100 -c 6 -b 16"}) {
        SCOPED_TRACE(options);
        WaveReader reader;
        WaveReaderInit(&reader);
        EXPECT_EQ(WaveOpen(&reader, Make("other.wav", options).c_str()), WAVE_UNSUPPORTED);
    }
}
