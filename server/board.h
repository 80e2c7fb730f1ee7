// velkar-board's service: the HTTP routes, the verification queue and its workers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "metrics.h"
#include "store.h"
#include "verifier.h"

namespace httplib {
class Server;
struct Request;
} // namespace httplib

namespace velkar::board {

struct BoardConfig {
    std::string simPath;        // velkar-sim, the replay player
    std::string workDir;        // where files wait for their player
    std::string playPage;       // the browser build's page ("" none)
    int32_t workers = 1;        // verification threads, one child process each
    int32_t queueLimit = 256;   // pending files waiting in memory; more: 503
    int32_t ratePerMinute = 30; // submissions per address and minute; more: 429
    int64_t maxBytes = 4 << 20; // a replay file's size limit (413 above)
    int32_t sweepSeconds = 60;  // how often the store is asked for forgotten pending files
    // A file the player could not judge (it did not start, was killed) is tried again after
    // this many seconds, doubled at each failure up to retryMaxSeconds.
    int32_t retrySeconds = 2;
    int32_t retryMaxSeconds = 3600;
    // On stopping, a verification under way may finish for this long; then its player is
    // stopped and the file stays pending for the next start.
    int32_t stopGraceSeconds = 20;
    VerifierLimits limits;
    // The reverse proxy (an address in CanonicalAddress's form; "" none) whose X-Forwarded-For
    // header names the client, for the per-address rate.
    std::string trustProxy;
};

// Lowercase hexadecimal SHA-256 of bytes.
std::string Sha256Hex(const std::string& bytes);
// A whole decimal number of at most 12 digits (no sign) in [min, max].
bool ParseDecimal(const std::string& text, int64_t min, int64_t max, int64_t& value);
// 64 lowercase hexadecimal digits: the only ids the board looks up.
bool IsReplayId(const std::string& text);
// An IPv4 or IPv6 address in one form (IPv4 as such, also when mapped into IPv6); "" when text
// is not one.
std::string CanonicalAddress(const std::string& text);
// The client a request comes from. A connection from trustedProxy (canonical; "" none) is that
// proxy's, and the client is the last address of its X-Forwarded-For header (the peer the proxy
// saw); any other connection is its own client, whatever its headers claim, since anyone can
// write them.
std::string ClientAddress(const httplib::Request& req, const std::string& trustedProxy);

class Board {
  public:
    Board(Store& store, BoardConfig config);
    ~Board();
    // Routes and limits on server; with monitoring, also /healthz and /metrics.
    void Install(httplib::Server& server, bool monitoring);
    // Only /healthz and /metrics (for a listener of their own), with the same request log.
    void InstallMonitoring(httplib::Server& server);
    // The workers, and the pending files the store holds (from before a restart).
    void Start();
    // Stops the workers: a running verification may finish within the grace time.
    void Stop();

    // What a submission came to. id is set only when the file is stored (2xx); every other
    // answer says why in error, and 429 and 503 say when to try again.
    struct Submitted {
        int httpStatus = 0;
        std::string id;
        std::string error;
        int retryAfter = 0;
    };
    // A file received from address: checked, stored durably, queued.
    Submitted Submit(const std::string& file, const std::string& address);

  private:
    bool TakeToken(const std::string& address);
    Submitted Receive(const std::string& file, const std::string& address);
    bool Enqueue(const std::string& id, bool force);
    void Work();
    // false when the file could not be judged now (it stays pending).
    bool VerifyOne(const std::string& id);
    // The file stays pending: it is queued again after a delay that grows with each failure.
    void RetryLater(const std::string& id, const std::string& cause);
    void Sweep();
    // How many more files the workers will take soon: twice their number, less the queue.
    int32_t Room();
    // Claims what this process's workers will take soon; returns how many were claimed, or -1
    // when they have no room.
    int32_t ClaimSome();
    void LogVerdict(const std::string& id, const char* outcome, const Verdict& verdict,
                    double seconds);
    void Log(httplib::Server& server);
    void MonitoringRoutes(httplib::Server& server);
    // The number of entries of a rank, counted at most once a second: counting a big board
    // costs more than reading a page of it.
    int64_t CountScores(int32_t rank);

    Store& store_;
    BoardConfig config_;
    std::string owner_; // this process, as its claims name it
    Metrics metrics_;
    std::atomic<int64_t> stopAtMs_{0};
    std::mutex mutex_;
    // The workers wait for the queue, the sweep for its time: a new file wakes a worker.
    std::condition_variable workWake_;
    std::condition_variable sweepWake_;
    std::deque<std::string> queue_;
    std::set<std::string> queued_; // queued or being verified
    struct Retry {
        int32_t failures = 0;
        int64_t dueMs = 0;
    };
    std::unordered_map<std::string, Retry> retries_; // waiting to be tried again
    bool backlog_ = false; // the last sweep claimed files or had no room: there may be more
    std::atomic<bool> stopping_{false};
    std::vector<std::thread> threads_;

    struct Bucket {
        double tokens = 0;
        int64_t lastMs = 0;
    };
    std::mutex countMutex_;
    int64_t counts_[2] = {0, 0};
    int64_t countedMs_[2] = {-1000000, -1000000};

    std::mutex rateMutex_;
    std::unordered_map<std::string, Bucket> buckets_;
};

} // namespace velkar::board
