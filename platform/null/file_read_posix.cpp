// The file-reading seam on POSIX systems: open with O_NONBLOCK, fstat, then bounded reads.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "base/file_read.h"

namespace velkar {

namespace {

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
};

} // namespace

int32_t ReadRegularFile(const char* path, size_t limit, std::string& out, std::string& detail) {
    out.clear();
    detail.clear();
    // O_NONBLOCK: opening a FIFO returns at once instead of waiting for a writer; for a regular
    // file it changes nothing. O_NOCTTY: a terminal device never becomes ours.
    Descriptor file{open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (file.fd < 0) {
        detail = std::strerror(errno);
        return FILE_READ_CANNOT_OPEN;
    }
    struct stat status {};
    if (fstat(file.fd, &status) != 0) {
        detail = std::strerror(errno);
        return FILE_READ_FAILED;
    }
    if (!S_ISREG(status.st_mode)) return FILE_READ_NOT_REGULAR;
    if (status.st_size < 0 || static_cast<uint64_t>(status.st_size) > limit)
        return FILE_READ_TOO_LARGE;
    try {
        // One byte more than the limit shows a file that grew past it while being read.
        out.resize(std::min(static_cast<size_t>(status.st_size), limit) + 1);
        size_t used = 0;
        for (;;) {
            if (used == out.size()) {
                if (used > limit) break;
                out.resize(std::min(limit + 1, used + 65536));
            }
            const ssize_t got = read(file.fd, out.data() + used, out.size() - used);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                detail = std::strerror(errno);
                out.clear();
                return FILE_READ_FAILED;
            }
            if (got == 0) break;
            used += static_cast<size_t>(got);
        }
        out.resize(used);
    } catch (const std::bad_alloc&) {
        out.clear();
        out.shrink_to_fit();
        return FILE_READ_NO_MEMORY;
    }
    if (out.size() > limit) {
        out.clear();
        return FILE_READ_TOO_LARGE;
    }
    return FILE_READ_OK;
}

} // namespace velkar
