// Replays: a game kept as its start-up settings, the controls of its frames and the events
// between them, in a small line-oriented text file; the recorder and the player that run
// around each game frame in every program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "game/ranking.h"
#include "gfx/canvas.h"

namespace velkar {

// The file, one item a line (a line that does not end in a newline is not part of it yet):
//   velkar-replay 1                      the version line
//   rules V                              the game's rules version the game was played under
//                                        (a file without this line: version 1)
//   rank R                               GameRank at start-up (0 Normal, 1 Hard)
//   glyphs DIGEST                        GlyphDigest of the recording program (its font)
//   score T P STAGE SCORE "NAME"         20 lines: both hi-score tables at start-up, table T
//                                        (0 Normal, 1 Hard), places P 0..9 in order
//   F HEXBITS                            from frame F on, the control word is HEXBITS
//   set-rank F R                         before frame F the rank became R (menu)
//   clear F T                            before frame F hi-score table T was cleared (menu)
//   name F "TEXT"                        frame F took the Name Entry answer ("" cancelled)
//   check N STATE SCREEN MARKS           after N frames the state and screen digests were STATE
//                                        and SCREEN; MARKS has one character for each frame
//                                        since the previous check: the low 6 bits of the state
//                                        digest after that frame, as a digit of
//                                        REPLAY_MARK_DIGITS
//   end N STATE SCREEN                   the last line: N frames in all, and the digests then
// Frames count from 0 and are game frames only: frames held by a menu, a dialog or the pause
// are not in the file. Names are quoted with \", \\ and \xHH for bytes outside printable
// ASCII; a name holds no control byte (below 0x20, or 0x7F), which Name Entry never gives.
// Lines starting with '#' and blank lines are comments. The screen is compared only where
// the glyph digests agree: text drawn from another font is the same game on another screen.
constexpr int32_t REPLAY_VERSION = 1;
// The version of the game's rules. A rule mended in a way that changes any game makes a new
// version; a program plays only replays of its own version, so an old score stays verifiable by
// the build that made it and no replay silently goes another way.
constexpr int32_t GAME_RULES_VERSION = 1;
// Frames between two check lines.
constexpr int64_t REPLAY_CHECK_FRAMES = 60;
// The 64 characters of the per-frame marks, for the values 0..63 in order. One character a
// frame keeps the file small; a different game still shows at its first frame 63 times in 64.
constexpr char REPLAY_MARK_DIGITS[] =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ+/";
constexpr uint64_t REPLAY_MARK_MASK = 63;

// Limits of the reader. A replay comes from someone else, so whatever its bytes, reading it
// takes bounded memory and time and a playback a bounded number of frames; a file beyond a
// limit is refused with the line and the limit named.
// The whole file: an hour of play records to about 475 KB, so this holds more than 8 hours.
constexpr size_t REPLAY_MAX_FILE_BYTES = 4u << 20;
// One line: the longest the recorders write is a check line of about 115 bytes; room is left
// for comments and hand-written names.
constexpr size_t REPLAY_MAX_LINE_BYTES = 256;
// Words before a line's quoted part: the most any line has is 5.
constexpr size_t REPLAY_MAX_WORDS = 8;
// Every frame a file plays lies at most REPLAY_CHECK_FRAMES frames past its last check line
// (or the start), and a check line covers at most that many frames: as every recorder writes
// them. A check line of N frames holds N marks and about 40 bytes more, so a file asks for
// fewer frames than it has bytes, and REPLAY_MAX_FILE_BYTES bounds a playback to a few million
// frames (a day of play at most, run headless in minutes).

// A player takes an event only where a program can record it, and otherwise reports the frame
// as differing: a rank change or a cleared table only
// while the title or key assignment screen shows, a name only while Name Entry is asked for.
// A rank change to the rank in force is never written either.
enum : int32_t {
    REPLAY_EVENT_RANK = 1,  // value: the new rank
    REPLAY_EVENT_CLEAR = 2, // value: the table cleared
    REPLAY_EVENT_NAME = 3,  // text: the answer
};

struct ReplayControl {
    int64_t frame;
    int32_t bits;
};

struct ReplayEvent {
    int64_t frame;
    int32_t kind;
    int32_t value;
    std::string text;
};

struct ReplayCheck {
    int64_t frames; // frames run when the digests were taken
    uint64_t state;
    uint64_t screen;
};

struct ReplayData {
    int32_t rules = GAME_RULES_VERSION;
    int32_t rank = 0;
    uint64_t glyphs = 0;
    RankingEntry ranking[2][RANKING_PLACES] = {};
    std::vector<ReplayControl> controls; // frames increasing
    std::vector<ReplayEvent> events;     // frames not decreasing, in file order
    std::vector<ReplayCheck> checks;     // frames increasing
    std::vector<uint8_t> frameMarks;     // frame k's low 6 state bits, for the checked frames
    int64_t frames = 0;                  // frames the file plays
    bool closed = false;                 // it has its closing line
    ReplayCheck closing = {};
    bool cutShort = false; // it ended inside a line, which was left out
};

// Reads a whole replay from memory within the limits above; nothing is kept unless every
// complete line is sound. On failure error is one line, "name:LINE: what is wrong" (or "name:
// ..." for the file as a whole), with any of the file's bytes it quotes escaped and cut short.
// Running out of memory is a refusal like any other. A server calls this on a received body.
bool ParseReplay(const char* bytes, size_t size, const std::string& name, ReplayData& out,
                 std::string& error);
bool ParseReplay(const std::string& text, const std::string& name, ReplayData& out,
                 std::string& error);
// The same from a file: only a regular file is read (a FIFO or a device is refused without
// waiting), and never more than REPLAY_MAX_FILE_BYTES + 1 bytes of it.
bool ReadReplayFile(const std::string& path, ReplayData& out, std::string& error);
// The replay as a file: the version line, the header, and every control, event and check line
// in the order a recorder writes them, with the closing line when it has one. Reading it back
// gives the same replay.
std::string FormatReplay(const ReplayData& data);
// The version line, an optional comment line ("# " and comment), and the header lines (the
// rules line first, with this program's rules version).
std::string FormatReplayHeader(int32_t rank, uint64_t glyphs,
                               const RankingEntry (&ranking)[2][RANKING_PLACES],
                               const char* comment);
// Bytes of a file for a message: printable ASCII as it is, a backslash as \\, every other byte
// as \xHH (no terminal sequence gets through), at most maxBytes of them, then "..." when there
// were more.
std::string ShowReplayBytes(const char* bytes, size_t size, size_t maxBytes);

// A name as the file holds it, with its quotes.
std::string QuoteReplayText(const char* text);
// The same into out, which holds at least 4 * length + 3 bytes; returns the length written.
size_t QuoteReplayTextInto(char* out, const char* text, size_t length);

// --- Recording: the program's game, written as it runs. ---

// Creates path and writes the version line and the header from GameRank and RankingTable as
// they are now (call it after the settings are read, before the first game frame). program
// names the recorder in a comment. false, with error set, when the file cannot be written.
bool StartRecording(const char* path, const char* program, std::string& error);
bool Recording();
// Between frames: the lines FinishRecording would write now, without writing them or ending
// the recording ("" when none is being made). The file so far followed by these is a whole
// replay of the frames recorded so far, as a program closed now would have left it.
std::string RecordingClosingLines();
// UI thread, with the game held: hi-score table (0 Normal, 1 Hard) was just cleared.
void NoteHiScoreCleared(int32_t table);
// Writes the closing line with the last frame's digest and closes the file (the game must not
// be running a frame). false when a write to the file failed during the recording or now.
bool FinishRecording();

// --- Playback: a replay's game reproduced frame by frame. ---

enum : int32_t {
    PLAYBACK_NONE = 0,
    PLAYBACK_PLAYING = 1,
    PLAYBACK_MATCHED = 2,    // every frame played; the closing digests match
    PLAYBACK_NO_CLOSING = 3, // every frame of a cut-off file played; the checks there match
    PLAYBACK_DIFFERS = 4,    // the game went another way than the recording
    PLAYBACK_STOPPED = 5,    // stopped before its end (F2 in the window)
};

struct PlaybackResult {
    int32_t state = PLAYBACK_NONE;
    int64_t framesPlayed = 0;
    uint64_t digestState = 0; // the digests after the last frame played
    uint64_t digestScreen = 0;
    bool screenCompared = false;      // the recording's glyphs are this program's
    int64_t firstDifferentFrame = -1; // PLAYBACK_DIFFERS: the first frame known to differ
    int64_t lastSameFrame = -1;       // PLAYBACK_DIFFERS: the last frame known to agree (-1 none)
    std::string detail;               // PLAYBACK_DIFFERS: what differed
};

// Takes over a parsed replay: sets the game's rank and hi-score tables from its header (call it
// where the settings would be read, before the first game frame). inWindow 1: the replay plays
// on a game of its own, a copy of the player's, while the player's game waits untouched; when
// the replay ends (its last frame, or StopPlayback) the rules run on the player's game again,
// which returns to the title with the controls live again.
void StartPlayback(ReplayData&& data, int32_t inWindow);
// 1 while a replay plays: the controls come from it and the rank and hi-scores are its own.
int32_t ReplayPlaying();
// Any thread: ends a playback in the window before its next frame (F2).
void StopPlayback();
PlaybackResult PlaybackOutcome();
// A runner after its last frame: judges a replay that had no frame to play on the state as it
// is. Nothing otherwise.
void SettlePlayback();
// "N frames, closing digest ... matches" and the like, for the person who asked.
std::string DescribePlayback(const PlaybackResult& result);

// --- Around each game frame (the game thread, or a headless runner's loop). ---

// Before the frame, with InputBits sampled: a playback puts its controls into InputBits and
// applies its events of this frame; a recording notes rank changes, cleared tables and the
// controls.
void ReplayBeforeFrame();
// After the frame: a recording writes and flushes this frame's lines; a playback compares the
// digest with the file's.
void ReplayAfterFrame();
// Before the frame, after ReplayBeforeFrame: whether the playback will look at the screen after
// it (a check line, or the file's last frame). A runner that only checks a replay may leave the
// other frames undrawn: drawing never changes the game.
bool PlaybackLooksAtScreen();

// --- Seeking: a playback jumps to any frame of its replay. ---

// While a replay plays, the player keeps a snapshot (the whole game and its own place in the
// file) before every this many frames, the first time it reaches them: 10 s of play.
constexpr int64_t PLAYBACK_SNAPSHOT_FRAMES = 625;
// The snapshots a playback keeps take at most this many bytes (about 96 minutes of play): in a
// longer replay, every other snapshot is let go each time the budget fills and the rest lie
// twice as far apart, so a seek plays at most twice as many frames as before.
constexpr size_t PLAYBACK_SNAPSHOT_BUDGET = 64u << 20;
// Another budget from now on (for tests; at least two snapshots are kept).
void SetPlaybackSnapshotBudget(size_t bytes);
// The bytes one snapshot takes.
size_t PlaybackSnapshotBytes();
// The snapshots kept so far, and the frames they were taken before.
size_t PlaybackSnapshotCount();
std::vector<int64_t> PlaybackSnapshotFrames();
// Frames played so far (the next frame to play).
int64_t PlaybackFrame();
// Frames the replay being played holds (0 when none).
int64_t PlaybackLength();
// The game thread between frames, while a replay plays (or, outside the window, after it
// ended): puts the game where it is after `frames` frames of the replay (clamped to 0..the
// file's frames). It goes back to the nearest snapshot at or before that frame (or plays on
// from where it is, when that is nearer) and plays the frames in between undrawn, except those
// whose screens the file checks, so every check is still compared: the outcome at the file's
// end is the one a playback from the start gives. Then it draws the frame reached with
// ProgramPainter. false when no replay is there to seek in.
bool SeekPlayback(int64_t frames);
// Take over: the game thread between frames, while a replay plays. Ends the playback where it
// is (the game as it is, the controls live again) and starts a recording at path of a game
// that holds the replay's controls and events up to here and the player's after: the replay's
// frames are played again from its start with the recorder on (undrawn, except the screens the
// checks look at), so its checks are this program's. Its header comment names it a take-over
// and the frame. The rank and hi-score tables stay the replay's (in the window, the player's
// own game comes back at EndReplaySession, so none of the replay's reach the settings). false,
// with error set, when no replay plays, a recording is already being made or the file cannot be
// written.
bool TakeOverPlayback(const char* path, const char* program, std::string& error);

// Splits "--record FILE" / "--replay FILE" (or "/record", "/replay" on Windows: prefix is the
// option's leading text) out of a program's arguments. Other arguments are left alone. A
// relative FILE is taken from currentDirectory (the programs change to their own folder at
// start-up), joined with separator. false, with error set, for a missing file name or both
// options at once.
struct ReplayArguments {
    std::string recordPath;
    std::string replayPath;
};
bool ParseReplayArguments(int argc, const char* const* argv, const char* prefix,
                          const char* currentDirectory, char separator, ReplayArguments& out,
                          std::string& error);
// After the settings are read, before the first game frame: starts the recording, or reads the
// replay whole and starts its playback in the window. false, with error set, when the file
// cannot be written or the replay cannot be read or is damaged (nothing is then started).
bool BeginReplaySession(const ReplayArguments& arguments, const char* program, std::string& error);
// At shutdown, with no game frame running, before the settings are written: closes a
// recording, and gives back the player's own game (in the window) or rank and hi-score tables
// if a replay was still playing or was taken over (so that a replay's scores never reach the
// settings file).
void EndReplaySession();

} // namespace velkar
