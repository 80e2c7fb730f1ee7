// velkar-board-bench: latency of GET /api/scores on a board of many entries (a benchmark, not a
// test). Fills the store with synthetic verified entries in bulk when it holds fewer, serves it
// in-process on 127.0.0.1 and times the requests.
//   velkar-board-bench (--data DIR | --database URI) [--entries N] [--requests N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <httplib.h>
#include <libpq-fe.h>
#include <random>
#include <sqlite3.h>
#include <string>
#include <thread>
#include <vector>

#include "board.h"

using namespace velkar::board;

namespace {

// One statement that makes `count` verified replays of two entries each (one a rank), ids
// "bench" followed by zeros and the number: 64 characters like a real id.
std::string FillSql(int64_t count, bool postgres) {
    const std::string series =
        postgres ? "SELECT g AS n FROM generate_series(1, " + std::to_string(count) + ") g"
                 : "WITH RECURSIVE s(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM s WHERE n < " +
                       std::to_string(count) + ") SELECT n FROM s";
    const std::string id = postgres ? "'bench' || lpad(n::text, 59, '0')"
                                    : "'bench' || substr('00000000000000000000000000000000000000"
                                      "000000000000000000000' || n, -59)";
    const std::string data = postgres ? ", data" : "";
    const std::string dataValue = postgres ? ", 'x'::bytea" : "";
    std::string sql = "INSERT INTO replays (id, size, submitted, status, frames" + data +
                      ") SELECT " + id + ", 1, 1700000000 + n, 1, 3000" + dataValue + " FROM (" +
                      series + ") t;";
    for (int rank = 0; rank < 2; ++rank) {
        sql += "INSERT INTO entries (replay, game, rank, score, stage, place, name, frame, "
               "frames, submitted) SELECT " +
               id + ", " + std::to_string(rank) + ", " + std::to_string(rank) +
               ", (n * 7919) % 1000003, 1 + n % 9, -1, 'P' || (n % 1000), 2000, 3000, "
               "1700000000 + n FROM (" +
               series + ") t;";
    }
    return sql;
}

bool Fill(const std::string& dataDir, const std::string& uri, int64_t replays) {
    const std::string sql = "BEGIN;" + FillSql(replays, !uri.empty()) + "COMMIT;";
    if (uri.empty()) {
        sqlite3* db = nullptr;
        const std::string path = dataDir + "/board.sqlite";
        char* error = nullptr;
        const bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK;
        if (!ok) std::fprintf(stderr, "fill: %s\n", error ? error : sqlite3_errmsg(db));
        sqlite3_free(error);
        sqlite3_close(db);
        return ok;
    }
    PGconn* conn = PQconnectdb(uri.c_str());
    PGresult* result = PQexec(conn, (sql + "ANALYZE;").c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!ok) std::fprintf(stderr, "fill: %s\n", PQerrorMessage(conn));
    PQclear(result);
    PQfinish(conn);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    std::string data;
    std::string uri;
    int64_t entries = 100000;
    int64_t requests = 2000;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--data")
            data = argv[i + 1];
        else if (arg == "--database")
            uri = argv[i + 1];
        else if (arg == "--entries")
            entries = std::atoll(argv[i + 1]);
        else if (arg == "--requests")
            requests = std::atoll(argv[i + 1]);
    }
    if (data.empty() == uri.empty() || entries < 2 || requests < 1) {
        std::fprintf(stderr, "usage: velkar-board-bench (--data DIR | --database URI) "
                             "[--entries N] [--requests N]\n");
        return 2;
    }
    std::unique_ptr<Store> store = uri.empty() ? OpenSqliteStore(data) : OpenPostgresStore(uri, 8);
    const int64_t have = store->CountScores(0) + store->CountScores(1);
    if (have < entries && !Fill(data, uri, (entries - have + 1) / 2)) return 1;
    const int64_t total = store->CountScores(0) + store->CountScores(1);

    BoardConfig config;
    config.simPath = "/bin/false"; // nothing is submitted
    config.workDir = "/tmp";
    httplib::Server server;
    Board board(*store, config);
    board.Install(server, true);
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&server] { server.listen_after_bind(); });
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    std::mt19937 random(1);
    std::vector<double> micros;
    for (int64_t i = 0; i < requests; ++i) {
        // Mostly the first pages, as visitors read a board; now and then a deep one.
        const int64_t offset = i % 10 == 9 ? random() % 50000 : (random() % 10) * 50;
        const std::string path = std::string("/api/scores?rank=") + (i % 2 ? "hard" : "normal") +
                                 "&limit=50&offset=" + std::to_string(offset);
        const auto start = std::chrono::steady_clock::now();
        const httplib::Result res = client.Get(path);
        const auto stop = std::chrono::steady_clock::now();
        if (!res || res->status != 200) {
            std::fprintf(stderr, "GET %s failed\n", path.c_str());
            return 1;
        }
        micros.push_back(std::chrono::duration<double, std::micro>(stop - start).count());
    }
    server.stop();
    serving.join();
    std::sort(micros.begin(), micros.end());
    const auto at = [&micros](double share) {
        return micros[static_cast<size_t>(share * static_cast<double>(micros.size() - 1))];
    };
    std::printf("%s: %lld entries, %lld GET /api/scores (limit 50): p50 %.0f us, p99 %.0f us, "
                "max %.0f us\n",
                uri.empty() ? "SQLite" : "PostgreSQL", static_cast<long long>(total),
                static_cast<long long>(requests), at(0.5), at(0.99), micros.back());
    return 0;
}
