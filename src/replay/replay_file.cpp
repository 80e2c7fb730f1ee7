// Replay files: reading them whole, strictly and within fixed limits, writing them back, and
// quoting the names they hold.
#include "replay/replay.h"

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string_view>

#include "base/file_read.h"

namespace velkar {

namespace {

using Text = std::string_view;

constexpr const char* VERSION_WORD = "velkar-replay";
// Frame numbers above this are damage (about 500 years of play); it keeps the reader's sums
// far from overflow before the check-line rule refuses the frame.
constexpr int64_t MAX_FRAME = 1'000'000'000'000LL;
// Bytes of the file a message shows of a word it quotes.
constexpr size_t SHOWN_BYTES = 32;

// --- Reading ---

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

bool HexValue(char c, int32_t& value) {
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    else
        return false;
    return true;
}

// The value of a frame mark character, or -1.
int32_t MarkValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 36;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

// A message built by appending its pieces in order (GCC 12 for 32-bit MinGW gives a false
// -Wrestrict on "text" + std::to_string(n)).
std::string Cat(std::initializer_list<Text> pieces) {
    std::string out;
    for (Text piece : pieces)
        out += piece;
    return out;
}

std::string Show(Text text) {
    return ShowReplayBytes(text.data(), text.size(), SHOWN_BYTES);
}

// A whole decimal number in [min, max]; a sign only where min is negative.
bool ParseNumber(Text text, int64_t min, int64_t max, int64_t& value) {
    const bool negative = !text.empty() && text[0] == '-' && min < 0;
    const size_t start = negative ? 1 : 0;
    if (text.size() == start || text.size() - start > 19) return false;
    uint64_t magnitude = 0; // 19 digits stay below 2^64
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    constexpr uint64_t MOST = static_cast<uint64_t>(INT64_MAX);
    if (magnitude > MOST + (negative ? 1 : 0)) return false;
    const int64_t parsed = !negative               ? static_cast<int64_t>(magnitude)
                           : magnitude == MOST + 1 ? INT64_MIN
                                                   : -static_cast<int64_t>(magnitude);
    if (parsed < min || parsed > max) return false;
    value = parsed;
    return true;
}

bool ParseFrame(Text text, int64_t& frame) {
    return ParseNumber(text, 0, MAX_FRAME, frame);
}

// Control bits as velkar-sim's input scripts write them: 1 to 8 hex digits.
bool ParseBits(Text text, int32_t& bits) {
    if (text.empty() || text.size() > 8) return false;
    uint32_t value = 0;
    for (char c : text) {
        int32_t digit = 0;
        if (!HexValue(c, digit)) return false;
        value = value * 16 + static_cast<uint32_t>(digit);
    }
    bits = static_cast<int32_t>(value);
    return true;
}

bool ParseDigest(Text text, uint64_t& digest) {
    if (text.size() != 16) return false;
    digest = 0;
    for (char c : text) {
        int32_t digit = 0;
        if (!HexValue(c, digit)) return false;
        digest = digest * 16 + static_cast<uint64_t>(digit);
    }
    return true;
}

// The quoted text that ends a line: "..." with \" \\ \xHH; nothing may follow the quote.
bool ParseQuoted(Text line, size_t pos, std::string& text) {
    text.clear();
    if (pos >= line.size() || line[pos] != '"') return false;
    for (size_t i = pos + 1; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            for (size_t j = i + 1; j < line.size(); ++j) {
                if (!IsSpace(line[j])) return false;
            }
            return true;
        }
        if (c != '\\') {
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
            text += c;
            continue;
        }
        if (i + 1 >= line.size()) return false;
        const char e = line[++i];
        if (e == '"' || e == '\\') {
            text += e;
        } else if (e == 'x') {
            int32_t high = 0;
            int32_t low = 0;
            if (i + 2 >= line.size() || !HexValue(line[i + 1], high) || !HexValue(line[i + 2], low))
                return false;
            const int32_t byte = high * 16 + low;
            if (byte == 0) return false; // a name ends at its terminator
            text += static_cast<char>(byte);
            i += 2;
        } else {
            return false;
        }
    }
    return false; // no closing quote
}

// The words of a line up to its quoted part (if any), pointing into the line: no copies, and
// no more than REPLAY_MAX_WORDS of them.
struct Words {
    Text word[REPLAY_MAX_WORDS];
    size_t count = 0;
    size_t quotePos = Text::npos; // where the quoted part starts
    bool tooMany = false;

    explicit Words(Text line) {
        size_t i = 0;
        while (i < line.size()) {
            if (IsSpace(line[i])) {
                ++i;
                continue;
            }
            if (line[i] == '"') {
                quotePos = i;
                return;
            }
            size_t end = i;
            while (end < line.size() && !IsSpace(line[end]) && line[end] != '"')
                ++end;
            if (count == REPLAY_MAX_WORDS) {
                tooMany = true;
                return;
            }
            word[count++] = line.substr(i, end - i);
            i = end;
        }
    }
    Text First() const { return count > 0 ? word[0] : Text(); }
    bool Quoted() const { return quotePos != Text::npos; }
};

struct ParseState {
    const std::string& name;
    std::string& error;
    int64_t lineNumber = 0;

    bool Fail(const std::string& what) {
        error = Cat({name, ":", std::to_string(lineNumber), ": ", what});
        return false;
    }
};

bool ParseVersionLine(Text line, ParseState& state) {
    const Words words(line);
    if (!words.tooMany && words.count == 2 && words.word[0] == VERSION_WORD && !words.Quoted()) {
        int64_t version = 0;
        if (ParseNumber(words.word[1], 0, 1'000'000, version)) {
            if (version == REPLAY_VERSION) return true;
            return state.Fail(
                Cat({"a replay of version ", Show(words.word[1]), "; this program plays version ",
                     std::to_string(REPLAY_VERSION)}));
        }
    }
    return state.Fail(Cat({"not a VELKAR replay (the first line must be \"",
                           std::string(VERSION_WORD), " ", std::to_string(REPLAY_VERSION), "\")"}));
}

// "rules V", the optional first header line: only this program's rules are played.
bool ParseRulesLine(Text line, ReplayData& out, ParseState& state) {
    const Words words(line);
    int64_t rules = 0;
    if (words.count != 2 || words.Quoted() || !ParseNumber(words.word[1], 0, 1'000'000, rules))
        return state.Fail("expected \"rules V\" (the game's rules version)");
    if (rules != GAME_RULES_VERSION) {
        return state.Fail(
            Cat({"a game played under rules version ", Show(words.word[1]),
                 "; this program plays rules version ", std::to_string(GAME_RULES_VERSION),
                 " (the build that recorded it plays it)"}));
    }
    out.rules = static_cast<int32_t>(rules);
    return true;
}

// Name Entry never gives a control byte, so a name holding one was not typed.
bool HasControlByte(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Header line number `index` (0: the rank, 1: the glyphs, 2..21: the hi-score places in order).
bool ParseHeaderLine(Text line, int32_t index, ReplayData& out, ParseState& state) {
    const Words words(line);
    if (index == 0) {
        int64_t rank = 0;
        if (words.count != 2 || words.word[0] != "rank" || words.Quoted() ||
            !ParseNumber(words.word[1], 0, 1, rank)) {
            return state.Fail("expected \"rank R\" (the rank at start-up, 0 or 1)");
        }
        out.rank = static_cast<int32_t>(rank);
        return true;
    }
    if (index == 1) {
        if (words.count != 2 || words.word[0] != "glyphs" || words.Quoted() ||
            !ParseDigest(words.word[1], out.glyphs)) {
            return state.Fail("expected \"glyphs DIGEST\" (16 hex digits)");
        }
        return true;
    }
    const int32_t table = (index - 2) / RANKING_PLACES;
    const int32_t place = (index - 2) % RANKING_PLACES;
    int64_t t = 0;
    int64_t p = 0;
    int64_t stage = 0;
    int64_t score = 0;
    std::string text;
    // Stages and scores are never negative, as in the settings file the tables come from.
    const bool ok = words.count == 5 && words.word[0] == "score" &&
                    ParseNumber(words.word[1], 0, 1, t) &&
                    ParseNumber(words.word[2], 0, RANKING_PLACES - 1, p) &&
                    ParseNumber(words.word[3], 0, INT32_MAX, stage) &&
                    ParseNumber(words.word[4], 0, INT64_MAX, score) && words.Quoted() &&
                    ParseQuoted(line, words.quotePos, text);
    if (!ok || t != table || p != place) {
        return state.Fail(
            Cat({"expected \"score ", std::to_string(table), " ", std::to_string(place),
                 " STAGE SCORE \\\"NAME\\\"\" (stage and score 0 or more)"}));
    }
    if (text.size() > RANKING_NAME_BYTES) {
        return state.Fail(
            Cat({"a hi-score name holds at most ", std::to_string(RANKING_NAME_BYTES), " bytes"}));
    }
    RankingEntry& entry = out.ranking[table][place];
    entry.stage = static_cast<int32_t>(stage);
    entry.score = score;
    std::memset(entry.name, 0, sizeof entry.name);
    std::memcpy(entry.name, text.data(), text.size());
    return true;
}

struct BodyState {
    int64_t lastFrame = -1;   // the frame of the last control or event line
    int64_t lastControl = -1; // the frame of the last control line
    int64_t lastName = -1;
    int64_t checkedFrames = 0; // frames covered by check lines so far
    bool ended = false;
};

std::string CheckRule() {
    return Cat({"a replay checks its game at least every ", std::to_string(REPLAY_CHECK_FRAMES),
                " frames"});
}

bool ParseBodyLine(Text line, ReplayData& out, BodyState& body, ParseState& state) {
    if (body.ended) return state.Fail("nothing may follow the closing \"end\" line");
    const Words words(line);
    if (words.tooMany) {
        return state.Fail(Cat({"more than ", std::to_string(REPLAY_MAX_WORDS),
                               " words (no line of a replay has that many)"}));
    }
    const Text word = words.First();
    const bool quoted = words.Quoted();
    // A control or event line of frame F comes after the checks of the frames before F, and no
    // more than REPLAY_CHECK_FRAMES frames after the last of them.
    auto frameInOrder = [&](int64_t frame) {
        if (frame < body.lastFrame || frame < body.checkedFrames) {
            return state.Fail(
                Cat({"frame ", std::to_string(frame), " comes after a later frame's line"}));
        }
        if (frame - body.checkedFrames >= REPLAY_CHECK_FRAMES) {
            return state.Fail(
                Cat({"frame ", std::to_string(frame), " is too far past the last check (at ",
                     std::to_string(body.checkedFrames), " frames): ", CheckRule()}));
        }
        body.lastFrame = frame;
        return true;
    };
    if (!word.empty() && word[0] >= '0' && word[0] <= '9') {
        ReplayControl control{};
        if (words.count != 2 || quoted || !ParseFrame(words.word[0], control.frame) ||
            !ParseBits(words.word[1], control.bits)) {
            return state.Fail(
                "expected \"FRAME HEXBITS\" (decimal frame, hexadecimal control bits)");
        }
        if (control.frame <= body.lastControl)
            return state.Fail("control frames must increase from line to line");
        if (!frameInOrder(control.frame)) return false;
        body.lastControl = control.frame;
        out.controls.push_back(control);
        return true;
    }
    if (word == "set-rank" || word == "clear") {
        ReplayEvent event{};
        int64_t value = 0;
        if (words.count != 3 || quoted || !ParseFrame(words.word[1], event.frame) ||
            !ParseNumber(words.word[2], 0, 1, value)) {
            return state.Fail("expected \"" + std::string(word) + " FRAME " +
                              (word == "clear" ? "TABLE" : "RANK") + "\" (0 or 1)");
        }
        // The recorders write a frame's menu events before it runs and its name after it.
        if (event.frame == body.lastName)
            return state.Fail("a frame's \"" + std::string(word) + "\" line after its name");
        if (!frameInOrder(event.frame)) return false;
        event.kind = word == "clear" ? REPLAY_EVENT_CLEAR : REPLAY_EVENT_RANK;
        event.value = static_cast<int32_t>(value);
        out.events.push_back(event);
        return true;
    }
    if (word == "name") {
        ReplayEvent event{};
        if (words.count != 2 || !quoted || !ParseFrame(words.word[1], event.frame) ||
            !ParseQuoted(line, words.quotePos, event.text)) {
            return state.Fail("expected \"name FRAME \\\"TEXT\\\"\"");
        }
        if (event.text.size() > RANKING_NAME_BYTES) {
            return state.Fail(
                Cat({"a name holds at most ", std::to_string(RANKING_NAME_BYTES), " bytes"}));
        }
        if (HasControlByte(event.text))
            return state.Fail("a name holds a control byte, which Name Entry never gives");
        if (event.frame <= body.lastName)
            return state.Fail("two names for the same frame or out of order");
        if (!frameInOrder(event.frame)) return false;
        body.lastName = event.frame;
        event.kind = REPLAY_EVENT_NAME;
        out.events.push_back(event);
        return true;
    }
    if (word == "check" || word == "end") {
        const bool check = word == "check";
        ReplayCheck point{};
        const size_t expected = check ? 5 : 4;
        if (words.count != expected || quoted || !ParseFrame(words.word[1], point.frames) ||
            !ParseDigest(words.word[2], point.state) || !ParseDigest(words.word[3], point.screen)) {
            return state.Fail(check ? "expected \"check FRAMES STATE SCREEN MARKS\""
                                    : "expected \"end FRAMES STATE SCREEN\"");
        }
        if (point.frames <= body.lastFrame || point.frames < body.checkedFrames ||
            (check && point.frames == body.checkedFrames)) {
            return state.Fail(Cat(
                {"frame count ", std::to_string(point.frames), " is behind the lines before it"}));
        }
        const int64_t span = point.frames - body.checkedFrames;
        if (span > REPLAY_CHECK_FRAMES) {
            return state.Fail(Cat({"frame count ", std::to_string(point.frames),
                                   " is too far past the last check (at ",
                                   std::to_string(body.checkedFrames), " frames): ", CheckRule()}));
        }
        if (!check) {
            body.ended = true;
            out.closed = true;
            out.closing = point;
            out.frames = point.frames;
            return true;
        }
        const Text marks = words.word[4];
        if (static_cast<int64_t>(marks.size()) != span) {
            return state.Fail(Cat({"expected one mark for each of the ", std::to_string(span),
                                   " frames since the previous check"}));
        }
        for (size_t i = 0; i < marks.size(); ++i) {
            const int32_t value = MarkValue(marks[i]);
            if (value < 0) return state.Fail(Cat({"not a frame mark: ", Show(marks.substr(i, 1))}));
            out.frameMarks.push_back(static_cast<uint8_t>(value));
        }
        body.checkedFrames = point.frames;
        out.checks.push_back(point);
        return true;
    }
    return state.Fail(Cat({"unknown line \"", Show(word), "\""}));
}

bool ParseLines(const char* bytes, size_t size, const std::string& name, ReplayData& result,
                std::string& error) {
    if (size > REPLAY_MAX_FILE_BYTES) {
        error = Cat({name, ": ", std::to_string(size), " bytes, more than the ",
                     std::to_string(REPLAY_MAX_FILE_BYTES), " a replay may hold"});
        return false;
    }
    ReplayData out;
    ParseState state{name, error};
    BodyState body;
    constexpr int32_t HEADER_LINES = 2 + 2 * RANKING_PLACES;
    int32_t headerDone = 0; // header lines read after the version line
    bool rulesRead = false; // the optional rules line comes before every other header line
    size_t pos = 0;
    while (pos < size) {
        // The line's end is looked for no further than the longest line allowed.
        const size_t window = std::min(size - pos, REPLAY_MAX_LINE_BYTES + 1);
        const void* found = std::memchr(bytes + pos, '\n', window);
        if (found == nullptr && size - pos > REPLAY_MAX_LINE_BYTES) {
            ++state.lineNumber;
            return state.Fail(Cat({"longer than the ", std::to_string(REPLAY_MAX_LINE_BYTES),
                                   " bytes a replay's line may hold"}));
        }
        if (found == nullptr) {
            // A line the recorder had not finished: the file ends before it.
            out.cutShort = true;
            break;
        }
        const size_t newline = static_cast<size_t>(static_cast<const char*>(found) - bytes);
        Text line(bytes + pos, newline - pos);
        pos = newline + 1;
        ++state.lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (state.lineNumber == 1) {
            if (!ParseVersionLine(line, state)) return false;
            continue;
        }
        size_t first = 0;
        while (first < line.size() && IsSpace(line[first]))
            ++first;
        if (first == line.size() || line[first] == '#') continue;
        if (headerDone == 0 && !rulesRead && Words(line).First() == "rules") {
            if (!ParseRulesLine(line, out, state)) return false;
            rulesRead = true;
            continue;
        }
        if (headerDone < HEADER_LINES) {
            if (!ParseHeaderLine(line, headerDone, out, state)) return false;
            ++headerDone;
            continue;
        }
        if (!ParseBodyLine(line, out, body, state)) return false;
    }
    if (state.lineNumber == 0) {
        error = name + ": empty, not a VELKAR replay";
        return false;
    }
    if (headerDone < HEADER_LINES) {
        ++state.lineNumber;
        return state.Fail("the file ends inside its header (the rank and both hi-score tables)");
    }
    if (!out.closed) out.frames = std::max(body.checkedFrames, body.lastFrame + 1);
    result = std::move(out);
    return true;
}

// --- Writing ---

void AppendLine(std::string& out, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

void AppendLine(std::string& out, const char* format, ...) {
    char line[160];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) out.append(line, std::min(static_cast<size_t>(n), sizeof line - 1));
}

void AppendQuoted(std::string& out, const char* text, size_t length) {
    const size_t start = out.size();
    out.resize(start + 4 * length + 3);
    out.resize(start + QuoteReplayTextInto(out.data() + start, text, length));
}

} // namespace

bool ParseReplay(const char* bytes, size_t size, const std::string& name, ReplayData& result,
                 std::string& error) {
    try {
        return ParseLines(bytes, size, name, result, error);
    } catch (const std::bad_alloc&) {
        try {
            error = name + ": not enough memory to read it";
        } catch (const std::bad_alloc&) {
            error.clear();
        }
        return false;
    }
}

bool ParseReplay(const std::string& text, const std::string& name, ReplayData& result,
                 std::string& error) {
    return ParseReplay(text.data(), text.size(), name, result, error);
}

bool ReadReplayFile(const std::string& path, ReplayData& out, std::string& error) {
    std::string text;
    std::string detail;
    switch (ReadRegularFile(path.c_str(), REPLAY_MAX_FILE_BYTES, text, detail)) {
    case FILE_READ_OK:
        return ParseReplay(text, path, out, error);
    case FILE_READ_CANNOT_OPEN:
        error = path + ": cannot be opened: " + detail;
        return false;
    case FILE_READ_NOT_REGULAR:
        error = path + ": not a regular file (a replay is read only from a file)";
        return false;
    case FILE_READ_TOO_LARGE:
        error = Cat({path, ": more than the ", std::to_string(REPLAY_MAX_FILE_BYTES),
                     " bytes a replay may hold"});
        return false;
    case FILE_READ_NO_MEMORY:
        error = path + ": not enough memory to read it";
        return false;
    default:
        error = path + ": read error: " + detail;
        return false;
    }
}

std::string FormatReplayHeader(int32_t rank, uint64_t glyphs,
                               const RankingEntry (&ranking)[2][RANKING_PLACES],
                               const char* comment) {
    std::string out = "velkar-replay ";
    out += std::to_string(REPLAY_VERSION);
    out += '\n';
    if (comment != nullptr) {
        out += "# ";
        out += comment;
        out += '\n';
    }
    AppendLine(out, "rules %d\nrank %d\nglyphs %016" PRIx64 "\n",
               static_cast<int>(GAME_RULES_VERSION), static_cast<int>(rank), glyphs);
    for (int32_t table = 0; table < 2; ++table) {
        for (int32_t place = 0; place < RANKING_PLACES; ++place) {
            const RankingEntry& entry = ranking[table][place];
            AppendLine(out, "score %d %d %d %" PRId64 " ", table, place, entry.stage, entry.score);
            size_t length = 0;
            while (length < RANKING_NAME_BYTES && entry.name[length] != '\0')
                ++length;
            AppendQuoted(out, entry.name, length);
            out += '\n';
        }
    }
    return out;
}

std::string FormatReplay(const ReplayData& data) {
    std::string out = FormatReplayHeader(data.rank, data.glyphs, data.ranking, nullptr);
    size_t control = 0;
    size_t event = 0;
    // Every control and event line of the frames before `limit`, frame by frame, as the
    // recorders write them: a frame's menu events in the order the file held them, its control
    // word, then the name it took.
    auto linesBefore = [&](int64_t limit) {
        for (;;) {
            const int64_t nextControl =
                control < data.controls.size() ? data.controls[control].frame : INT64_MAX;
            const int64_t nextEvent =
                event < data.events.size() ? data.events[event].frame : INT64_MAX;
            const int64_t frame = std::min(nextControl, nextEvent);
            if (frame >= limit || frame == INT64_MAX) return;
            const ReplayEvent* name = nullptr;
            for (; event < data.events.size() && data.events[event].frame == frame; ++event) {
                const ReplayEvent& e = data.events[event];
                if (e.kind == REPLAY_EVENT_NAME) {
                    name = &e;
                } else {
                    AppendLine(out, "%s %" PRId64 " %d\n",
                               e.kind == REPLAY_EVENT_CLEAR ? "clear" : "set-rank", frame,
                               static_cast<int>(e.value));
                }
            }
            if (nextControl == frame) {
                AppendLine(out, "%" PRId64 " %x\n", frame,
                           static_cast<uint32_t>(data.controls[control].bits));
                ++control;
            }
            if (name != nullptr) {
                AppendLine(out, "name %" PRId64 " ", frame);
                AppendQuoted(out, name->text.data(), name->text.size());
                out += '\n';
            }
        }
    };
    int64_t checked = 0;
    for (const ReplayCheck& check : data.checks) {
        linesBefore(check.frames);
        AppendLine(out, "check %" PRId64 " %016" PRIx64 " %016" PRIx64 " ", check.frames,
                   check.state, check.screen);
        for (int64_t f = checked; f < check.frames; ++f) {
            const size_t k = static_cast<size_t>(f);
            out += k < data.frameMarks.size()
                       ? REPLAY_MARK_DIGITS[data.frameMarks[k] & REPLAY_MARK_MASK]
                       : '0';
        }
        out += '\n';
        checked = check.frames;
    }
    linesBefore(INT64_MAX);
    if (data.closed) {
        AppendLine(out, "end %" PRId64 " %016" PRIx64 " %016" PRIx64 "\n", data.closing.frames,
                   data.closing.state, data.closing.screen);
    }
    return out;
}

std::string ShowReplayBytes(const char* bytes, size_t size, size_t maxBytes) {
    static const char HEX[] = "0123456789abcdef";
    std::string out;
    const size_t shown = std::min(size, maxBytes);
    for (size_t i = 0; i < shown; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += HEX[c >> 4];
            out += HEX[c & 15];
        }
    }
    if (shown < size) out += "...";
    return out;
}

size_t QuoteReplayTextInto(char* out, const char* text, size_t length) {
    static const char HEX[] = "0123456789abcdef";
    size_t n = 0;
    out[n++] = '"';
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out[n++] = '\\';
            out[n++] = static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            out[n++] = '\\';
            out[n++] = 'x';
            out[n++] = HEX[c >> 4];
            out[n++] = HEX[c & 15];
        } else {
            out[n++] = static_cast<char>(c);
        }
    }
    out[n++] = '"';
    out[n] = '\0';
    return n;
}

std::string QuoteReplayText(const char* text) {
    const size_t length = std::strlen(text);
    std::string out(4 * length + 3, '\0');
    out.resize(QuoteReplayTextInto(out.data(), text, length));
    return out;
}

} // namespace velkar
