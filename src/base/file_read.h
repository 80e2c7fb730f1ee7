// File-reading seam: a whole file from someone else, read without waiting and within a limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace velkar {

enum : int32_t {
    FILE_READ_OK = 0,
    FILE_READ_CANNOT_OPEN = 1, // detail says why (no such file, no permission, ...)
    FILE_READ_NOT_REGULAR = 2, // a directory, a FIFO, a device, a socket
    FILE_READ_TOO_LARGE = 3,   // more than limit bytes
    FILE_READ_FAILED = 4,      // an error while reading; detail says which
    FILE_READ_NO_MEMORY = 5,   // no room for its bytes
};

// Reads the file at path whole into out when it is a regular file of at most limit bytes.
// The file is opened so that nothing can block: a FIFO with no writer or a device is refused
// before any read, never waited on, and no more than limit + 1 bytes are ever read (a file
// that grows while it is read is still bounded). Returns one of the codes above; out is
// cleared on failure.
int32_t ReadRegularFile(const char* path, size_t limit, std::string& out, std::string& detail);

// The reading part every platform's ReadRegularFile shares, once the file is open and known to
// hold `expected` bytes: readChunk(into, room) returns the bytes it read, 0 at the end, or
// a negative number on an error. out grows from expected + 1 bytes, never past limit + 1.
// Returns FILE_READ_OK, FILE_READ_TOO_LARGE, FILE_READ_FAILED or FILE_READ_NO_MEMORY; out is
// cleared on failure.
int32_t ReadWithinLimit(size_t expected, size_t limit, std::string& out,
                        const std::function<int64_t(char* into, size_t room)>& readChunk);

} // namespace velkar
