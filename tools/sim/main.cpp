// velkar-sim: runs the game headless, frame by frame, with scripted controls.
#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "app/replay.h"
#include "app/trace.h"
#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/player.h"
#include "png_writer.h"
#include "sim_options.h"
#include "sim_settings.h"
#include "sim_sound.h"
#include "sim_state.h"

using namespace velkar;
using namespace velkar::sim;

namespace {

void TraceToStderr(const char* message) {
    std::fputs(message, stderr);
}

// Controls of frame k: the bits of the last script line at or before k, plus --hold.
class InputCursor {
  public:
    explicit InputCursor(const Options& options) : options_(options) {}
    int32_t BitsFor(int64_t frame) {
        while (next_ < options_.input.size() && options_.input[next_].frame <= frame) {
            current_ = options_.input[next_].bits;
            ++next_;
        }
        return current_ | options_.hold;
    }

  private:
    const Options& options_;
    size_t next_ = 0;
    int32_t current_ = 0;
};

// Stands in for the tick and the UI thread's Name Entry dialog: a request is posted once and
// answered on the following frame with --name's text, or as cancelled (an empty name).
void ServeNameEntry(const Options& options, bool& pending) {
    if (pending) {
        AnswerNameEntry(options.hasName ? options.name.c_str() : nullptr);
        NameEntryDone.store(1, std::memory_order_release);
        pending = false;
    } else if (NameEntryRequested != 0 && NameEntryPosted == 0) {
        NameEntryPosted = 1;
        pending = true;
    }
}

bool WriteShots(const std::vector<FrameFile>& targets, int64_t frame, const uint8_t* bits,
                int width, int height) {
    for (const FrameFile& target : targets) {
        if (target.frame != frame) continue;
        std::string error;
        if (!WritePng(target.path, bits, width, height, error)) {
            std::fprintf(stderr, "velkar-sim: %s\n", error.c_str());
            return false;
        }
    }
    return true;
}

void PrintBench(std::vector<double>& micros) {
    if (micros.empty()) {
        std::printf("frames=0 fps=0 mean_us=0 p50_us=0 p99_us=0 max_us=0\n");
        return;
    }
    double total = 0;
    for (double us : micros)
        total += us;
    std::sort(micros.begin(), micros.end());
    const size_t n = micros.size();
    const double mean = total / static_cast<double>(n);
    const double p50 = micros[(n - 1) / 2];
    const double p99 = micros[std::min(n - 1, (n * 99) / 100)];
    std::printf("frames=%zu fps=%.0f mean_us=%.1f p50_us=%.1f p99_us=%.1f max_us=%.1f\n", n,
                mean > 0 ? 1e6 / mean : 0.0, mean, p50, p99, micros.back());
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "velkar-sim: %s\n", error.c_str());
        std::fprintf(stderr,
                     "usage: velkar-sim [--frames N] [--input FILE] [--hold HEX] "
                     "[--png FRAME:FILE]... [--canvas-png FRAME:FILE]... [--json] [--every N] "
                     "[--digest N] [--bench] [--trace] [--god] [--settings FILE] [--rank N] "
                     "[--name TEXT] [--wave-dir DIR] [--replay FILE]\n");
        return 2;
    }
    // A replay is read whole before anything runs: a damaged file plays no frame.
    ReplayData replay;
    const bool replaying = !options.replayPath.empty();
    if (replaying) {
        if (!ReadReplayFile(options.replayPath, replay, error)) {
            std::fprintf(stderr, "velkar-sim: %s\n", error.c_str());
            return 2;
        }
        options.frames = replay.frames;
        if (!CheckFramesReached(options, error)) {
            std::fprintf(stderr, "velkar-sim: %s\n", error.c_str());
            return 2;
        }
    }
    if (options.trace) SetTraceSink(TraceToStderr);

    if (InitGame() != 0) {
        std::fprintf(stderr, "velkar-sim: game initialisation failed\n");
        return 1;
    }
    if (!options.settingsPath.empty() && !LoadSimSettings(options.settingsPath, error)) {
        std::fprintf(stderr, "velkar-sim: %s\n", error.c_str());
        return 2;
    }
    if (options.rank >= 0) ApplySimRank(options.rank);
    if (replaying) StartPlayback(std::move(replay), 0);
    const std::string effects = options.waveDir.empty() ? "" : LoadEffectsJson(options.waveDir);
    if (CreateCanvases() != 0) {
        std::fprintf(stderr, "velkar-sim: canvases could not be made\n");
        return 1;
    }
    BeginAttract();

    InputCursor cursor(options);
    std::vector<double> micros;
    if (options.bench) micros.reserve(static_cast<size_t>(options.frames));
    bool namePending = false;
    uint64_t runDigest = 0; // every frame's digest so far, chained
    int64_t framesRun = options.frames;
    for (int64_t frame = 0; frame < options.frames; ++frame) {
        if (replaying) {
            ReplayBeforeFrame();
        } else {
            ServeNameEntry(options, namePending);
            InputBits = cursor.BitsFor(frame);
        }
        // A hit raised during the previous frame is taken by the ship at the start of this one;
        // --god withdraws it first, so bullets and bodies still meet the ship but never harm it.
        if (options.god) HitFlag = 0;
        if (options.bench) {
            const auto start = std::chrono::steady_clock::now();
            RunGameFrame(FrameCanvasBits);
            const auto stop = std::chrono::steady_clock::now();
            micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
        } else {
            RunGameFrame(FrameCanvasBits);
        }
        if (replaying) ReplayAfterFrame();
        if (!WriteShots(options.screenPngs, frame, ScreenBufferBits, SCREEN_WIDTH, SCREEN_HEIGHT) ||
            !WriteShots(options.canvasPngs, frame, FrameCanvasBits, CANVAS_WIDTH, CANVAS_HEIGHT)) {
            return 1;
        }
        if (options.digestEvery > 0) {
            runDigest = (runDigest ^ FrameDigest()) * 0x100000001b3ull;
            runDigest ^= runDigest >> 29;
            if ((frame + 1) % options.digestEvery == 0) {
                std::printf("%" PRId64 " %d %d %016" PRIx64 "\n", frame + 1, GameMode, StageNumber,
                            runDigest);
            }
        }
        if (options.every > 0 && (frame + 1) % options.every == 0) {
            std::printf("%s\n", StateJson(frame + 1, effects).c_str());
        }
        if (replaying && PlaybackOutcome().state == PLAYBACK_DIFFERS) {
            framesRun = frame + 1; // nothing after the first difference is worth playing
            break;
        }
    }
    if (!options.settingsPath.empty() && !SaveSimSettings()) {
        std::fprintf(stderr, "velkar-sim: cannot write the settings file %s\n",
                     options.settingsPath.c_str());
        return 1;
    }
    if (options.json) std::printf("%s\n", StateJson(framesRun, effects).c_str());
    if (options.bench) PrintBench(micros);
    if (replaying) {
        SettlePlayback();
        const PlaybackResult outcome = PlaybackOutcome();
        std::fprintf(stderr, "velkar-sim: %s: %s\n", options.replayPath.c_str(),
                     DescribePlayback(outcome).c_str());
        return outcome.state == PLAYBACK_DIFFERS ? 1 : 0;
    }
    return 0;
}
