// The file-reading seam on POSIX systems: open with O_NONBLOCK, fstat, then bounded reads.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
    return ReadWithinLimit(static_cast<size_t>(status.st_size), limit, out,
                           [&](char* into, size_t room) -> int64_t {
                               for (;;) {
                                   const ssize_t got = read(file.fd, into, room);
                                   if (got >= 0) return got;
                                   if (errno != EINTR) break;
                               }
                               detail = std::strerror(errno);
                               return -1;
                           });
}

} // namespace velkar
