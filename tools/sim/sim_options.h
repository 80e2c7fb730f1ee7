// Command-line options of velkar-sim and their parser.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velkar::sim {

struct FrameFile {
    int64_t frame = 0;
    std::string path;
};

// One line of an input script: from `frame` on, `bits` are held.
struct InputStep {
    int64_t frame = 0;
    int32_t bits = 0;
};

struct Options {
    int64_t frames = 600;
    std::vector<InputStep> input;
    int32_t hold = 0;
    std::vector<FrameFile> screenPngs;
    std::vector<FrameFile> canvasPngs;
    bool json = false;
    int64_t every = 0;
    int64_t digestEvery = 0; // 0: no digest lines
    bool bench = false;
    bool trace = false;
    bool god = false;         // the runner keeps the ship from taking hits
    std::string settingsPath; // read at start-up, written back after the last frame
    int32_t rank = -1;        // -1: as the settings say
    bool hasName = false;     // without a name, name requests are answered as cancelled
    std::string name;
    std::string waveDir; // effects loaded from here through silent voices
    bool hasInput = false;
    bool soak = false; // random controls from soakSeed instead of a script
    uint64_t soakSeed = 0;
    // A replay to play: its file decides the frames, the controls, the rank, the hi-scores and
    // the name answers, so --frames, --input, --hold, --god, --settings, --rank and --name are
    // refused with it.
    std::string replayPath;
    // With a replay: the frame (0-based) to seek to. The replay plays to it by seeking, without
    // drawing the frames on the way except those its checks look at; a --png without a frame
    // writes the screen there. -1: no seek.
    int64_t seek = -1;
    // The run written as a replay file as it goes, as the window programs record a game.
    std::string recordPath;
    bool help = false;    // --help: print the options and end
    bool version = false; // --version: print the version and end
};

// Parses argv; on failure returns false with a message naming the option, file or line.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

// Checks that every --png and --canvas-png frame lies within options.frames.
bool CheckFramesReached(const Options& options, std::string& error);

// Parses an input script ("FRAME HEXBITS" lines, '#' comments); name is used in messages.
bool ParseInputScript(const std::string& text, const std::string& name,
                      std::vector<InputStep>& steps, std::string& error);

// The texts of --help and --version, on the standard output.
void PrintHelp();
void PrintVersion();

} // namespace velkar::sim
