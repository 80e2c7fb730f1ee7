// The board's counters in the Prometheus text format.
#include "metrics.h"

#include <algorithm>

#include <cstdarg>
#include <cstdio>

namespace velkar::board {

namespace {

void Add(std::string& out, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

void Add(std::string& out, const char* format, ...) {
    char line[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) out.append(line, std::min(static_cast<size_t>(n), sizeof line - 1));
}

void Counter(std::string& out, const char* name, const char* help, const char* label,
             const std::map<std::string, int64_t>& values) {
    Add(out, "# HELP %s %s\n# TYPE %s counter\n", name, help, name);
    for (const auto& [key, count] : values)
        Add(out, "%s{%s=\"%s\"} %lld\n", name, label, key.c_str(), static_cast<long long>(count));
}

} // namespace

void Metrics::Submission(const std::string& outcome) {
    std::lock_guard<std::mutex> guard(mutex_);
    ++submissions_[outcome];
}

void Metrics::Verification(const std::string& verdict, double seconds) {
    std::lock_guard<std::mutex> guard(mutex_);
    ++verifications_[verdict];
    int bucket = 0;
    while (bucket < BUCKET_COUNT && seconds > BUCKETS[bucket])
        ++bucket;
    if (bucket < BUCKET_COUNT) ++bucketCounts_[bucket];
    secondsSum_ += seconds;
    ++secondsCount_;
}

void Metrics::Request(int status) {
    std::lock_guard<std::mutex> guard(mutex_);
    ++requests_[status];
}

std::string Metrics::Text(int64_t queueLength, int64_t pending) const {
    std::lock_guard<std::mutex> guard(mutex_);
    std::string out;
    Counter(out, "velkar_board_submissions_total", "Replay submissions by outcome.", "outcome",
            submissions_);
    Counter(out, "velkar_board_verifications_total",
            "Replays played by verdict (none: the player gave no verdict).", "verdict",
            verifications_);
    const char* seconds = "velkar_board_verification_seconds";
    Add(out, "# HELP %s Wall time of each verification.\n# TYPE %s histogram\n", seconds, seconds);
    int64_t cumulative = 0;
    for (int i = 0; i < BUCKET_COUNT; ++i) {
        cumulative += bucketCounts_[i];
        Add(out, "%s_bucket{le=\"%g\"} %lld\n", seconds, BUCKETS[i],
            static_cast<long long>(cumulative));
    }
    Add(out, "%s_bucket{le=\"+Inf\"} %lld\n%s_sum %.3f\n%s_count %lld\n", seconds,
        static_cast<long long>(secondsCount_), seconds, secondsSum_, seconds,
        static_cast<long long>(secondsCount_));
    std::map<std::string, int64_t> statuses;
    for (const auto& [status, count] : requests_)
        statuses[std::to_string(status)] = count;
    Counter(out, "velkar_board_http_requests_total", "HTTP requests answered, by status.", "status",
            statuses);
    Add(out,
        "# HELP velkar_board_queue_length Files waiting in this process for a worker.\n"
        "# TYPE velkar_board_queue_length gauge\nvelkar_board_queue_length %lld\n",
        static_cast<long long>(queueLength));
    if (pending >= 0) {
        Add(out,
            "# HELP velkar_board_pending Submissions in the store not yet verified or refused.\n"
            "# TYPE velkar_board_pending gauge\nvelkar_board_pending %lld\n",
            static_cast<long long>(pending));
    }
    return out;
}

} // namespace velkar::board
