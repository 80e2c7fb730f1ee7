// The runner's soak controls (random control words from a seed) and its frame watchdog.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace velkar::sim {

// Random control words for a soak: every one of the 32 bits is held for a random number of
// frames (1 to 32768, short and long holds alike) and then flips, each bit on its own, and at
// random moments of the same kind the whole word is drawn afresh; any frame's word is uniformly
// random. Its own generator (splitmix64): the game's random sequence is left alone.
class SoakControls {
  public:
    explicit SoakControls(uint64_t seed);
    // The control word of the next frame.
    int32_t Next();

  private:
    uint64_t Draw();
    int32_t HoldLength();

    uint64_t state_;
    uint32_t word_ = 0;
    int32_t left_[32] = {}; // frames until each bit flips
    int32_t wordLeft_ = 0;  // frames until the whole word is drawn again
};

// Ends the process with a message when one frame runs longer than the limit, so that a frame
// that never ends fails a run instead of hanging it. The runner marks each frame's start and end.
class FrameWatchdog {
  public:
    // context is added to the message (the soak's seed, say).
    FrameWatchdog(int32_t limitSeconds, std::string context);
    ~FrameWatchdog();
    FrameWatchdog(const FrameWatchdog&) = delete;
    FrameWatchdog& operator=(const FrameWatchdog&) = delete;

    void FrameStarts(int64_t frame) {
        frame_.store(frame, std::memory_order_relaxed);
        running_.fetch_add(1, std::memory_order_release);
    }
    void FrameEnds() { running_.fetch_add(1, std::memory_order_release); }

  private:
    void Watch();

    const int32_t limitSeconds_;
    const std::string context_;
    std::atomic<int64_t> frame_{0};
    std::atomic<uint64_t> running_{0}; // odd while a frame runs
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace velkar::sim
