// The board's storage: replay files by their SHA-256, each submission's status and the entries
// its verified games gave. Two implementations: SQLite (one file beside the replay files) and
// PostgreSQL (files in the database, shared by several board processes).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace velkar::board {

// One game of a verified replay, as the game put it into its hi-score table.
struct Entry {
    std::string replay; // the replay's id
    int32_t game = 0;   // 0-based among the replay's ended games
    int32_t rank = 0;   // 0 Normal, 1 Hard
    int64_t score = 0;
    int32_t stage = 0;
    int32_t place = -1;    // place in the game's own table then, -1 none
    bool named = false;    // a name was typed in Name Entry
    std::string name;      // UTF-8
    int64_t frame = 0;     // the frame of the replay where the game over began
    int64_t frames = 0;    // frames the whole replay played
    int64_t submitted = 0; // seconds since 1970 when the file was first received
};

enum class Status { Pending, Verified, Refused };
const char* StatusName(Status status);

struct Submission {
    std::string id;
    Status status = Status::Pending;
    std::string reason; // Refused: why
    int64_t submitted = 0;
    int64_t size = 0;
    int64_t frames = 0;  // Verified: frames played
    int32_t rules = 1;   // the game's rules version the replay was played under
    bool hidden = false; // hidden by a moderator: not on the board, its file not served
    std::vector<Entry> entries;
};

// One moderator's action, as the audit table keeps it.
struct ModerationRecord {
    std::string replay;
    std::string action; // "hide" or "unhide"
    std::string reason;
    int64_t at = 0; // seconds since 1970
};

// A failure of the storage itself (disk, database connection): the request fails with 5xx, the
// board keeps running.
struct StoreError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class Store {
  public:
    virtual ~Store() = default;
    // Stores the file durably as a pending submission; when this returns, the file and its
    // status are committed. false when the id was already there (nothing changes).
    virtual bool Add(const std::string& id, const std::string& file, int64_t now,
                     int32_t rules) = 0;
    virtual std::optional<Submission> Find(const std::string& id) = 0;
    virtual std::optional<std::string> File(const std::string& id) = 0;
    // Settles a pending submission in one transaction (a settled one is left as it is: two
    // processes may verify the same file).
    virtual void Verified(const std::string& id, int64_t frames,
                          const std::vector<Entry>& entries) = 0;
    virtual void Refused(const std::string& id, const std::string& reason) = 0;
    // Pending submissions, oldest first.
    virtual std::vector<std::string> Pending(int32_t limit) = 0;
    virtual int64_t CountPending() = 0;
    // Several boards may share a store: a pending file is verified by the board that holds its
    // claim, which lasts until a time (seconds since 1970) and returns to the pool if that
    // board dies. Claim takes up to limit pending files that no live claim holds, oldest first;
    // Renew takes or extends the claim on one (false: another board holds it, or it is settled).
    // A store only one process uses may grant every claim.
    virtual std::vector<std::string> Claim(int32_t limit, const std::string& owner, int64_t now,
                                           int64_t until) = 0;
    virtual bool Renew(const std::string& id, const std::string& owner, int64_t now,
                       int64_t until) = 0;
    // Gives up owner's claims on the files it did not settle (a board stopping), so that the
    // next process to look takes them at once.
    virtual void Release(const std::string& owner) = 0;
    // Hides a stored replay (or shows it again) and keeps the action in the audit table; false
    // when there is no such replay or it already is so.
    virtual bool SetHidden(const std::string& id, bool hidden, const std::string& reason,
                           int64_t now) = 0;
    // The audit table, oldest first; with hiddenOnly, the last hiding of each replay still
    // hidden.
    virtual std::vector<ModerationRecord> Moderation(bool hiddenOnly) = 0;
    // Throws StoreError unless the store answers.
    virtual void Ping() = 0;
    // The board of one rank, best first (score, then the earlier submission); hidden replays'
    // entries are left out.
    virtual std::vector<Entry> Scores(int32_t rank, int32_t limit, int64_t offset) = 0;
    virtual int64_t CountScores(int32_t rank) = 0;
};

// SQLite in dataDir/board.sqlite (WAL, full synchronous commits), files in dataDir/replays/.
std::unique_ptr<Store> OpenSqliteStore(const std::string& dataDir);
// PostgreSQL at a libpq connection URI; connections pooled for `connections` threads.
std::unique_ptr<Store> OpenPostgresStore(const std::string& uri, int32_t connections);

} // namespace velkar::board
