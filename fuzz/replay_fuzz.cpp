// Fuzzes the replay reader: any bytes as a replay. A refusal is one printable line naming the
// file; a replay read is within the limits, writes back to a file that reads as the same
// replay, and that file writes back to itself.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "replay/replay.h"

using namespace velkar;

namespace {

bool SameEntry(const RankingEntry& a, const RankingEntry& b) {
    return a.stage == b.stage && a.score == b.score &&
           std::memcmp(a.name, b.name, sizeof a.name) == 0;
}

bool SameCheck(const ReplayCheck& a, const ReplayCheck& b) {
    return a.frames == b.frames && a.state == b.state && a.screen == b.screen;
}

bool Same(const ReplayData& a, const ReplayData& b) {
    if (a.rank != b.rank || a.glyphs != b.glyphs || a.frames != b.frames || a.closed != b.closed)
        return false;
    if (a.closed && !SameCheck(a.closing, b.closing)) return false;
    for (int32_t t = 0; t < 2; ++t) {
        for (int32_t p = 0; p < RANKING_PLACES; ++p) {
            if (!SameEntry(a.ranking[t][p], b.ranking[t][p])) return false;
        }
    }
    if (a.controls.size() != b.controls.size() || a.events.size() != b.events.size() ||
        a.checks.size() != b.checks.size() || a.frameMarks != b.frameMarks) {
        return false;
    }
    for (size_t i = 0; i < a.controls.size(); ++i) {
        if (a.controls[i].frame != b.controls[i].frame || a.controls[i].bits != b.controls[i].bits)
            return false;
    }
    for (size_t i = 0; i < a.events.size(); ++i) {
        const ReplayEvent& x = a.events[i];
        const ReplayEvent& y = b.events[i];
        if (x.frame != y.frame || x.kind != y.kind || x.value != y.value || x.text != y.text)
            return false;
    }
    for (size_t i = 0; i < a.checks.size(); ++i) {
        if (!SameCheck(a.checks[i], b.checks[i])) return false;
    }
    return true;
}

// A message for a person: one line of printable ASCII, short, naming the file.
bool Printable(const std::string& error) {
    if (error.rfind("fuzz.vrp:", 0) != 0 || error.size() > 300) return false;
    for (char c : error) {
        if (c < 0x20 || c > 0x7E) return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    ReplayData data;
    std::string error;
    if (!ParseReplay(reinterpret_cast<const char*>(bytes), size, "fuzz.vrp", data, error)) {
        if (!Printable(error)) std::abort();
        return 0;
    }
    // The frames a file asks for: each within 60 of a check line, so fewer than its bytes.
    const int64_t checks = static_cast<int64_t>(data.checks.size());
    if (data.frames > (checks + 1) * REPLAY_CHECK_FRAMES) std::abort();
    if (data.frames > static_cast<int64_t>(size)) std::abort();
    const int64_t checked = checks > 0 ? data.checks.back().frames : 0;
    if (static_cast<int64_t>(data.frameMarks.size()) != checked) std::abort();

    const std::string written = FormatReplay(data);
    ReplayData again;
    if (!ParseReplay(written, "again.vrp", again, error)) std::abort();
    if (!Same(data, again)) std::abort();
    if (FormatReplay(again) != written) std::abort();
    return 0;
}
