// Command-line parsing of velkar-sim: strict, with messages that name what was wrong.
#include "sim_options.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace velkar::sim {

namespace {

bool ParseCount(const std::string& text, int64_t& value) {
    if (text.empty() || text.size() > 12) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    value = std::strtoll(text.c_str(), nullptr, 10);
    return true;
}

bool ParseHex(const std::string& text, int32_t& value) {
    if (text.empty() || text.size() > 8) return false;
    for (char c : text) {
        const bool digit =
            (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit) return false;
    }
    value = static_cast<int32_t>(std::strtoul(text.c_str(), nullptr, 16));
    return true;
}

bool ParseFrameFile(const std::string& text, FrameFile& out) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon + 1 >= text.size()) return false;
    if (!ParseCount(text.substr(0, colon), out.frame)) return false;
    out.path = text.substr(colon + 1);
    return true;
}

} // namespace

bool ParseInputScript(const std::string& text, const std::string& name,
                      std::vector<InputStep>& steps, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    int64_t lastFrame = -1;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream fields(line);
        std::string frameText, bitsText, extra;
        if (!(fields >> frameText)) continue; // blank or comment only
        InputStep step;
        const bool ok = static_cast<bool>(fields >> bitsText) && !(fields >> extra) &&
                        ParseCount(frameText, step.frame) && ParseHex(bitsText, step.bits);
        if (!ok) {
            error = name + ":" + std::to_string(lineNumber) +
                    ": expected \"FRAME HEXBITS\" (decimal frame, hexadecimal bits)";
            return false;
        }
        if (step.frame <= lastFrame) {
            error = name + ":" + std::to_string(lineNumber) +
                    ": frame numbers must increase from line to line";
            return false;
        }
        lastFrame = step.frame;
        steps.push_back(step);
    }
    return true;
}

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    std::string scripted; // the last option that a replay's file replaces
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        for (const char* option : {"--frames", "--input", "--hold", "--god", "--settings", "--rank",
                                   "--name", "--soak"}) {
            if (arg == option) scripted = arg;
        }
        if (arg == "--replay") {
            if (!value(options.replayPath)) return false;
        } else if (arg == "--record") {
            if (!value(options.recordPath)) return false;
            if (options.recordPath.empty()) {
                error = "--record needs a file name";
                return false;
            }
        } else if (arg == "--frames") {
            if (!value(v)) return false;
            if (!ParseCount(v, options.frames)) {
                error = "--frames: not a frame count: " + v;
                return false;
            }
        } else if (arg == "--input") {
            if (!value(v)) return false;
            std::ifstream file(v, std::ios::binary);
            if (!file) {
                error = "--input: cannot read " + v;
                return false;
            }
            std::stringstream text;
            text << file.rdbuf();
            options.input.clear();
            if (!ParseInputScript(text.str(), v, options.input, error)) return false;
            options.hasInput = true;
        } else if (arg == "--soak") {
            if (!value(v)) return false;
            int64_t seed = 0;
            if (!ParseCount(v, seed)) {
                error = "--soak: expected a decimal seed, got " + v;
                return false;
            }
            options.soak = true;
            options.soakSeed = static_cast<uint64_t>(seed);
        } else if (arg == "--hold") {
            if (!value(v)) return false;
            if (!ParseHex(v, options.hold)) {
                error = "--hold: not hexadecimal bits: " + v;
                return false;
            }
        } else if (arg == "--seek") {
            if (!value(v)) return false;
            if (!ParseCount(v, options.seek)) {
                error = "--seek: not a frame number: " + v;
                return false;
            }
        } else if (arg == "--png" || arg == "--canvas-png") {
            if (!value(v)) return false;
            FrameFile target;
            if (arg == "--png" && !v.empty() && !ParseFrameFile(v, target)) {
                target.frame = -1; // the seek frame's screen, when --seek is given
                target.path = v;
            } else if (!ParseFrameFile(v, target)) {
                error = arg + ": expected FRAME:FILE, got " + v;
                return false;
            }
            (arg == "--png" ? options.screenPngs : options.canvasPngs).push_back(target);
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--every") {
            if (!value(v)) return false;
            if (!ParseCount(v, options.every) || options.every == 0) {
                error = "--every: expected a positive frame count, got " + v;
                return false;
            }
        } else if (arg == "--digest") {
            if (!value(v)) return false;
            if (!ParseCount(v, options.digestEvery) || options.digestEvery == 0) {
                error = "--digest: expected a positive frame count, got " + v;
                return false;
            }
        } else if (arg == "--bench") {
            options.bench = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--god") {
            options.god = true;
        } else if (arg == "--wave-dir") {
            if (!value(options.waveDir)) return false;
        } else if (arg == "--settings") {
            if (!value(options.settingsPath)) return false;
        } else if (arg == "--rank") {
            if (!value(v)) return false;
            if (v != "0" && v != "1") {
                error = "--rank: expected 0 (Normal) or 1 (Hard), got " + v;
                return false;
            }
            options.rank = v == "1" ? 1 : 0;
        } else if (arg == "--name") {
            if (!value(options.name)) return false;
            options.hasName = true;
        } else if (arg == "--help" || arg == "--version") {
            (arg == "--help" ? options.help : options.version) = true;
            return true; // nothing else is checked or run
        } else {
            error = "unknown option: " + arg;
            return false;
        }
    }
    if (options.soak && options.hasInput) {
        error = "--soak and --input both give the controls: use one";
        return false;
    }
    if (!options.recordPath.empty()) {
        // A replay holds controls and menu events only: a runner's help to the ship is not in
        // it, and a replay is played, not recorded again.
        if (options.god) {
            error = "--god cannot be used with --record (a replay cannot hold it)";
            return false;
        }
        if (!options.replayPath.empty()) {
            error = "--record and --replay cannot be used together";
            return false;
        }
    }
    if (options.seek >= 0) {
        // Seeking leaves frames undrawn and runs no frame after the one sought.
        if (options.replayPath.empty()) {
            error = "--seek needs --replay";
            return false;
        }
        const char* refused = !options.canvasPngs.empty() ? "--canvas-png"
                              : options.every > 0         ? "--every"
                              : options.digestEvery > 0   ? "--digest"
                              : options.bench             ? "--bench"
                                                          : nullptr;
        if (refused != nullptr) {
            error = std::string(refused) + " cannot be used with --seek";
            return false;
        }
        for (FrameFile& target : options.screenPngs) {
            if (target.frame < 0) target.frame = options.seek;
            if (target.frame != options.seek) {
                error = "--png " + std::to_string(target.frame) + ":" + target.path +
                        ": with --seek only the frame sought is written";
                return false;
            }
        }
    }
    for (const FrameFile& target : options.screenPngs) {
        if (target.frame < 0) {
            error = "--png: expected FRAME:FILE, got " + target.path;
            return false;
        }
    }
    if (!options.replayPath.empty()) {
        if (!scripted.empty()) {
            error = scripted + " cannot be used with --replay (the replay decides it)";
            return false;
        }
        return true; // the frames to reach are known once the replay is read
    }
    return CheckFramesReached(options, error);
}

bool CheckFramesReached(const Options& options, std::string& error) {
    if (options.seek >= options.frames) {
        error = "--seek " + std::to_string(options.seek) + " is never reached: the replay has " +
                std::to_string(options.frames) + " frames";
        return false;
    }
    for (const auto* list : {&options.screenPngs, &options.canvasPngs}) {
        for (const FrameFile& target : *list) {
            if (target.frame >= options.frames) {
                error = "frame " + std::to_string(target.frame) + " for " + target.path +
                        " is never reached with --frames " + std::to_string(options.frames);
                return false;
            }
        }
    }
    return true;
}

} // namespace velkar::sim
