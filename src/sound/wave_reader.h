// Reader for the effect files: strict RIFF/WAVE PCM header checks and a whole-file sample read.
#pragma once

#include <cstdint>
#include <cstdio>

namespace velkar {

struct WaveReader {
    int32_t sampleRate;     // samples per second per channel; 44100 before a file is read
    int32_t channels;       // 1 or 2; 1 before a file is read
    int32_t bytesPerSample; // 1 or 2; 2 before a file is read
    uint32_t frameCount;    // sample frames in the data chunk; 0 before a file is read
    std::FILE* file;        // the open file, nullptr when closed
    uint32_t bytesInFile;   // bytes from the first sample byte to the end of the file
};

// Codes of WaveOpen (0 is success).
constexpr int32_t WAVE_CANNOT_OPEN = -1;
constexpr int32_t WAVE_UNREADABLE = -2;
constexpr int32_t WAVE_NOT_WAVE = -11;
constexpr int32_t WAVE_FMT_NOT_FIRST = -12;
constexpr int32_t WAVE_FMT_SIZE = -13;
constexpr int32_t WAVE_FMT_UNREADABLE = -14;
constexpr int32_t WAVE_BAD_ALIGNMENT = -15;
constexpr int32_t WAVE_NOT_RIFF = -20;
constexpr int32_t WAVE_UNSUPPORTED = -21;
constexpr int32_t WAVE_PARTIAL_FRAME = -30;
// Further codes of WaveReadAllResult, for a header that passed but whose samples did not arrive.
constexpr int32_t WAVE_SAMPLES_UNREADABLE = -3; // short or failed read of the data, or close error
constexpr int32_t WAVE_NO_MEMORY = -4;          // the sample buffer could not be allocated

// The program name the reader's traces carry: "VELKAR.exe" unless the program sets its own.
extern const char* WaveProgramName;

// Clears the record and sets the defaults above.
void WaveReaderInit(WaveReader* reader);

// 0 with the file open at the first sample byte and the format filled in, or a negative code
// (WAVE_*) with the file closed.
int32_t WaveOpen(WaveReader* reader, const char* path);

// The whole sample data in a buffer from std::malloc (the caller frees it), or nullptr.
// The file is always closed on return.
uint8_t* WaveReadAll(WaveReader* reader, const char* path);

// WaveReadAll that also tells why it failed: *result is 0, a WaveOpen code, or
// WAVE_SAMPLES_UNREADABLE / WAVE_NO_MEMORY.
uint8_t* WaveReadAllResult(WaveReader* reader, const char* path, int32_t* result);

// 0 after closing, -2 when no file is open, -1 when closing reported an error.
int32_t WaveClose(WaveReader* reader);

} // namespace velkar
