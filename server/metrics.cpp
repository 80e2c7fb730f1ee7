// The board's counters in the Prometheus text format.
#include "metrics.h"

#include <locale>
#include <sstream>

namespace velkar::board {

namespace {

std::string Number(double value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << value;
    return out.str();
}

void Header(std::string& out, const std::string& name, const char* help, const char* type) {
    out += "# HELP " + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

void Counter(std::string& out, const std::string& name, const char* help, const char* label,
             const std::map<std::string, int64_t>& values) {
    Header(out, name, help, "counter");
    for (const auto& [key, count] : values)
        out += name + "{" + label + "=\"" + key + "\"} " + std::to_string(count) + "\n";
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
    const std::string seconds = "velkar_board_verification_seconds";
    Header(out, seconds, "Wall time of each verification.", "histogram");
    int64_t cumulative = 0;
    for (int i = 0; i < BUCKET_COUNT; ++i) {
        cumulative += bucketCounts_[i];
        out += seconds + "_bucket{le=\"" + Number(BUCKETS[i]) + "\"} " +
               std::to_string(cumulative) + "\n";
    }
    out += seconds + "_bucket{le=\"+Inf\"} " + std::to_string(secondsCount_) + "\n";
    out += seconds + "_sum " + Number(secondsSum_) + "\n";
    out += seconds + "_count " + std::to_string(secondsCount_) + "\n";
    std::map<std::string, int64_t> statuses;
    for (const auto& [status, count] : requests_)
        statuses[std::to_string(status)] = count;
    Counter(out, "velkar_board_http_requests_total", "HTTP requests answered, by status.", "status",
            statuses);
    Header(out, "velkar_board_queue_length", "Files waiting in this process for a worker.",
           "gauge");
    out += "velkar_board_queue_length " + std::to_string(queueLength) + "\n";
    if (pending >= 0) {
        Header(out, "velkar_board_pending", "Submissions in the store not yet verified or refused.",
               "gauge");
        out += "velkar_board_pending " + std::to_string(pending) + "\n";
    }
    return out;
}

} // namespace velkar::board
