// Verification in a child process: the game keeps its state in process-wide globals, so each
// replay is played by its own process, which also keeps a hostile file from harming the board.
#include "verifier.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace velkar::board {

namespace {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    if (from.empty()) return text;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The runner's last message line, without its program prefix.
std::string LastMessage(const std::string& messages, const std::string& path) {
    std::string text = messages;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const size_t newline = text.rfind('\n');
    if (newline != std::string::npos) text = text.substr(newline + 1);
    const std::string prefix = "velkar-sim: ";
    if (text.rfind(prefix, 0) == 0) text = text.substr(prefix.size());
    text = ReplaceAll(text, path, "replay");
    if (text.size() > 500) text = text.substr(0, 500) + "...";
    return text;
}

void SetLimit(int resource, rlim_t value) {
    const rlimit limit{value, value};
    setrlimit(resource, &limit);
}

} // namespace

Verdict ReadVerdict(int exitStatus, const std::string& output, const std::string& messages,
                    const std::string& path) {
    Verdict v;
    if (exitStatus == 2) {
        // The reader's refusal names the file; status 2 without it is the runner refusing its
        // options (another version installed meanwhile), which says nothing of the file.
        if (messages.find("velkar-sim: " + path + ":") == std::string::npos) {
            v.reason = "the replay player refused to run: " + LastMessage(messages, path);
            return v;
        }
        v.judged = true;
        v.reason = "the file is not a sound replay: " + LastMessage(messages, path);
        return v;
    }
    // 0 matched, 1 differs, 4 no closing line: each with its JSON. Any other status (a frame
    // that did not end, a program that could not start) judges nothing.
    if (exitStatus != 0 && exitStatus != 1 && exitStatus != 4) {
        v.reason = "the replay player ended with status " + std::to_string(exitStatus) + ": " +
                   LastMessage(messages, path);
        return v;
    }
    nlohmann::json json;
    try {
        json = nlohmann::json::parse(output);
        const nlohmann::json& replay = json.at("replay");
        const std::string state = replay.at("state").get<std::string>();
        v.frames = replay.at("frames").get<int64_t>();
        v.judged = true;
        if (state != "matched") {
            v.reason = state == "no-closing"
                           ? "the file has no closing digest (the recording was cut off)"
                           : LastMessage(messages, path);
            return v;
        }
        int32_t index = 0;
        for (const nlohmann::json& game : replay.at("games")) {
            Entry e;
            e.game = index++;
            e.rank = game.at("rank").get<int32_t>();
            e.score = game.at("score").get<int64_t>();
            e.stage = game.at("stage").get<int32_t>();
            e.place = game.at("place").get<int32_t>();
            e.frame = game.at("frame").get<int64_t>();
            e.named = !game.at("name").is_null();
            if (e.named) e.name = game.at("name").get<std::string>();
            v.entries.push_back(std::move(e));
        }
    } catch (const std::exception&) {
        v = Verdict{};
        v.reason = "the replay player's answer could not be read (status " +
                   std::to_string(exitStatus) + ")";
        return v;
    }
    v.verified = exitStatus == 0;
    if (!v.verified) v.reason = LastMessage(messages, path);
    return v;
}

int64_t CpuSecondsFor(int64_t frames, const VerifierLimits& limits) {
    return limits.cpuSecondsBase + frames / std::max<int64_t>(1, limits.framesPerCpuSecond);
}

Verdict VerifyInChild(const std::string& simPath, const std::string& path, int64_t frames,
                      const VerifierLimits& limits, const std::atomic<int64_t>* stopAtMs) {
    Verdict failed;
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        failed.reason = std::string("no pipe for the replay player: ") + std::strerror(errno);
        return failed;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        failed.reason = std::string("no pipe for the replay player: ") + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return failed;
    }
    const int64_t cpuSeconds = CpuSecondsFor(frames, limits);
    // Everything the child needs is made before fork: after it only async-signal-safe calls.
    const char* argv[] = {simPath.c_str(), "--replay", path.c_str(), "--json", nullptr};
    const pid_t pid = fork();
    if (pid == 0) {
        SetLimit(RLIMIT_AS, static_cast<rlim_t>(limits.memoryBytes));
        SetLimit(RLIMIT_CPU, static_cast<rlim_t>(cpuSeconds));
        SetLimit(RLIMIT_FSIZE, 0);
        SetLimit(RLIMIT_CORE, 0);
        SetLimit(RLIMIT_NPROC, 4096);
        const int devnull = open("/dev/null", O_RDONLY);
        if (devnull < 0 || dup2(devnull, 0) < 0 || dup2(out[1], 1) < 0 || dup2(err[1], 2) < 0)
            _exit(126);
        execv(simPath.c_str(), const_cast<char* const*>(argv));
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        failed.reason = std::string("cannot start the replay player: ") + std::strerror(errno);
        close(out[0]);
        close(err[0]);
        return failed;
    }
    std::string output;
    std::string messages;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(2 * cpuSeconds + 5);
    bool killed = false;
    bool tooLong = false;
    bool stopped = false;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            killed = true;
            break;
        }
        const int64_t stopAt = stopAtMs != nullptr ? stopAtMs->load() : 0;
        if (stopAt > 0 && std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now().time_since_epoch())
                                  .count() >= stopAt) {
            killed = stopped = true;
            break;
        }
        const int ready = poll(fds, 2, static_cast<int>(std::min<int64_t>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) break;
        for (pollfd& fd : fds) {
            if (fd.fd < 0 || (fd.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
            char buffer[65536];
            const ssize_t n = read(fd.fd, buffer, sizeof buffer);
            if (n <= 0) {
                if (n < 0 && errno == EINTR) continue;
                close(fd.fd);
                fd.fd = -1;
                --open;
                continue;
            }
            std::string& sink = fd.fd == out[0] ? output : messages;
            if (static_cast<int64_t>(output.size() + messages.size()) + n > limits.outputBytes) {
                tooLong = true;
                killed = true;
                break;
            }
            sink.append(buffer, static_cast<size_t>(n));
        }
        if (killed) break;
    }
    if (killed) kill(pid, SIGKILL);
    for (pollfd& fd : fds) {
        if (fd.fd >= 0) close(fd.fd);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // Killed for its time or its output, or stopped by a signal: the player gave no verdict.
    // Every frame a file asks for is bounded by its size and the allowance leaves room for a
    // slow host, so this is a fault of the host or of the player, never the file's.
    if (killed || WIFSIGNALED(status)) {
        const int signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        failed.reason =
            stopped   ? "the board stopped before the player finished"
            : tooLong ? "the replay player printed more than its limit"
            : killed  ? "the replay player ran past its wall-clock limit"
            : signal == SIGXCPU
                ? "the replay player ran past its CPU limit of " + std::to_string(cpuSeconds) + " s"
                : "the replay player stopped on signal " + std::to_string(signal);
        return failed;
    }
    return ReadVerdict(WEXITSTATUS(status), output, messages, path);
}

} // namespace velkar::board
