// Seeking in a long replay: the first seek to its end (which plays every frame and keeps the
// snapshots), then seeks once the snapshots exist, and what the snapshots take. The replay is
// VELKAR_SEEK_REPLAY, for instance a 30-minute one made with
//   velkar-sim --soak 11 --frames 112500 --record soak30.vrp
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "game/frame_sequence.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "record/random.h"
#include "replay/replay.h"

using namespace velkar;

namespace {

bool Load(benchmark::State& state, ReplayData& data) {
    const char* path = std::getenv("VELKAR_SEEK_REPLAY");
    std::string error;
    if (path == nullptr || !ReadReplayFile(path, data, error)) {
        state.SkipWithError(path == nullptr ? "set VELKAR_SEEK_REPLAY to a replay file"
                                            : error.c_str());
        return false;
    }
    return true;
}

// A fresh program with the replay's playback started.
bool Start(const ReplayData& data) {
    TheGame().randomSeed = 1;
    if (InitGame() != 0) return false;
    DestroyCanvases(ProgramPainter);
    if (CreateCanvases(ProgramPainter) != 0) return false;
    StartPlayback(ReplayData(data), 0);
    BeginAttract();
    return true;
}

void Counters(benchmark::State& state, const ReplayData& data) {
    const double snapshots = static_cast<double>(PlaybackSnapshotCount());
    state.counters["frames"] = static_cast<double>(data.frames);
    state.counters["snapshots"] = snapshots;
    state.counters["snapshot_KiB"] = static_cast<double>(PlaybackSnapshotBytes()) / 1024.0;
    state.counters["snapshots_MiB"] =
        snapshots * static_cast<double>(PlaybackSnapshotBytes()) / (1024.0 * 1024.0);
}

// From the start to the end, every snapshot made on the way.
void BM_FirstSeekToTheEnd(benchmark::State& state) {
    ReplayData data;
    if (!Load(state, data)) return;
    for (auto _ : state) {
        state.PauseTiming();
        if (!Start(data)) state.SkipWithError("the game did not start");
        state.ResumeTiming();
        SeekPlayback(data.frames);
    }
    Counters(state, data);
    EndReplaySession();
}
BENCHMARK(BM_FirstSeekToTheEnd)->Unit(benchmark::kMillisecond)->Iterations(3);

// With the snapshots made: seeks to frames spread over the whole replay, back and forth.
void BM_SeekWithSnapshots(benchmark::State& state) {
    ReplayData data;
    if (!Load(state, data)) return;
    if (!Start(data)) state.SkipWithError("the game did not start");
    SeekPlayback(data.frames);
    uint64_t lcg = 12345;
    for (auto _ : state) {
        lcg = lcg * 6364136223846793005ull + 1442695040888963407ull;
        SeekPlayback(static_cast<int64_t>((lcg >> 33) % static_cast<uint64_t>(data.frames + 1)));
    }
    Counters(state, data);
    EndReplaySession();
}
BENCHMARK(BM_SeekWithSnapshots)->Unit(benchmark::kMillisecond)->Iterations(200);

// The longest seek once the snapshots exist: to the frame before a snapshot, from far away, so
// that 624 frames are played.
void BM_SeekWithSnapshotsWorstCase(benchmark::State& state) {
    ReplayData data;
    if (!Load(state, data)) return;
    if (!Start(data)) state.SkipWithError("the game did not start");
    SeekPlayback(data.frames);
    int64_t k = 0;
    const int64_t last = data.frames / PLAYBACK_SNAPSHOT_FRAMES;
    for (auto _ : state) {
        k = (k * 7 + 3) % last;
        SeekPlayback(k * PLAYBACK_SNAPSHOT_FRAMES + PLAYBACK_SNAPSHOT_FRAMES - 1);
    }
    Counters(state, data);
    EndReplaySession();
}
BENCHMARK(BM_SeekWithSnapshotsWorstCase)->Unit(benchmark::kMillisecond)->Iterations(100);

} // namespace
