// Replays: the recorder and the player that run around each game frame, and the arguments.
#include "replay/replay.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "base/trace.h"
#include "game/frame_sequence.h"
#include "game/game_digest.h"
#include "game/game_record.h"
#include "game/game_snapshot.h"
#include "input/controls.h"
#include "velkar_version.h"

namespace velkar {

// --- Recording ---

namespace {

size_t NameLength(const char* text, size_t max) {
    size_t length = 0;
    while (length < max && text[length] != '\0')
        ++length;
    return length;
}

struct Recorder {
    std::FILE* file = nullptr;
    std::string path;
    int64_t frame = 0;      // game frames recorded
    int32_t lastBits = -1;  // the control word of the last control line (-1: none yet)
    int32_t lastRank = 0;   // the rank the file has reached
    int32_t nameAsked = 0;  // the frame being recorded began with a name request open
    uint64_t lastState = 0; // the state digest after the last recorded frame
    char marks[REPLAY_CHECK_FRAMES] = {};
    int32_t markCount = 0;
    // This frame's lines, written at once after the frame: no allocation per frame.
    char lines[1024] = {};
    size_t used = 0;
    int32_t failed = 0; // a write failed: the file ends before the frames run
};

std::mutex recorderMutex; // the recorder's state: the game thread per frame, the UI at the ends
Recorder recorder;
std::atomic<int32_t> recording{0};
std::atomic<int32_t> clearedTables{0}; // bit t: table t cleared since the last frame

void AddLine(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

void AddLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const size_t room = sizeof recorder.lines - recorder.used;
    const int n = std::vsnprintf(recorder.lines + recorder.used, room, format, args);
    va_end(args);
    if (n > 0 && static_cast<size_t>(n) < room) recorder.used += static_cast<size_t>(n);
}

void CloseRecorder() {
    if (recorder.file != nullptr) std::fclose(recorder.file);
    recorder.file = nullptr;
    recording.store(0);
}

// Writes the collected lines and flushes them, so that a program killed after this keeps them.
void FlushLines() {
    if (recorder.used == 0 || recorder.file == nullptr) return;
    const bool ok = std::fwrite(recorder.lines, 1, recorder.used, recorder.file) == recorder.used &&
                    std::fflush(recorder.file) == 0;
    recorder.used = 0;
    if (!ok) {
        Trace("replay: writing %s failed; the recording ends after frame %" PRId64 "\n",
              recorder.path.c_str(), recorder.frame);
        recorder.failed = 1;
        CloseRecorder();
    }
}

// The check line for the frames since the last one, with these digests, into line.
constexpr size_t CHECK_LINE_BYTES = 64 + REPLAY_CHECK_FRAMES;
void FormatCheckLine(char (&line)[CHECK_LINE_BYTES], uint64_t state, uint64_t screen) {
    std::snprintf(line, sizeof line, "check %" PRId64 " %016" PRIx64 " %016" PRIx64 " %.*s\n",
                  recorder.frame, state, screen, static_cast<int>(recorder.markCount),
                  recorder.marks);
}

// Right after a frame: the screen still shows it.
void AddCheckLine() {
    char line[CHECK_LINE_BYTES];
    FormatCheckLine(line, recorder.lastState, ScreenDigest(ProgramPainter));
    AddLine("%s", line);
    recorder.markCount = 0;
}

// The lines that close the file now: a check line for the frames since the last one, and the
// end line. The recorder itself is left as it is.
std::string ClosingLines() {
    // With no frame run the game is as the start-up left it. The screen still shows the last
    // frame: the programs close their recordings before they free the screen.
    const uint64_t state = recorder.frame == 0 ? GameStateDigest() : recorder.lastState;
    const uint64_t screen = ScreenDigest(ProgramPainter);
    char line[CHECK_LINE_BYTES];
    std::string out;
    if (recorder.markCount > 0) {
        FormatCheckLine(line, state, screen);
        out += line;
    }
    std::snprintf(line, sizeof line, "end %" PRId64 " %016" PRIx64 " %016" PRIx64 "\n",
                  recorder.frame, state, screen);
    out += line;
    return out;
}

void RecordBeforeFrame() {
    Game& g = TheGame();
    std::lock_guard<std::mutex> guard(recorderMutex);
    if (recorder.file == nullptr) return;
    const int64_t f = recorder.frame;
    const int32_t cleared = clearedTables.exchange(0);
    for (int32_t table = 0; table < 2; ++table) {
        if (cleared & (1 << table)) AddLine("clear %" PRId64 " %d\n", f, table);
    }
    if (g.gameRank != recorder.lastRank) {
        AddLine("set-rank %" PRId64 " %d\n", f, g.gameRank);
        recorder.lastRank = g.gameRank;
    }
    if (InputBits != recorder.lastBits) {
        AddLine("%" PRId64 " %x\n", f, static_cast<uint32_t>(InputBits));
        recorder.lastBits = InputBits;
    }
    recorder.nameAsked = NameEntryRequested.load();
}

void RecordAfterFrame() {
    std::lock_guard<std::mutex> guard(recorderMutex);
    if (recorder.file == nullptr) return;
    // The request closes only in the frame that takes the answer.
    if (recorder.nameAsked != 0 && NameEntryRequested.load() == 0) {
        char quoted[4 * sizeof NameBuffer + 3];
        QuoteReplayTextInto(quoted, NameBuffer, NameLength(NameBuffer, sizeof NameBuffer - 1));
        AddLine("name %" PRId64 " %s\n", recorder.frame, quoted);
    }
    recorder.lastState = GameStateDigest();
    recorder.marks[recorder.markCount++] =
        REPLAY_MARK_DIGITS[recorder.lastState & REPLAY_MARK_MASK];
    recorder.frame += 1;
    if (recorder.markCount == REPLAY_CHECK_FRAMES) AddCheckLine();
    FlushLines();
}

} // namespace

namespace {

// The header's comment: "recorded by PROGRAM VERSION; ..." (with what came before it, if any).
bool StartRecordingWith(const char* path, const char* program, const std::string& before,
                        std::string& error);

} // namespace

bool StartRecording(const char* path, const char* program, std::string& error) {
    return StartRecordingWith(path, program, std::string(), error);
}

namespace {

bool StartRecordingWith(const char* path, const char* program, const std::string& before,
                        std::string& error) {
    std::lock_guard<std::mutex> guard(recorderMutex);
    if (recorder.file != nullptr) {
        error = "a recording is already being made";
        return false;
    }
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        error = std::string(path) + ": cannot be written: " + std::strerror(errno);
        return false;
    }
    recorder = Recorder{};
    recorder.file = file;
    recorder.path = path;
    recorder.lastRank = TheGame().gameRank == 1 ? 1 : 0;
    clearedTables.store(0);
    std::string comment = before + "recorded by ";
    comment += program;
    comment += ' ';
    comment += VELKAR_VERSION;
    comment += "; velkar-sim --replay FILE plays it and checks the digests";
    const std::string header =
        FormatReplayHeader(recorder.lastRank, GlyphDigest(), TheGame().ranking, comment.c_str());
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size() ||
        std::fflush(file) != 0) {
        error = std::string(path) + ": cannot be written: " + std::strerror(errno);
        std::fclose(file);
        recorder.file = nullptr;
        return false;
    }
    recording.store(1);
    return true;
}

} // namespace

bool Recording() {
    return recording.load() != 0;
}

std::string RecordingClosingLines() {
    std::lock_guard<std::mutex> guard(recorderMutex);
    if (recorder.file == nullptr) return std::string();
    return ClosingLines();
}

void NoteHiScoreCleared(int32_t table) {
    if (recording.load() == 0 || table < 0 || table > 1) return;
    clearedTables.fetch_or(1 << table);
}

bool FinishRecording() {
    std::lock_guard<std::mutex> guard(recorderMutex);
    if (recorder.file == nullptr) return recorder.failed == 0;
    const std::string closing = ClosingLines();
    AddLine("%s", closing.c_str());
    FlushLines();
    if (recorder.file == nullptr) return false;
    Trace("replay: %s holds %" PRId64 " frames\n", recorder.path.c_str(), recorder.frame);
    if (std::fclose(recorder.file) != 0) recorder.failed = 1;
    recorder.file = nullptr;
    recording.store(0);
    return recorder.failed == 0;
}

// --- Playback ---

namespace {

// The player's place in its file, with the host's Name Entry hand-off, which a frame may leave
// open: what a snapshot keeps besides the game.
// Where the player is in the file and what it found so far: all of it that a seek puts back.
struct PlayerPosition {
    size_t nextControl = 0;
    size_t nextEvent = 0;
    size_t nextCheck = 0;
    int64_t frame = 0;
    int32_t bits = 0;
    int32_t differenceReported = 0;
    PlaybackResult result;
};

// The player's position and the host's Name Entry hand-off, which a frame can leave open and
// the replay's name event answers.
struct PlayerPlace {
    PlayerPosition at;
    int32_t nameRequested = 0, namePosted = 0, nameDone = 0;
    char name[sizeof NameBuffer] = {};
};

struct PlaybackSnapshot {
    GameSnapshot game;
    PlayerPlace place;
};

struct Player {
    ReplayData data;
    // snapshots[k] was taken before frame k * snapshotFrames.
    std::vector<std::unique_ptr<PlaybackSnapshot>> snapshots;
    int64_t snapshotFrames = PLAYBACK_SNAPSHOT_FRAMES;
    PlayerPosition at;
    int32_t inWindow = 0;
    // In a window the replay plays on a game of its own, and the player's game waits untouched
    // until the playback is over. Elsewhere it plays on the running game, and the player's rank
    // and tables come back if the session ends while it plays.
    std::unique_ptr<Game> windowGame;
    Game* ownGame = nullptr;
    int32_t ownRank = 0;
    RankingEntry ownRanking[2][RANKING_PLACES] = {};
    // The window's playback was taken over: the game plays on with the replay's rank and
    // hi-score tables, and the player's own come back when the session ends.
    int32_t takenOver = 0;
};

std::mutex playerMutex; // the player's state: the game thread per frame, others for the outcome
Player player;
std::atomic<int32_t> playing{0};
std::atomic<int32_t> stopWanted{0};

void SetRanking(const RankingEntry (&from)[2][RANKING_PLACES]) {
    for (int32_t t = 0; t < 2; ++t) {
        for (int32_t p = 0; p < RANKING_PLACES; ++p)
            TheGame().ranking[t][p] = from[t][p];
    }
}

// The first difference found: frame is the first frame known to differ, lastSame the last one
// known to agree (frame - 1 when the file's per-frame digits pin it).
void Differs(int64_t frame, int64_t lastSame, const std::string& detail) {
    PlaybackResult& r = player.at.result;
    if (r.state == PLAYBACK_DIFFERS) return;
    r.state = PLAYBACK_DIFFERS;
    r.firstDifferentFrame = frame;
    r.lastSameFrame = lastSame;
    r.detail = detail;
}

std::string Hex16(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

// Why a rank change or a cleared table cannot be in the recording here (nullptr when it can):
// the menu offers both only where no game is in play, and a change to the rank already in force
// leaves no line. (Which table is cleared is not checked: a rank changed and changed back
// between two frames leaves no line, so a table of either rank may be cleared honestly.)
const char* MenuEventFault(const ReplayEvent& event) {
    if (RankingChangeable() == 0) {
        return event.kind == REPLAY_EVENT_RANK
                   ? "the recording changes the rank where no program lets it (only the title "
                     "and key assignment screens do)"
                   : "the recording clears a hi-score table where no program lets it (only the "
                     "title and key assignment screens do)";
    }
    if (event.kind == REPLAY_EVENT_RANK && event.value == (TheGame().gameRank == 1 ? 1 : 0))
        return "the recording changes the rank to the one already in force";
    return nullptr;
}

// The rules run on the player's own game again, and the window's replay game goes.
void LeaveWindowGame() {
    if (player.windowGame == nullptr) return;
    if (ActiveGame == player.windowGame.get()) ActiveGame = player.ownGame;
    player.windowGame.reset();
}

// The window's playback is over: the player gets the game back, on the title.
void ReturnToOwnGame() {
    Trace("replay: %s\n", DescribePlayback(player.at.result).c_str());
    LeaveWindowGame();
    Game& g = TheGame();
    // No name request may outlive the replay; the tick must not ask for the name meanwhile.
    NameEntryRequested.store(0);
    NameEntryPosted.store(0);
    NameEntryDone.store(0);
    BeginAttract();
    g.modeFrame = 0;
    playing.store(0);
    // Nothing is left to seek in: the snapshots' memory goes back.
    std::vector<std::unique_ptr<PlaybackSnapshot>>().swap(player.snapshots);
}

// What differs between the recorded digests and the game's now ("" when nothing does); the
// screen counts only when the recording's text glyphs are this program's.
std::string Compare(const ReplayCheck& recorded, uint64_t state, uint64_t screen) {
    if (recorded.state != state) {
        return "the state digest is " + Hex16(state) + ", the recording's " + Hex16(recorded.state);
    }
    if (player.at.result.screenCompared && recorded.screen != screen) {
        return "the screen digest is " + Hex16(screen) + ", the recording's " +
               Hex16(recorded.screen);
    }
    return std::string();
}

// Every frame of the file has been played (or none was there to play): the closing digests.
void Finish() {
    PlaybackResult& r = player.at.result;
    r.framesPlayed = player.at.frame;
    r.digestState = GameStateDigest();
    r.digestScreen = ScreenDigest(ProgramPainter);
    if (r.state == PLAYBACK_PLAYING) {
        if (!player.data.closed) {
            r.state = PLAYBACK_NO_CLOSING;
        } else {
            const std::string difference =
                Compare(player.data.closing, r.digestState, r.digestScreen);
            if (difference.empty()) {
                r.state = PLAYBACK_MATCHED;
            } else {
                Differs(player.at.frame - 1, r.lastSameFrame, "at the end " + difference);
            }
        }
    }
    if (player.inWindow != 0)
        ReturnToOwnGame();
    else
        playing.store(0);
}

size_t snapshotBudget = PLAYBACK_SNAPSHOT_BUDGET;

// At least 2, so that thinning always leaves room for the next one.
size_t SnapshotLimit() {
    return std::max<size_t>(2, snapshotBudget / sizeof(PlaybackSnapshot));
}

PlayerPlace PlaceNow() {
    PlayerPlace p;
    p.at = player.at;
    p.nameRequested = NameEntryRequested.load();
    p.namePosted = NameEntryPosted.load();
    p.nameDone = NameEntryDone.load();
    std::memcpy(p.name, NameBuffer, sizeof p.name);
    return p;
}

void PutPlaceBack(const PlayerPlace& p) {
    player.at = p.at;
    std::memcpy(NameBuffer, p.name, sizeof NameBuffer);
    NameEntryRequested.store(p.nameRequested);
    NameEntryPosted.store(p.namePosted);
    NameEntryDone.store(p.nameDone);
}

// Before a frame, with the player locked: the first time a snapshot's frame is reached, the
// game and the player's place are kept (while the budget lasts). Out of memory keeps none.
void KeepSnapshot() {
    const int64_t f = player.at.frame;
    if (f % player.snapshotFrames != 0) return;
    std::vector<std::unique_ptr<PlaybackSnapshot>>& kept = player.snapshots;
    if (static_cast<size_t>(f / player.snapshotFrames) != kept.size()) return;
    if (kept.size() >= SnapshotLimit()) {
        // The budget is full: every other snapshot goes and the rest lie twice as far apart.
        for (size_t k = 0; 2 * k < kept.size(); ++k)
            kept[k] = std::move(kept[2 * k]);
        kept.resize((kept.size() + 1) / 2);
        player.snapshotFrames *= 2;
        if (f % player.snapshotFrames != 0 ||
            static_cast<size_t>(f / player.snapshotFrames) != kept.size()) {
            return;
        }
    }
    try {
        auto snapshot = std::make_unique<PlaybackSnapshot>();
        TakeSnapshot(snapshot->game);
        snapshot->place = PlaceNow();
        player.snapshots.push_back(std::move(snapshot));
    } catch (const std::bad_alloc&) {
        Trace("replay: no memory for a snapshot at frame %" PRId64 "\n", f);
    }
}

} // namespace

void StartPlayback(ReplayData&& data, int32_t inWindow) {
    std::lock_guard<std::mutex> guard(playerMutex);
    LeaveWindowGame();
    player = Player{};
    player.data = std::move(data);
    player.inWindow = inWindow;
    if (inWindow != 0) {
        // The replay's game starts as a copy of the player's, then takes the file's rank and
        // tables.
        player.ownGame = ActiveGame;
        player.windowGame = std::make_unique<Game>(*ActiveGame);
        ActiveGame = player.windowGame.get();
    }
    Game& g = TheGame();
    player.ownRank = g.gameRank;
    for (int32_t t = 0; t < 2; ++t) {
        for (int32_t p = 0; p < RANKING_PLACES; ++p)
            player.ownRanking[t][p] = g.ranking[t][p];
    }
    g.gameRank = player.data.rank;
    SetRanking(player.data.ranking);
    player.at.result.state = PLAYBACK_PLAYING;
    player.at.result.screenCompared = player.data.glyphs == GlyphDigest();
    stopWanted.store(0);
    playing.store(1);
}

int32_t ReplayPlaying() {
    return playing.load();
}

void StopPlayback() {
    stopWanted.store(1);
}

PlaybackResult PlaybackOutcome() {
    std::lock_guard<std::mutex> guard(playerMutex);
    return player.at.result;
}

void SettlePlayback() {
    if (playing.load() == 0) return;
    std::lock_guard<std::mutex> guard(playerMutex);
    if (player.at.frame >= player.data.frames) Finish();
}

std::string DescribePlayback(const PlaybackResult& r) {
    const std::string played = std::to_string(r.framesPlayed) + " frames played";
    const std::string digests = Hex16(r.digestState) + " " + Hex16(r.digestScreen);
    const std::string unseen = r.screenCompared ? std::string()
                                                : " (the screen not compared: the recording's "
                                                  "text was drawn with another font)";
    switch (r.state) {
    case PLAYBACK_PLAYING:
        return played + " so far";
    case PLAYBACK_MATCHED:
        return played + "; the closing digests " + digests + " match" + unseen;
    case PLAYBACK_NO_CLOSING:
        return played + "; the file has no closing digest (the recording was cut off); the " +
               "digests now " + digests + unseen;
    case PLAYBACK_STOPPED:
        return played + "; stopped before the end";
    case PLAYBACK_DIFFERS: {
        std::string text =
            "the game differs from the recording at frame " + std::to_string(r.firstDifferentFrame);
        if (r.lastSameFrame + 1 < r.firstDifferentFrame) {
            text += " or before (it last agreed ";
            text += r.lastSameFrame < 0 ? std::string("at the start")
                                        : "after frame " + std::to_string(r.lastSameFrame);
            text += ")";
        }
        return text + ": " + r.detail;
    }
    default:
        return "no replay";
    }
}

namespace {
void PlaybackBeforeFrame();
} // namespace

void ReplayBeforeFrame() {
    // The playback first: a take-over records the replay's controls and events as it plays them.
    PlaybackBeforeFrame();
    if (recording.load() != 0) RecordBeforeFrame();
}

namespace {

void PlaybackBeforeFrame() {
    if (playing.load() == 0) return;
    std::lock_guard<std::mutex> guard(playerMutex);
    if (player.inWindow != 0 && stopWanted.exchange(0) != 0) {
        if (player.at.result.state == PLAYBACK_PLAYING) player.at.result.state = PLAYBACK_STOPPED;
        ReturnToOwnGame();
        return;
    }
    if (player.at.frame >= player.data.frames) {
        Finish();
        return;
    }
    const int64_t f = player.at.frame;
    KeepSnapshot();
    const std::vector<ReplayControl>& controls = player.data.controls;
    while (player.at.nextControl < controls.size() && controls[player.at.nextControl].frame <= f)
        player.at.bits = controls[player.at.nextControl++].bits;
    const std::vector<ReplayEvent>& events = player.data.events;
    for (; player.at.nextEvent < events.size() && events[player.at.nextEvent].frame <= f;
         ++player.at.nextEvent) {
        const ReplayEvent& event = events[player.at.nextEvent];
        switch (event.kind) {
        case REPLAY_EVENT_RANK:
        case REPLAY_EVENT_CLEAR: {
            const char* fault = MenuEventFault(event);
            if (fault != nullptr) {
                Differs(f, f - 1, fault);
                break;
            }
            if (event.kind == REPLAY_EVENT_RANK) {
                TheGame().gameRank = event.value;
            } else {
                DefaultRanking(event.value);
                NoteHiScoreCleared(event.value); // for a take-over's recording
            }
            break;
        }
        case REPLAY_EVENT_NAME:
            if (NameEntryRequested.load() == 0) {
                Differs(f, f - 1, "the recording answers a Name Entry the game did not ask for");
                break;
            }
            std::memset(NameBuffer, 0, sizeof NameBuffer);
            std::memcpy(NameBuffer, event.text.data(), event.text.size());
            NameEntryDone.store(1, std::memory_order_release);
            break;
        default:
            break;
        }
    }
    InputBits = player.at.bits;
}

} // namespace

bool PlaybackLooksAtScreen() {
    if (playing.load() == 0) return false;
    std::lock_guard<std::mutex> guard(playerMutex);
    const int64_t after = player.at.frame + 1;
    const std::vector<ReplayCheck>& checks = player.data.checks;
    return after >= player.data.frames ||
           (player.at.nextCheck < checks.size() && checks[player.at.nextCheck].frames == after);
}

size_t PlaybackSnapshotBytes() {
    return sizeof(PlaybackSnapshot);
}

void SetPlaybackSnapshotBudget(size_t bytes) {
    std::lock_guard<std::mutex> guard(playerMutex);
    snapshotBudget = bytes;
}

std::vector<int64_t> PlaybackSnapshotFrames() {
    std::lock_guard<std::mutex> guard(playerMutex);
    std::vector<int64_t> frames;
    for (const auto& snapshot : player.snapshots)
        frames.push_back(snapshot->place.at.frame);
    return frames;
}

size_t PlaybackSnapshotCount() {
    std::lock_guard<std::mutex> guard(playerMutex);
    return player.snapshots.size();
}

int64_t PlaybackFrame() {
    std::lock_guard<std::mutex> guard(playerMutex);
    return player.at.frame;
}

int64_t PlaybackLength() {
    std::lock_guard<std::mutex> guard(playerMutex);
    return player.data.frames;
}

bool SeekPlayback(int64_t frames) {
    int64_t target = 0;
    {
        std::lock_guard<std::mutex> guard(playerMutex);
        if (playing.load() != 0) KeepSnapshot(); // the start, when no frame has run yet
        // The window's playback hands the game back at its end: nothing is left to seek in.
        if (player.at.result.state == PLAYBACK_NONE || player.snapshots.empty() ||
            (player.inWindow != 0 && playing.load() == 0)) {
            return false;
        }
        target = std::clamp<int64_t>(frames, 0, player.data.frames);
        const size_t k = std::min(static_cast<size_t>(target / player.snapshotFrames),
                                  player.snapshots.size() - 1);
        const PlaybackSnapshot& nearest = *player.snapshots[k];
        const bool onFromHere = playing.load() != 0 && player.at.frame <= target &&
                                player.at.frame >= nearest.place.at.frame;
        if (!onFromHere) {
            RestoreSnapshot(nearest.game);
            PutPlaceBack(nearest.place);
            playing.store(1);
        }
    }
    while (PlaybackFrame() < target) {
        ReplayBeforeFrame();
        if (playing.load() == 0) break;
        const bool looks = PlaybackLooksAtScreen();
        StepGameFrame();
        if (looks) DrawGameFrame(ProgramPainter);
        ReplayAfterFrame();
    }
    DrawGameFrame(ProgramPainter);
    return true;
}

bool TakeOverPlayback(const char* path, const char* program, std::string& error) {
    int64_t target = 0;
    {
        std::lock_guard<std::mutex> guard(playerMutex);
        if (playing.load() == 0 || player.snapshots.empty()) {
            error = "no replay is playing";
            return false;
        }
        if (recording.load() != 0) {
            error = "a recording is already being made";
            return false;
        }
        target = player.at.frame;
    }
    // The replay from its start, recorded as a game of this program: the same frames, and
    // the checks with this program's screens.
    uint64_t stateThen = GameStateDigest();
    {
        std::lock_guard<std::mutex> guard(playerMutex);
        RestoreSnapshot(player.snapshots[0]->game);
        PutPlaceBack(player.snapshots[0]->place);
    }
    const std::string before = "take-over at frame " + std::to_string(target) + " of a replay; ";
    if (!StartRecordingWith(path, program, before, error)) {
        SeekPlayback(target); // back where it was
        return false;
    }
    while (PlaybackFrame() < target) {
        ReplayBeforeFrame();
        if (playing.load() == 0) break;
        const bool looks =
            PlaybackLooksAtScreen() || (PlaybackFrame() + 1) % REPLAY_CHECK_FRAMES == 0;
        StepGameFrame();
        if (looks) DrawGameFrame(ProgramPainter);
        ReplayAfterFrame();
    }
    DrawGameFrame(ProgramPainter);
    std::lock_guard<std::mutex> guard(playerMutex);
    if (player.at.result.state == PLAYBACK_PLAYING) player.at.result.state = PLAYBACK_STOPPED;
    player.at.result.framesPlayed = player.at.frame;
    player.takenOver = 1;
    playing.store(0);
    // The game is the player's now: no seek may take it back into the replay.
    std::vector<std::unique_ptr<PlaybackSnapshot>>().swap(player.snapshots);
    if (GameStateDigest() != stateThen)
        Trace("replay: the take-over's game is not the one shown at frame %" PRId64 "\n", target);
    return true;
}

void ReplayAfterFrame() {
    if (recording.load() != 0) RecordAfterFrame();
    if (playing.load() == 0) return;
    std::lock_guard<std::mutex> guard(playerMutex);
    const uint64_t state = GameStateDigest();
    const int64_t f = player.at.frame;
    player.at.frame += 1;
    player.at.result.framesPlayed = player.at.frame;
    player.at.result.digestState = state;
    const std::vector<uint8_t>& marks = player.data.frameMarks;
    if (f < static_cast<int64_t>(marks.size())) {
        const uint8_t recorded = marks[static_cast<size_t>(f)];
        const uint64_t mark = state & REPLAY_MARK_MASK;
        if (recorded != mark) {
            Differs(f, f - 1,
                    std::string("its mark is ") + REPLAY_MARK_DIGITS[mark] + ", the recording's " +
                        REPLAY_MARK_DIGITS[recorded]);
        }
    }
    const std::vector<ReplayCheck>& checks = player.data.checks;
    if (player.at.nextCheck < checks.size() &&
        checks[player.at.nextCheck].frames == player.at.frame) {
        const ReplayCheck& check = checks[player.at.nextCheck++];
        player.at.result.digestScreen = ScreenDigest(ProgramPainter);
        const std::string difference = Compare(check, state, player.at.result.digestScreen);
        if (difference.empty()) {
            if (player.at.result.state == PLAYBACK_PLAYING) player.at.result.lastSameFrame = f;
        } else {
            Differs(f, player.at.result.lastSameFrame, "after it " + difference);
        }
    }
    if (player.at.result.state == PLAYBACK_DIFFERS && player.at.differenceReported == 0) {
        player.at.differenceReported = 1;
        if (player.inWindow != 0) Trace("replay: %s\n", DescribePlayback(player.at.result).c_str());
    }
    if (player.at.frame >= player.data.frames) Finish();
}

namespace {

// A path that names its place from the top: "/x" (or "\\x" with a backslash separator), or on
// Windows a drive letter's "C:".
bool IsAbsolutePath(const std::string& path, char separator) {
    if (path.empty()) return false;
    if (path[0] == '/' || path[0] == separator) return true;
    return separator == '\\' && path.size() >= 2 && path[1] == ':';
}

} // namespace

bool ParseReplayArguments(int argc, const char* const* argv, const char* prefix,
                          const char* currentDirectory, char separator, ReplayArguments& out,
                          std::string& error) {
    const std::string record = std::string(prefix) + "record";
    const std::string replay = std::string(prefix) + "replay";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg != record && arg != replay) continue;
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            error = arg + " needs a file name";
            return false;
        }
        std::string path = argv[++i];
        if (!IsAbsolutePath(path, separator) && currentDirectory != nullptr &&
            currentDirectory[0] != '\0') {
            std::string directory = currentDirectory;
            if (directory.back() != separator && directory.back() != '/') directory += separator;
            path = directory + path;
        }
        (arg == record ? out.recordPath : out.replayPath) = path;
    }
    if (!out.recordPath.empty() && !out.replayPath.empty()) {
        error = record + " and " + replay + " cannot be used together";
        return false;
    }
    return true;
}

bool BeginReplaySession(const ReplayArguments& arguments, const char* program, std::string& error) {
    if (!arguments.recordPath.empty())
        return StartRecording(arguments.recordPath.c_str(), program, error);
    if (arguments.replayPath.empty()) return true;
    ReplayData data;
    if (!ReadReplayFile(arguments.replayPath, data, error)) return false;
    Trace("replay: playing %s, %" PRId64 " frames\n", arguments.replayPath.c_str(), data.frames);
    StartPlayback(std::move(data), 1);
    return true;
}

void EndReplaySession() {
    FinishRecording();
    std::lock_guard<std::mutex> guard(playerMutex);
    if (playing.load() == 0 && (player.inWindow == 0 || player.takenOver == 0)) return;
    player.takenOver = 0;
    if (player.at.result.state == PLAYBACK_PLAYING) player.at.result.state = PLAYBACK_STOPPED;
    Trace("replay: %s\n", DescribePlayback(player.at.result).c_str());
    if (player.windowGame != nullptr) {
        LeaveWindowGame();
    } else {
        TheGame().gameRank = player.ownRank;
        SetRanking(player.ownRanking);
    }
    playing.store(0);
    std::vector<std::unique_ptr<PlaybackSnapshot>>().swap(player.snapshots);
}

} // namespace velkar
