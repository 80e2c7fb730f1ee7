// The browser front end: what its files share. The page's script (page/velkar_ui.js) calls the
// exported web_* routines and defines the velkarUi object the EM_JS routines call.
#pragma once

#include <cstdint>
#include <string>

namespace velkar {

// The key routines' result for a browser key: whether the page must keep the browser's own use
// of the key from happening.
int32_t WebKey(int32_t down, int32_t keyCode, const char* code, int32_t altDown, int32_t repeat);

// Writes the settings file and copies it into the browser's storage when any setting or
// hi-score differs from what was last written.
void WriteSettingsIfChanged();

// The layout button (PAD_SOUTH ...) of a button of the browser's "standard" gamepad mapping, or
// -1 for one the game does not use (the triggers) or that the mapping does not have.
int32_t PadButtonOfStandard(int32_t index);

// The bindings in use as text, so that a change of them counts as a change of the settings.
std::string ControlsSnapshot();

} // namespace velkar
