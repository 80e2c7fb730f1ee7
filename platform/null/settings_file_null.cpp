// The settings-file seam over the core's ini codec, for the headless build and the Linux program.
#include "settings/ini_codec.h"
#include "settings/settings_file.h"

namespace velkar {

void SettingsFileBegin(const char* path) {
    IniStoreBegin(path);
}

int32_t SettingsFileEnd(const char* path) {
    return IniStoreEnd(path);
}

int32_t SettingsFileReadInt(const char* section, const char* key, int32_t def, const char* path) {
    return IniStoreReadInt(section, key, def, path);
}

int32_t SettingsFileReadString(const char* section, const char* key, const char* def, char* buffer,
                               int32_t size, const char* path) {
    return IniStoreReadString(section, key, def, buffer, size, path);
}

int32_t SettingsFileWriteString(const char* section, const char* key, const char* value,
                                const char* path) {
    return IniStoreWriteString(section, key, value, path);
}

} // namespace velkar
