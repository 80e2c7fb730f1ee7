// The disk-flush seam on Linux: fsync on the file and on its directory.
#include <fcntl.h>
#include <unistd.h>

#include "base/file_sync.h"

namespace velkar {

bool SyncFileToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
    return fsync(fileno(file)) == 0;
}

void SyncDirectoryToDisk(const char* path) {
    const int fd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

} // namespace velkar
