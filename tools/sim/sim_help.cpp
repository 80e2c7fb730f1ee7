// velkar-sim's --help and --version texts.
#include <cstdio>

#include "sim_options.h"
#include "velkar_version.h"

namespace velkar::sim {

void PrintHelp() {
    std::fputs(
        "Usage: velkar-sim [OPTION]...\n"
        "Runs the VELKAR game headless, frame by frame, with scripted controls: from start-up\n"
        "(the title) through N game frames, with no window, no sound device and no clock.\n"
        "\n"
        "  --frames N              game frames to run (default 600)\n"
        "  --input FILE            controls: lines \"FRAME HEXBITS\", held until the next line\n"
        "  --hold HEX              control bits ORed into every frame\n"
        "  --png FRAME:FILE        write the 240 x 320 screen after that frame (repeatable)\n"
        "  --canvas-png FRAME:FILE write the whole 720 x 960 canvas after that frame\n"
        "  --json                  print the game state as JSON after the last frame\n"
        "  --every N               print the state as one JSON line after every N-th frame\n"
        "  --digest N              print \"FRAME MODE STAGE DIGEST\" after every N-th frame\n"
        "  --bench                 time the frames and print their statistics\n"
        "  --trace                 print the game's diagnostic messages to stderr\n"
        "  --god                   keep the ship from taking hits\n"
        "  --settings FILE         read the settings file at start-up, write it at the end\n"
        "  --rank N                rank 0 (Normal) or 1 (Hard)\n"
        "  --name TEXT             answer requests for a name with TEXT (cut to 9 characters)\n"
        "  --wave-dir DIR          load the ten effects from DIR through silent voices\n"
        "  --soak SEED             play random controls drawn from SEED, checking every frame\n"
        "  --replay FILE           play a recorded game and check it against its digests\n"
        "  --seek FRAME            with --replay: play to that frame by seeking, most frames\n"
        "                          undrawn; --png FILE then writes its screen, --json its state\n"
        "  --record FILE           write the run as a replay file, as the window programs do\n"
        "  --help                  show this help and end\n"
        "  --version               show the program's version and end\n"
        "\n"
        "Control bits: 1 up, 2 down, 4 left, 8 right, 10 shot, 20 laser, 40 bomb, 100 start,\n"
        "200 quit, 400 pause. Exit status: 0 done (a replay matched to its closing digests),\n"
        "1 a failed check (soak or replay), 2 bad options or files (a replay refused),\n"
        "3 a frame that did not end within 10 s, 4 a replay without its closing line played\n"
        "to its end.\n",
        stdout);
}

void PrintVersion() {
    std::printf("velkar-sim %s\n%s\n", VELKAR_VERSION, VELKAR_LICENCE_LINE);
}

} // namespace velkar::sim
