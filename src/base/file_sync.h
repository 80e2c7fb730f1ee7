// Disk-flush seam: what a safe save needs beyond standard C++, from each platform.
#pragma once

#include <cstdio>

namespace velkar {

// Pushes everything written to file so far through the system's caches to the storage device,
// so that a crash or power loss afterwards cannot leave the file shorter than written. False
// when the device reports a failure.
bool SyncFileToDisk(std::FILE* file);

// Pushes the entries of the directory at path (a file just renamed into it) to the device.
// Best effort: some file systems cannot, and a caller that synced the file's data before the
// rename loses at most the rename itself, never the data, so failures are not reported.
void SyncDirectoryToDisk(const char* path);

} // namespace velkar
