// The shared store: PostgreSQL through libpq. The replay files live in the database, so every
// board process that shares it serves every file.
#include <condition_variable>
#include <cstdlib>
#include <libpq-fe.h>
#include <mutex>
#include <vector>

#include "store.h"

namespace velkar::board {

namespace {

constexpr const char* SCHEMA = R"(
CREATE TABLE IF NOT EXISTS replays (
  id TEXT PRIMARY KEY, size BIGINT NOT NULL, submitted BIGINT NOT NULL,
  status INTEGER NOT NULL, reason TEXT NOT NULL DEFAULT '', frames BIGINT NOT NULL DEFAULT 0,
  data BYTEA NOT NULL);
CREATE INDEX IF NOT EXISTS replays_pending ON replays (submitted) WHERE status = 0;
CREATE TABLE IF NOT EXISTS entries (
  replay TEXT NOT NULL REFERENCES replays (id), game INTEGER NOT NULL, rank INTEGER NOT NULL,
  score BIGINT NOT NULL, stage INTEGER NOT NULL, place INTEGER NOT NULL, name TEXT,
  frame BIGINT NOT NULL, frames BIGINT NOT NULL, submitted BIGINT NOT NULL,
  PRIMARY KEY (replay, game));
CREATE INDEX IF NOT EXISTS entries_board ON entries (rank, score DESC, submitted, replay, game);
ALTER TABLE replays ADD COLUMN IF NOT EXISTS rules INTEGER NOT NULL DEFAULT 1;
ALTER TABLE replays ADD COLUMN IF NOT EXISTS hidden BOOLEAN NOT NULL DEFAULT false;
ALTER TABLE replays ADD COLUMN IF NOT EXISTS claimed_by TEXT;
ALTER TABLE replays ADD COLUMN IF NOT EXISTS claim_until BIGINT NOT NULL DEFAULT 0;
CREATE INDEX IF NOT EXISTS replays_hidden ON replays (id) WHERE hidden;
CREATE TABLE IF NOT EXISTS moderation (
  seq BIGSERIAL PRIMARY KEY, replay TEXT NOT NULL, action TEXT NOT NULL, reason TEXT NOT NULL,
  at BIGINT NOT NULL);
)";
// The hidden replays, for leaving their entries out of the board.
constexpr const char* NOT_HIDDEN = "replay NOT IN (SELECT id FROM replays WHERE hidden)";
// Serialises the schema's creation between processes that start together.
constexpr const char* SCHEMA_LOCK = "SELECT pg_advisory_lock(5874211)";
constexpr const char* SCHEMA_UNLOCK = "SELECT pg_advisory_unlock(5874211)";

constexpr const char* ENTRY_COLUMNS =
    "replay, game, rank, score, stage, place, name, frame, frames, submitted";

// A result that clears itself.
class Result {
  public:
    explicit Result(PGresult* result) : result_(result) {}
    ~Result() { PQclear(result_); }
    Result(Result&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    int Rows() const { return PQntuples(result_); }
    std::string Text(int row, int column) const {
        return std::string(PQgetvalue(result_, row, column),
                           static_cast<size_t>(PQgetlength(result_, row, column)));
    }
    int64_t Int(int row, int column) const {
        return std::strtoll(PQgetvalue(result_, row, column), nullptr, 10);
    }
    bool Null(int row, int column) const { return PQgetisnull(result_, row, column) != 0; }
    PGresult* get() const { return result_; }

  private:
    PGresult* result_;
};

Entry ReadEntry(const Result& r, int row) {
    Entry e;
    e.replay = r.Text(row, 0);
    e.game = static_cast<int32_t>(r.Int(row, 1));
    e.rank = static_cast<int32_t>(r.Int(row, 2));
    e.score = r.Int(row, 3);
    e.stage = static_cast<int32_t>(r.Int(row, 4));
    e.place = static_cast<int32_t>(r.Int(row, 5));
    e.named = !r.Null(row, 6);
    e.name = r.Text(row, 6);
    e.frame = r.Int(row, 7);
    e.frames = r.Int(row, 8);
    e.submitted = r.Int(row, 9);
    return e;
}

// Runs one statement with text parameters (a parameter marked binary is sent as bytes).
class Connection {
  public:
    explicit Connection(const std::string& uri) : conn_(PQconnectdb(uri.c_str())) {
        if (PQstatus(conn_) != CONNECTION_OK) {
            const std::string message = PQerrorMessage(conn_);
            PQfinish(conn_);
            throw StoreError("postgresql: " + message);
        }
    }
    ~Connection() { PQfinish(conn_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Result Run(const char* sql, const std::vector<std::string>& params = {}, int binaryParam = -1,
               int resultFormat = 0) {
        // A connection lost between requests (a database restart) is opened again once.
        if (PQstatus(conn_) != CONNECTION_OK) PQreset(conn_);
        std::vector<const char*> values;
        std::vector<int> lengths;
        std::vector<int> formats;
        for (size_t i = 0; i < params.size(); ++i) {
            values.push_back(params[i].data());
            lengths.push_back(static_cast<int>(params[i].size()));
            formats.push_back(static_cast<int>(i) == binaryParam ? 1 : 0);
        }
        Result result(PQexecParams(conn_, sql, static_cast<int>(params.size()), nullptr,
                                   values.data(), lengths.data(), formats.data(), resultFormat));
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw StoreError(std::string("postgresql: ") + PQerrorMessage(conn_));
        return result;
    }
    void Exec(const char* sql) {
        Result result(PQexec(conn_, sql));
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            throw StoreError(std::string("postgresql: ") + PQerrorMessage(conn_));
    }

  private:
    PGconn* conn_;
};

class PostgresStore final : public Store {
  public:
    PostgresStore(const std::string& uri, int32_t connections) {
        for (int32_t i = 0; i < std::max(1, connections); ++i)
            idle_.push_back(std::make_unique<Connection>(uri));
        Lease c(*this);
        c->Exec("SET client_min_messages = warning");
        c->Exec(SCHEMA_LOCK);
        try {
            c->Exec(SCHEMA);
        } catch (...) {
            c->Exec(SCHEMA_UNLOCK);
            throw;
        }
        c->Exec(SCHEMA_UNLOCK);
    }

    bool Add(const std::string& id, const std::string& file, int64_t now, int32_t rules) override {
        Lease c(*this);
        Result r = c->Run(
            "INSERT INTO replays (id, size, submitted, status, data, rules) "
            "VALUES ($1, $2, $3, 0, $4, $5) ON CONFLICT (id) DO NOTHING",
            {id, std::to_string(file.size()), std::to_string(now), file, std::to_string(rules)}, 3);
        return std::string(PQcmdTuples(r.get())) == "1";
    }

    std::optional<Submission> Find(const std::string& id) override {
        Lease c(*this);
        Result r = c->Run("SELECT size, submitted, status, reason, frames, rules, hidden "
                          "FROM replays WHERE id = $1",
                          {id});
        if (r.Rows() == 0) return std::nullopt;
        Submission out;
        out.id = id;
        out.size = r.Int(0, 0);
        out.submitted = r.Int(0, 1);
        out.status = static_cast<Status>(r.Int(0, 2));
        out.reason = r.Text(0, 3);
        out.frames = r.Int(0, 4);
        out.rules = static_cast<int32_t>(r.Int(0, 5));
        out.hidden = r.Text(0, 6) == "t";
        Result e = c->Run((std::string("SELECT ") + ENTRY_COLUMNS +
                           " FROM entries WHERE replay = $1 ORDER BY game")
                              .c_str(),
                          {id});
        for (int row = 0; row < e.Rows(); ++row)
            out.entries.push_back(ReadEntry(e, row));
        return out;
    }

    std::optional<std::string> File(const std::string& id) override {
        Lease c(*this);
        Result r = c->Run("SELECT data FROM replays WHERE id = $1", {id}, -1, 1);
        if (r.Rows() == 0) return std::nullopt;
        return r.Text(0, 0);
    }

    void Verified(const std::string& id, int64_t frames,
                  const std::vector<Entry>& entries) override {
        Lease c(*this);
        c->Exec("BEGIN");
        try {
            Result u = c->Run("UPDATE replays SET status = 1, frames = $1 WHERE id = $2 AND "
                              "status = 0 RETURNING submitted",
                              {std::to_string(frames), id});
            if (u.Rows() == 1) {
                const std::string submitted = u.Text(0, 0);
                for (const Entry& e : entries) {
                    c->Run((std::string("INSERT INTO entries (") + ENTRY_COLUMNS +
                            ") VALUES ($1, $2, $3, $4, $5, $6, CASE WHEN $11::boolean THEN "
                            "$7::text END, $8, $9, $10)")
                               .c_str(),
                           {id, std::to_string(e.game), std::to_string(e.rank),
                            std::to_string(e.score), std::to_string(e.stage),
                            std::to_string(e.place), e.name, std::to_string(e.frame),
                            std::to_string(frames), submitted, e.named ? "t" : "f"});
                }
            }
            c->Exec("COMMIT");
        } catch (...) {
            try {
                c->Exec("ROLLBACK");
            } catch (...) {
            }
            throw;
        }
    }

    void Refused(const std::string& id, const std::string& reason) override {
        Lease c(*this);
        c->Run("UPDATE replays SET status = 2, reason = $1 WHERE id = $2 AND status = 0",
               {reason, id});
    }

    std::vector<std::string> Pending(int32_t limit) override {
        Lease c(*this);
        Result r = c->Run("SELECT id FROM replays WHERE status = 0 ORDER BY submitted, id LIMIT $1",
                          {std::to_string(limit)});
        std::vector<std::string> out;
        for (int row = 0; row < r.Rows(); ++row)
            out.push_back(r.Text(row, 0));
        return out;
    }

    int64_t CountPending() override {
        Lease c(*this);
        return c->Run("SELECT count(*) FROM replays WHERE status = 0").Int(0, 0);
    }

    std::vector<std::string> Claim(int32_t limit, const std::string& owner, int64_t now,
                                   int64_t until) override {
        Lease c(*this);
        // Rows another board is claiming at this moment are skipped, not waited for.
        Result r =
            c->Run("UPDATE replays SET claimed_by = $1, claim_until = $3 WHERE id IN "
                   "(SELECT id FROM replays WHERE status = 0 AND claim_until < $2 "
                   "ORDER BY submitted, id LIMIT $4 FOR UPDATE SKIP LOCKED) RETURNING id",
                   {owner, std::to_string(now), std::to_string(until), std::to_string(limit)});
        std::vector<std::string> out;
        for (int row = 0; row < r.Rows(); ++row)
            out.push_back(r.Text(row, 0));
        return out;
    }

    bool Renew(const std::string& id, const std::string& owner, int64_t now,
               int64_t until) override {
        Lease c(*this);
        Result r = c->Run("UPDATE replays SET claimed_by = $1, claim_until = $3 WHERE id = $4 "
                          "AND status = 0 AND (claimed_by = $1 OR claim_until < $2)",
                          {owner, std::to_string(now), std::to_string(until), id});
        return std::string(PQcmdTuples(r.get())) == "1";
    }

    void Release(const std::string& owner) override {
        Lease c(*this);
        c->Run("UPDATE replays SET claim_until = 0 WHERE claimed_by = $1 AND status = 0", {owner});
    }

    bool SetHidden(const std::string& id, bool hidden, const std::string& reason,
                   int64_t now) override {
        Lease c(*this);
        // One statement: the change and its audit row are committed together.
        Result r = c->Run(
            "WITH changed AS (UPDATE replays SET hidden = $2 WHERE id = $1 AND "
            "hidden <> $2 RETURNING id) INSERT INTO moderation (replay, action, "
            "reason, at) SELECT id, $3, $4, $5 FROM changed",
            {id, hidden ? "t" : "f", hidden ? "hide" : "unhide", reason, std::to_string(now)});
        return std::string(PQcmdTuples(r.get())) == "1";
    }

    std::vector<ModerationRecord> Moderation(bool hiddenOnly) override {
        Lease c(*this);
        Result r =
            c->Run(hiddenOnly ? "SELECT m.replay, m.action, m.reason, m.at FROM moderation m "
                                "JOIN replays r ON r.id = m.replay WHERE r.hidden AND m.seq = "
                                "(SELECT max(seq) FROM moderation WHERE replay = m.replay) "
                                "ORDER BY m.seq"
                              : "SELECT replay, action, reason, at FROM moderation ORDER BY seq");
        std::vector<ModerationRecord> out;
        for (int row = 0; row < r.Rows(); ++row)
            out.push_back({r.Text(row, 0), r.Text(row, 1), r.Text(row, 2), r.Int(row, 3)});
        return out;
    }

    void Ping() override {
        Lease c(*this);
        c->Run("SELECT 1");
    }

    std::vector<Entry> Scores(int32_t rank, int32_t limit, int64_t offset) override {
        Lease c(*this);
        Result r =
            c->Run((std::string("SELECT ") + ENTRY_COLUMNS + " FROM entries WHERE rank = $1 AND " +
                    NOT_HIDDEN + " ORDER BY score DESC, submitted, replay, game LIMIT $2 OFFSET $3")
                       .c_str(),
                   {std::to_string(rank), std::to_string(limit), std::to_string(offset)});
        std::vector<Entry> out;
        for (int row = 0; row < r.Rows(); ++row)
            out.push_back(ReadEntry(r, row));
        return out;
    }

    int64_t CountScores(int32_t rank) override {
        Lease c(*this);
        Result r = c->Run(
            (std::string("SELECT count(*) FROM entries WHERE rank = $1 AND ") + NOT_HIDDEN).c_str(),
            {std::to_string(rank)});
        return r.Int(0, 0);
    }

  private:
    // One pooled connection for the length of a call.
    class Lease {
      public:
        explicit Lease(PostgresStore& store) : store_(store) {
            std::unique_lock<std::mutex> lock(store_.mutex_);
            store_.available_.wait(lock, [this] { return !store_.idle_.empty(); });
            connection_ = std::move(store_.idle_.back());
            store_.idle_.pop_back();
        }
        ~Lease() {
            std::lock_guard<std::mutex> guard(store_.mutex_);
            store_.idle_.push_back(std::move(connection_));
            store_.available_.notify_one();
        }
        Connection* operator->() { return connection_.get(); }

      private:
        PostgresStore& store_;
        std::unique_ptr<Connection> connection_;
    };

    std::mutex mutex_;
    std::condition_variable available_;
    std::vector<std::unique_ptr<Connection>> idle_;
};

} // namespace

std::unique_ptr<Store> OpenPostgresStore(const std::string& uri, int32_t connections) {
    return std::make_unique<PostgresStore>(uri, connections);
}

} // namespace velkar::board
