// Start-up decisions shared by both programs: OS table, paths, language, display clamps.
#include "app/startup.h"

#include <cstring>

#include "app/frame_clock.h"
#include "base/trace.h"
#include "input/controls.h"
#include "input/joystick_seam.h"
#include "settings/settings.h"
#include "sound/sound.h"
#include "ui/display_modes.h"

namespace velkar {

int32_t OsKind = 0;
char ExeDirectory[261] = {};

const char* ProgramDirectory() {
    return ExeDirectory;
}

const MessageText STARTUP_WIN32S = {"WIN32s is not supported", "Initialize error", MSG_ICON_STOP};
const MessageText STARTUP_NT3 = {"NT Ver.3.x is not supported", "Initialize error", MSG_ICON_STOP};
const MessageText STARTUP_UNKNOWN_OS = {"Unknown OS ... Use Windows Vista mode", "Initialize error",
                                        MSG_ICON_INFORMATION};
const MessageText STARTUP_APPLICATION_INIT = {"Initialize Error (ApplicationInit)", "Error",
                                              MSG_ICON_STOP};
const MessageText STARTUP_REGISTER_CLASS = {"Initialize Error (RegisterClass)", "Error",
                                            MSG_ICON_STOP};
const MessageText STARTUP_CREATE_WINDOW = {"Initialize Error (CreateWindowEx)", "Error",
                                           MSG_ICON_STOP};
const MessageText STARTUP_CREATE_THREAD = {"Initialize Error (CreateThead/MainThread)", "Error",
                                           MSG_ICON_STOP};
const MessageText STARTUP_ALLOCATE_OFFSCREEN = {"Initialize Error (AllocateOffScreen)", "Error",
                                                MSG_ICON_STOP};
const MessageText STARTUP_OPEN_DEVICES = {"Initialize Error (appl_create)", "Error", MSG_ICON_STOP};

const char* const MAIN_WINDOW_CLASS = "VELKAR";
const char* const MAIN_WINDOW_TITLE = "VELKAR";

void BeginStartup() {
    Language = -1;
    GameHold.store(0);
    Paused.store(0);
    InputBits = 0;
    JoystickPresent.store(0);
}

int32_t ClassifyOs(uint32_t platformId, uint32_t major, uint32_t minor, uint32_t build,
                   const MessageText** message) {
    *message = nullptr;
    uint32_t buildLow = build & 0xFFFFu;
    int32_t kind;
    if (platformId == OS_PLATFORM_WIN32S) {
        *message = &STARTUP_WIN32S;
        return -1;
    } else if (platformId == OS_PLATFORM_WINDOWS) {
        kind = 0;
    } else if (platformId == OS_PLATFORM_NT) {
        if (major < 4) {
            *message = &STARTUP_NT3;
            return -1;
        }
        if (major >= 5) Trace("Windows Ver.%u.%u(%u)\n", major, minor, buildLow);
        if (major == 4) {
            kind = 1;
        } else if (major >= 10 || buildLow >= 9000) {
            kind = 4;
        } else if (major == 5) {
            kind = 2;
        } else {
            kind = 3;
        }
    } else {
        *message = &STARTUP_UNKNOWN_OS;
        kind = 3;
    }
    OsKind = kind;
    return kind;
}

namespace {

// Appends text to a buffer of the given size, cutting it so that the buffer stays
// NUL-terminated.
void AppendCut(char* buffer, size_t size, const char* text) {
    size_t used = std::strlen(buffer);
    size_t room = size - 1 - used;
    size_t n = std::strlen(text);
    if (n > room) n = room;
    std::memcpy(buffer + used, text, n);
    buffer[used + n] = '\0';
}

bool IsSeparator(char c, char separator) {
    return c == separator || (separator == '\\' && c == '/');
}

} // namespace

void SetProgramPaths(const char* modulePath, const char* currentDirectory, char separator) {
    char fileName[260] = {};
    ExeDirectory[0] = '\0';
    if (modulePath != nullptr) {
        char path[260] = {};
        AppendCut(path, sizeof path, modulePath);
        // The drive and directory run up to the last separator (or a drive's colon).
        size_t dirLength = 0;
        for (size_t i = 0; path[i] != '\0'; i++) {
            if (IsSeparator(path[i], separator)) dirLength = i + 1;
        }
        if (dirLength == 0 && separator == '\\' && path[0] != '\0' && path[1] == ':') dirLength = 2;
        if (dirLength > 0) {
            std::memcpy(ExeDirectory, path, dirLength - 1);
            ExeDirectory[dirLength - 1] = '\0';
        }
        // The file name stops at its last dot; the extension is dropped.
        const char* name = path + dirLength;
        const char* dot = std::strrchr(name, '.');
        size_t nameLength = dot != nullptr ? static_cast<size_t>(dot - name) : std::strlen(name);
        std::memcpy(fileName, name, nameLength);
        fileName[nameLength] = '\0';
    } else {
        AppendCut(ExeDirectory, sizeof ExeDirectory,
                  currentDirectory != nullptr ? currentDirectory : "");
        AppendCut(fileName, sizeof fileName, "VELKAR.exe");
    }
    const char separatorText[2] = {separator, '\0'};
    SettingsPath[0] = '\0';
    AppendCut(SettingsPath, sizeof SettingsPath, ExeDirectory);
    AppendCut(SettingsPath, sizeof SettingsPath, separatorText);
    AppendCut(SettingsPath, sizeof SettingsPath, fileName);
    AppendCut(SettingsPath, sizeof SettingsPath, ".ini");
}

int32_t LanguageOfWindowsLocale(const char* localeName) {
    return localeName != nullptr && std::strncmp(localeName, "Japanese", 8) == 0 ? 1 : 0;
}

int32_t LanguageOfPosixLocale(const char* localeName) {
    return localeName != nullptr && std::strncmp(localeName, "ja", 2) == 0 ? 1 : 0;
}

void DecideLanguage(const char* localeName, int32_t posix) {
    if (Language >= 0) return;
    // A failed locale query gives no name; English is taken then.
    Trace("setlocale return: %s\n", localeName != nullptr ? localeName : "(null)");
    Language = posix ? LanguageOfPosixLocale(localeName) : LanguageOfWindowsLocale(localeName);
}

void ClampDisplaySettings() {
    if (DisplayDeviceList == nullptr || DisplayDeviceCount <= 0) return;
    if (ScreenDevice >= DisplayDeviceCount) ScreenDevice = DisplayDeviceCount - 1;
    if (ScreenDevice < 0) ScreenDevice = 0;
    int32_t modes = DisplayDeviceList[ScreenDevice].modeCount;
    if (ScreenResolution > modes) ScreenResolution = modes;
    if (ScreenResolution < 0) ScreenResolution = 0;
}

} // namespace velkar
