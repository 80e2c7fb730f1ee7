// The embedded store: SQLite with write-ahead logging and full synchronous commits, and the
// replay files beside it, named by their hash.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store.h"

namespace velkar::board {

namespace {

constexpr const char* SCHEMA = R"(
CREATE TABLE IF NOT EXISTS replays (
  id TEXT PRIMARY KEY, size INTEGER NOT NULL, submitted INTEGER NOT NULL,
  status INTEGER NOT NULL, reason TEXT NOT NULL DEFAULT '', frames INTEGER NOT NULL DEFAULT 0);
CREATE INDEX IF NOT EXISTS replays_pending ON replays (submitted) WHERE status = 0;
CREATE TABLE IF NOT EXISTS entries (
  replay TEXT NOT NULL REFERENCES replays (id), game INTEGER NOT NULL, rank INTEGER NOT NULL,
  score INTEGER NOT NULL, stage INTEGER NOT NULL, place INTEGER NOT NULL, name TEXT,
  frame INTEGER NOT NULL, frames INTEGER NOT NULL, submitted INTEGER NOT NULL,
  PRIMARY KEY (replay, game));
CREATE INDEX IF NOT EXISTS entries_board ON entries (rank, score DESC, submitted, replay, game);
CREATE TABLE IF NOT EXISTS moderation (
  seq INTEGER PRIMARY KEY, replay TEXT NOT NULL, action TEXT NOT NULL, reason TEXT NOT NULL,
  at INTEGER NOT NULL);
)";
// Columns later boards added, each with the value every older row has.
constexpr const char* ADDED_COLUMNS[][2] = {{"rules", "INTEGER NOT NULL DEFAULT 1"},
                                            {"hidden", "INTEGER NOT NULL DEFAULT 0"}};
// The hidden replays, for leaving their entries out of the board.
constexpr const char* NOT_HIDDEN = "replay NOT IN (SELECT id FROM replays WHERE hidden = 1)";

// Writes a whole file and makes it durable: a temporary name, fsync, rename, fsync of the
// folder.
void WriteDurably(const std::filesystem::path& folder, const std::string& name,
                  const std::string& bytes) {
    const std::string temporary = (folder / (name + ".part")).string();
    const std::string final = (folder / name).string();
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw StoreError("cannot create " + temporary + ": " + std::strerror(errno));
    // A failed write (a full disk) leaves no temporary file behind.
    const auto fail = [&](const std::string& what) {
        const std::string message = what + " " + temporary + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        throw StoreError(message);
    };
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ::close(fd);
            fail("cannot write");
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) {
        ::close(fd);
        fail("cannot sync");
    }
    if (::close(fd) != 0) fail("cannot close");
    if (::rename(temporary.c_str(), final.c_str()) != 0) fail("cannot rename");
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0 || ::fsync(dir) != 0) {
        if (dir >= 0) ::close(dir);
        throw StoreError("cannot sync " + folder.string());
    }
    ::close(dir);
}

class Statement {
  public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK)
            throw StoreError(std::string("sqlite: ") + sqlite3_errmsg(db));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement& Bind(int i, const std::string& text) {
        Check(sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
        return *this;
    }
    Statement& Bind(int i, int64_t value) {
        Check(sqlite3_bind_int64(stmt_, i, value));
        return *this;
    }
    Statement& BindNull(int i) {
        Check(sqlite3_bind_null(stmt_, i));
        return *this;
    }
    // true while a row is there.
    bool Step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc == SQLITE_DONE) return false;
        throw StoreError(std::string("sqlite: ") + sqlite3_errmsg(db_));
    }
    int64_t Int(int column) { return sqlite3_column_int64(stmt_, column); }
    bool Null(int column) { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    std::string Text(int column) {
        const auto* text = sqlite3_column_text(stmt_, column);
        return text == nullptr
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(text),
                                 static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
    }

  private:
    void Check(int rc) {
        if (rc != SQLITE_OK) throw StoreError(std::string("sqlite: ") + sqlite3_errmsg(db_));
    }
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

constexpr const char* ENTRY_COLUMNS =
    "replay, game, rank, score, stage, place, name, frame, frames, submitted";

Entry ReadEntry(Statement& s) {
    Entry e;
    e.replay = s.Text(0);
    e.game = static_cast<int32_t>(s.Int(1));
    e.rank = static_cast<int32_t>(s.Int(2));
    e.score = s.Int(3);
    e.stage = static_cast<int32_t>(s.Int(4));
    e.place = static_cast<int32_t>(s.Int(5));
    e.named = !s.Null(6);
    e.name = s.Text(6);
    e.frame = s.Int(7);
    e.frames = s.Int(8);
    e.submitted = s.Int(9);
    return e;
}

class SqliteStore final : public Store {
  public:
    explicit SqliteStore(const std::string& dataDir)
        : files_(std::filesystem::path(dataDir) / "replays") {
        std::error_code ec;
        std::filesystem::create_directories(files_, ec);
        if (ec) throw StoreError("cannot create " + files_.string() + ": " + ec.message());
        const std::string path = (std::filesystem::path(dataDir) / "board.sqlite").string();
        if (sqlite3_open_v2(path.c_str(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK) {
            const std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw StoreError("cannot open " + path + ": " + message);
        }
        sqlite3_busy_timeout(db_, 5000);
        Exec("PRAGMA journal_mode=WAL");
        Exec("PRAGMA synchronous=FULL");
        Exec("PRAGMA foreign_keys=ON");
        Exec(SCHEMA);
        for (const auto& [column, type] : ADDED_COLUMNS) {
            Statement known(db_, "SELECT 1 FROM pragma_table_info('replays') WHERE name = ?");
            if (!known.Bind(1, column).Step())
                Exec(
                    (std::string("ALTER TABLE replays ADD COLUMN ") + column + " " + type).c_str());
        }
        Exec("CREATE INDEX IF NOT EXISTS replays_hidden ON replays (id) WHERE hidden = 1");
        // A temporary file of a write that a crash interrupted.
        for (const auto& f : std::filesystem::directory_iterator(files_, ec)) {
            if (f.path().extension() == ".part") std::filesystem::remove(f.path(), ec);
        }
    }
    ~SqliteStore() override { sqlite3_close(db_); }

    bool Add(const std::string& id, const std::string& file, int64_t now, int32_t rules) override {
        std::lock_guard<std::mutex> guard(mutex_);
        {
            Statement s(db_, "SELECT 1 FROM replays WHERE id = ?");
            if (s.Bind(1, id).Step()) return false;
        }
        // The file first: a row never names a file that is not on disk.
        WriteDurably(files_, id + ".vrp", file);
        Statement s(db_, "INSERT INTO replays (id, size, submitted, status, rules) "
                         "VALUES (?, ?, ?, 0, ?)");
        s.Bind(1, id).Bind(2, static_cast<int64_t>(file.size())).Bind(3, now).Bind(4, rules).Step();
        return true;
    }

    std::optional<Submission> Find(const std::string& id) override {
        std::lock_guard<std::mutex> guard(mutex_);
        Statement s(db_, "SELECT size, submitted, status, reason, frames, rules, hidden "
                         "FROM replays WHERE id = ?");
        if (!s.Bind(1, id).Step()) return std::nullopt;
        Submission out;
        out.id = id;
        out.size = s.Int(0);
        out.submitted = s.Int(1);
        out.status = static_cast<Status>(s.Int(2));
        out.reason = s.Text(3);
        out.frames = s.Int(4);
        out.rules = static_cast<int32_t>(s.Int(5));
        out.hidden = s.Int(6) != 0;
        Statement e(db_, (std::string("SELECT ") + ENTRY_COLUMNS +
                          " FROM entries WHERE replay = ? ORDER BY game")
                             .c_str());
        e.Bind(1, id);
        while (e.Step())
            out.entries.push_back(ReadEntry(e));
        return out;
    }

    std::optional<std::string> File(const std::string& id) override {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            Statement s(db_, "SELECT 1 FROM replays WHERE id = ?");
            if (!s.Bind(1, id).Step()) return std::nullopt;
        }
        const std::string path = (files_ / (id + ".vrp")).string();
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) throw StoreError("cannot open " + path + ": " + std::strerror(errno));
        std::string bytes;
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                ::close(fd);
                throw StoreError("cannot read " + path + ": " + std::strerror(errno));
            }
            if (n == 0) break;
            bytes.append(buffer, static_cast<size_t>(n));
        }
        ::close(fd);
        return bytes;
    }

    void Verified(const std::string& id, int64_t frames,
                  const std::vector<Entry>& entries) override {
        std::lock_guard<std::mutex> guard(mutex_);
        Exec("BEGIN IMMEDIATE");
        try {
            Statement u(db_,
                        "UPDATE replays SET status = 1, frames = ? WHERE id = ? AND status = 0");
            u.Bind(1, frames).Bind(2, id).Step();
            if (sqlite3_changes(db_) == 1) {
                Statement s(db_, "SELECT submitted FROM replays WHERE id = ?");
                s.Bind(1, id).Step();
                const int64_t submitted = s.Int(0);
                for (const Entry& entry : entries) {
                    Statement i(db_, (std::string("INSERT INTO entries (") + ENTRY_COLUMNS +
                                      ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                                         .c_str());
                    i.Bind(1, id).Bind(2, int64_t{entry.game}).Bind(3, int64_t{entry.rank});
                    i.Bind(4, entry.score)
                        .Bind(5, int64_t{entry.stage})
                        .Bind(6, int64_t{entry.place});
                    if (entry.named)
                        i.Bind(7, entry.name);
                    else
                        i.BindNull(7);
                    i.Bind(8, entry.frame).Bind(9, frames).Bind(10, submitted).Step();
                }
            }
            Exec("COMMIT");
        } catch (...) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }

    void Refused(const std::string& id, const std::string& reason) override {
        std::lock_guard<std::mutex> guard(mutex_);
        Statement u(db_, "UPDATE replays SET status = 2, reason = ? WHERE id = ? AND status = 0");
        u.Bind(1, reason).Bind(2, id).Step();
    }

    std::vector<std::string> Pending(int32_t limit) override {
        std::lock_guard<std::mutex> guard(mutex_);
        Statement s(db_, "SELECT id FROM replays WHERE status = 0 ORDER BY submitted, id LIMIT ?");
        s.Bind(1, int64_t{limit});
        std::vector<std::string> out;
        while (s.Step())
            out.push_back(s.Text(0));
        return out;
    }

    int64_t CountPending() override {
        std::lock_guard<std::mutex> guard(mutex_);
        Statement s(db_, "SELECT count(*) FROM replays WHERE status = 0");
        s.Step();
        return s.Int(0);
    }

    // One process owns an SQLite board: every claim is granted.
    std::vector<std::string> Claim(int32_t limit, const std::string&, int64_t, int64_t) override {
        return Pending(limit);
    }
    void Release(const std::string&) override {}
    bool Renew(const std::string& id, const std::string&, int64_t, int64_t) override {
        std::lock_guard<std::mutex> guard(mutex_);
        Statement s(db_, "SELECT 1 FROM replays WHERE id = ? AND status = 0");
        return s.Bind(1, id).Step();
    }

    bool SetHidden(const std::string& id, bool hidden, const std::string& reason,
                   int64_t now) override {
        std::lock_guard<std::mutex> guard(mutex_);
        Exec("BEGIN IMMEDIATE");
        try {
            Statement u(db_, "UPDATE replays SET hidden = ? WHERE id = ? AND hidden = ?");
            u.Bind(1, int64_t{hidden}).Bind(2, id).Bind(3, int64_t{!hidden}).Step();
            const bool changed = sqlite3_changes(db_) == 1;
            if (changed) {
                Statement a(
                    db_, "INSERT INTO moderation (replay, action, reason, at) VALUES (?, ?, ?, ?)");
                a.Bind(1, id).Bind(2, std::string(hidden ? "hide" : "unhide")).Bind(3, reason);
                a.Bind(4, now).Step();
            }
            Exec("COMMIT");
            return changed;
        } catch (...) {
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }

    std::vector<ModerationRecord> Moderation(bool hiddenOnly) override {
        std::lock_guard<std::mutex> guard(mutex_);
        Statement s(db_, hiddenOnly
                             ? "SELECT m.replay, m.action, m.reason, m.at FROM moderation m "
                               "JOIN replays r ON r.id = m.replay WHERE r.hidden = 1 AND m.seq = "
                               "(SELECT max(seq) FROM moderation WHERE replay = m.replay) "
                               "ORDER BY m.seq"
                             : "SELECT replay, action, reason, at FROM moderation ORDER BY seq");
        std::vector<ModerationRecord> out;
        while (s.Step())
            out.push_back({s.Text(0), s.Text(1), s.Text(2), s.Int(3)});
        return out;
    }

    void Ping() override {
        std::lock_guard<std::mutex> guard(mutex_);
        Statement(db_, "SELECT 1 FROM replays LIMIT 1").Step();
    }

    std::vector<Entry> Scores(int32_t rank, int32_t limit, int64_t offset) override {
        std::lock_guard<std::mutex> guard(mutex_);
        Statement s(db_,
                    (std::string("SELECT ") + ENTRY_COLUMNS + " FROM entries WHERE rank = ? AND " +
                     NOT_HIDDEN + " ORDER BY score DESC, submitted, replay, game LIMIT ? OFFSET ?")
                        .c_str());
        s.Bind(1, int64_t{rank}).Bind(2, int64_t{limit}).Bind(3, offset);
        std::vector<Entry> out;
        while (s.Step())
            out.push_back(ReadEntry(s));
        return out;
    }

    int64_t CountScores(int32_t rank) override {
        std::lock_guard<std::mutex> guard(mutex_);
        Statement s(
            db_,
            (std::string("SELECT count(*) FROM entries WHERE rank = ? AND ") + NOT_HIDDEN).c_str());
        s.Bind(1, int64_t{rank}).Step();
        return s.Int(0);
    }

  private:
    void Exec(const char* sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            const std::string text = message ? message : "unknown error";
            sqlite3_free(message);
            throw StoreError("sqlite: " + text);
        }
    }

    std::filesystem::path files_;
    sqlite3* db_ = nullptr;
    std::mutex mutex_;
};

} // namespace

const char* StatusName(Status status) {
    switch (status) {
    case Status::Verified:
        return "verified";
    case Status::Refused:
        return "refused";
    default:
        return "pending";
    }
}

std::unique_ptr<Store> OpenSqliteStore(const std::string& dataDir) {
    return std::make_unique<SqliteStore>(dataDir);
}

} // namespace velkar::board
