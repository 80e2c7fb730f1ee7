// velkar-board's service: submissions checked, stored and queued; workers that verify each file
// in a child process; the board as JSON and as a page.
#include "board.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <openssl/evp.h>
#include <unistd.h>

#include "page.h"
#include "replay/replay.h"

namespace velkar::board {

namespace {

using Json = nlohmann::json;

// How long a claim on a pending file lasts before the player starts (then: its time limit).
constexpr int64_t CLAIM_SECONDS = 300;

int64_t NowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string Dump(const Json& json) {
    return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

void SendJson(httplib::Response& res, int status, const Json& json) {
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(Dump(json) + "\n", "application/json");
}

void SendError(httplib::Response& res, int status, const std::string& message) {
    SendJson(res, status, Json{{"error", message}});
}

const char* RankName(int32_t rank) {
    return rank == 1 ? "hard" : "normal";
}

// Text for a log line: printable ASCII as it is, every other byte, a quote and a backslash as
// \xHH, at most maxBytes of it, so that nothing a stranger sent can forge or garble a line.
std::string LogText(const std::string& text, size_t maxBytes = 300) {
    static const char HEX[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < text.size() && i < maxBytes; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += HEX[c >> 4];
            out += HEX[c & 15];
        }
    }
    if (text.size() > maxBytes) out += "...";
    return out;
}

// The start of the request this thread is answering, for its log line.
thread_local int64_t requestStartMs = -1;

std::string IsoDate(int64_t seconds) {
    return FormatUtc(seconds, "%Y-%m-%dT%H:%M:%SZ");
}

Json EntryJson(const Entry& e) {
    return Json{{"replay", e.replay},
                {"game", e.game},
                {"rank", RankName(e.rank)},
                {"score", e.score},
                {"stage", e.stage},
                {"place", e.place},
                {"name", e.named ? Json(e.name) : Json(nullptr)},
                {"frame", e.frame},
                {"frames", e.frames},
                {"submitted", IsoDate(e.submitted)},
                {"url", "/replays/" + e.replay + ".vrp"}};
}

// A whole decimal number in [min, max] from a query parameter; fallback when absent.
bool QueryNumber(const httplib::Request& req, const char* key, int64_t fallback, int64_t min,
                 int64_t max, int64_t& value) {
    if (!req.has_param(key)) {
        value = fallback;
        return true;
    }
    return ParseDecimal(req.get_param_value(key), min, max, value);
}

} // namespace

std::string Sha256Hex(const std::string& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 failed");
    std::string out;
    char hex[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        out += hex;
    }
    return out;
}

bool ParseDecimal(const std::string& text, int64_t min, int64_t max, int64_t& value) {
    if (text.empty() || text.size() > 12) return false;
    int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < min || v > max) return false;
    value = v;
    return true;
}

bool IsReplayId(const std::string& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::string CanonicalAddress(const std::string& text) {
    if (text.empty() || text.size() >= INET6_ADDRSTRLEN || text.find('\0') != std::string::npos)
        return "";
    in_addr v4{};
    in6_addr v6{};
    char out[INET6_ADDRSTRLEN] = {};
    if (inet_pton(AF_INET, text.c_str(), &v4) != 1) {
        if (inet_pton(AF_INET6, text.c_str(), &v6) != 1) return "";
        if (!IN6_IS_ADDR_V4MAPPED(&v6)) return inet_ntop(AF_INET6, &v6, out, sizeof out) ? out : "";
        std::memcpy(&v4, &v6.s6_addr[12], sizeof v4);
    }
    return inet_ntop(AF_INET, &v4, out, sizeof out) ? out : "";
}

std::string ClientAddress(const httplib::Request& req, const std::string& trustedProxy) {
    if (trustedProxy.empty() || CanonicalAddress(req.remote_addr) != trustedProxy)
        return req.remote_addr;
    // The last field's last address: a proxy appends the peer it saw to what came before it (or
    // replaces it), and only that last address is its own word.
    const auto fields = req.headers.equal_range("X-Forwarded-For");
    if (fields.first == fields.second) return req.remote_addr;
    std::string last = std::prev(fields.second)->second;
    last.erase(0, last.find_last_of(',') + 1); // npos + 1 is 0: no comma, nothing erased
    const size_t begin = last.find_first_not_of(" \t");
    const size_t end = last.find_last_not_of(" \t");
    const std::string client =
        begin == std::string::npos ? "" : CanonicalAddress(last.substr(begin, end - begin + 1));
    return client.empty() ? req.remote_addr : client;
}

Board::Board(Store& store, BoardConfig config) : store_(store), config_(std::move(config)) {
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) std::snprintf(host, sizeof host, "host");
    owner_ = std::string(host) + ":" + std::to_string(getpid()) + ":" +
             Sha256Hex(std::to_string(NowMs()) + host).substr(0, 8);
}

Board::~Board() {
    Stop();
}

bool Board::TakeToken(const std::string& address) {
    if (config_.ratePerMinute <= 0) return true;
    std::lock_guard<std::mutex> guard(rateMutex_);
    const int64_t now = NowMs();
    // Forget idle addresses now and then so that the map stays small.
    if (buckets_.size() > 10000) {
        for (auto it = buckets_.begin(); it != buckets_.end();)
            it = now - it->second.lastMs > 60000 ? buckets_.erase(it) : std::next(it);
    }
    const double burst = std::max(1, config_.ratePerMinute / 4);
    auto [it, added] = buckets_.try_emplace(address, Bucket{burst, now});
    Bucket& b = it->second;
    b.tokens = std::min(burst, b.tokens + (now - b.lastMs) * config_.ratePerMinute / 60000.0);
    b.lastMs = now;
    if (b.tokens < 1) return false;
    b.tokens -= 1;
    return true;
}

bool Board::Enqueue(const std::string& id, bool force) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (queued_.count(id) != 0 || retries_.count(id) != 0) return true;
    if (!force && static_cast<int32_t>(queue_.size()) >= config_.queueLimit) return false;
    queue_.push_back(id);
    queued_.insert(id);
    workWake_.notify_one();
    return true;
}

Board::Submitted Board::Submit(const std::string& file, const std::string& address) {
    Submitted out = Receive(file, address);
    metrics_.Submission(out.httpStatus == 202   ? "accepted"
                        : out.httpStatus == 200 ? "known"
                        : out.httpStatus == 429 ? "rate_limited"
                        : out.httpStatus == 503 ? "unavailable"
                        : out.httpStatus == 413 ? "too_large"
                                                : "refused");
    return out;
}

Board::Submitted Board::Receive(const std::string& file, const std::string& address) {
    Submitted out;
    if (!TakeToken(address)) {
        out.httpStatus = 429;
        out.error = "too many submissions from this address";
        out.retryAfter = 60 / std::max(1, config_.ratePerMinute) + 1;
        return out;
    }
    if (file.empty()) {
        out.httpStatus = 400;
        out.error = "the request holds no replay file";
        return out;
    }
    if (static_cast<int64_t>(file.size()) > config_.maxBytes) {
        out.httpStatus = 413;
        out.error = "the file is larger than " + std::to_string(config_.maxBytes) + " bytes";
        return out;
    }
    // The reader first: a file that is not a replay is refused at once, and nothing is stored.
    ReplayData data;
    std::string error;
    if (!ParseReplay(file, "replay", data, error)) {
        out.httpStatus = 422;
        out.error = error;
        return out;
    }
    // One game, one entry: a replay is known by its canonical form, so a copy with other
    // comments, spacing or an unfinished last line is the same submission. The form is what is
    // stored and served.
    const std::string canonical = FormatReplay(data);
    const std::string id = Sha256Hex(canonical);
    try {
        // A board from before canonical forms stored files under the hash of their bytes.
        for (const std::string& known : {id, Sha256Hex(file)}) {
            if (store_.Find(known)) {
                out.httpStatus = 200;
                out.id = known;
                return out;
            }
        }
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (static_cast<int32_t>(queue_.size()) >= config_.queueLimit) {
                out.httpStatus = 503;
                out.error = "the board is busy verifying other files";
                out.retryAfter = 5;
                return out;
            }
        }
        out.httpStatus = store_.Add(id, canonical, NowSeconds(), data.rules)
                             ? 202
                             : 200; // another request stored the same file meanwhile
    } catch (const StoreError& e) {
        // A full disk or a lost database: nothing was stored, and the sender may try again.
        std::fprintf(stderr, "velkar-board: storing a submission failed: %s\n", e.what());
        out.httpStatus = 503;
        out.error = "the board cannot store files just now";
        out.retryAfter = 30;
        return out;
    }
    out.id = id;
    // Stored. When its workers have room this process claims it at once (other boards sharing
    // the store then leave it); otherwise it stays in the pool, where the first process with
    // room claims it.
    if (out.httpStatus == 202 && Room() > 0) {
        try {
            if (store_.Renew(id, owner_, NowSeconds(), NowSeconds() + CLAIM_SECONDS))
                Enqueue(id, true);
        } catch (const StoreError& e) {
            std::fprintf(stderr, "velkar-board: claiming %s: %s\n", id.c_str(),
                         LogText(e.what()).c_str());
        }
    } else if (out.httpStatus == 202) {
        // Left in the pool: the sweep claims it as soon as a worker is free.
        std::lock_guard<std::mutex> guard(mutex_);
        backlog_ = true;
    }
    return out;
}

void Board::Start() {
    for (int32_t i = 0; i < std::max(1, config_.workers); ++i)
        threads_.emplace_back([this] { Work(); });
    // The sweep claims the pending files at once, then as the workers take them.
    threads_.emplace_back([this] { Sweep(); });
}

void Board::Stop() {
    if (threads_.empty()) return;
    size_t running = 0;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stopAtMs_.store(NowMs() + int64_t{config_.stopGraceSeconds} * 1000);
        stopping_.store(true);
        running = queued_.size() - queue_.size();
    }
    std::fprintf(stderr,
                 "velkar-board: stopping: %zu verification(s) under way may finish within %d s; "
                 "files not verified stay pending for the next start\n",
                 running, config_.stopGraceSeconds);
    workWake_.notify_all();
    sweepWake_.notify_all();
    for (std::thread& t : threads_) {
        if (t.joinable()) t.join();
    }
    threads_.clear();
    try {
        store_.Release(owner_);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velkar-board: releasing claims: %s\n", LogText(e.what()).c_str());
    }
    std::fprintf(stderr, "velkar-board: stopped\n");
}

void Board::Work() {
    for (;;) {
        std::string id;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            workWake_.wait(lock, [this] { return stopping_.load() || !queue_.empty(); });
            if (stopping_.load()) return;
            id = queue_.front();
            queue_.pop_front();
        }
        bool settled = false;
        try {
            settled = VerifyOne(id);
        } catch (const std::exception& e) {
            // The store failed (a lost database, a full disk): the file stays pending.
            if (!stopping_.load()) RetryLater(id, e.what());
        }
        std::lock_guard<std::mutex> guard(mutex_);
        queued_.erase(id);
        if (settled) retries_.erase(id);
        // A worker free while the store holds more: the sweep claims at once.
        if (backlog_ && static_cast<int32_t>(queue_.size()) < std::max(1, config_.workers))
            sweepWake_.notify_all();
    }
}

bool Board::VerifyOne(const std::string& id) {
    const std::optional<Submission> known = store_.Find(id);
    if (!known || known->status != Status::Pending) return true;
    const std::optional<std::string> file = store_.File(id);
    if (!file) return true;
    ReplayData data;
    std::string error;
    if (!ParseReplay(*file, "replay", data, error)) {
        store_.Refused(id, "the file is not a sound replay: " + error);
        std::fprintf(stderr, "velkar-board: %s refused: the stored file is not a sound replay\n",
                     id.c_str());
        return true;
    }
    // The claim lasts as long as the player may run, with room to record the verdict; a board
    // that dies meanwhile leaves the file to another once it expires.
    const int64_t now = NowSeconds();
    if (!store_.Renew(id, owner_, now,
                      now + 2 * CpuSecondsFor(data.frames, config_.limits) + CLAIM_SECONDS))
        return true; // another board verifies it
    const std::filesystem::path path = std::filesystem::path(config_.workDir) / (id + ".vrp");
    const int64_t startedMs = NowMs();
    Verdict verdict;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(file->data(), static_cast<std::streamsize>(file->size()));
        out.close();
        if (out) {
            verdict = VerifyInChild(config_.simPath, path.string(), data.frames, config_.limits,
                                    &stopAtMs_);
        } else {
            verdict.reason = "cannot write " + path.string();
        }
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    const double seconds = static_cast<double>(NowMs() - startedMs) / 1000.0;
    if (!verdict.judged) {
        LogVerdict(id, "none", verdict, seconds);
        if (!stopping_.load()) RetryLater(id, verdict.reason);
        return false;
    }
    if (!verdict.verified) {
        store_.Refused(id, verdict.reason);
        LogVerdict(id, "refused", verdict, seconds);
        return true;
    }
    for (Entry& e : verdict.entries) {
        e.replay = id;
        e.frames = verdict.frames;
        e.submitted = known->submitted;
    }
    store_.Verified(id, verdict.frames, verdict.entries);
    LogVerdict(id, "verified", verdict, seconds);
    return true;
}

void Board::LogVerdict(const std::string& id, const char* outcome, const Verdict& verdict,
                       double seconds) {
    metrics_.Verification(outcome, seconds);
    std::fprintf(stderr,
                 "velkar-board: verdict %s %s frames=%" PRId64 " entries=%zu seconds=%.2f "
                 "reason=\"%s\"\n",
                 id.c_str(), outcome, verdict.frames, verdict.entries.size(), seconds,
                 LogText(verdict.reason).c_str());
}

void Board::RetryLater(const std::string& id, const std::string& cause) {
    std::lock_guard<std::mutex> guard(mutex_);
    Retry& retry = retries_[id];
    retry.failures = std::min(retry.failures + 1, 30);
    const int64_t delay = std::min<int64_t>(
        int64_t{config_.retrySeconds} << std::min(retry.failures - 1, 20), config_.retryMaxSeconds);
    retry.dueMs = NowMs() + delay * 1000;
    std::fprintf(stderr,
                 "velkar-board: %s stays pending (failure %d): \"%s\"; tried again in %" PRId64
                 " s\n",
                 id.c_str(), retry.failures, LogText(cause).c_str(), delay);
    sweepWake_.notify_all();
}

int32_t Board::Room() {
    std::lock_guard<std::mutex> guard(mutex_);
    return 2 * std::max(1, config_.workers) - static_cast<int32_t>(queue_.size());
}

int32_t Board::ClaimSome() {
    const int32_t room = Room();
    if (room <= 0) return -1; // the workers are busy: look again soon
    // Only what the workers will take soon: boards sharing a store share its backlog.
    const int64_t now = NowSeconds();
    int32_t claimed = 0;
    for (const std::string& id : store_.Claim(room, owner_, now, now + CLAIM_SECONDS)) {
        Enqueue(id, true);
        ++claimed;
    }
    return claimed;
}

void Board::Sweep() {
    // At once, then every sweepSeconds; every second while the last sweep found work.
    int64_t nextSweep = NowMs();
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopping_.load()) {
        // Wake for the next sweep or the next file due to be tried again, whichever is first.
        int64_t wakeMs = nextSweep >= 0 ? nextSweep : NowMs() + 3'600'000;
        for (const auto& [id, retry] : retries_)
            wakeMs = std::min(wakeMs, retry.dueMs);
        const int64_t waitMs = std::max<int64_t>(0, wakeMs - NowMs());
        if (waitMs > 0) sweepWake_.wait_for(lock, std::chrono::milliseconds(waitMs));
        if (stopping_.load()) return;
        const int64_t now = NowMs();
        for (auto it = retries_.begin(); it != retries_.end(); ++it) {
            if (it->second.dueMs > now || queued_.count(it->first) != 0) continue;
            it->second.dueMs = INT64_MAX; // in the queue until its next verdict or failure
            queue_.push_back(it->first);
            queued_.insert(it->first);
            workWake_.notify_one();
        }
        const bool workerFree =
            backlog_ && static_cast<int32_t>(queue_.size()) < std::max(1, config_.workers);
        if (!workerFree && (nextSweep < 0 || now < nextSweep)) continue;
        lock.unlock();
        int32_t claimed = 0;
        try {
            // Files stored before a restart, by another board that stopped, or left pending by
            // a store failure.
            claimed = ClaimSome();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "velkar-board: sweep: %s\n", LogText(e.what()).c_str());
        }
        lock.lock();
        backlog_ = claimed != 0; // claimed some, or had no room: the store may hold more
        nextSweep = claimed != 0               ? NowMs() + 1000
                    : config_.sweepSeconds > 0 ? NowMs() + config_.sweepSeconds * 1000
                                               : -1;
    }
}

int64_t Board::CountScores(int32_t rank) {
    const int32_t r = rank == 1 ? 1 : 0;
    {
        std::lock_guard<std::mutex> guard(countMutex_);
        if (NowMs() - countedMs_[r] < 1000) return counts_[r];
    }
    const int64_t count = store_.CountScores(r);
    std::lock_guard<std::mutex> guard(countMutex_);
    counts_[r] = count;
    countedMs_[r] = NowMs();
    return count;
}

void Board::Log(httplib::Server& server) {
    // One line per answer on standard error (journald keeps it): time, client, method, path,
    // status, bytes, milliseconds. The path is the only text of the request in it, escaped.
    server.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        metrics_.Request(res.status);
        const int64_t ms = requestStartMs >= 0 ? NowMs() - requestStartMs : -1;
        requestStartMs = -1;
        std::fprintf(stderr, "velkar-board: %s %s \"%s %s\" %d %zu %" PRId64 " ms\n",
                     FormatUtc(NowSeconds(), "%Y-%m-%dT%H:%M:%SZ").c_str(),
                     LogText(ClientAddress(req, config_.trustProxy), 64).c_str(),
                     LogText(req.method, 16).c_str(), LogText(req.path, 200).c_str(), res.status,
                     res.body.size(), ms);
    });
}

void Board::InstallMonitoring(httplib::Server& server) {
    server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
        requestStartMs = NowMs();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    Log(server);
    MonitoringRoutes(server);
}

void Board::MonitoringRoutes(httplib::Server& server) {
    // Cheap, never rate-limited, never compressed: for a monitor polling every few seconds.
    server.Get("/healthz", [this](const httplib::Request&, httplib::Response& res) {
        res.set_header("Cache-Control", "no-store");
        try {
            store_.Ping();
            res.set_content("ok\n", "text/plain; charset=utf-8");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "velkar-board: health: %s\n", LogText(e.what()).c_str());
            res.status = 503;
            res.set_content("the store does not answer\n", "text/plain; charset=utf-8");
        }
    });
    server.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
        int64_t queued = 0;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            queued = static_cast<int64_t>(queue_.size());
        }
        int64_t pending = -1;
        try {
            pending = store_.CountPending();
        } catch (const std::exception&) {
        }
        res.set_header("Cache-Control", "no-store");
        res.set_content(metrics_.Text(queued, pending), "text/plain; version=0.0.4; charset=utf-8");
    });
}

void Board::Install(httplib::Server& server, bool monitoring) {
    Log(server);
    if (monitoring) MonitoringRoutes(server);
    server.set_payload_max_length(static_cast<size_t>(config_.maxBytes) + 65536);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_timeout(5);
    server.set_keep_alive_max_count(100);
    // Answers go out at once: with Nagle's algorithm a kept-alive connection waits for the
    // client's delayed acknowledgement (40 ms) before each answer.
    server.set_tcp_nodelay(true);
    server.new_task_queue = [] { return new httplib::ThreadPool(32); };
    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        requestStartMs = NowMs();
        if (req.headers.size() > 64) {
            SendError(res, 431, "too many header fields");
            return httplib::Server::HandlerResponse::Handled;
        }
        // One range at a time: the HTTP library builds every part of a multi-range answer in
        // memory, so a thousand overlapping ranges of a large file would be a thousand copies.
        // The answer has no body, since the library would cut any body into those ranges too.
        const auto ranges = req.headers.equal_range("Range");
        if (ranges.first != ranges.second &&
            (std::next(ranges.first) != ranges.second ||
             ranges.first->second.find(',') != std::string::npos)) {
            res.status = 416;
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Referrer-Policy", "no-referrer");
    });
    server.set_exception_handler(
        [](const httplib::Request& req, httplib::Response& res, std::exception_ptr ep) {
            std::string what = "unknown";
            try {
                std::rethrow_exception(ep);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            std::fprintf(stderr, "velkar-board: %s %s: %s\n", req.method.c_str(),
                         req.path.substr(0, 200).c_str(), what.c_str());
            SendError(res, 500, "internal error");
        });
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty() || res.status == 416) return;
        const char* text = res.status == 404   ? "not found"
                           : res.status == 413 ? "the request body is too large (send a replay as "
                                                 "application/octet-stream or text/plain: a "
                                                 "form-encoded body stops at 8 KiB)"
                           : res.status == 405 ? "method not allowed"
                           : res.status < 500  ? "bad request"
                                               : "internal error";
        SendError(res, res.status, text);
    });

    server.Post("/api/replays", [this](const httplib::Request& req, httplib::Response& res) {
        const Submitted s = Submit(req.body, ClientAddress(req, config_.trustProxy));
        if (s.id.empty()) {
            Json json{{"error", s.error}};
            if (s.retryAfter > 0) {
                res.set_header("Retry-After", std::to_string(s.retryAfter));
                json["retryAfter"] = s.retryAfter;
            }
            SendJson(res, s.httpStatus, json);
            return;
        }
        const std::string url = "/api/replays/" + s.id;
        res.set_header("Location", url);
        const std::optional<Submission> known =
            s.httpStatus == 202 ? std::nullopt : store_.Find(s.id);
        SendJson(res, s.httpStatus,
                 Json{{"id", s.id},
                      {"status", known ? StatusName(known->status) : "pending"},
                      {"url", url}});
    });

    server.Post("/submit", [this](const httplib::Request& req, httplib::Response& res) {
        res.set_header("Content-Security-Policy",
                       "default-src 'none'; style-src 'self'; base-uri 'none'; "
                       "form-action 'self'; frame-ancestors 'none'");
        if (!req.is_multipart_form_data() || !req.has_file("replay")) {
            res.status = 400;
            res.set_content(SubmittedPage("Not submitted", "The form held no replay file.", ""),
                            "text/html; charset=utf-8");
            return;
        }
        const Submitted s =
            Submit(req.get_file_value("replay").content, ClientAddress(req, config_.trustProxy));
        if (s.retryAfter > 0) res.set_header("Retry-After", std::to_string(s.retryAfter));
        res.status = s.httpStatus;
        const std::string message =
            s.retryAfter > 0 ? "The file was not stored: " + s.error + ". Try again in " +
                                   std::to_string(s.retryAfter) + " s."
            : s.id.empty()        ? "The board refused the file: " + s.error
            : s.httpStatus == 202 ? std::string("The file is stored; the board is playing it now.")
                                  : std::string("The board already has this file.");
        res.set_content(SubmittedPage(s.id.empty() ? "Not submitted" : "Submitted", message, s.id),
                        "text/html; charset=utf-8");
    });

    server.Get(R"(/api/replays/([0-9a-f]{64}))",
               [this](const httplib::Request& req, httplib::Response& res) {
                   const std::optional<Submission> s = store_.Find(req.matches[1]);
                   if (!s) {
                       SendError(res, 404, "no such replay");
                       return;
                   }
                   if (s->hidden) {
                       SendError(res, 410, "this replay was hidden by the board's moderators");
                       return;
                   }
                   Json json{{"id", s->id},
                             {"status", StatusName(s->status)},
                             {"submitted", IsoDate(s->submitted)},
                             {"size", s->size},
                             {"url", "/replays/" + s->id + ".vrp"}};
                   json["rules"] = s->rules;
                   if (s->status == Status::Refused) json["reason"] = s->reason;
                   if (s->status == Status::Verified) {
                       json["frames"] = s->frames;
                       json["entries"] = Json::array();
                       for (const Entry& e : s->entries)
                           json["entries"].push_back(EntryJson(e));
                   }
                   SendJson(res, 200, json);
               });

    server.Get("/api/scores", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string rank = req.has_param("rank") ? req.get_param_value("rank") : "normal";
        if (rank != "normal" && rank != "hard") {
            SendError(res, 400, "rank is normal or hard");
            return;
        }
        int64_t limit = 0;
        int64_t offset = 0;
        if (!QueryNumber(req, "limit", 50, 1, 500, limit) ||
            !QueryNumber(req, "offset", 0, 0, 1'000'000'000, offset)) {
            SendError(res, 400, "limit is 1 to 500 and offset 0 or more");
            return;
        }
        const int32_t r = rank == "hard" ? 1 : 0;
        Json entries = Json::array();
        for (const Entry& e : store_.Scores(r, static_cast<int32_t>(limit), offset))
            entries.push_back(EntryJson(e));
        SendJson(res, 200,
                 Json{{"rank", rank},
                      {"total", CountScores(r)},
                      {"offset", offset},
                      {"limit", limit},
                      {"entries", entries}});
    });

    server.Get(R"(/replays/([0-9a-f]{64})\.vrp)",
               [this](const httplib::Request& req, httplib::Response& res) {
                   const std::optional<Submission> known = store_.Find(req.matches[1]);
                   std::optional<std::string> file;
                   if (known && !known->hidden) file = store_.File(req.matches[1]);
                   if (!file) {
                       if (known)
                           SendError(res, 410, "this replay was hidden by the board's moderators");
                       else
                           SendError(res, 404, "no such replay");
                       return;
                   }
                   res.set_header("Content-Security-Policy", "default-src 'none'; sandbox");
                   res.set_header("Cache-Control", "public, max-age=31536000, immutable");
                   res.body = std::move(*file); // no copy of a file of megabytes
                   res.set_header("Content-Type", "text/plain; charset=utf-8");
               });

    server.Get("/board.css", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(BOARD_CSS, "text/css; charset=utf-8");
    });

    server.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        constexpr int32_t shown = 100;
        const std::string page = BoardPage(store_.Scores(0, shown, 0), store_.Scores(1, shown, 0),
                                           CountScores(0), CountScores(1), config_.playPage);
        res.set_header("Content-Security-Policy",
                       "default-src 'none'; style-src 'self'; img-src 'self'; base-uri 'none'; "
                       "form-action 'self'; frame-ancestors 'none'");
        res.set_header("Cache-Control", "no-cache");
        res.set_content(page, "text/html; charset=utf-8");
    });
}

} // namespace velkar::board
