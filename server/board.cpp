// velkar-board's service: submissions checked, stored and queued; workers that verify each file
// in a child process; the board as JSON and as a page.
#include "board.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <nlohmann/json.hpp>
#include <openssl/evp.h>

#include "replay/replay.h"
#include "page.h"

namespace velkar::board {

namespace {

using Json = nlohmann::json;

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

Board::Board(Store& store, BoardConfig config) : store_(store), config_(std::move(config)) {}

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
    if (queued_.count(id) != 0) return true;
    if (!force && static_cast<int32_t>(queue_.size()) >= config_.queueLimit) return false;
    queue_.push_back(id);
    queued_.insert(id);
    wake_.notify_one();
    return true;
}

Board::Submitted Board::Submit(const std::string& file, const std::string& address) {
    Submitted out;
    if (!TakeToken(address)) {
        out.httpStatus = 429;
        out.error = "too many submissions from this address; try again later";
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
    out.id = Sha256Hex(file);
    if (store_.Find(out.id)) {
        out.httpStatus = 200;
        return out;
    }
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (static_cast<int32_t>(queue_.size()) >= config_.queueLimit) {
            out.httpStatus = 503;
            out.error = "the board is busy verifying other files; try again shortly";
            out.retryAfter = 5;
            return out;
        }
    }
    if (!store_.Add(out.id, file, NowSeconds())) {
        out.httpStatus = 200; // another request stored the same file meanwhile
        return out;
    }
    Enqueue(out.id, true); // stored: it is verified even if the queue filled meanwhile
    out.httpStatus = 202;
    return out;
}

void Board::Start() {
    for (const std::string& id : store_.Pending(1'000'000))
        Enqueue(id, true);
    for (int32_t i = 0; i < std::max(1, config_.workers); ++i)
        threads_.emplace_back([this] { Work(); });
    if (config_.sweepSeconds > 0) threads_.emplace_back([this] { Sweep(); });
}

void Board::Stop() {
    stopping_.store(true);
    wake_.notify_all();
    for (std::thread& t : threads_) {
        if (t.joinable()) t.join();
    }
    threads_.clear();
}

void Board::Work() {
    for (;;) {
        std::string id;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_.load() || !queue_.empty(); });
            if (stopping_.load()) return;
            id = queue_.front();
            queue_.pop_front();
        }
        try {
            VerifyOne(id);
        } catch (const std::exception& e) {
            // The store failed (a lost database, a full disk): the file stays pending and the
            // sweep or the next start takes it up again.
            std::fprintf(stderr, "velkar-board: verifying %s: %s\n", id.c_str(), e.what());
        }
        std::lock_guard<std::mutex> guard(mutex_);
        queued_.erase(id);
    }
}

void Board::VerifyOne(const std::string& id) {
    const std::optional<Submission> known = store_.Find(id);
    if (!known || known->status != Status::Pending) return;
    const std::optional<std::string> file = store_.File(id);
    if (!file) return;
    ReplayData data;
    std::string error;
    if (!ParseReplay(*file, "replay", data, error)) {
        store_.Refused(id, "the file is not a sound replay: " + error);
        return;
    }
    const std::filesystem::path path = std::filesystem::path(config_.workDir) / (id + ".vrp");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(file->data(), static_cast<std::streamsize>(file->size()));
        if (!out) throw StoreError("cannot write " + path.string());
    }
    Verdict verdict = VerifyInChild(config_.simPath, path.string(), data.frames, config_.limits);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (!verdict.verified) {
        store_.Refused(id, verdict.reason);
        return;
    }
    for (Entry& e : verdict.entries) {
        e.replay = id;
        e.frames = verdict.frames;
        e.submitted = known->submitted;
    }
    store_.Verified(id, verdict.frames, verdict.entries);
}

void Board::Sweep() {
    int64_t next = NowMs() + config_.sweepSeconds * 1000;
    while (!stopping_.load()) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(500),
                           [this] { return stopping_.load(); });
        }
        if (stopping_.load() || NowMs() < next) continue;
        next = NowMs() + config_.sweepSeconds * 1000;
        try {
            // Files another process stored and did not settle (it stopped), or that a store
            // failure left pending here.
            for (const std::string& id : store_.Pending(config_.queueLimit)) {
                if (!Enqueue(id, false)) break;
            }
        } catch (const std::exception& e) {
            std::fprintf(stderr, "velkar-board: sweep: %s\n", e.what());
        }
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

void Board::Install(httplib::Server& server) {
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
        if (req.headers.size() > 64) {
            SendError(res, 431, "too many header fields");
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
        if (!res.body.empty()) return;
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
        const Submitted s = Submit(req.body, req.remote_addr);
        if (s.retryAfter > 0) res.set_header("Retry-After", std::to_string(s.retryAfter));
        if (s.id.empty()) {
            SendError(res, s.httpStatus, s.error);
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
        const Submitted s = Submit(req.get_file_value("replay").content, req.remote_addr);
        if (s.retryAfter > 0) res.set_header("Retry-After", std::to_string(s.retryAfter));
        res.status = s.httpStatus;
        const std::string message =
            s.id.empty()          ? "The board refused the file: " + s.error
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
                   Json json{{"id", s->id},
                             {"status", StatusName(s->status)},
                             {"submitted", IsoDate(s->submitted)},
                             {"size", s->size},
                             {"url", "/replays/" + s->id + ".vrp"}};
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
                   const std::optional<std::string> file = store_.File(req.matches[1]);
                   if (!file) {
                       SendError(res, 404, "no such replay");
                       return;
                   }
                   res.set_header("Content-Security-Policy", "default-src 'none'; sandbox");
                   res.set_header("Cache-Control", "public, max-age=31536000, immutable");
                   res.set_content(*file, "text/plain; charset=utf-8");
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
