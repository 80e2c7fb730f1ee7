// velkar-sim: runs the game headless, frame by frame, with scripted controls.
#include <algorithm>
#include <array>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "base/trace.h"
#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/player.h"
#include "png_writer.h"
#include "replay/replay.h"
#include "replay_games.h"
#include "sim_options.h"
#include "sim_settings.h"
#include "sim_sound.h"
#include "sim_state.h"
#include "soak.h"

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

bool ShotWanted(const std::vector<FrameFile>& targets, int64_t frame) {
    for (const FrameFile& target : targets) {
        if (target.frame == frame) return true;
    }
    return false;
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

// Frame times in a fixed table, so that a long benchmark's own memory does not grow with its
// length: tenths of a microsecond up to 1 ms, then steps of 10 us up to 100 ms (longer frames
// count in the last slot).
class FrameTimes {
  public:
    void Add(double micros) {
        ++slots_[SlotOf(micros)];
        ++count_;
        total_ += micros;
        max_ = std::max(max_, micros);
    }
    // Time below which the given share of the frames fall (the lower end of its slot).
    double Quantile(double share) const {
        const uint64_t rank = static_cast<uint64_t>(share * static_cast<double>(count_ - 1));
        uint64_t seen = 0;
        for (size_t slot = 0; slot < SLOTS; ++slot) {
            seen += slots_[slot];
            if (seen > rank) return slot < FINE ? slot / 10.0 : 1000.0 + (slot - FINE) * 10.0;
        }
        return max_;
    }
    void Print() const {
        if (count_ == 0) {
            std::printf("frames=0 fps=0 mean_us=0 p50_us=0 p99_us=0 max_us=0");
            return;
        }
        const double mean = total_ / static_cast<double>(count_);
        std::printf("frames=%llu fps=%.0f mean_us=%.1f p50_us=%.1f p99_us=%.1f max_us=%.1f",
                    static_cast<unsigned long long>(count_), mean > 0 ? 1e6 / mean : 0.0, mean,
                    Quantile(0.5), Quantile(0.99), max_);
    }

  private:
    static constexpr size_t FINE = 10'000; // 0.1 us slots below 1 ms
    static constexpr size_t SLOTS = FINE + 9'900;
    static size_t SlotOf(double micros) {
        if (micros < 1000.0) return static_cast<size_t>(std::max(0.0, micros * 10.0));
        const double coarse = (micros - 1000.0) / 10.0;
        return coarse >= SLOTS - FINE - 1 ? SLOTS - 1 : FINE + static_cast<size_t>(coarse);
    }
    std::array<uint32_t, SLOTS> slots_{};
    uint64_t count_ = 0;
    double total_ = 0;
    double max_ = 0;
};

// Peak resident memory of the whole process so far, in KiB.
long PeakMemoryKib() {
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return -1;
    return usage.ru_maxrss;
}

// What a soak saw, printed at its end so that a run shows how far the random controls got.
struct SoakTally {
    int64_t games = 0;     // entries into play from another mode
    int64_t gameOvers = 0; // entries into the game-over screen
    int64_t continues = 0; // continues taken
    int64_t stages = 0;    // stage changes within games
    int32_t maxStage = 0;
    int32_t lastMode = MODE_TITLE;
    int32_t lastStage = 0;
    int32_t lastContinues = 0;

    void Note() {
        if (TheGame().gameMode == MODE_PLAY && lastMode != MODE_PLAY) ++games;
        if (TheGame().gameMode == MODE_GAME_OVER && lastMode != MODE_GAME_OVER) ++gameOvers;
        if (TheGame().gameMode == MODE_PLAY && lastMode == MODE_PLAY) {
            if (TheGame().stageNumber > lastStage) ++stages;
            if (TheGame().continueCount > lastContinues) ++continues;
        }
        if (TheGame().gameMode == MODE_PLAY) maxStage = std::max(maxStage, TheGame().stageNumber);
        lastMode = TheGame().gameMode;
        lastStage = TheGame().stageNumber;
        lastContinues = TheGame().continueCount;
    }
};

// The rules a soak holds after every frame; a message naming the broken one, or empty.
std::string SoakFault() {
    Game& g = TheGame();
    if (g.gameMode < MODE_TITLE || g.gameMode > MODE_GAME_OVER)
        return "the game mode is out of range";
    if (g.quitRequested != 0) return "a quit request outlived its frame";
    if (g.stageNumber < 0 || g.stageNumber > 99) return "the stage number is out of range";
    return "";
}

// A frame that runs this long has stopped: no real frame takes a thousandth of it.
constexpr int32_t FRAME_LIMIT_SECONDS = 10;

// --replay FILE --seek FRAME: plays to the frame by seeking from the start (the snapshots made
// on the way), writes its screen and prints the state there.
int SeekAndShow(const Options& options, const std::string& effects) {
    if (!SeekPlayback(options.seek + 1)) {
        std::fprintf(stderr, "velkar-sim: %s: cannot seek in it\n", options.replayPath.c_str());
        return 1;
    }
    if (!WriteShots(options.screenPngs, options.seek, ProgramPainter.screen, SCREEN_WIDTH,
                    SCREEN_HEIGHT)) {
        return 1;
    }
    SettlePlayback();
    if (options.json)
        std::printf("%s\n", StateJson(options.seek + 1, effects, ReplayJson(nullptr)).c_str());
    const PlaybackResult outcome = PlaybackOutcome();
    std::fprintf(stderr, "velkar-sim: %s: %s\n", options.replayPath.c_str(),
                 DescribePlayback(outcome).c_str());
    if (outcome.state == PLAYBACK_DIFFERS) return 1;
    return outcome.state == PLAYBACK_NO_CLOSING ? 4 : 0;
}

} // namespace

int main(int argc, char** argv) {
    Game& g = TheGame();
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "velkar-sim: %s\n", error.c_str());
        std::fprintf(stderr,
                     "usage: velkar-sim [--frames N] [--input FILE] [--hold HEX] "
                     "[--png FRAME:FILE]... [--canvas-png FRAME:FILE]... [--json] [--every N] "
                     "[--digest N] [--bench] [--trace] [--god] [--settings FILE] [--rank N] "
                     "[--name TEXT] [--wave-dir DIR] [--soak SEED] [--replay FILE] [--seek FRAME] "
                     "[--record FILE]\n");
        return 2;
    }
    if (options.help || options.version) {
        (options.help ? PrintHelp : PrintVersion)();
        return 0;
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
    // The header takes the rank and hi-scores as the settings and --rank left them, as the
    // window programs start their recordings after reading the settings.
    const bool recording = !options.recordPath.empty();
    if (recording && !StartRecording(options.recordPath.c_str(), "velkar-sim", error)) {
        std::fprintf(stderr, "velkar-sim: --record: %s\n", error.c_str());
        return 2;
    }
    const std::string effects = options.waveDir.empty() ? "" : LoadEffectsJson(options.waveDir);
    if (CreateCanvases(ProgramPainter) != 0) {
        std::fprintf(stderr, "velkar-sim: canvases could not be made\n");
        return 1;
    }
    BeginAttract();

    if (options.seek >= 0) return SeekAndShow(options, effects);

    InputCursor cursor(options);
    SoakControls soak(options.soakSeed);
    SoakTally tally;
    const std::string seedText =
        options.soak ? " (soak seed " + std::to_string(options.soakSeed) + ")" : "";
    FrameTimes times;
    bool namePending = false;
    EndedGames endedGames;  // the games the replay ends, for the JSON
    uint64_t runDigest = 0; // every frame's digest so far, chained
    FrameWatchdog watchdog(FRAME_LIMIT_SECONDS, seedText);
    int64_t framesRun = options.frames;
    int64_t drawnUpTo = -1; // the last frame drawn
    for (int64_t frame = 0; frame < options.frames; ++frame) {
        if (replaying) {
            ReplayBeforeFrame();
        } else {
            ServeNameEntry(options, namePending);
            InputBits = options.soak ? soak.Next() | options.hold : cursor.BitsFor(frame);
            if (recording) ReplayBeforeFrame();
        }
        // A hit raised during the previous frame is taken by the ship at the start of this one;
        // --god withdraws it first, so bullets and bodies still meet the ship but never harm it.
        if (options.god) g.hitFlag = 0;
        watchdog.FrameStarts(frame);
        // A replay is checked on the screens its file holds digests of; the other frames need
        // no picture unless an option shows it. (The whole canvas keeps what earlier frames drew
        // outside the view, so its pictures need every frame drawn.)
        const bool draw = !replaying || PlaybackLooksAtScreen() || options.digestEvery > 0 ||
                          !options.canvasPngs.empty() ||
                          (options.every > 0 && (frame + 1) % options.every == 0) ||
                          ShotWanted(options.screenPngs, frame);
        if (options.bench) {
            const auto start = std::chrono::steady_clock::now();
            StepGameFrame();
            if (draw) DrawGameFrame(ProgramPainter);
            const auto stop = std::chrono::steady_clock::now();
            times.Add(std::chrono::duration<double, std::micro>(stop - start).count());
        } else {
            StepGameFrame();
            if (draw) DrawGameFrame(ProgramPainter);
        }
        drawnUpTo = draw ? frame : drawnUpTo;
        watchdog.FrameEnds();
        if (options.soak) {
            const std::string fault = SoakFault();
            if (!fault.empty()) {
                std::fprintf(stderr, "velkar-sim: frame %lld: %s%s\n",
                             static_cast<long long>(frame), fault.c_str(), seedText.c_str());
                if (recording) {
                    ReplayAfterFrame(); // the faulty frame is the recording's last
                    FinishRecording();
                }
                return 1;
            }
            tally.Note();
        }
        if (replaying || recording) ReplayAfterFrame();
        if (replaying || recording) endedGames.AfterFrame(frame);
        if (!WriteShots(options.screenPngs, frame, ProgramPainter.screen, SCREEN_WIDTH,
                        SCREEN_HEIGHT) ||
            !WriteShots(options.canvasPngs, frame, ProgramPainter.canvas, CANVAS_WIDTH,
                        CANVAS_HEIGHT)) {
            return 1;
        }
        if (options.digestEvery > 0) {
            runDigest = (runDigest ^ FrameDigest()) * 0x100000001b3ull;
            runDigest ^= runDigest >> 29;
            if ((frame + 1) % options.digestEvery == 0) {
                std::printf("%" PRId64 " %d %d %016" PRIx64 "\n", frame + 1, g.gameMode,
                            g.stageNumber, runDigest);
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
    // The screen shows the last frame run, drawn now if it was left undrawn.
    if (framesRun > 0 && drawnUpTo != framesRun - 1) DrawGameFrame(ProgramPainter);
    // Closed while the screen still shows the last frame: its digest is the closing one.
    if (recording && !FinishRecording()) {
        std::fprintf(stderr, "velkar-sim: --record: writing %s failed\n",
                     options.recordPath.c_str());
        return 1;
    }
    if (!options.settingsPath.empty() && !SaveSimSettings()) {
        std::fprintf(stderr, "velkar-sim: cannot write the settings file %s\n",
                     options.settingsPath.c_str());
        return 1;
    }
    if (options.soak) {
        std::printf("soak seed=%llu frames=%lld games=%lld continues=%lld stages=%lld "
                    "game_overs=%lld max_stage=%d\n",
                    static_cast<unsigned long long>(options.soakSeed),
                    static_cast<long long>(options.frames), static_cast<long long>(tally.games),
                    static_cast<long long>(tally.continues), static_cast<long long>(tally.stages),
                    static_cast<long long>(tally.gameOvers), static_cast<int>(tally.maxStage));
    }
    if (replaying) SettlePlayback(); // the outcome is final before the JSON reports it
    if (options.json) {
        std::printf("%s\n", StateJson(framesRun, effects,
                                      replaying   ? ReplayJson(&endedGames)
                                      : recording ? endedGames.Json()
                                                  : std::string())
                                .c_str());
    }
    if (options.bench) {
        times.Print();
        std::printf(" peak_kib=%ld\n", PeakMemoryKib());
    }
    if (replaying) {
        const PlaybackResult outcome = PlaybackOutcome();
        std::fprintf(stderr, "velkar-sim: %s: %s\n", options.replayPath.c_str(),
                     DescribePlayback(outcome).c_str());
        // 0 only for a game matched to the closing digests; 4 for a file without its closing
        // line (a recording cut off), whose checks matched as far as they went.
        if (outcome.state == PLAYBACK_MATCHED) return 0;
        return outcome.state == PLAYBACK_NO_CLOSING ? 4 : 1;
    }
    return 0;
}
