// The settings file through the Windows profile functions; the system keeps its own copy, so a
// batch needs no work of ours at its start or end.
#include "app/settings_file.h"

#include "win32.h"

namespace velkar {

void SettingsFileBegin(const char* path) {
    (void)path;
}

int32_t SettingsFileEnd(const char* path) {
    // Flush the system's cached copy of the file to disk.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path);
    return 0;
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
    return WritePrivateProfileStringA(section, key, value, path) ? 0 : -1;
}

} // namespace velkar
