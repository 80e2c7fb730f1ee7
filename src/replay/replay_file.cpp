// Replay files: reading them whole, strictly, and quoting the names they hold.
#include "replay/replay.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace velkar {

namespace {

constexpr const char* VERSION_WORD = "velkar-replay";
// A check line covers at most this many frames (the recorder writes 60): a longer run of
// digits is damage, not a replay.
constexpr size_t MAX_CHECK_SPAN = 100000;
// Frame numbers above this are damage (about 500 years of play).
constexpr int64_t MAX_FRAME = 1'000'000'000'000LL;

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

// A whole decimal number in [min, max]; a sign only where min is negative.
bool ParseNumber(const std::string& text, int64_t min, int64_t max, int64_t& value) {
    size_t start = text.size() > 0 && text[0] == '-' && min < 0 ? 1 : 0;
    if (text.size() == start || text.size() - start > 19) return false;
    for (size_t i = start; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
    }
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0 || parsed < min || parsed > max) return false;
    value = parsed;
    return true;
}

bool ParseFrame(const std::string& text, int64_t& frame) {
    return ParseNumber(text, 0, MAX_FRAME, frame);
}

// Control bits as velkar-sim's input scripts write them: 1 to 8 hex digits.
bool ParseBits(const std::string& text, int32_t& bits) {
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

bool ParseDigest(const std::string& text, uint64_t& digest) {
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
bool ParseQuoted(const std::string& line, size_t pos, std::string& text) {
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

// The words of a line up to its quoted part (if any); quotePos is where that part starts, or
// npos.
std::vector<std::string> Words(const std::string& line, size_t& quotePos) {
    std::vector<std::string> words;
    quotePos = std::string::npos;
    size_t i = 0;
    while (i < line.size()) {
        if (IsSpace(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '"') {
            quotePos = i;
            break;
        }
        size_t end = i;
        while (end < line.size() && !IsSpace(line[end]) && line[end] != '"')
            ++end;
        words.push_back(line.substr(i, end - i));
        i = end;
    }
    return words;
}

struct ParseState {
    const std::string& name;
    std::string& error;
    int32_t lineNumber = 0;

    bool Fail(const std::string& what) {
        error = name + ":" + std::to_string(lineNumber) + ": " + what;
        return false;
    }
};

bool ParseVersionLine(const std::string& line, ParseState& state) {
    size_t quotePos = 0;
    const std::vector<std::string> words = Words(line, quotePos);
    if (words.size() == 2 && words[0] == VERSION_WORD && quotePos == std::string::npos) {
        int64_t version = 0;
        if (ParseNumber(words[1], 0, 1'000'000, version)) {
            if (version == REPLAY_VERSION) return true;
            return state.Fail("a replay of version " + words[1] + "; this program plays version " +
                              std::to_string(REPLAY_VERSION));
        }
    }
    return state.Fail("not a VELKAR replay (the first line must be \"" + std::string(VERSION_WORD) +
                      " " + std::to_string(REPLAY_VERSION) + "\")");
}

// Header line number `index` (0: the rank, 1: the glyphs, 2..21: the hi-score places in order).
bool ParseHeaderLine(const std::string& line, int32_t index, ReplayData& out, ParseState& state) {
    size_t quotePos = 0;
    const std::vector<std::string> words = Words(line, quotePos);
    if (index == 0) {
        int64_t rank = 0;
        if (words.size() != 2 || words[0] != "rank" || quotePos != std::string::npos ||
            !ParseNumber(words[1], 0, 1, rank)) {
            return state.Fail("expected \"rank R\" (the rank at start-up, 0 or 1)");
        }
        out.rank = static_cast<int32_t>(rank);
        return true;
    }
    if (index == 1) {
        if (words.size() != 2 || words[0] != "glyphs" || quotePos != std::string::npos ||
            !ParseDigest(words[1], out.glyphs)) {
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
    const bool ok = words.size() == 5 && words[0] == "score" && ParseNumber(words[1], 0, 1, t) &&
                    ParseNumber(words[2], 0, RANKING_PLACES - 1, p) &&
                    ParseNumber(words[3], INT32_MIN, INT32_MAX, stage) &&
                    ParseNumber(words[4], INT64_MIN, INT64_MAX, score) &&
                    quotePos != std::string::npos && ParseQuoted(line, quotePos, text);
    if (!ok || t != table || p != place) {
        return state.Fail("expected \"score " + std::to_string(table) + " " +
                          std::to_string(place) + " STAGE SCORE \\\"NAME\\\"\"");
    }
    if (text.size() > RANKING_NAME_BYTES) {
        return state.Fail("a hi-score name holds at most " + std::to_string(RANKING_NAME_BYTES) +
                          " bytes");
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

bool ParseBodyLine(const std::string& line, ReplayData& out, BodyState& body, ParseState& state) {
    if (body.ended) return state.Fail("nothing may follow the closing \"end\" line");
    size_t quotePos = 0;
    const std::vector<std::string> words = Words(line, quotePos);
    const std::string& word = words.empty() ? std::string() : words[0];
    const bool quoted = quotePos != std::string::npos;
    // A control or event line of frame F comes after the checks of the frames before F.
    auto frameInOrder = [&](int64_t frame) {
        if (frame < body.lastFrame || frame < body.checkedFrames) {
            return state.Fail("frame " + std::to_string(frame) +
                              " comes after a later frame's line");
        }
        body.lastFrame = frame;
        return true;
    };
    if (!word.empty() && word[0] >= '0' && word[0] <= '9') {
        ReplayControl control{};
        if (words.size() != 2 || quoted || !ParseFrame(words[0], control.frame) ||
            !ParseBits(words[1], control.bits)) {
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
        if (words.size() != 3 || quoted || !ParseFrame(words[1], event.frame) ||
            !ParseNumber(words[2], 0, 1, value)) {
            return state.Fail("expected \"" + word + " FRAME " +
                              (word == "clear" ? "TABLE" : "RANK") + "\" (0 or 1)");
        }
        if (!frameInOrder(event.frame)) return false;
        event.kind = word == "clear" ? REPLAY_EVENT_CLEAR : REPLAY_EVENT_RANK;
        event.value = static_cast<int32_t>(value);
        out.events.push_back(event);
        return true;
    }
    if (word == "name") {
        ReplayEvent event{};
        if (words.size() != 2 || !quoted || !ParseFrame(words[1], event.frame) ||
            !ParseQuoted(line, quotePos, event.text)) {
            return state.Fail("expected \"name FRAME \\\"TEXT\\\"\"");
        }
        if (event.text.size() > RANKING_NAME_BYTES) {
            return state.Fail("a name holds at most " + std::to_string(RANKING_NAME_BYTES) +
                              " bytes");
        }
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
        if (words.size() != expected || quoted || !ParseFrame(words[1], point.frames) ||
            !ParseDigest(words[2], point.state) || !ParseDigest(words[3], point.screen)) {
            return state.Fail(check ? "expected \"check FRAMES STATE SCREEN MARKS\""
                                    : "expected \"end FRAMES STATE SCREEN\"");
        }
        if (point.frames <= body.lastFrame || point.frames < body.checkedFrames ||
            (check && point.frames == body.checkedFrames)) {
            return state.Fail("frame count " + std::to_string(point.frames) +
                              " is behind the lines before it");
        }
        if (!check) {
            body.ended = true;
            out.closed = true;
            out.closing = point;
            out.frames = point.frames;
            return true;
        }
        const std::string& marks = words[4];
        const int64_t span = point.frames - body.checkedFrames;
        if (span > static_cast<int64_t>(MAX_CHECK_SPAN) ||
            static_cast<int64_t>(marks.size()) != span) {
            return state.Fail("expected one mark for each of the " + std::to_string(span) +
                              " frames since the previous check");
        }
        for (char c : marks) {
            const char* digit = std::strchr(REPLAY_MARK_DIGITS, c);
            if (c == '\0' || digit == nullptr)
                return state.Fail("not a frame mark: " + std::string(1, c));
            out.frameMarks.push_back(static_cast<uint8_t>(digit - REPLAY_MARK_DIGITS));
        }
        body.checkedFrames = point.frames;
        out.checks.push_back(point);
        return true;
    }
    return state.Fail("unknown line \"" + word + "\"");
}

} // namespace

bool ParseReplay(const std::string& text, const std::string& name, ReplayData& result,
                 std::string& error) {
    ReplayData out;
    ParseState state{name, error};
    BodyState body;
    constexpr int32_t HEADER_LINES = 2 + 2 * RANKING_PLACES;
    int32_t headerDone = 0; // header lines read after the version line
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t newline = text.find('\n', pos);
        if (newline == std::string::npos) {
            // A line the recorder had not finished: the file ends before it.
            out.cutShort = true;
            break;
        }
        std::string line = text.substr(pos, newline - pos);
        pos = newline + 1;
        ++state.lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (state.lineNumber == 1) {
            if (!ParseVersionLine(line, state)) return false;
            continue;
        }
        size_t first = 0;
        while (first < line.size() && IsSpace(line[first]))
            ++first;
        if (first == line.size() || line[first] == '#') continue;
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
        error = name + ":" + std::to_string(state.lineNumber + 1) +
                ": the file ends inside its header (the rank and both hi-score tables)";
        return false;
    }
    if (!out.closed) out.frames = std::max(body.checkedFrames, body.lastFrame + 1);
    result = std::move(out);
    return true;
}

bool ReadReplayFile(const std::string& path, ReplayData& out, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = path + ": cannot be opened: " + std::strerror(errno);
        return false;
    }
    std::string text;
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = path + ": read error";
        return false;
    }
    return ParseReplay(text, path, out, error);
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
