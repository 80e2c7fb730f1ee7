// Plays a replay in a child process (velkar-sim --replay FILE --json, the runner every replay
// is checked with) under limits on memory, CPU and wall-clock time, and reads its verdict.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "store.h"

namespace velkar::board {

struct VerifierLimits {
    int64_t memoryBytes = int64_t{1} << 30; // address space of the child
    int32_t cpuSecondsBase = 5;             // CPU seconds for any file...
    // ...plus one second per this many frames: a quarter of what the player plays per
    // CPU-second on a small host, so that a slower or busy one still plays every honest file.
    int64_t framesPerCpuSecond = 6000;
    int64_t outputBytes = 4 << 20; // what the child may print
};

struct Verdict {
    // The player judged the file (it ran and said matched, differs, no closing line or not a
    // replay). false: it could not judge it now (it did not start, was killed, gave no answer),
    // which is no fault of the file: the file stays pending and is tried again.
    bool judged = false;
    bool verified = false;
    std::string reason;         // refused: why, for the person who sent the file; not judged:
                                // the cause, for the operator's log
    int64_t frames = 0;         // frames played
    std::vector<Entry> entries; // replay, frames and submitted are left for the caller
};

// Interprets what velkar-sim printed: its exit status, its JSON line and its messages. The
// file's own path in a message is replaced by "replay".
Verdict ReadVerdict(int exitStatus, const std::string& output, const std::string& messages,
                    const std::string& path);

// The CPU seconds the player may use on a file of `frames` frames.
int64_t CpuSecondsFor(int64_t frames, const VerifierLimits& limits);

// Runs the runner at simPath on the file at path, which plays `frames` frames. When stopAtMs
// holds a time (steady clock, milliseconds; 0: none) the player is stopped then, without a
// verdict: the board is stopping.
Verdict VerifyInChild(const std::string& simPath, const std::string& path, int64_t frames,
                      const VerifierLimits& limits, const std::atomic<int64_t>* stopAtMs);

} // namespace velkar::board
