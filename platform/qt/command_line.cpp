// The Linux program's options, their help text, and the check of the arguments.
#include "command_line.h"

#include <cstdio>
#include <cstring>

#include "velkar_version.h"

namespace velkar {

namespace {

struct ProgramOption {
    const char* name;
    const char* value; // nullptr for an option without a value
    const char* help;
};

// --record and --replay take their values in the replay code; the list here is what --help
// shows and what UnknownArgument accepts.
constexpr ProgramOption OPTIONS[] = {
    {"--record", "FILE", "record the game into FILE while it is played"},
    {"--replay", "FILE", "play the recorded game in FILE back in the window"},
    {"--help", nullptr, "show this help and end"},
    {"--version", nullptr, "show the program's version and end"},
};

const ProgramOption* FindOption(const char* argument) {
    for (const ProgramOption& option : OPTIONS) {
        if (std::strcmp(argument, option.name) == 0) return &option;
    }
    return nullptr;
}

void PrintHelp() {
    std::printf("Usage: velkar [--record FILE | --replay FILE]\n"
                "       velkar --help | --version\n"
                "VELKAR, a vertical shoot-'em-up, in a window with menus.\n\n");
    for (const ProgramOption& option : OPTIONS) {
        char left[32];
        std::snprintf(left, sizeof left, "%s%s%s", option.name, option.value ? " " : "",
                      option.value ? option.value : "");
        std::printf("  %-16s %s\n", left, option.help);
    }
    std::printf("\nQt's own options (-platform NAME, -display DISPLAY, ...) are accepted too.\n"
                "Keys: arrows or keypad 8/2/4/6 move, Z or Ctrl shot, X or Shift laser,\n"
                "C or Space bomb, F1 start, F2 quit to the title, P or F12 pause,\n"
                "Alt+Enter full screen, Escape exit.\n");
}

} // namespace

int PrintInformationOption(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const ProgramOption* option = FindOption(argv[i]);
        if (option == nullptr) continue;
        if (option->value != nullptr) {
            ++i; // its value, whatever it reads
        } else if (std::strcmp(option->name, "--help") == 0) {
            PrintHelp();
            return 0;
        } else {
            std::printf("velkar %s\n%s\n", VELKAR_VERSION, VELKAR_LICENCE_LINE);
            return 0;
        }
    }
    return -1;
}

const char* UnknownArgument(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const ProgramOption* option = FindOption(argv[i]);
        if (option == nullptr) return argv[i];
        if (option->value != nullptr) ++i;
    }
    return nullptr;
}

} // namespace velkar
