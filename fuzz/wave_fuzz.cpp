// libFuzzer target for the wave reader: every input becomes a file that is opened and read whole.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/trace.h"
#include "sound/wave_reader.h"

namespace {

// The trace texts are formatted for real, so their arguments are checked too.
void ConsumeTrace(const char* message) {
    if (std::strlen(message) >= 1024) __builtin_trap();
}

int MemoryFile() {
    static int fd = -1;
    if (fd < 0) fd = memfd_create("velkar-wave-fuzz", 0);
    return fd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = MemoryFile();
    if (fd < 0 || ftruncate(fd, 0) != 0) return 0;
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);

    velkar::SetTraceSink(ConsumeTrace);
    velkar::WaveReader reader;
    velkar::WaveReaderInit(&reader);
    int32_t result = 0;
    uint8_t* samples = velkar::WaveReadAllResult(&reader, path, &result);
    if (reader.file != nullptr) __builtin_trap(); // always closed on return
    if (samples == nullptr) {
        if (result >= 0) __builtin_trap();
        return 0;
    }
    // Accepted: a supported layout whose samples follow the data chunk header, which comes no
    // earlier than byte 43 (a 20-byte header, a format chunk of at least 15 bytes, 8 more).
    if (result != 0) __builtin_trap();
    if (reader.channels != 1 && reader.channels != 2) __builtin_trap();
    if (reader.bytesPerSample != 1 && reader.bytesPerSample != 2) __builtin_trap();
    const size_t bytes = static_cast<size_t>(reader.frameCount) * reader.bytesPerSample *
                         static_cast<size_t>(reader.channels);
    const size_t start = size - reader.bytesInFile;
    if (reader.bytesInFile > size || bytes > reader.bytesInFile || start < 43) __builtin_trap();
    if (bytes > 0 && std::memcmp(samples, data + start, bytes) != 0) __builtin_trap();
    std::free(samples);
    return 0;
}
