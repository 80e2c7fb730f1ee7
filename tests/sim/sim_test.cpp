// velkar-sim as a user runs it: options, input scripts, JSON, PNG output, errors.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Result {
    int status = -1;
    std::string out;
};

// Runs velkar-sim with the given arguments, after shell commands in prefix; stderr is folded
// into the output.
Result RunSim(const std::string& args, const std::string& prefix = "") {
    Result result;
    const std::string command = prefix + std::string(VELKAR_SIM) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> chunk;
    size_t n;
    while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        result.out.append(chunk.data(), n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

long JsonInt(const std::string& json, const std::string& key) {
    const std::regex pattern("\"" + key + "\":(-?[0-9]+)");
    std::smatch match;
    if (!std::regex_search(json, match, pattern)) return -999999;
    return std::stol(match[1]);
}

class SimTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("velkar-sim-test-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string Write(const std::string& name, const std::string& text) {
        const fs::path path = dir / name;
        std::ofstream(path) << text;
        return path.string();
    }
    fs::path dir;
};

TEST_F(SimTest, RunsAreIdenticalFromRunToRun) {
    const Result a = RunSim("--frames 400 --json");
    const Result b = RunSim("--frames 400 --json");
    ASSERT_EQ(a.status, 0) << a.out;
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(JsonInt(a.out, "frame"), 400);
    EXPECT_NE(a.out.find("\"ScreenHash\":\""), std::string::npos);
}

TEST_F(SimTest, StartOnFrameZeroStartsStageOne) {
    const std::string script = Write("start.txt", "# press start, then let go\n0 100\n1 0\n");
    const Result r = RunSim("--frames 1 --json --input " + script);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(JsonInt(r.out, "GameMode"), 4);
    EXPECT_EQ(JsonInt(r.out, "StageNumber"), 1);
    EXPECT_EQ(JsonInt(r.out, "Lives"), 3);
}

TEST_F(SimTest, TitleHandsOverToHelpThenRanking) {
    const Result r = RunSim("--frames 1300 --every 100");
    ASSERT_EQ(r.status, 0) << r.out;
    // One line per 100 frames; the mode on each line tells the screen.
    std::vector<long> modes;
    size_t start = 0;
    while (start < r.out.size()) {
        const size_t end = r.out.find('\n', start);
        modes.push_back(JsonInt(r.out.substr(start, end - start), "GameMode"));
        start = end + 1;
    }
    ASSERT_EQ(modes.size(), 13u);
    EXPECT_EQ(modes[2], 0);  // frame 300: title
    EXPECT_EQ(modes[3], 1);  // frame 400: key-assign help (title ended at 362)
    EXPECT_EQ(modes[6], 1);  // frame 700
    EXPECT_EQ(modes[7], 2);  // frame 800: ranking (help ended at 723)
    EXPECT_EQ(modes[11], 2); // frame 1200
    EXPECT_EQ(modes[12], 3); // frame 1300: demonstration (ranking ended at 1204)
}

TEST_F(SimTest, HoldBitsApplyToEveryFrame) {
    const Result r = RunSim("--frames 3 --hold 100 --json");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(JsonInt(r.out, "GameMode"), 4);
    EXPECT_EQ(JsonInt(r.out, "ModeFrame"), 3);
}

TEST_F(SimTest, WritesScreenAndCanvasPngs) {
    const fs::path screen = dir / "screen.png";
    const fs::path canvas = dir / "canvas.png";
    const Result r =
        RunSim("--frames 130 --png 120:" + screen.string() + " --canvas-png 5:" + canvas.string());
    ASSERT_EQ(r.status, 0) << r.out;
    for (const fs::path& path : {screen, canvas}) {
        std::ifstream file(path, std::ios::binary);
        std::string header(24, '\0');
        file.read(header.data(), 24);
        ASSERT_EQ(header.substr(1, 3), "PNG") << path;
        auto be32 = [&](int at) {
            return (static_cast<unsigned char>(header[at]) << 24) |
                   (static_cast<unsigned char>(header[at + 1]) << 16) |
                   (static_cast<unsigned char>(header[at + 2]) << 8) |
                   static_cast<unsigned char>(header[at + 3]);
        };
        const bool isScreen = path == screen;
        EXPECT_EQ(be32(16), isScreen ? 240 : 720);
        EXPECT_EQ(be32(20), isScreen ? 320 : 960);
    }
}

TEST_F(SimTest, BenchPrintsOneSummaryLine) {
    const Result r = RunSim("--frames 50 --bench");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(
        std::regex_search(r.out, std::regex("^frames=50 fps=[0-9]+ mean_us=[0-9.]+ p50_us=[0-9.]+ "
                                            "p99_us=[0-9.]+ max_us=[0-9.]+ peak_kib=[0-9]+\n$")))
        << r.out;
}

TEST_F(SimTest, StartAndQuitHeldTogetherLetEveryFrameEnd) {
    // Both held from the first frame, then through every attract screen and the demonstration:
    // nothing starts and every frame ends.
    const std::string script = Write("both.txt", "0 300\n");
    const Result first = RunSim("--frames 2 --json --input " + script);
    ASSERT_EQ(first.status, 0) << first.out;
    EXPECT_EQ(JsonInt(first.out, "GameMode"), 0);
    const Result r = RunSim("--frames 1300 --json --input " + script);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(JsonInt(r.out, "GameMode"), 3);
}

TEST_F(SimTest, SoakIsRepeatableFromItsSeedAndReportsWhatItPlayed) {
    const Result a = RunSim("--soak 11 --frames 20000 --json");
    const Result b = RunSim("--soak 11 --frames 20000 --json");
    const Result c = RunSim("--soak 12 --frames 20000 --json");
    ASSERT_EQ(a.status, 0) << a.out;
    ASSERT_EQ(c.status, 0) << c.out;
    EXPECT_EQ(a.out, b.out);
    EXPECT_NE(a.out, c.out);
    std::smatch games;
    ASSERT_TRUE(std::regex_search(a.out, games,
                                  std::regex("^soak seed=11 frames=20000 games=([0-9]+) "
                                             "continues=[0-9]+ stages=[0-9]+ game_overs=[0-9]+ "
                                             "max_stage=[0-9]+\n")))
        << a.out;
    EXPECT_GT(std::stol(games[1]), 0) << "random controls start games";
}

TEST_F(SimTest, BadInputIsRefusedWithStatusTwoAndNothingWritten) {
    const fs::path png = dir / "never.png";
    const std::string bad = Write("bad.txt", "0 100\n# fine so far\n12 zz\n");
    const std::string backwards = Write("backwards.txt", "10 1\n5 2\n");
    const std::string good = Write("good.txt", "0 100\n");
    struct Case {
        std::string args;
        std::string mention;
    } cases[] = {
        {"--input " + bad, "bad.txt:3"},
        {"--input " + backwards, "backwards.txt:2"},
        {"--input " + (dir / "missing.txt").string(), "missing.txt"},
        {"--frames -5", "--frames"},
        {"--frames", "--frames"},
        {"--hold 1g", "--hold"},
        {"--png 12", "--png"},
        {"--every 0", "--every"},
        {"--bogus", "--bogus"},
        {"--frames 10 --png 10:x.png", "never reached"},
        {"--soak 1 --input " + good, "--soak"},
        {"--soak x1", "--soak"},
    };
    for (const Case& c : cases) {
        const Result r = RunSim(c.args + " --png 0:" + png.string() + " --json");
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.out.find(c.mention), std::string::npos) << c.args << ": " << r.out;
        EXPECT_EQ(r.out.find("\"frame\""), std::string::npos) << c.args;
        EXPECT_FALSE(fs::exists(png)) << c.args;
    }
}

// A replay's header with the tables the game starts with.
std::string ReplayHeader() {
    // Glyphs of no font: the screen is not compared, the state is.
    std::string text = "velkar-replay 1\nrank 0\nglyphs 0000000000000000\n";
    const int stages[10] = {3, 3, 3, 3, 2, 2, 2, 2, 1, 1};
    for (int table = 0; table < 2; ++table) {
        for (int place = 0; place < 10; ++place) {
            text += "score " + std::to_string(table) + " " + std::to_string(place) + " " +
                    std::to_string(stages[place]) + " " + std::to_string(110000 - 10000 * place) +
                    " \"NO PLAYER\"\n";
        }
    }
    return text;
}

TEST_F(SimTest, AReplayPlaysItsControlsAndIsCheckedByItsClosingDigest) {
    // Start at frame 20, a move at 200, recorded headless: the replay runs the same game as the
    // input script, to the same state.
    const std::string controls = "0 0\n20 100\n21 0\n200 4\n";
    const std::string vrp = (dir / "run.vrp").string();
    const Result script =
        RunSim("--frames 201 --json --input " + Write("s.txt", controls) + " --record " + vrp);
    ASSERT_EQ(script.status, 0) << script.out;
    const Result played = RunSim("--json --replay " + vrp);
    ASSERT_EQ(played.status, 0) << played.out;
    // The game's state in the JSON line (a replay's report and a recording's games follow it;
    // the verdict goes to the error stream).
    const auto json = [](const std::string& out) {
        const size_t start = out.find("{\"frame\"");
        return start == std::string::npos
                   ? std::string()
                   : out.substr(start, out.find(",\"settings\"", start) - start);
    };
    EXPECT_NE(json(played.out), "");
    EXPECT_EQ(json(played.out), json(script.out));
    EXPECT_NE(played.out.find("\"replay\":{\"state\":\"matched\",\"frames\":201,"),
              std::string::npos);
    const std::regex matched("201 frames played; the closing digests ([0-9a-f]{16} [0-9a-f]{16}) "
                             "match\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(played.out, match, matched)) << played.out;
    const std::string digest = match[1];

    std::ifstream file(vrp, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    const size_t endLine = text.rfind("end 201 " + digest + "\n");
    ASSERT_NE(endLine, std::string::npos) << text;
    // Another closing state digest: caught at the last frame, status 1.
    std::string other = text;
    other[endLine + 8] = other[endLine + 8] == '0' ? '1' : '0';
    const Result differs = RunSim("--replay " + Write("other.vrp", other));
    EXPECT_EQ(differs.status, 1) << differs.out;
    EXPECT_NE(differs.out.find("differs from the recording at frame 200"), std::string::npos)
        << differs.out;
    // Without its closing line the file plays to its last line and says so, with status 4:
    // status 0 is kept for a game matched to its closing digests.
    const Result cut = RunSim("--replay " + Write("cut.vrp", text.substr(0, endLine)));
    EXPECT_EQ(cut.status, 4) << cut.out;
    EXPECT_NE(cut.out.find("201 frames played; the file has no closing digest"), std::string::npos)
        << cut.out;

    // --png works with a replay, within its frames; what the file decides cannot be given too.
    const fs::path png = dir / "r.png";
    EXPECT_EQ(RunSim("--replay " + vrp + " --png 150:" + png.string()).status, 0);
    EXPECT_TRUE(fs::exists(png));
    for (const std::string& args :
         std::vector<std::string>{"--png 201:x.png", "--frames 5", "--input " + vrp, "--god"}) {
        const Result r = RunSim("--replay " + vrp + " " + args);
        EXPECT_EQ(r.status, 2) << args << ": " << r.out;
    }
    const Result damaged = RunSim("--replay " + Write("bad.vrp", ReplayHeader() + "0 0\n5 1 2\n"));
    EXPECT_EQ(damaged.status, 2);
    EXPECT_NE(damaged.out.find("bad.vrp:25: "), std::string::npos) << damaged.out;
}

// Replays come from strangers: files made to cost time or memory, to hang the reader or to
// write into the terminal are refused (status 2) or bounded, each within a few seconds and
// within twice its size plus 64 MB of address space beyond the runner's own.
TEST_F(SimTest, HostileReplayFilesAreRefusedOrBoundedInTimeAndMemory) {
    const std::string header = ReplayHeader();
    const std::string zero = "0000000000000000";
    // A file of at most `bytes` bytes: the header, then `line` again and again, then a line end.
    const auto filled = [&](const std::string& name, const std::string& line, size_t bytes) {
        std::string text = header;
        text.reserve(bytes);
        while (text.size() + line.size() < bytes)
            text += line;
        return Write(name, text + "\n");
    };
    constexpr size_t MB = 1u << 20;
    const std::string events = filled("events.vrp", "clear 0 0\n", 4 * MB);
    const std::string fifo = (dir / "pipe.vrp").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    struct Case {
        std::string what;
        std::string path;
        size_t bytes; // the file's size, for the memory allowed
        int status;
        std::string says;
        size_t memory = 0; // the address space given, when not the size's allowance
    } cases[] = {
        // A few bytes asking for 10^12 or 2^31 frames.
        {"end at 10^12", Write("end.vrp", header + "end 1000000000000 " + zero + " " + zero + "\n"),
         0, 2, "end.vrp:24: frame count 1000000000000 is too far past the last check"},
        {"a control at 2^31", Write("ctl.vrp", header + "0 0\n2147483647 0\n"), 0, 2,
         "ctl.vrp:25: frame 2147483647 is too far past the last check"},
        {"a check of 100 frames",
         Write("span.vrp",
               header + "check 100 " + zero + " " + zero + " " + std::string(100, '0') + "\n"),
         0, 2, "span.vrp:24: frame count 100 is too far past the last check"},
        // Endless or huge input: refused before it is read, or at the limit.
        {"/dev/zero", "/dev/zero", 0, 2, "/dev/zero: not a regular file"},
        {"a FIFO with no writer", fifo, 0, 2, "pipe.vrp: not a regular file"},
        {"a directory", dir.string(), 0, 2, "not a regular file"},
        {"64 MB of \"a a a\"", filled("big.vrp", "a a a a a a a a ", 64 * MB), 64 * MB, 2,
         "big.vrp: more than the 4194304 bytes a replay may hold"},
        {"one line of 4 MB", filled("line.vrp", "a ", 4 * MB - 1), 4 * MB, 2,
         "line.vrp:24: longer than the 256 bytes a replay's line may hold"},
        {"many words", Write("words.vrp", header + "a a a a a a a a a\n"), 0, 2,
         "words.vrp:24: more than 8 words"},
        // Negative hi-scores, which no settings file can hold.
        {"a negative score",
         Write("neg.vrp", header.substr(0, header.rfind("score 1 9 ")) +
                              "score 1 9 1 -9223372036854775808 \"NO PLAYER\"\n"),
         0, 2, "neg.vrp:23: expected \"score 1 9"},
        // The most lines the limits let through, 4 MB of events on frame 0: played (one frame,
        // no closing line).
        {"4 MB of events", events, 4 * MB, 4, "1 frames played; the file has no closing digest"},
        // The same with too little memory for its events (the runner itself needs a few MB):
        // a refusal, not an abort.
        {"4 MB of events in 32 MB", events, 4 * MB, 2, "events.vrp: not enough memory to read it",
         32 * MB},
        // Proof required: no frame at all, no closing line.
        {"a header alone", Write("header.vrp", header), 0, 4,
         "0 frames played; the file has no closing digest"},
    };
    // The runner's own address space for a short run is some 60 MB here.
    constexpr size_t OWN = 96 * MB;
    for (const Case& c : cases) {
        const size_t allowed = (c.memory > 0 ? c.memory : OWN + 2 * c.bytes + 64 * MB) / 1024;
        const auto start = std::chrono::steady_clock::now();
        const Result r = RunSim("--replay '" + c.path + "'",
                                "ulimit -v " + std::to_string(allowed) + "; timeout 20 ");
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.out.substr(0, 500);
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.what << ": " << r.out.substr(0, 500);
        EXPECT_LT(seconds, 10.0) << c.what;
        EXPECT_LT(r.out.size(), 400u) << c.what; // one line
    }

    // Bytes of the file in a message are escaped and cut short: no terminal sequence, no NUL,
    // no megabyte of text reaches the terminal or a message box.
    const std::string raw =
        std::string("wig\x1b]0;owned\x07\\") + '\0' + "gle" + std::string(200, 'x') + " 5\n";
    const Result r = RunSim("--replay " + Write("escape.vrp", header + raw));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("escape.vrp:24: unknown line \"wig\\x1b]0;owned\\x07\\\\\\x00glexxx"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(r.out.find('\0'), std::string::npos);
    EXPECT_LT(r.out.size(), dir.string().size() + 100) << r.out;
}

TEST_F(SimTest, AReplaysJsonListsTheGamesItEndedAsTheTableTookThem) {
    // A low Normal table, so that every game that ends is asked for its name.
    std::string ini = "[RankNormal]\n";
    for (int i = 1; i <= 10; ++i)
        ini += "SCORE_" + std::to_string(i) + "=" + std::to_string(11 - i) + "\nNAME_" +
               std::to_string(i) + "=OLD\n";
    const std::string vrp = (dir / "games.vrp").string();
    // Three games: two end in game over (the second after a restart from the game-over
    // screen), the third is still in play when the recording ends.
    const std::string three =
        Write("three.txt", "0 100\n1 0\n2300 100\n2301 0\n4700 100\n4701 0\n");
    const Result recorded = RunSim("--json --frames 4900 --input " + three + " --settings " +
                                   Write("a.ini", ini) + " --name 'Zo\"e' --record " + vrp);
    ASSERT_EQ(recorded.status, 0);
    Result played = RunSim("--json --replay " + vrp);
    ASSERT_EQ(played.status, 0) << played.out;
    // The recording run reports the same games as its replay.
    const auto gamesText = [](const std::string& out) {
        const size_t start = out.find("\"games\":[");
        return start == std::string::npos ? std::string()
                                          : out.substr(start, out.find(']', start) - start);
    };
    EXPECT_NE(gamesText(played.out), "");
    EXPECT_EQ(gamesText(played.out), gamesText(recorded.out));
    const std::regex game(
        "\\{\"frame\":([0-9]+),\"rank\":([01]),\"score\":([0-9]+),\"stage\":([0-9]+),"
        "\"place\":(-?[0-9]+),\"name\":(null|\"(?:[^\"\\\\]|\\\\.)*\")\\}");
    const auto games = [&game](const std::string& out) {
        std::vector<std::smatch> found;
        const size_t start = out.find("\"games\":[");
        if (start == std::string::npos) return found;
        const std::string& text = out;
        for (auto it =
                 std::sregex_iterator(text.begin() + static_cast<long>(start), text.end(), game);
             it != std::sregex_iterator(); ++it)
            found.push_back(*it);
        return found;
    };
    EXPECT_NE(played.out.find("\"replay\":{\"state\":\"matched\",\"frames\":4900,"),
              std::string::npos)
        << played.out.substr(0, 300);
    std::vector<std::smatch> found = games(played.out);
    ASSERT_EQ(found.size(), 2u) << played.out.substr(played.out.find("\"replay\""));
    // Each as the table holds it: the first game's score went to place 0, then the second's
    // below it, both with the typed name.
    const std::string normal = played.out.substr(played.out.find("\"normal\":["));
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(found[i][2], "0");
        EXPECT_EQ(found[i][4], "1");
        EXPECT_EQ(found[i][6], "\"Zo\\\"e\"");
    }
    EXPECT_LT(std::stol(found[0][1]), 2300);
    EXPECT_GT(std::stol(found[1][1]), 2300);
    const long first = std::stol(found[0][3]);
    const long second = std::stol(found[1][3]);
    ASSERT_GT(first, 0);
    const bool firstBetter = first >= second;
    EXPECT_EQ(found[0][5], firstBetter ? "0" : "1");
    EXPECT_EQ(found[1][5], firstBetter ? "1" : "0");
    EXPECT_NE(normal.find("{\"stage\":1,\"score\":" + std::to_string(std::max(first, second)) +
                          ",\"name\":\"Zo\\\"e\"}"),
              std::string::npos)
        << normal.substr(0, 300);

    // Without a name the request is cancelled: the entry has none. A continue taken during the
    // countdown keeps the game going: one game, its score one higher for the continue.
    const std::string once = Write("once.txt", "0 100\n1 0\n1900 100\n1901 0\n");
    ASSERT_EQ(RunSim("--frames 6000 --input " + once + " --record " + vrp).status, 0);
    played = RunSim("--json --replay " + vrp);
    ASSERT_EQ(played.status, 0) << played.out;
    found = games(played.out);
    ASSERT_EQ(found.size(), 1u) << played.out.substr(played.out.find("\"replay\""));
    EXPECT_EQ(found[0][6], "null");
    EXPECT_EQ(found[0][5], "-1"); // the default table's scores are far higher
    EXPECT_GT(std::stol(found[0][1]), 2400);
    EXPECT_EQ(std::stol(found[0][3]) % 100, 1) << found[0][0];
}

} // namespace

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

TEST_F(SimTest, GodModeClearsStageOneAndStartsStageTwoInTheSameFrame) {
    const std::string script = Write("start.txt", "0 110\n1 10\n");
    const Result r = RunSim("--god --frames 14000 --every 1 --input " + script);
    ASSERT_EQ(r.status, 0) << r.out.substr(0, 2000);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 14000u);
    long clearedAt = -1;
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_EQ(JsonInt(lines[i], "GameMode"), 4) << "frame " << i + 1;
        if (JsonInt(lines[i], "StageNumber") == 2) {
            clearedAt = JsonInt(lines[i], "frame");
            // The frame that ended stage 1 already ran stage 2's entry.
            EXPECT_EQ(JsonInt(lines[i], "ModeFrame"), 1);
            EXPECT_EQ(JsonInt(lines[i], "StageLevel"), 2);
            EXPECT_EQ(JsonInt(lines[i], "StageCleared"), 0);
            EXPECT_EQ(JsonInt(lines[i - 1], "StageNumber"), 1);
            break;
        }
    }
    ASSERT_GT(clearedAt, 0) << "stage 1 never cleared";
    EXPECT_GE(clearedAt, 9976);
    EXPECT_GT(JsonInt(lines[clearedAt - 2], "Score"), 0);
}

TEST_F(SimTest, WithoutGodModeTheGameEndsInGameOverThenTheTitle) {
    const std::string script = Write("start.txt", "0 110\n1 10\n");
    const Result r = RunSim("--frames 20000 --every 10 --input " + script);
    ASSERT_EQ(r.status, 0) << r.out.substr(0, 2000);
    std::vector<long> modes;
    for (const std::string& line : Lines(r.out)) {
        const long mode = JsonInt(line, "GameMode");
        if (modes.empty() || modes.back() != mode) modes.push_back(mode);
    }
    ASSERT_GE(modes.size(), 3u);
    EXPECT_EQ(modes[0], 4);
    EXPECT_EQ(modes[1], 5);
    EXPECT_EQ(modes[2], 0);
}

} // namespace

namespace {

TEST_F(SimTest, AFinishedGameEntersItsNameIntoTheRightTableAndTheSettingsFile) {
    // A Hard table of low scores so that the game's score enters it; a foreign section and a
    // comment that the game's write must keep.
    const long hardScores[10] = {10000, 9000, 8000, 7000, 6000, 5000, 4500, 4000, 3000, 2000};
    std::string ini = "; kept by the game\n[Foreign]\nkey=value\n[RankHard]\n";
    for (int i = 0; i < 10; ++i) {
        ini += "SCORE_" + std::to_string(i + 1) + "=" + std::to_string(hardScores[i]) + "\n";
        ini += "STAGE_" + std::to_string(i + 1) + "=1\nNAME_" + std::to_string(i + 1) + "=OLD\n";
    }
    const std::string settings = Write("velkar.ini", ini);
    const std::string script = Write("start.txt", "0 110\n1 10\n");
    const Result r = RunSim("--frames 4000 --every 10 --input " + script + " --settings " +
                            settings + " --rank 1 --name ZEPHYRINA_LONGNAME");
    ASSERT_EQ(r.status, 0) << r.out.substr(0, 2000);

    long score = -1, place = -2;
    for (const std::string& line : Lines(r.out)) {
        if (JsonInt(line, "GameMode") == 4) score = JsonInt(line, "Score");
        if (JsonInt(line, "GameMode") == 5) {
            place = JsonInt(line, "RankingPlace");
            break;
        }
    }
    ASSERT_GT(score, 2000) << "the game scored too little to test the entry";
    ASSERT_LT(score, 10000);
    long expectedPlace = 0;
    while (hardScores[expectedPlace] >= score)
        ++expectedPlace;
    EXPECT_EQ(place, expectedPlace);

    // The last JSON line holds the tables after the name came back.
    const std::string last = Lines(r.out).back();
    const std::string entry =
        "{\"stage\":1,\"score\":" + std::to_string(score) + ",\"name\":\"ZEPHYRINA\"}";
    const size_t hard = last.find("\"hard\":");
    ASSERT_NE(hard, std::string::npos);
    EXPECT_NE(last.find(entry, hard), std::string::npos) << last.substr(hard);
    EXPECT_EQ(last.substr(0, hard).find("ZEPHYRINA"), std::string::npos); // not in Normal
    EXPECT_NE(last.find("\"GameRank\":1"), std::string::npos);

    std::ifstream file(settings);
    const std::string written((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(written.find("NAME_" + std::to_string(expectedPlace + 1) + "=ZEPHYRINA"),
              std::string::npos)
        << written;
    EXPECT_NE(written.find("; kept by the game"), std::string::npos);
    EXPECT_NE(written.find("[Foreign]"), std::string::npos);
    EXPECT_NE(written.find("key=value"), std::string::npos);
    EXPECT_NE(written.find("[RankNormal]"), std::string::npos);
    EXPECT_NE(written.find("JoyButton_START=-1"), std::string::npos);
}

TEST_F(SimTest, WithoutANameTheRequestIsAnsweredAsCancelled) {
    std::string ini = "[RankNormal]\n";
    for (int i = 1; i <= 10; ++i)
        ini += "SCORE_" + std::to_string(i) + "=1\n";
    const std::string settings = Write("velkar.ini", ini);
    const std::string script = Write("start.txt", "0 110\n1 10\n");
    const Result r = RunSim("--frames 4000 --json --input " + script + " --settings " + settings);
    ASSERT_EQ(r.status, 0) << r.out.substr(0, 2000);
    // The score entered place 0 under the game's own placeholder name, which stays.
    EXPECT_NE(r.out.find("\"normal\":[{\"stage\":1,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"name\":\"A SHOOTER\""), std::string::npos);
}

TEST_F(SimTest, ADiskTooFullForTheSettingsKeepsTheOldFileWholeAndSaysSo) {
    // A file of well over 8 KB, and a limit on the size of any file written below that (in
    // 512- or 1024-byte blocks, by the shell): the new file cannot be written whole, as on a
    // full disk. The signal the limit raises is ignored, so the write fails instead.
    std::string ini = "; kept\r\n[Foreign]\r\n";
    for (int i = 0; i < 400; ++i)
        ini += "key" + std::to_string(i) + "=a value that takes some room\r\n";
    const std::string settings = Write("velkar.ini", ini);
    const Result r =
        RunSim("--frames 10 --settings " + settings + " --rank 1", "trap '' XFSZ; ulimit -f 8; ");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("cannot write the settings file"), std::string::npos) << r.out;
    std::ifstream file(settings, std::ios::binary);
    const std::string kept((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(kept, ini);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);

    // Without the limit the same run writes it.
    const Result free = RunSim("--frames 10 --settings " + settings + " --rank 1");
    EXPECT_EQ(free.status, 0) << free.out;
    std::ifstream again(settings, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(again)), {});
    EXPECT_NE(written.find("GameRank=1"), std::string::npos);
    EXPECT_EQ(written.substr(0, ini.size()), ini);
}

TEST_F(SimTest, ARecordedRunPlaysBackToItsClosingDigest) {
    // A low Hard table from the settings, so that the game ends in a Name Entry; the name holds
    // a quote and a backslash.
    std::string ini = "[RankHard]\n";
    for (int i = 1; i <= 10; ++i)
        ini += "SCORE_" + std::to_string(i) + "=" + std::to_string(11 - i) + "\nNAME_" +
               std::to_string(i) + "=OLD\n";
    const std::string settings = Write("velkar.ini", ini);
    const std::string script = Write("start.txt", "0 110\n1 10\n300 14\n340 18\n");
    const std::string vrp = (dir / "run.vrp").string();
    const std::string run = "--frames 4000 --json --input " + script + " --hold 20 --rank 1";
    const Result recorded =
        RunSim(run + " --settings " + settings + " --name 'A\"B\\C' --record " + vrp);
    ASSERT_EQ(recorded.status, 0) << recorded.out.substr(0, 2000);
    std::ifstream file(vrp, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(text.rfind("velkar-replay 1\n", 0), 0u);
    EXPECT_NE(text.find("\nrank 1\n"), std::string::npos);
    EXPECT_NE(text.find("\nscore 1 9 1 1 \"OLD\"\n"), std::string::npos); // from the settings
    EXPECT_NE(text.find("\n0 130\n"), std::string::npos);                 // --hold in every word
    EXPECT_TRUE(std::regex_search(text, std::regex("\nname [0-9]+ \"A\\\\\"B\\\\\\\\C\"\n")))
        << text.substr(text.size() > 3000 ? text.size() - 3000 : 0);
    EXPECT_TRUE(std::regex_search(text, std::regex("\nend 4000 [0-9a-f]{16} [0-9a-f]{16}\n$")));

    // Played back: the same game to its last frame, the name and all.
    const Result played = RunSim("--json --replay " + vrp);
    ASSERT_EQ(played.status, 0) << played.out;
    EXPECT_NE(played.out.find("4000 frames played; the closing digests "), std::string::npos)
        << played.out;
    const auto upTo = [](const std::string& out, const std::string& key) {
        const size_t start = out.find("{\"frame\"");
        return start == std::string::npos ? std::string()
                                          : out.substr(start, out.find(key, start) - start);
    };
    EXPECT_NE(upTo(played.out, ",\"settings\""), "");
    EXPECT_EQ(upTo(played.out, ",\"settings\""), upTo(recorded.out, ",\"settings\""));
    const size_t ranking = recorded.out.find("\"ranking\"");
    ASSERT_NE(ranking, std::string::npos);
    EXPECT_NE(recorded.out.find("\"name\":\"A\\\"B\\\\C\"", ranking), std::string::npos)
        << recorded.out.substr(ranking);
    EXPECT_EQ(played.out.substr(played.out.find("\"ranking\"")).substr(0, 1500),
              recorded.out.substr(ranking).substr(0, 1500));

    // A recording that cannot be written whole fails the run; a runner's aid to the ship cannot
    // be recorded, nor a replay.
    const Result full = RunSim(run + " --record " + vrp, "trap '' XFSZ; ulimit -f 4; ");
    EXPECT_EQ(full.status, 1) << full.out.substr(0, 500);
    EXPECT_NE(full.out.find("--record: writing " + vrp + " failed"), std::string::npos);
    EXPECT_EQ(RunSim("--god --record " + vrp).status, 2);
    EXPECT_EQ(RunSim("--record " + vrp + " --replay " + vrp).status, 2);
}

// --seek plays a replay to a frame by seeking through the snapshots it makes on the way, most
// frames undrawn: the screen and state written there are those of a straight run at that
// frame, and a seek to the last frame still gives the replay's verdict.
TEST_F(SimTest, ASeekShowsTheFrameAStraightRunShows) {
    const std::string vrp = (dir / "soak.vrp").string();
    ASSERT_EQ(RunSim("--soak 7 --frames 3000 --record " + vrp).status, 0);
    const std::string a = (dir / "a.png").string(), b = (dir / "b.png").string();
    const Result straight = RunSim("--replay " + vrp + " --png 2000:" + a + " --every 2001");
    ASSERT_EQ(straight.status, 0) << straight.out;
    const Result sought = RunSim("--replay " + vrp + " --seek 2000 --png " + b + " --json");
    ASSERT_EQ(sought.status, 0) << sought.out;
    EXPECT_NE(sought.out.find("2001 frames played so far"), std::string::npos) << sought.out;
    const auto bytes = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)), {});
    };
    EXPECT_GT(bytes(a).size(), 1000u);
    EXPECT_TRUE(bytes(a) == bytes(b)) << "the screens at frame 2000 differ";
    const auto state = [](const std::string& out) {
        const size_t start = out.find("{\"frame\":2001,");
        return start == std::string::npos
                   ? std::string()
                   : out.substr(start, out.find(",\"settings\"", start) - start);
    };
    EXPECT_NE(state(sought.out), "");
    EXPECT_EQ(state(sought.out), state(straight.out));

    const Result last = RunSim("--replay " + vrp + " --seek 2999");
    EXPECT_EQ(last.status, 0) << last.out;
    EXPECT_NE(last.out.find("3000 frames played; the closing digests "), std::string::npos)
        << last.out;
    EXPECT_EQ(RunSim("--replay " + vrp + " --seek 3000").status, 2);
    EXPECT_EQ(RunSim("--seek 5 --png " + b).status, 2);
    EXPECT_EQ(RunSim("--replay " + vrp + " --seek 5 --png 4:" + b).status, 2);
}

} // namespace

namespace {

// Fixed control scripts whose final state is pinned. A change to the game that moves one of
// them must say why in its commit; run with VELKAR_UPDATE_GOLDEN=1 to rewrite the files.
struct Golden {
    const char* name;
    int frames;
};

class GoldenReplay : public ::testing::TestWithParam<Golden> {};

TEST_P(GoldenReplay, MatchesItsPinnedState) {
    const Golden golden = GetParam();
    const fs::path base = fs::path(VELKAR_GOLDEN_DIR) / golden.name;
    const Result r = RunSim("--frames " + std::to_string(golden.frames) + " --json --input " +
                            base.string() + ".txt");
    ASSERT_EQ(r.status, 0) << r.out;
    const fs::path pinned = base.string() + ".json";
    if (std::getenv("VELKAR_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(pinned, std::ios::binary) << r.out;
        GTEST_SKIP() << "rewrote " << pinned;
    }
    std::ifstream file(pinned, std::ios::binary);
    const std::string expected((std::istreambuf_iterator<char>(file)), {});
    ASSERT_FALSE(expected.empty()) << pinned;
    EXPECT_EQ(r.out, expected);
}

INSTANTIATE_TEST_SUITE_P(Scripts, GoldenReplay,
                         ::testing::Values(Golden{"weapons", 5000}, Golden{"continue", 6000}),
                         [](const ::testing::TestParamInfo<Golden>& info) {
                             return std::string(info.param.name);
                         });

} // namespace

namespace {

// Long runs pinned frame by frame: velkar-sim chains a digest of every frame's state and screen
// and prints it with the mode and stage every `every` frames; the pinned file holds those lines.
// A change that moves a run is named by the first mark that differs, so by the frame window in
// which the game first went another way. VELKAR_UPDATE_GOLDEN=1 rewrites the files.
struct DigestRun {
    const char* name;
    const char* options; // besides --input NAME.txt
    int frames;
    int every;
};

class GoldenDigest : public ::testing::TestWithParam<DigestRun> {};

TEST_P(GoldenDigest, EveryMarkMatchesItsPinnedDigest) {
    const DigestRun run = GetParam();
    const fs::path base = fs::path(VELKAR_GOLDEN_DIR) / run.name;
    const Result r =
        RunSim(std::string(run.options) + " --frames " + std::to_string(run.frames) + " --digest " +
               std::to_string(run.every) + " --input " + base.string() + ".txt");
    ASSERT_EQ(r.status, 0) << r.out.substr(0, 2000);
    const fs::path pinned = base.string() + ".digest";
    if (std::getenv("VELKAR_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(pinned, std::ios::binary) << r.out;
        GTEST_SKIP() << "rewrote " << pinned;
    }
    std::ifstream file(pinned, std::ios::binary);
    const std::string expected((std::istreambuf_iterator<char>(file)), {});
    const std::vector<std::string> want = Lines(expected);
    const std::vector<std::string> got = Lines(r.out);
    ASSERT_EQ(want.size(), static_cast<size_t>(run.frames / run.every)) << pinned;
    for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_LT(i, got.size()) << "the run stopped before mark " << want[i];
        ASSERT_EQ(got[i], want[i]) << "first mark that differs (frame mode stage digest)";
    }
    EXPECT_EQ(got.size(), want.size());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, GoldenDigest,
    ::testing::Values(
        // Stage 1 with the shot held, into stage 2 (from the 12958th frame).
        DigestRun{"stage", "--god", 13400, 50},
        // Lost without --god: game over from the 2236th frame with start held from its 36th to
        // its 80th frame, the title, help, ranking, the stage-2 demonstration until its ship is
        // lost (the 5973rd frame), and the title again.
        DigestRun{"lost", "", 6100, 20},
        // Hard, moving with every weapon through stage 1.
        DigestRun{"hard", "--god --rank 1", 11000, 40}),
    [](const ::testing::TestParamInfo<DigestRun>& info) { return std::string(info.param.name); });

TEST_F(SimTest, WaveDirReportsEachEffectsSizeOrTheReadersCode) {
    const fs::path waves = dir / "Wave";
    fs::create_directories(waves);
    fs::copy_file(fs::path(VELKAR_WAVE_DIR) / "Boon.wav", waves / "Boon.wav");
    std::ofstream(waves / "Gooon.wav", std::ios::binary) << "RIFF1234"; // shorter than a header
    // The data chunk's own size field tells how many bytes the reader must return.
    std::ifstream boon(waves / "Boon.wav", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(boon)), {});
    const size_t data = bytes.find("data");
    ASSERT_NE(data, std::string::npos);
    const auto u8 = [&](size_t at) {
        return static_cast<long>(static_cast<unsigned char>(bytes[at]));
    };
    const long dataSize =
        u8(data + 4) | u8(data + 5) << 8 | u8(data + 6) << 16 | u8(data + 7) << 24;

    const Result r = RunSim("--frames 1 --json --wave-dir " + waves.string());
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("{\"file\":\"Boon.wav\",\"bytes\":" + std::to_string(dataSize) + "}"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("{\"file\":\"Gooon.wav\",\"bytes\":-20}"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("{\"file\":\"Pyuin.wav\",\"bytes\":-1}"), std::string::npos) << r.out;
    // Without --wave-dir the runner loads nothing and says nothing about effects.
    EXPECT_EQ(RunSim("--frames 1 --json").out.find("\"effects\""), std::string::npos);
}

} // namespace
