// The settings file through the Windows profile functions; the system keeps its own copy, so a
// batch only counts its depth and remembers whether any of its writes failed.
#include "settings/settings_file.h"

#include "win32.h"

namespace velkar {

namespace {

// Batches nest; writes outside any batch report their failure only through their own result.
int32_t batchDepth = 0;
bool batchWriteFailed = false;

} // namespace

void SettingsFileBegin(const char* path) {
    (void)path;
    if (batchDepth++ == 0) batchWriteFailed = false;
}

int32_t SettingsFileEnd(const char* path) {
    if (batchDepth > 0) --batchDepth;
    if (batchDepth > 0) return batchWriteFailed ? -1 : 0;
    // Flush the system's cached copy of the file to disk.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
    const bool failed = batchWriteFailed;
    batchWriteFailed = false;
    return failed ? -1 : 0;
}

int32_t SettingsFileReadInt(const char* section, const char* key, int32_t def, const char* path) {
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, def, path));
}

int32_t SettingsFileReadString(const char* section, const char* key, const char* def, char* buffer,
                               int32_t size, const char* path) {
    if (buffer == nullptr || size <= 0) return 0;
    return static_cast<int32_t>(
        GetPrivateProfileStringA(section, key, def, buffer, static_cast<DWORD>(size), path));
}

int32_t SettingsFileWriteString(const char* section, const char* key, const char* value,
                                const char* path) {
    if (WritePrivateProfileStringA(section, key, value, path)) return 0;
    if (batchDepth > 0) batchWriteFailed = true;
    return -1;
}

} // namespace velkar
