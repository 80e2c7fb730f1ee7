// Reads one effect file: checks the RIFF/WAVE PCM header strictly and loads the samples whole.
#include "sound/wave_reader.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/trace.h"

namespace velkar {

const char* WaveProgramName = "VELKAR.exe";

namespace {

uint32_t Get32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint32_t Get16(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8;
}

bool IsTag(const uint8_t* bytes, const char* tag) {
    return std::memcmp(bytes, tag, 4) == 0;
}

// Closes the file and passes the code through, for the refusals of WaveOpen.
int32_t Refuse(WaveReader* reader, int32_t code) {
    WaveClose(reader);
    return code;
}

// Moves forward by a 32-bit chunk size in steps that a long always holds. Seeking past the end
// is allowed; the next read then finds nothing.
bool SeekForward(std::FILE* file, uint32_t size) {
    while (size > 0) {
        const uint32_t step = size > 0x40000000u ? 0x40000000u : size;
        if (std::fseek(file, static_cast<long>(step), SEEK_CUR) != 0) return false;
        size -= step;
    }
    return true;
}

// The length of the open file, by seeking to its end and back to where it was. Where long has
// 32 bits the C library cannot count beyond 2 GiB: the tell then fails, or gives a length that
// wrapped around, which the chunk walk finds shorter than the bytes it has read.
bool MeasureFile(std::FILE* file, uint64_t* length) {
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return false;
    const long end = std::ftell(file);
    if (end < 0 || std::fseek(file, here, SEEK_SET) != 0) return false;
    *length = static_cast<uint64_t>(end);
    return true;
}

} // namespace

void WaveReaderInit(WaveReader* reader) {
    *reader = WaveReader{};
    reader->sampleRate = 44100;
    reader->channels = 1;
    reader->bytesPerSample = 2;
    reader->frameCount = 0;
    reader->file = nullptr;
    reader->bytesInFile = 0;
}

int32_t WaveOpen(WaveReader* reader, const char* path) {
    if (reader->file != nullptr) WaveClose(reader);
    reader->file = std::fopen(path, "rb");
    if (reader->file == nullptr) return WAVE_CANNOT_OPEN;

    uint8_t header[20];
    const size_t got = std::fread(header, 1, sizeof header, reader->file);
    // A directory opens on some systems, but its first read fails: it is no file to read
    // samples from.
    if (std::ferror(reader->file))
        return Refuse(reader, got == 0 ? WAVE_CANNOT_OPEN : WAVE_UNREADABLE);
    // The length comes from the open file itself, not from its path: the path was good enough
    // for fopen, and a second lookup by name may read its bytes in another character set.
    uint64_t fileLength = 0;
    if (!MeasureFile(reader->file, &fileLength)) return Refuse(reader, WAVE_NOT_RIFF);
    if (fileLength > 0xFFFFFFFFu) return Refuse(reader, WAVE_NOT_RIFF);

    // Too short to hold the header: its checks would look at bytes that are not there.
    if (got < sizeof header) return Refuse(reader, WAVE_NOT_RIFF);
    if (!IsTag(header, "RIFF")) return Refuse(reader, WAVE_NOT_RIFF);
    if (!IsTag(header + 8, "WAVE")) {
        Trace("error 2\n");
        return Refuse(reader, WAVE_NOT_WAVE);
    }
    if (!IsTag(header + 12, "fmt ")) {
        Trace("error 3\n");
        return Refuse(reader, WAVE_FMT_NOT_FIRST);
    }
    const uint32_t formatSize = Get32(header + 16);
    if (formatSize == 0 || formatSize > 256) {
        Trace("error 4 %d\n", static_cast<int>(formatSize));
        return Refuse(reader, WAVE_FMT_SIZE);
    }

    // Bytes the file does not have stay zero and fail the checks below.
    uint8_t format[256] = {};
    const size_t formatGot = std::fread(format, 1, formatSize, reader->file);
    if (std::ferror(reader->file)) {
        Trace("error 5\n");
        return Refuse(reader, WAVE_FMT_UNREADABLE);
    }
    const uint32_t formatTag = Get16(format);
    const uint32_t channels = Get16(format + 2);
    const uint32_t sampleRate = Get32(format + 4);
    const uint32_t byteRate = Get32(format + 8);
    const uint32_t blockAlign = Get16(format + 12);
    const uint32_t bits = Get16(format + 14);
    if (formatTag != 1) {
        Trace("error u1\n");
        return Refuse(reader, WAVE_UNSUPPORTED);
    }
    if (channels != 1 && channels != 2) {
        Trace("error u2\n");
        return Refuse(reader, WAVE_UNSUPPORTED);
    }
    if (bits != 8 && bits != 16) {
        Trace("error u3\n");
        return Refuse(reader, WAVE_UNSUPPORTED);
    }
    if (blockAlign / channels != bits / 8) {
        Trace("error 6\n");
        return Refuse(reader, WAVE_BAD_ALIGNMENT);
    }

    // Walk the chunks up to "data"; every other chunk is skipped by its size, without padding.
    uint64_t position = sizeof header + formatGot;
    uint32_t dataSize = 0;
    for (;;) {
        uint8_t chunk[8];
        const size_t chunkGot = std::fread(chunk, 1, sizeof chunk, reader->file);
        // A partial chunk header is the end of the file as much as an empty read is.
        if (chunkGot < sizeof chunk) {
            Trace("error 2\n");
            return Refuse(reader, WAVE_UNREADABLE);
        }
        position += sizeof chunk;
        dataSize = Get32(chunk + 4);
        if (IsTag(chunk, "data")) break;
        if (!SeekForward(reader->file, dataSize)) return Refuse(reader, WAVE_UNREADABLE);
        position += dataSize;
    }

    // Fewer bytes measured than read: the length wrapped around; the file is too long to count.
    if (position > fileLength) return Refuse(reader, WAVE_NOT_RIFF);

    Trace("f=%d, rate=%d, bit=%d, channel=%d\n", static_cast<int>(sampleRate),
          static_cast<int>(byteRate), static_cast<int>(bits), static_cast<int>(channels));
    const uint32_t bytesPerSample = bits / 8;
    const uint32_t frameBytes = bytesPerSample * channels;
    reader->sampleRate = static_cast<int32_t>(sampleRate);
    reader->bytesPerSample = static_cast<int32_t>(bytesPerSample);
    reader->channels = static_cast<int32_t>(channels);
    reader->frameCount = dataSize / frameBytes;
    reader->bytesInFile = static_cast<uint32_t>(fileLength - position);
    if (dataSize % frameBytes != 0) return Refuse(reader, WAVE_PARTIAL_FRAME);
    return 0;
}

uint8_t* WaveReadAllResult(WaveReader* reader, const char* path, int32_t* result) {
    const int32_t code = WaveOpen(reader, path);
    if (code < 0) {
        Trace("%s: read open error (result=%d) \"%s\"\n", WaveProgramName, code, path);
        *result = code;
        return nullptr;
    }
    const uint32_t size = reader->frameCount * static_cast<uint32_t>(reader->bytesPerSample) *
                          static_cast<uint32_t>(reader->channels);
    // A data chunk that claims more than the file holds can only end in a short read; refuse it
    // before allocating its announced size.
    if (size > reader->bytesInFile) {
        Trace("%s: read error r=%d (%s)\n", WaveProgramName, 0, std::strerror(errno));
        WaveClose(reader);
        *result = WAVE_SAMPLES_UNREADABLE;
        return nullptr;
    }
    uint8_t* buffer = static_cast<uint8_t*>(std::malloc(size > 0 ? size : 1));
    if (buffer == nullptr) {
        Trace("%s: memory allocation error (%lu bytes).\n", WaveProgramName,
              static_cast<unsigned long>(size));
        WaveClose(reader);
        *result = WAVE_NO_MEMORY;
        return nullptr;
    }
    uint32_t got = 0;
    while (got < size) {
        const size_t r = std::fread(buffer + got, 1, size - got, reader->file);
        if (r == 0) {
            const int readResult = std::ferror(reader->file) ? -1 : 0;
            Trace("%s: read error r=%d (%s)\n", WaveProgramName, readResult, std::strerror(errno));
            WaveClose(reader);
            std::free(buffer);
            *result = WAVE_SAMPLES_UNREADABLE;
            return nullptr;
        }
        got += static_cast<uint32_t>(r);
    }
    if (WaveClose(reader) != 0) {
        Trace("%s: read close error\n", WaveProgramName);
        std::free(buffer);
        *result = WAVE_SAMPLES_UNREADABLE;
        return nullptr;
    }
    *result = 0;
    return buffer;
}

uint8_t* WaveReadAll(WaveReader* reader, const char* path) {
    int32_t result = 0;
    return WaveReadAllResult(reader, path, &result);
}

int32_t WaveClose(WaveReader* reader) {
    if (reader->file == nullptr) return -2;
    const int closed = std::fclose(reader->file);
    reader->file = nullptr;
    return closed == 0 ? 0 : -1;
}

} // namespace velkar
