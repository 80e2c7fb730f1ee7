// Settings-file seam: the profile (ini) file access each front end supplies.
#pragma once

#include <cstdint>

namespace velkar {

// The Windows program maps each call to one profile function and makes Begin and End do
// nothing (the system keeps its own copy of the file). The Linux and headless builds map them
// to the ini codec's store (settings/ini_codec.h), which loads the file at Begin, keeps the writes
// in memory and writes the file once, safely, at End.

// Starts a batch of reads and writes on path; batches on one path may nest.
void SettingsFileBegin(const char* path);

// Ends the batch; the outermost End writes the file if anything was written. 0, or -1 when a
// write of the batch failed (the codec then leaves the old file as it was).
int32_t SettingsFileEnd(const char* path);

// GetPrivateProfileIntA: the key's integer, or def when the key or section is missing.
int32_t SettingsFileReadInt(const char* section, const char* key, int32_t def, const char* path);

// GetPrivateProfileStringA: copies the key's text (or def) into buffer, at most size - 1 bytes
// and a NUL; returns the bytes copied.
int32_t SettingsFileReadString(const char* section, const char* key, const char* def, char* buffer,
                               int32_t size, const char* path);

// WritePrivateProfileStringA: sets the key's text, adding the key or section where missing.
// 0, or -1 on failure.
int32_t SettingsFileWriteString(const char* section, const char* key, const char* value,
                                const char* path);

} // namespace velkar
