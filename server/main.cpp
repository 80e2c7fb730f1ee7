// velkar-board: the score board server. It ranks only what a submitted replay reaches when the
// board plays it through with velkar-sim, the same player every program checks replays with.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <httplib.h>
#include <iterator>
#include <pthread.h>
#include <string>
#include <thread>
#include <type_traits>
#include <unistd.h>

#include "board.h"
#include "site.h"
#include "velkar_version.h"

using namespace velkar::board;

namespace {

struct Options {
    std::string bind = "127.0.0.1";
    int port = 8080;
    std::string data = "board-data";
    std::string database;
    std::string web;
    BoardConfig board;
};

const char* const USAGE =
    "usage: velkar-board [--bind ADDR] [--port N] [--data DIR | --database postgresql://...]\n"
    "                    [--workers N] [--queue N] [--rate N] [--max-bytes N] [--sim PATH]\n"
    "                    [--web DIR] [--sweep SECONDS] [--frames-per-cpu-second N]\n"
    "                    [--trust-proxy ADDR]\n"
    "       velkar-board --help | --version\n"
    "Serves the VELKAR score board on ADDR:PORT (default 127.0.0.1:8080; port 0 takes a free\n"
    "one). Every submitted replay is played back by velkar-sim before its games are ranked.\n"
    "Storage: SQLite in DIR (default board-data) or PostgreSQL at the URI. The player may\n"
    "use 5 CPU-seconds plus one per N frames of the replay (default 6000, a quarter of its\n"
    "speed on a small host); a file it could not judge stays pending and is tried again.\n"
    "A client is its connection's address; behind a reverse proxy at ADDR (--trust-proxy,\n"
    "default none), the last address of that proxy's X-Forwarded-For header. Such headers\n"
    "from any other peer are ignored.\n";

// The replay player where this installation puts it (sbin/ for this program, bin/ or games/ for
// the player), else beside this program (copied there), else the one of the build tree.
std::string DefaultSim() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        for (const char* relative : {VELKAR_BOARD_SIM_FROM_SELF, "velkar-sim"}) {
            const std::filesystem::path path = (self.parent_path() / relative).lexically_normal();
            if (access(path.c_str(), X_OK) == 0) return path.string();
        }
    }
    return VELKAR_BOARD_SIM;
}

bool ParseArgs(int argc, char** argv, Options& o, std::string& error) {
    o.board.workers = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    o.board.simPath = DefaultSim();
    // Every option takes a value: a text, or a whole number within bounds.
    std::string arg;
    std::string value;
    const auto number = [&](int64_t min, int64_t max, auto& into) {
        int64_t n = 0;
        if (!ParseDecimal(value, min, max, n)) {
            error =
                arg + " takes a number from " + std::to_string(min) + " to " + std::to_string(max);
            return false;
        }
        into = static_cast<std::remove_reference_t<decltype(into)>>(n);
        return true;
    };
    const auto text = [&](std::string& into) {
        into = value;
        return true;
    };
    const std::pair<const char*, std::function<bool()>> options[] = {
        {"--bind", [&] { return text(o.bind); }},
        {"--port", [&] { return number(0, 65535, o.port); }},
        {"--data", [&] { return text(o.data); }},
        {"--database",
         [&] {
             if (value.rfind("postgresql://", 0) != 0 && value.rfind("postgres://", 0) != 0) {
                 error = "--database takes a postgresql:// URI";
                 return false;
             }
             return text(o.database);
         }},
        {"--workers", [&] { return number(1, 256, o.board.workers); }},
        {"--queue", [&] { return number(1, 1'000'000, o.board.queueLimit); }},
        {"--rate", [&] { return number(0, 1'000'000, o.board.ratePerMinute); }},
        {"--max-bytes", [&] { return number(1024, int64_t{1} << 30, o.board.maxBytes); }},
        {"--sweep", [&] { return number(0, 86400, o.board.sweepSeconds); }},
        {"--frames-per-cpu-second",
         [&] { return number(100, 10'000'000, o.board.limits.framesPerCpuSecond); }},
        {"--sim", [&] { return text(o.board.simPath); }},
        {"--web", [&] { return text(o.web); }},
        {"--trust-proxy",
         [&] {
             o.board.trustProxy = CanonicalAddress(value);
             if (o.board.trustProxy.empty()) error = "--trust-proxy takes an IP address";
             return error.empty();
         }},
    };
    for (int i = 1; i < argc; ++i) {
        arg = argv[i];
        if (arg == "--help" || arg == "--version") {
            error = arg;
            return false;
        }
        const auto option = std::find_if(std::begin(options), std::end(options),
                                         [&](const auto& entry) { return arg == entry.first; });
        if (option == std::end(options)) {
            error = "unknown option " + arg;
            return false;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        value = argv[++i];
        if (!option->second()) return false;
    }
    if (access(o.board.simPath.c_str(), X_OK) != 0) {
        error = "the replay player " + o.board.simPath + " cannot be run (--sim PATH)";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseArgs(argc, argv, options, error)) {
        if (error == "--help") {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (error == "--version") {
            std::printf("velkar-board %s\n%s\n", VELKAR_VERSION, VELKAR_LICENCE_LINE);
            return 0;
        }
        std::fprintf(stderr, "velkar-board: %s\n", error.c_str());
        std::fputs(USAGE, stderr);
        return 2;
    }
    // SIGTERM and SIGINT are taken by one thread, which stops the server; a closed connection
    // must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::unique_ptr<Store> store;
    std::string temporaryWork;
    try {
        if (options.database.empty()) {
            store = OpenSqliteStore(options.data);
            options.board.workDir = (std::filesystem::path(options.data) / "work").string();
            std::filesystem::create_directories(options.board.workDir);
        } else {
            store = OpenPostgresStore(options.database, options.board.workers + 8);
            char pattern[] = "/tmp/velkar-board-XXXXXX";
            if (mkdtemp(pattern) == nullptr) throw StoreError("cannot make a working folder");
            temporaryWork = pattern;
            options.board.workDir = temporaryWork;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velkar-board: %s\n", e.what());
        return 1;
    }

    httplib::Server server;
    if (!options.web.empty()) {
        if (!std::filesystem::is_directory(options.web)) {
            std::fprintf(stderr, "velkar-board: %s is not a folder\n", options.web.c_str());
            return 2;
        }
        InstallSite(server, options.web);
        options.board.playPage = "/play/index.html";
    }
    InstallIcon(server);
    Board board(*store, options.board);
    board.Install(server);

    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port(options.bind);
    } else if (!server.bind_to_port(options.bind, port)) {
        port = -1;
    }
    if (port <= 0) {
        std::fprintf(stderr, "velkar-board: cannot listen on %s:%d\n", options.bind.c_str(),
                     options.port);
        return 1;
    }
    std::thread signals([&server, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    });
    signals.detach();
    board.Start();
    std::printf("velkar-board: serving http://%s:%d/ (%s, %d workers, player %s)\n",
                options.bind.c_str(), port,
                options.database.empty() ? ("data in " + options.data).c_str() : "PostgreSQL",
                options.board.workers, options.board.simPath.c_str());
    std::fflush(stdout);
    const bool ok = server.listen_after_bind();
    board.Stop();
    if (!temporaryWork.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(temporaryWork, ignored);
    }
    return ok ? 0 : 1;
}
