// The disk-flush seam on Windows: FlushFileBuffers on the file's handle. A program cannot flush
// a directory there, so the rename of a synced file is left to the file system's journal.
#include <io.h>
#include <windows.h>

#include <cstdint>

#include "base/file_sync.h"

namespace velkar {

bool SyncFileToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
    const intptr_t handle = _get_osfhandle(_fileno(file));
    return handle != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) != 0;
}

void SyncDirectoryToDisk(const char*) {}

} // namespace velkar
