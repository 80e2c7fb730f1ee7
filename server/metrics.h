// What the board has done, counted for a monitor: submissions by outcome, verifications by
// verdict and their time, HTTP answers by status; written in the Prometheus text format.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace velkar::board {

class Metrics {
  public:
    // outcome: one word, such as "accepted" or "busy".
    void Submission(const std::string& outcome);
    // verdict: "verified", "refused" or "none" (the player gave no verdict).
    void Verification(const std::string& verdict, double seconds);
    void Request(int status);
    // The counters, with the gauges the caller reads at that moment (pending < 0: the store
    // did not answer).
    std::string Text(int64_t queueLength, int64_t pending) const;

  private:
    static constexpr double BUCKETS[] = {0.1, 0.25, 0.5, 1, 2.5, 5, 10, 30, 60, 120, 300, 600};
    static constexpr int BUCKET_COUNT = sizeof BUCKETS / sizeof BUCKETS[0];

    mutable std::mutex mutex_;
    std::map<std::string, int64_t> submissions_;
    std::map<std::string, int64_t> verifications_;
    std::map<int, int64_t> requests_;
    int64_t bucketCounts_[BUCKET_COUNT] = {}; // each bucket alone; summed when written
    double secondsSum_ = 0;
    int64_t secondsCount_ = 0;
};

} // namespace velkar::board
