// Soak controls from a seed, and the watchdog that turns a frame that never ends into a failure.
#include "soak.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace velkar::sim {

SoakControls::SoakControls(uint64_t seed) : state_(seed) {
    word_ = static_cast<uint32_t>(Draw());
    for (int32_t& left : left_)
        left = HoldLength();
    wordLeft_ = HoldLength();
}

uint64_t SoakControls::Draw() {
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

int32_t SoakControls::HoldLength() {
    // A power-of-two scale from 1 to 32768 frames, then a length up to it: a bit is as likely to
    // be tapped for a frame as to be held for a minute.
    const uint64_t scale = uint64_t{1} << (Draw() % 16);
    return static_cast<int32_t>(1 + Draw() % scale);
}

int32_t SoakControls::Next() {
    for (int bit = 0; bit < 32; ++bit) {
        if (--left_[bit] > 0) continue;
        word_ ^= uint32_t{1} << bit;
        left_[bit] = HoldLength();
    }
    // Now and then the whole word is drawn afresh, so that several controls also change in the
    // same frame (start and quit pressed together, say), which lone flips almost never do.
    if (--wordLeft_ <= 0) {
        word_ = static_cast<uint32_t>(Draw());
        wordLeft_ = HoldLength();
    }
    return static_cast<int32_t>(word_);
}

// The browser build's runner has no threads (VELKAR_SIM_WATCHDOG is 0 there): it keeps no
// watch, and a frame that never ends is left to the test's own time limit.
FrameWatchdog::FrameWatchdog(int32_t limitSeconds, std::string context)
    : limitSeconds_(limitSeconds), context_(std::move(context)) {
#if VELKAR_SIM_WATCHDOG
    thread_ = std::thread([this] { Watch(); });
#endif
}

FrameWatchdog::~FrameWatchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable()) thread_.join();
}

void FrameWatchdog::Watch() {
    using Clock = std::chrono::steady_clock;
    uint64_t seen = running_.load(std::memory_order_acquire);
    Clock::time_point since = Clock::now();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; })) {
        const uint64_t now = running_.load(std::memory_order_acquire);
        if (now != seen) {
            seen = now;
            since = Clock::now();
            continue;
        }
        if ((now & 1) == 0 || Clock::now() - since < std::chrono::seconds(limitSeconds_)) continue;
        std::fprintf(stderr, "velkar-sim: frame %lld did not end within %d s%s\n",
                     static_cast<long long>(frame_.load(std::memory_order_relaxed)),
                     static_cast<int>(limitSeconds_), context_.c_str());
        std::fflush(stderr);
        std::_Exit(3); // the game thread is still inside the frame: no clean exit is possible
    }
}

} // namespace velkar::sim
