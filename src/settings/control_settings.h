// The player's key and pad bindings in the settings file: section "CONTROLS", one key per
// action and kind ("Key_Shot", "Pad_Shot", ...). Only the programs that let players change
// their controls read and write them; a file without the section (one from the Windows
// program) gives the defaults.
#pragma once

#include <cstdint>

namespace velkar {

// The settings file's key names of one action: "Key_..." and "Pad_...", "" out of range.
const char* ControlKeySetting(int32_t action);
const char* ControlPadSetting(int32_t action);

// Reads the bindings from the file at path and puts them in use. A missing key keeps its
// default; a set with a key or button that cannot be bound, or one bound twice, is not used:
// the defaults are (and the file is left as it is until the next write). Returns 1 when the
// file's bindings are in use, 0 when the defaults are.
int32_t ReadControlSettings(const char* path);

// Writes the bindings in use to the file at path. 0, or -1 when it could not be written.
int32_t WriteControlSettings(const char* path);

} // namespace velkar
