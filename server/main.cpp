// velkar-board: the score board server. It ranks only what a submitted replay reaches when the
// board plays it through with velkar-sim, the same player every program checks replays with.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <httplib.h>
#include <iterator>
#include <mutex>
#include <pthread.h>
#include <string>
#include <thread>
#include <type_traits>
#include <unistd.h>

#include "board.h"
#include "page.h"
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
    std::string metricsBind; // ADDR:PORT of a listener for /healthz and /metrics alone
    bool noHttp = false;     // a verification worker only
    std::string reason;      // hide, unhide: why
    std::string command;     // hide, unhide, hidden ("" serve)
    std::string replay;      // hide, unhide: the replay's id
    BoardConfig board;
};

const char* const USAGE_HEAD =
    "usage: velkar-board [OPTION]...                   serve the board\n"
    "       velkar-board hide ID --reason TEXT [STORE]   hide a replay's entries and file\n"
    "       velkar-board unhide ID [--reason TEXT] [STORE]\n"
    "       velkar-board hidden [STORE]                  list hidden replays and why\n"
    "       velkar-board --help | --version\n"
    "Serves the VELKAR score board over HTTP. Every submitted replay is played back by\n"
    "velkar-sim before its games are ranked. STORE is --data DIR or --database URI, as the\n"
    "running board has it: the moderation commands work while it runs.\n"
    "Options (and their defaults):\n";

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

struct OptionEntry {
    const char* name;
    const char* valueName; // "" for a flag
    std::string help;
    std::function<bool()> set;
};

// A moderation command's arguments.
bool CheckCommand(const Options& o, std::string& error) {
    if (o.command != "hidden" && !IsReplayId(o.replay)) {
        error = o.command + " takes a replay's id (64 hexadecimal digits)";
        return false;
    }
    if (o.command == "hide" && o.reason.empty()) {
        error = "hide needs --reason TEXT";
        return false;
    }
    if (o.reason.size() > 1000) {
        error = "--reason holds at most 1000 bytes";
        return false;
    }
    return true;
}

// Parses the arguments into o; help is the --help text, with each option's default.
bool ParseArgs(int argc, char** argv, Options& o, std::string& help, std::string& error) {
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
    const Options defaults;
    const std::string cores = std::to_string(o.board.workers);
    const OptionEntry options[] = {
        {"--bind", "ADDR", "address to listen on (" + defaults.bind + ")",
         [&] { return text(o.bind); }},
        {"--port", "N", "port to listen on; 0 takes a free one (8080)",
         [&] { return number(0, 65535, o.port); }},
        {"--data", "DIR", "SQLite board and its files in DIR (" + defaults.data + ")",
         [&] { return text(o.data); }},
        {"--database", "URI", "PostgreSQL board, shared by several processes (none)",
         [&] {
             if (value.rfind("postgresql://", 0) != 0 && value.rfind("postgres://", 0) != 0) {
                 error = "--database takes a postgresql:// URI";
                 return false;
             }
             return text(o.database);
         }},
        {"--workers", "N", "replays verified at once (" + cores + ", one per core)",
         [&] { return number(1, 256, o.board.workers); }},
        {"--queue", "N",
         "files waiting for a worker; more are answered 503 (" +
             std::to_string(defaults.board.queueLimit) + ")",
         [&] { return number(1, 1'000'000, o.board.queueLimit); }},
        {"--rate", "N",
         "submissions per address and minute, 0 none (" +
             std::to_string(defaults.board.ratePerMinute) + ")",
         [&] { return number(0, 1'000'000, o.board.ratePerMinute); }},
        {"--max-bytes", "N",
         "largest replay file taken (" + std::to_string(defaults.board.maxBytes) + ")",
         [&] { return number(1024, int64_t{1} << 30, o.board.maxBytes); }},
        {"--sweep", "SECONDS",
         "how often pending files are looked for, 0 only at start (" +
             std::to_string(defaults.board.sweepSeconds) + ")",
         [&] { return number(0, 86400, o.board.sweepSeconds); }},
        {"--frames-per-cpu-second", "N",
         "the player's CPU time: 5 s plus 1 s per N frames (" +
             std::to_string(defaults.board.limits.framesPerCpuSecond) + ")",
         [&] { return number(100, 10'000'000, o.board.limits.framesPerCpuSecond); }},
        {"--sim", "PATH", "the replay player (" + o.board.simPath + ")",
         [&] { return text(o.board.simPath); }},
        {"--web", "DIR", "serve the browser build in DIR under /play/ (none)",
         [&] { return text(o.web); }},
        {"--metrics-bind", "ADDR:PORT",
         "serve /healthz and /metrics only there (on the board's port)",
         [&] { return text(o.metricsBind); }},
        {"--no-http", "", "verify pending files only, with no HTTP server (serve)",
         [&] {
             o.noHttp = true;
             return true;
         }},
        {"--reason", "TEXT", "hide, unhide: why, kept in the audit table (none)",
         [&] { return text(o.reason); }},
        {"--trust-proxy", "ADDR", "the reverse proxy whose X-Forwarded-For names the client (none)",
         [&] {
             o.board.trustProxy = CanonicalAddress(value);
             if (o.board.trustProxy.empty()) error = "--trust-proxy takes an IP address";
             return error.empty();
         }},
    };
    help = USAGE_HEAD;
    for (const OptionEntry& entry : options) {
        const std::string head =
            std::string(entry.name) + (entry.valueName[0] != '\0' ? " " : "") + entry.valueName;
        help += "  " + head + std::string(head.size() < 30 ? 30 - head.size() : 1, ' ') +
                entry.help + "\n";
    }
    for (int i = 1; i < argc; ++i) {
        arg = argv[i];
        if (arg == "--help" || arg == "--version") {
            error = arg;
            return false;
        }
        const auto option = std::find_if(std::begin(options), std::end(options),
                                         [&](const auto& entry) { return arg == entry.name; });
        if (option == std::end(options)) {
            if (arg.rfind("-", 0) != 0 && o.command.empty() && i == 1 &&
                (arg == "hide" || arg == "unhide" || arg == "hidden")) {
                o.command = arg;
                continue;
            }
            if (arg.rfind("-", 0) != 0 && !o.command.empty() && o.command != "hidden" &&
                o.replay.empty()) {
                o.replay = arg;
                continue;
            }
            error = (arg.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") + arg;
            return false;
        }
        if (option->valueName[0] != '\0') {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (!option->set()) return false;
    }
    if (!o.command.empty()) return CheckCommand(o, error);
    if (!o.reason.empty()) {
        error = "--reason is for hide and unhide";
        return false;
    }
    if (access(o.board.simPath.c_str(), X_OK) != 0) {
        error = "the replay player " + o.board.simPath + " cannot be run (--sim PATH)";
        return false;
    }
    return true;
}

// hide, unhide, hidden: a moderator's command on the store a board runs on.
int Moderate(Store& store, const Options& o) {
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    if (o.command == "hidden") {
        for (const ModerationRecord& r : store.Moderation(true)) {
            std::printf("%s  %s  %s\n", r.replay.c_str(),
                        FormatUtc(r.at, "%Y-%m-%d %H:%M UTC").c_str(), r.reason.c_str());
        }
        return 0;
    }
    const bool hide = o.command == "hide";
    if (!store.Find(o.replay)) {
        std::fprintf(stderr, "velkar-board: no replay %s on this board\n", o.replay.c_str());
        return 1;
    }
    if (!store.SetHidden(o.replay, hide, o.reason, now)) {
        std::fprintf(stderr, "velkar-board: %s is already %s\n", o.replay.c_str(),
                     hide ? "hidden" : "shown");
        return 1;
    }
    std::printf("%s %s\n", o.replay.c_str(), hide ? "hidden" : "shown again");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string help;
    std::string error;
    if (!ParseArgs(argc, argv, options, help, error)) {
        if (error == "--help") {
            std::fputs(help.c_str(), stdout);
            return 0;
        }
        if (error == "--version") {
            std::printf("velkar-board %s\n%s\n", VELKAR_VERSION, VELKAR_LICENCE_LINE);
            return 0;
        }
        std::fprintf(stderr, "velkar-board: %s\n", error.c_str());
        std::fputs("(velkar-board --help shows the options)\n", stderr);
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
    if (!options.command.empty()) {
        try {
            store = options.database.empty() ? OpenSqliteStore(options.data)
                                             : OpenPostgresStore(options.database, 1);
            return Moderate(*store, options);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "velkar-board: %s\n", e.what());
            return 1;
        }
    }
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

    if (!options.web.empty()) {
        if (!std::filesystem::is_directory(options.web)) {
            std::fprintf(stderr, "velkar-board: %s is not a folder\n", options.web.c_str());
            return 2;
        }
        options.board.playPage = "/play/index.html";
    }
    Board board(*store, options.board);
    // The stop signals are taken by one thread, which stops the listeners (or, with no HTTP,
    // wakes main); the board then lets a running verification finish within its grace time.
    httplib::Server server;
    httplib::Server monitor;
    std::mutex stopMutex;
    std::condition_variable stopWake;
    bool stopRequested = false;
    // The listeners are stopped once, by the signal or by the board's listener ending first.
    std::once_flag stopOnce;
    const auto stopListeners = [&] {
        std::call_once(stopOnce, [&] {
            server.stop();
            monitor.stop();
        });
    };
    // Started once the listeners are bound: their sockets are made before the thread that may
    // close them.
    std::thread signals;
    std::atomic<bool> ending{false}; // the process ends on its own: the thread only leaves
    const auto takeSignals = [&] {
        signals = std::thread([&, stopSignals] {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            if (ending.load()) return;
            std::fprintf(stderr, "velkar-board: signal %d: stopping\n", signal);
            stopListeners();
            std::lock_guard<std::mutex> guard(stopMutex);
            stopRequested = true;
            stopWake.notify_all();
        });
    };
    bool ok = true;
    if (options.noHttp) {
        takeSignals();
        board.Start();
        std::printf("velkar-board: verifying pending files only (%s, %d workers, player %s)\n",
                    options.database.empty() ? ("data in " + options.data).c_str() : "PostgreSQL",
                    options.board.workers, options.board.simPath.c_str());
        std::fflush(stdout);
        std::unique_lock<std::mutex> lock(stopMutex);
        stopWake.wait(lock, [&] { return stopRequested; });
    } else {
        if (!options.web.empty()) InstallSite(server, options.web);
        InstallIcon(server);
        board.Install(server, options.metricsBind.empty());
        std::thread monitoring;
        if (!options.metricsBind.empty()) {
            const size_t colon = options.metricsBind.rfind(':');
            int64_t monitorPort = 0;
            if (colon == std::string::npos ||
                !ParseDecimal(options.metricsBind.substr(colon + 1), 0, 65535, monitorPort) ||
                !monitor.bind_to_port(options.metricsBind.substr(0, colon),
                                      static_cast<int>(monitorPort))) {
                std::fprintf(stderr, "velkar-board: cannot listen on %s (--metrics-bind)\n",
                             options.metricsBind.c_str());
                return 1;
            }
            board.InstallMonitoring(monitor);
            monitoring = std::thread([&monitor] { monitor.listen_after_bind(); });
        }
        int port = options.port;
        if (port == 0) {
            port = server.bind_to_any_port(options.bind);
        } else if (!server.bind_to_port(options.bind, port)) {
            port = -1;
        }
        if (port <= 0) {
            std::fprintf(stderr, "velkar-board: cannot listen on %s:%d\n", options.bind.c_str(),
                         options.port);
            stopListeners();
            if (monitoring.joinable()) monitoring.join();
            return 1;
        }
        takeSignals();
        board.Start();
        std::printf("velkar-board: serving http://%s:%d/ (%s, %d workers, player %s)\n",
                    options.bind.c_str(), port,
                    options.database.empty() ? ("data in " + options.data).c_str() : "PostgreSQL",
                    options.board.workers, options.board.simPath.c_str());
        std::fflush(stdout);
        ok = server.listen_after_bind();
        stopListeners();
        if (monitoring.joinable()) monitoring.join();
    }
    board.Stop();
    if (signals.joinable()) {
        ending.store(true);
        pthread_kill(signals.native_handle(), SIGTERM); // nothing if it has already taken one
        signals.join();
    }
    if (!temporaryWork.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(temporaryWork, ignored);
    }
    return ok ? 0 : 1;
}
