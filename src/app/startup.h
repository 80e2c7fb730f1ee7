// Start-up decisions: Windows generation, program paths, UI language, display choice clamps.
#pragma once

#include <cstdint>

#include "ui/messages.h"

namespace velkar {

// The Windows generation found at start-up (0..4); 2 locks full screen after leaving it.
extern int32_t OsKind;

// The executable's directory without a trailing separator (at most 260 characters).
extern char ExeDirectory[261];

// Platform identifiers of the version query.
enum : uint32_t {
    OS_PLATFORM_WIN32S = 0,
    OS_PLATFORM_WINDOWS = 1,
    OS_PLATFORM_NT = 2,
};

// Start-up message boxes: no owner, task-modal.
extern const MessageText STARTUP_WIN32S;
extern const MessageText STARTUP_NT3;
extern const MessageText STARTUP_UNKNOWN_OS; // start-up goes on with OsKind 3
extern const MessageText STARTUP_APPLICATION_INIT;
extern const MessageText STARTUP_REGISTER_CLASS;
extern const MessageText STARTUP_CREATE_WINDOW;
extern const MessageText STARTUP_CREATE_THREAD;
// Window creation failures (owner: the main window); the program then ends.
extern const MessageText STARTUP_ALLOCATE_OFFSCREEN;
extern const MessageText STARTUP_OPEN_DEVICES;

// Names of the window class and the window title.
extern const char* const MAIN_WINDOW_CLASS;
extern const char* const MAIN_WINDOW_TITLE;

// The state before the settings are read: Language -1 (decided later), no hold, no pause,
// no controls, no joystick.
void BeginStartup();

// Classifies the version into OsKind and returns it, or returns -1 when start-up must stop.
// *message is the box to show first, or nullptr. build is the full build number field; only
// its low 16 bits count.
int32_t ClassifyOs(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build,
                   const MessageText** message);

// Sets ExeDirectory and SettingsPath from the executable's full path. Without a path
// (nullptr: the query failed) the current directory is the directory and the file name is
// taken as "VELKAR.exe", its extension included. separator is the path separator of the
// platform ('\\' accepts '/' as well when splitting). Every text is cut to its buffer.
void SetProgramPaths(const char* modulePath, const char* currentDirectory, char separator);

// The language of a locale name: 1 (Japanese) when the Windows C library's name starts with
// "Japanese", or a POSIX name starts with "ja"; else 0 (English).
int32_t LanguageOfWindowsLocale(const char* localeName);
int32_t LanguageOfPosixLocale(const char* localeName);

// When Language is still negative after the settings were read: traces the locale name and
// sets Language from it (posix selects the naming rule above). Other values are kept.
void DecideLanguage(const char* localeName, int32_t posix);

// Brings ScreenDevice and ScreenResolution within the display list found at start-up:
// beyond the end they become the last entry, below 0 they become 0.
void ClampDisplaySettings();

} // namespace velkar
