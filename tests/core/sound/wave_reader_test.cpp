// The wave reader's acceptance and refusal codes, its fields and its trace texts, on files
// written byte by byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/trace.h"
#include "core/sound/wave_bytes.h"
#include "sound/wave_reader.h"

using namespace velkar;
using namespace velkar::test;

namespace {

std::vector<std::string> Traces;
void CollectTrace(const char* message) {
    Traces.emplace_back(message);
}

class WaveReaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = FreshDirectory("velkar-wave-reader");
        Traces.clear();
        SetTraceSink(CollectTrace);
        WaveReaderInit(&reader);
    }
    void TearDown() override {
        SetTraceSink(nullptr);
        WaveClose(&reader);
        std::filesystem::remove_all(dir);
    }
    std::string Write(const std::vector<uint8_t>& bytes, const char* name = "test.wav") {
        WriteFile(dir / name, bytes);
        return (dir / name).string();
    }
    int32_t Open(const std::vector<uint8_t>& bytes) {
        const int32_t code = WaveOpen(&reader, Write(bytes).c_str());
        if (code != 0) {
            EXPECT_EQ(reader.file, nullptr) << "a refused file must be closed";
        }
        return code;
    }

    std::filesystem::path dir;
    WaveReader reader;
};

std::vector<uint8_t> Ramp(size_t count) {
    std::vector<uint8_t> samples(count);
    for (size_t i = 0; i < count; ++i)
        samples[i] = static_cast<uint8_t>(i * 7 + 3);
    return samples;
}

} // namespace

TEST_F(WaveReaderTest, InitSetsTheDefaults) {
    reader.sampleRate = 8000;
    reader.frameCount = 99;
    WaveReaderInit(&reader);
    EXPECT_EQ(reader.sampleRate, 44100);
    EXPECT_EQ(reader.channels, 1);
    EXPECT_EQ(reader.bytesPerSample, 2);
    EXPECT_EQ(reader.frameCount, 0u);
    EXPECT_EQ(reader.file, nullptr);
}

TEST_F(WaveReaderTest, StereoWithListChunkBeforeDataLoadsWhole) {
    const std::vector<uint8_t> samples = Ramp(400);
    WaveBytes w = RiffWave();
    w.Format(1, 2, 44100, 16, 4);
    w.Tag("LIST").U32(26).Tag("INFO").Tag("ISFT").U32(14).Fill(14, 'x');
    w.Tag("data").U32(400);
    w.bytes.insert(w.bytes.end(), samples.begin(), samples.end());
    const std::string path = Write(Finish(w));

    ASSERT_EQ(WaveOpen(&reader, path.c_str()), 0);
    EXPECT_NE(reader.file, nullptr);
    EXPECT_EQ(reader.sampleRate, 44100);
    EXPECT_EQ(reader.channels, 2);
    EXPECT_EQ(reader.bytesPerSample, 2);
    EXPECT_EQ(reader.frameCount, 100u);
    EXPECT_EQ(WaveClose(&reader), 0);
    EXPECT_EQ(WaveClose(&reader), -2);
    ASSERT_EQ(Traces.size(), 1u);
    // "f" is the sample rate and "rate" the byte rate.
    EXPECT_EQ(Traces[0], "f=44100, rate=176400, bit=16, channel=2\n");

    WaveReaderInit(&reader);
    uint8_t* data = WaveReadAll(&reader, path.c_str());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(reader.file, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(data, data + 400), samples);
    std::free(data);
}

TEST_F(WaveReaderTest, OddSizedChunkIsSkippedWithoutPadByte) {
    WaveBytes w = RiffWave();
    w.Format(1, 1, 22050, 8, 1);
    w.Tag("junk").U32(3).Fill(3, 0xAA);
    w.Tag("data").U32(5).Fill(5, 0x80);
    EXPECT_EQ(Open(Finish(w)), 0);
    EXPECT_EQ(reader.frameCount, 5u);
}

TEST_F(WaveReaderTest, ExtendedFormatChunksLoadAndIgnoreTheExtraBytes) {
    for (uint32_t size : {18u, 40u, 256u}) {
        WaveBytes w = RiffWave();
        w.Format(1, 1, 11025, 16, 2, size);
        // Make the extension bytes non-zero so that reading them as fields would show.
        for (size_t i = w.bytes.size() - (size - 16); i < w.bytes.size(); ++i)
            w.bytes[i] = 0xEE;
        w.Tag("data").U32(8).Fill(8, 1);
        EXPECT_EQ(Open(Finish(w)), 0) << size;
        EXPECT_EQ(reader.sampleRate, 11025);
        EXPECT_EQ(reader.frameCount, 4u);
        WaveClose(&reader);
    }
}

TEST_F(WaveReaderTest, EightBitMonoGivesOneBytePerSample) {
    const std::string path = Write(SimpleWave(1, 8000, 8, Ramp(33)));
    uint8_t* data = WaveReadAll(&reader, path.c_str());
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(reader.bytesPerSample, 1);
    EXPECT_EQ(reader.channels, 1);
    EXPECT_EQ(reader.sampleRate, 8000);
    EXPECT_EQ(reader.frameCount, 33u);
    EXPECT_EQ(std::vector<uint8_t>(data, data + 33), Ramp(33));
    std::free(data);
}

TEST_F(WaveReaderTest, UnsupportedFormatsAreRefusedWith21) {
    struct Case {
        uint32_t tag, channels, bits, align;
        const char* trace;
    };
    const Case cases[] = {
        {1, 1, 24, 3, "error u3\n"},      // 24-bit
        {1, 2, 32, 8, "error u3\n"},      // 32-bit
        {0xFFFE, 2, 16, 4, "error u1\n"}, // WAVE_FORMAT_EXTENSIBLE
        {3, 1, 32, 4, "error u1\n"},      // floating point
        {1, 3, 16, 6, "error u2\n"},      // three channels
        {1, 0, 16, 2, "error u2\n"},      // no channel
    };
    for (const Case& c : cases) {
        Traces.clear();
        WaveBytes w = RiffWave();
        w.Format(c.tag, c.channels, 44100, c.bits, c.align, c.tag == 0xFFFE ? 40 : 16);
        w.Tag("data").U32(c.align * 4).Fill(c.align * 4, 0);
        EXPECT_EQ(Open(Finish(w)), WAVE_UNSUPPORTED) << c.tag << " " << c.channels << " " << c.bits;
        ASSERT_EQ(Traces.size(), 1u);
        EXPECT_EQ(Traces[0], c.trace);
    }
}

TEST_F(WaveReaderTest, BlockAlignmentMustMatchChannelsAndBits) {
    WaveBytes w = RiffWave();
    w.Format(1, 2, 44100, 16, 2); // should be 4
    w.Tag("data").U32(8).Fill(8, 0);
    EXPECT_EQ(Open(Finish(w)), WAVE_BAD_ALIGNMENT);
    ASSERT_EQ(Traces.size(), 1u);
    EXPECT_EQ(Traces[0], "error 6\n");

    // The check divides by the channels, so an alignment of 5 for 16-bit stereo passes (5/2 = 2).
    WaveBytes odd = RiffWave();
    odd.Format(1, 2, 44100, 16, 5);
    odd.Tag("data").U32(8).Fill(8, 0);
    EXPECT_EQ(Open(Finish(odd)), 0);
}

TEST_F(WaveReaderTest, DataThatIsNotWholeFramesIsRefusedWith30) {
    const std::string path = Write(SimpleWave(2, 44100, 16, Ramp(10)));
    EXPECT_EQ(WaveOpen(&reader, path.c_str()), WAVE_PARTIAL_FRAME);
    EXPECT_EQ(reader.file, nullptr);
    // The fields are filled before the check: 10 / 4 frames, rounded down.
    EXPECT_EQ(reader.frameCount, 2u);
    EXPECT_EQ(reader.channels, 2);
    int32_t result = 0;
    EXPECT_EQ(WaveReadAllResult(&reader, path.c_str(), &result), nullptr);
    EXPECT_EQ(result, WAVE_PARTIAL_FRAME);
    EXPECT_EQ(Traces.back(), "VELKAR.exe: read open error (result=-30) \"" + path + "\"\n");
}

TEST_F(WaveReaderTest, HeaderRefusalsCarryTheirCodesAndTraces) {
    {
        WaveBytes w; // a chunk before "fmt "
        w.Tag("RIFF").U32(0).Tag("WAVE").Tag("LIST").U32(4).Tag("INFO");
        w.Format(1, 1, 44100, 16, 2).Tag("data").U32(0);
        Traces.clear();
        EXPECT_EQ(Open(Finish(w)), WAVE_FMT_NOT_FIRST);
        EXPECT_EQ(Traces, std::vector<std::string>{"error 3\n"});
    }
    {
        WaveBytes w; // not a WAVE form
        w.Tag("RIFF").U32(0).Tag("AVI ").Format(1, 1, 44100, 16, 2);
        Traces.clear();
        EXPECT_EQ(Open(Finish(w)), WAVE_NOT_WAVE);
        EXPECT_EQ(Traces, std::vector<std::string>{"error 2\n"});
    }
    {
        WaveBytes w; // big-endian RIFF is no RIFF here
        w.Tag("RIFX").U32(0).Tag("WAVE").Format(1, 1, 44100, 16, 2);
        Traces.clear();
        EXPECT_EQ(Open(Finish(w)), WAVE_NOT_RIFF);
        EXPECT_TRUE(Traces.empty());
    }
    for (uint32_t size : {0u, 257u, 0x80000000u}) {
        WaveBytes w = RiffWave();
        w.Tag("fmt ").U32(size).Fill(300, 1);
        Traces.clear();
        EXPECT_EQ(Open(Finish(w)), WAVE_FMT_SIZE) << size;
        ASSERT_EQ(Traces.size(), 1u);
        EXPECT_EQ(Traces[0], "error 4 " + std::to_string(static_cast<int>(size)) + "\n");
    }
}

TEST_F(WaveReaderTest, ShortFilesAreRefusedAsNotRiff) {
    EXPECT_EQ(Open({}), WAVE_NOT_RIFF);
    // "RIFF....WAVEfmt " with the format size missing: 16 of the 20 header bytes.
    WaveBytes w = RiffWave();
    w.Tag("fmt ");
    EXPECT_EQ(Open(w.bytes), WAVE_NOT_RIFF);
    EXPECT_TRUE(Traces.empty());
}

TEST_F(WaveReaderTest, ShortFormatChunkReadsAsZeros) {
    // The format chunk claims 16 bytes but the file ends after 14: bits per sample stay 0.
    WaveBytes w = RiffWave();
    w.Format(1, 1, 44100, 16, 2);
    w.bytes.pop_back();
    w.bytes.pop_back();
    EXPECT_EQ(Open(w.bytes), WAVE_UNSUPPORTED);
    EXPECT_EQ(Traces, std::vector<std::string>{"error u3\n"});
}

TEST_F(WaveReaderTest, MissingOrCutDataChunkHeaderIsUnreadable) {
    WaveBytes w = RiffWave();
    w.Format(1, 1, 44100, 16, 2);
    EXPECT_EQ(Open(Finish(w)), WAVE_UNREADABLE);
    EXPECT_EQ(Traces, std::vector<std::string>{"error 2\n"});

    w.Fill(1, 'd').Fill(1, 'a'); // a quarter of a chunk header
    Traces.clear();
    EXPECT_EQ(Open(Finish(w)), WAVE_UNREADABLE);
    EXPECT_EQ(Traces, std::vector<std::string>{"error 2\n"});

    WaveBytes skip = RiffWave(); // a chunk whose size runs past the end of the file
    skip.Format(1, 1, 44100, 16, 2).Tag("junk").U32(0xFFFFFFF0u).Fill(20, 0);
    Traces.clear();
    EXPECT_EQ(Open(Finish(skip)), WAVE_UNREADABLE);
    EXPECT_EQ(Traces, std::vector<std::string>{"error 2\n"});
}

TEST_F(WaveReaderTest, TruncatedDataIsAReadErrorWithNoPartialBuffer) {
    WaveBytes w = RiffWave();
    w.Format(1, 1, 44100, 16, 2).Tag("data").U32(100).Fill(40, 9);
    const std::string path = Write(Finish(w));
    ASSERT_EQ(WaveOpen(&reader, path.c_str()), 0) << "the header itself is sound";
    WaveClose(&reader);

    Traces.clear();
    int32_t result = 0;
    EXPECT_EQ(WaveReadAllResult(&reader, path.c_str(), &result), nullptr);
    EXPECT_EQ(result, WAVE_SAMPLES_UNREADABLE);
    EXPECT_EQ(reader.file, nullptr);
    ASSERT_EQ(Traces.size(), 2u);
    EXPECT_EQ(Traces[1].rfind("VELKAR.exe: read error r=0 (", 0), 0u) << Traces[1];

    // A data chunk announcing 4 GB in a tiny file is refused the same way.
    WaveBytes huge = RiffWave();
    huge.Format(1, 1, 44100, 16, 2).Tag("data").U32(0xFFFFFFFEu).Fill(16, 0);
    EXPECT_EQ(WaveReadAllResult(&reader, Write(Finish(huge)).c_str(), &result), nullptr);
    EXPECT_EQ(result, WAVE_SAMPLES_UNREADABLE);
}

TEST_F(WaveReaderTest, EmptyDataChunkGivesAnEmptyBuffer) {
    const std::string path = Write(SimpleWave(1, 44100, 16, {}));
    uint8_t* data = WaveReadAll(&reader, path.c_str());
    EXPECT_NE(data, nullptr);
    EXPECT_EQ(reader.frameCount, 0u);
    std::free(data);
}

TEST_F(WaveReaderTest, FilesThatCannotBeOpenedGiveMinusOne) {
    const std::string missing = (dir / "missing.wav").string();
    EXPECT_EQ(WaveOpen(&reader, missing.c_str()), WAVE_CANNOT_OPEN);
    EXPECT_EQ(WaveReadAll(&reader, missing.c_str()), nullptr);
    EXPECT_EQ(Traces.back(), "VELKAR.exe: read open error (result=-1) \"" + missing + "\"\n");
    // A directory is no file, even where the system lets it be opened.
    EXPECT_EQ(WaveOpen(&reader, dir.string().c_str()), WAVE_CANNOT_OPEN);
    EXPECT_EQ(reader.file, nullptr);
}

TEST_F(WaveReaderTest, FolderWithNonAsciiNameLoadsAndTheLengthComesFromTheFile) {
    // A folder name in UTF-8 and one in a single-byte code page (é as 0xE9): the reader opens
    // and measures whatever path fopen takes, byte for byte.
    const std::vector<uint8_t> samples = Ramp(64);
    for (const char* folder : {"Jeux \xC3\xA9", "Jeux \xE9"}) {
        const std::string folderPath = dir.string() + "/" + folder;
        const std::string path = folderPath + "/se00.wav";
        std::error_code error;
        std::filesystem::create_directory(folderPath, error);
        std::FILE* written = std::fopen(path.c_str(), "wb");
        // Where narrow paths are not plain bytes (Windows), the folder made here and fopen may
        // read the name differently; the Windows tests check such a folder under Wine.
        if (written == nullptr) GTEST_SKIP() << "fopen cannot write into the folder " << folder;
        const std::vector<uint8_t> bytes = SimpleWave(1, 22050, 16, samples);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), written), bytes.size());
        std::fclose(written);
        int32_t result = 1;
        uint8_t* data = WaveReadAllResult(&reader, path.c_str(), &result);
        ASSERT_NE(data, nullptr) << folder;
        EXPECT_EQ(result, 0);
        EXPECT_EQ(std::vector<uint8_t>(data, data + samples.size()), samples);
        std::free(data);
    }
}

TEST_F(WaveReaderTest, DataBeyondTheMeasuredLengthIsRefusedBeforeAllocating) {
    // The length measured on the open file bounds the samples it can give: a data chunk that
    // claims more than the file holds is refused before its size is allocated.
    WaveBytes w = RiffWave();
    w.Format(1, 1, 22050, 16, 2);
    w.Tag("data").U32(1000).Fill(998, 1);
    int32_t result = 0;
    EXPECT_EQ(WaveReadAllResult(&reader, Write(Finish(w)).c_str(), &result), nullptr);
    EXPECT_EQ(result, WAVE_SAMPLES_UNREADABLE);
    EXPECT_EQ(reader.file, nullptr);
}

TEST_F(WaveReaderTest, FileLongerThan32BitsCanCountIsNotRiff) {
    // A sparse file: a good header, then a hole up to just past 4 GiB.
    const std::string path = Write(SimpleWave(1, 22050, 16, Ramp(16)));
    std::error_code error;
    std::filesystem::resize_file(path, 0x100000000ull + 16, error);
    if (error) GTEST_SKIP() << "the temporary file system takes no 4 GiB file: " << error.message();
    EXPECT_EQ(WaveOpen(&reader, path.c_str()), WAVE_NOT_RIFF);
    EXPECT_EQ(reader.file, nullptr);
    std::filesystem::resize_file(path, 0xFFFFFFFFull, error);
    // The last length 32 bits can count loads where the C library counts that far (a 64-bit
    // long); with a 32-bit long, lengths from 2 GiB on cannot be counted and are refused.
    EXPECT_EQ(WaveOpen(&reader, path.c_str()), sizeof(long) >= 8 ? 0 : WAVE_NOT_RIFF);
    WaveClose(&reader);
}
