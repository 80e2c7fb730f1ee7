// Replays: a game recorded around its frames plays back to the same digest, events and all;
// damaged, foreign and cut-off files; frames that are held; the window's playback rules.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/frame_clock.h"
#include "app/key_handling.h"
#include "core/own_game.h"
#include "core/settings/temp_dir.h"
#include "game/frame_sequence.h"
#include "game/game_digest.h"
#include "game/game_record.h"
#include "game/game_snapshot.h"
#include "game/ranking.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/weapons.h"
#include "record/random.h"
#include "replay/replay.h"

using namespace velkar;

namespace {

// The process as it starts: a new game, the tables, the canvases and the host's controls.
void FreshStart() {
    TheGame() = Game{};
    ASSERT_EQ(InitGame(), 0);
    DestroyCanvases(ProgramPainter);
    ASSERT_EQ(CreateCanvases(ProgramPainter), 0);
    InputBits = 0;
    RawKeys.store(0);
    GameHold.store(0);
    Paused.store(0);
}

// Hi-scores as a settings file might hold them: low enough that any game that scores at all
// enters the Hard table.
void LowHardTable() {
    Game& g = TheGame();
    for (int32_t place = 0; place < RANKING_PLACES; ++place) {
        g.ranking[1][place].score = RANKING_PLACES - 1 - place;
        g.ranking[1][place].stage = 0;
        std::snprintf(g.ranking[1][place].name, sizeof g.ranking[1][place].name, "P%d", place);
    }
}

// One game frame as the game thread runs it: the hooks around the frame.
void Frame(int32_t bits) {
    InputBits = bits;
    ReplayBeforeFrame();
    RunGameFrame(ProgramPainter);
    ReplayAfterFrame();
}

int32_t AnswerOk(const MessageText*) {
    return MSG_ANSWER_OK;
}

const WindowFrontEnd CONFIRMING_FRONT_END = {AnswerOk, nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr,  nullptr, nullptr, nullptr, nullptr};

constexpr char NAME[] = "A\"B\\ \xc3\xa9!"; // a quote, a backslash, a space and UTF-8

// Records a whole game: Clear Hi-Score and a rank change on the title, a start, a game lost
// while firing, the Name Entry answered a few frames after it is asked, the title again.
// Returns the frames run and the name's frame.
struct Session {
    int64_t frames = 0;
    int64_t clearFrame = -1;
    int64_t rankFrame = -1;
    int64_t nameFrame = -1;
    uint64_t state = 0;
    uint64_t screen = 0;
    // The file as a program closed at frame 1001 would have left it, taken while recording on;
    // and at the end, what closing it would write, taken before it was closed.
    std::string closedEarly;
    std::string closedNow;
};

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Session RecordGame(const std::string& path) {
    Game& g = TheGame();
    Session s;
    FreshStart();
    LowHardTable();
    std::string error;
    EXPECT_TRUE(StartRecording(path.c_str(), "replay_test", error)) << error;
    BeginAttract();
    SetWindowFrontEnd(&CONFIRMING_FRONT_END);
    int64_t askedAt = -1;
    bool sawGameOver = false;
    for (int64_t f = 0; f < 30000; ++f) {
        if (f == 20) {
            RunCommand(CMD_CLEAR_HISCORE); // table 0, the rank then
            s.clearFrame = f;
        }
        if (f == 35) {
            RunCommand(CMD_RANK_HARD);
            s.rankFrame = f;
        }
        // The tick posts the request; the dialog answers 7 frames later.
        if (NameEntryRequested.load() != 0 && NameEntryPosted.load() == 0) {
            NameEntryPosted.store(1);
            askedAt = f;
        }
        if (askedAt >= 0 && f == askedAt + 7) {
            std::snprintf(NameBuffer, sizeof NameBuffer, "%s", NAME);
            NameEntryDone.store(1, std::memory_order_release);
            s.nameFrame = f;
        }
        int32_t bits = 0;
        if (f >= 50 && f < 54) bits = INPUT_START;
        if (f >= 54) bits = INPUT_SHOT | ((f / 40) % 2 == 0 ? INPUT_LEFT : INPUT_RIGHT | INPUT_UP);
        Frame(bits);
        if (f + 1 == 1001) s.closedEarly = ReadText(path) + RecordingClosingLines();
        if (g.gameMode == MODE_GAME_OVER) sawGameOver = true;
        if (sawGameOver && g.gameMode == MODE_TITLE && g.modeFrame > 30) {
            s.frames = f + 1;
            break;
        }
    }
    SetWindowFrontEnd(nullptr);
    EXPECT_TRUE(sawGameOver);
    s.state = GameStateDigest();
    s.screen = ScreenDigest(ProgramPainter);
    s.closedNow = ReadText(path) + RecordingClosingLines();
    FinishRecording();
    return s;
}

// Plays data from a fresh start whose own tables differ from the recording's; stops at the
// first difference.
PlaybackResult Play(ReplayData data) {
    FreshStart();
    StartPlayback(std::move(data), 0);
    BeginAttract();
    while (ReplayPlaying() != 0) {
        ReplayBeforeFrame();
        if (ReplayPlaying() == 0) break;
        RunGameFrame(ProgramPainter);
        ReplayAfterFrame();
        if (PlaybackOutcome().state == PLAYBACK_DIFFERS) break;
    }
    return PlaybackOutcome();
}

class Replays : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir = new velkar::testing::TempDir();
        path = dir->File("game.vrp");
        velkar_test::OwnGame recorded;
        session = RecordGame(path);
        text = ReadText(path);
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    void TearDown() override {
        SetPlaybackSnapshotBudget(PLAYBACK_SNAPSHOT_BUDGET);
        EndReplaySession();
        NameEntryRequested.store(0);
        NameEntryPosted.store(0);
        NameEntryDone.store(0);
    }
    static ReplayData Parse(const std::string& content) {
        ReplayData data;
        std::string error;
        EXPECT_TRUE(ParseReplay(content, "t.vrp", data, error)) << error;
        return data;
    }
    // The error for content, which must be refused.
    static std::string Refusal(const std::string& content) {
        ReplayData data;
        std::string error;
        EXPECT_FALSE(ParseReplay(content, "t.vrp", data, error)) << content.substr(0, 200);
        return error;
    }
    // text with its line `number` (1-based) replaced.
    static std::string WithLine(int number, const std::string& line) {
        std::istringstream in(text);
        std::string out, current;
        for (int n = 1; std::getline(in, current); ++n)
            out += (n == number ? line : current) + "\n";
        return out;
    }
    static int LineOf(const std::string& prefix) {
        std::istringstream in(text);
        std::string current;
        for (int n = 1; std::getline(in, current); ++n) {
            if (current.rfind(prefix, 0) == 0) return n;
        }
        return -1;
    }

    // The game the rules run in each test: the player's own, which a replay in the window
    // leaves waiting.
    velkar_test::OwnGame game;

    static velkar::testing::TempDir* dir;
    static std::string path;
    static Session session;
    static std::string text;
};

velkar::testing::TempDir* Replays::dir = nullptr;
std::string Replays::path;
Session Replays::session;
std::string Replays::text;

TEST_F(Replays, ARecordedGameHoldsItsEventsAndPlaysBackToTheSameDigest) {
    Game& g = *game;
    ASSERT_GT(session.nameFrame, 0);
    const ReplayData data = Parse(text);
    EXPECT_TRUE(data.closed);
    EXPECT_FALSE(data.cutShort);
    EXPECT_EQ(data.frames, session.frames);
    EXPECT_EQ(data.closing.state, session.state);
    EXPECT_EQ(data.closing.screen, session.screen);
    EXPECT_EQ(data.glyphs, GlyphDigest());
    EXPECT_EQ(static_cast<int64_t>(data.frameMarks.size()), session.frames);
    // The header: the start-up rank and tables, not what the game later made of them.
    EXPECT_EQ(data.rank, 0);
    EXPECT_EQ(data.ranking[1][3].score, 6);
    EXPECT_STREQ(data.ranking[1][3].name, "P3");
    EXPECT_STREQ(data.ranking[0][0].name, "NO PLAYER");
    // Events at the frames that followed them, in the order the game met them.
    ASSERT_EQ(data.events.size(), 3u);
    EXPECT_EQ(data.events[0].kind, REPLAY_EVENT_CLEAR);
    EXPECT_EQ(data.events[0].frame, session.clearFrame);
    EXPECT_EQ(data.events[0].value, 0);
    EXPECT_EQ(data.events[1].kind, REPLAY_EVENT_RANK);
    EXPECT_EQ(data.events[1].frame, session.rankFrame);
    EXPECT_EQ(data.events[1].value, 1);
    EXPECT_EQ(data.events[2].kind, REPLAY_EVENT_NAME);
    EXPECT_EQ(data.events[2].frame, session.nameFrame);
    EXPECT_EQ(data.events[2].text, NAME);
    EXPECT_NE(
        text.find("name " + std::to_string(session.nameFrame) + " \"A\\\"B\\\\ \\xc3\\xa9!\"\n"),
        std::string::npos);
    // Only changes of the control word: the file stays small.
    EXPECT_LT(data.controls.size(), static_cast<size_t>(session.frames / 30));
    EXPECT_EQ(data.controls[0].frame, 0);

    const PlaybackResult result = Play(data);
    EXPECT_EQ(result.state, PLAYBACK_MATCHED) << DescribePlayback(result);
    EXPECT_EQ(result.framesPlayed, session.frames);
    EXPECT_EQ(result.digestState, session.state);
    EXPECT_EQ(result.digestScreen, session.screen);
    EXPECT_TRUE(result.screenCompared);
    EXPECT_EQ(g.gameRank, 1);
    EXPECT_STREQ(g.ranking[1][0].name, NAME);
}

// A snapshot taken in the middle of a recorded game holds the whole game: after another game
// has been played over it, the snapshot put back and the recording's controls and events from
// that frame on reach every per-frame mark, every check (the screens too) and the closing
// digests of the recording.
TEST_F(Replays, ASnapshotInTheMiddleOfAGamePlaysOnToTheRecordingsEnd) {
    Game& g = *game;
    const ReplayData data = Parse(text);
    const int64_t middle = (54 + session.nameFrame) / 2;
    auto snapshot = std::make_unique<GameSnapshot>();
    uint64_t stateThen = 0;
    FreshStart();
    StartPlayback(ReplayData(data), 0);
    BeginAttract();
    for (int64_t f = 0; ReplayPlaying() != 0; ++f) {
        if (f == middle) {
            ASSERT_EQ(g.gameMode, MODE_PLAY);
            ASSERT_EQ(NameEntryRequested.load(), 0);
            TakeSnapshot(*snapshot);
            stateThen = GameStateDigest();
        }
        ReplayBeforeFrame();
        if (ReplayPlaying() == 0) break;
        RunGameFrame(ProgramPainter);
        ReplayAfterFrame();
    }
    ASSERT_EQ(PlaybackOutcome().state, PLAYBACK_MATCHED);

    // Another game over it: other controls, bombs and the laser, the random sequence elsewhere.
    FreshStart();
    g.randomSeed = 99;
    BeginAttract();
    for (int32_t f = 0; f < 2500; ++f) {
        InputBits = f < 4 ? INPUT_START : (f % 90 == 0 ? INPUT_BOMB : 0) | INPUT_LASER | INPUT_DOWN;
        RunGameFrame(ProgramPainter);
    }
    ASSERT_NE(GameStateDigest(), stateThen);

    RestoreSnapshot(*snapshot);
    ASSERT_EQ(GameStateDigest(), stateThen);
    size_t control = 0, event = 0;
    int32_t bits = 0;
    for (int64_t f = middle; f < data.frames; ++f) {
        for (; control < data.controls.size() && data.controls[control].frame <= f; ++control)
            bits = data.controls[control].bits;
        for (; event < data.events.size() && data.events[event].frame <= f; ++event) {
            const ReplayEvent& e = data.events[event];
            if (e.frame < middle) continue;
            ASSERT_EQ(e.kind, REPLAY_EVENT_NAME);
            ASSERT_EQ(NameEntryRequested.load(), 1);
            std::memset(NameBuffer, 0, sizeof NameBuffer);
            std::memcpy(NameBuffer, e.text.data(), e.text.size());
            NameEntryDone.store(1, std::memory_order_release);
        }
        InputBits = bits;
        RunGameFrame(ProgramPainter);
        ASSERT_EQ(GameStateDigest() & REPLAY_MARK_MASK, data.frameMarks[f]) << "frame " << f;
        for (const ReplayCheck& check : data.checks) {
            if (check.frames != f + 1) continue;
            ASSERT_EQ(GameStateDigest(), check.state) << "frame " << f;
            ASSERT_EQ(ScreenDigest(ProgramPainter), check.screen) << "frame " << f; // the stars too
        }
    }
    EXPECT_EQ(GameStateDigest(), data.closing.state);
    EXPECT_EQ(ScreenDigest(ProgramPainter), data.closing.screen);
}

// Seeking: a playback that jumps to the end, back to the middle and to the start, steps on and
// plays to the end passes through the very states and screens of a playback from the start and
// ends with its verdict, a match or the first differing frame alike. The frames a seek plays
// undrawn still have their checks compared (the verdict would be wrong otherwise), and the name
// answered at game over is asked for again after a seek back before it.
TEST_F(Replays, SeekingBackAndForthGivesTheStatesAndVerdictOfAPlaybackFromTheStart) {
    Game& g = *game;
    ReplayData changed = Parse(text);
    size_t k = 0;
    while (k < changed.controls.size() && changed.controls[k].frame < 700)
        ++k;
    ASSERT_LT(k, changed.controls.size());
    changed.controls[k].bits ^= INPUT_LEFT | INPUT_RIGHT;
    ASSERT_GT(session.nameFrame, 3 * PLAYBACK_SNAPSHOT_FRAMES);
    // The third and fourth runs keep three and two snapshots at most: they are thinned out as
    // the game goes on.
    for (int32_t run = 0; run < 4; ++run) {
        const ReplayData data = run == 1 ? changed : Parse(text);
        const size_t most = run >= 2 ? static_cast<size_t>(5 - run) : 0;
        SetPlaybackSnapshotBudget(most > 0 ? most * PlaybackSnapshotBytes()
                                           : PLAYBACK_SNAPSHOT_BUDGET);
        ASSERT_GT(data.frames, 3 * PLAYBACK_SNAPSHOT_FRAMES);
        // From the start, every frame drawn: the state and screen after each frame.
        std::vector<uint64_t> states, screens;
        FreshStart();
        StartPlayback(ReplayData(data), 0);
        BeginAttract();
        const uint64_t startState = GameStateDigest();
        while (ReplayPlaying() != 0) {
            ReplayBeforeFrame();
            if (ReplayPlaying() == 0) break;
            RunGameFrame(ProgramPainter);
            ReplayAfterFrame();
            states.push_back(GameStateDigest());
            screens.push_back(ScreenDigest(ProgramPainter));
        }
        SettlePlayback();
        const PlaybackResult straight = PlaybackOutcome();
        ASSERT_EQ(straight.state, run == 1 ? PLAYBACK_DIFFERS : PLAYBACK_MATCHED);
        ASSERT_EQ(static_cast<int64_t>(states.size()), data.frames);

        FreshStart();
        StartPlayback(ReplayData(data), 0);
        BeginAttract();
        const auto expectAt = [&](int64_t frames) {
            ASSERT_EQ(PlaybackFrame(), frames);
            if (frames == 0) {
                EXPECT_EQ(GameStateDigest(), startState);
                return;
            }
            EXPECT_EQ(GameStateDigest(), states[frames - 1]) << "after " << frames << " frames";
            EXPECT_EQ(ScreenDigest(ProgramPainter), screens[frames - 1])
                << "after " << frames << " frames";
        };
        ASSERT_TRUE(SeekPlayback(data.frames));
        expectAt(data.frames);
        const PlaybackResult atEnd = PlaybackOutcome();
        EXPECT_EQ(atEnd.state, straight.state) << DescribePlayback(atEnd);
        EXPECT_EQ(atEnd.firstDifferentFrame, straight.firstDifferentFrame);
        if (most > 0) {
            const std::vector<int64_t> kept = PlaybackSnapshotFrames();
            ASSERT_GE(kept.size(), 2u);
            EXPECT_LE(kept.size(), most);
            EXPECT_GT(kept[1], PLAYBACK_SNAPSHOT_FRAMES); // thinned at least once
            for (size_t k = 0; k < kept.size(); ++k)
                EXPECT_EQ(kept[k], static_cast<int64_t>(k) * kept[1]);
            EXPECT_GT(kept.back() + 2 * kept[1], data.frames); // the last one is the latest due
        } else {
            EXPECT_EQ(static_cast<int64_t>(PlaybackSnapshotCount()),
                      (data.frames - 1) / PLAYBACK_SNAPSHOT_FRAMES + 1);
        }
        const int64_t middle = 2 * PLAYBACK_SNAPSHOT_FRAMES + 311;
        ASSERT_TRUE(SeekPlayback(middle));
        expectAt(middle);
        EXPECT_EQ(PlaybackOutcome().state,
                  straight.firstDifferentFrame >= 0 && straight.firstDifferentFrame < middle
                      ? PLAYBACK_DIFFERS
                      : PLAYBACK_PLAYING);
        ASSERT_TRUE(SeekPlayback(0));
        expectAt(0);
        EXPECT_EQ(PlaybackOutcome().state, PLAYBACK_PLAYING);
        ASSERT_TRUE(SeekPlayback(PLAYBACK_SNAPSHOT_FRAMES - 3));
        // Frame by frame across a snapshot's frame, then a seek forward that plays on.
        for (int64_t f = PLAYBACK_SNAPSHOT_FRAMES - 3; f < PLAYBACK_SNAPSHOT_FRAMES + 40; ++f) {
            ReplayBeforeFrame();
            RunGameFrame(ProgramPainter);
            ReplayAfterFrame();
            expectAt(f + 1);
        }
        ASSERT_TRUE(SeekPlayback(data.frames - 100));
        expectAt(data.frames - 100);
        // Back before the game over's name, then on to the end as a window plays.
        ASSERT_TRUE(SeekPlayback(session.nameFrame - 20));
        expectAt(session.nameFrame - 20);
        while (ReplayPlaying() != 0) {
            ReplayBeforeFrame();
            if (ReplayPlaying() == 0) break;
            RunGameFrame(ProgramPainter);
            ReplayAfterFrame();
        }
        SettlePlayback();
        const PlaybackResult after = PlaybackOutcome();
        EXPECT_EQ(after.state, straight.state) << DescribePlayback(after);
        EXPECT_EQ(after.framesPlayed, straight.framesPlayed);
        EXPECT_EQ(after.digestState, straight.digestState);
        EXPECT_EQ(after.digestScreen, straight.digestScreen);
        EXPECT_EQ(after.firstDifferentFrame, straight.firstDifferentFrame);
        EXPECT_EQ(after.lastSameFrame, straight.lastSameFrame);
        EXPECT_EQ(after.detail, straight.detail);
        if (run != 1) {
            EXPECT_EQ(g.gameRank, 1);
            EXPECT_STREQ(g.ranking[1][0].name, NAME);
        }
    }
    SetPlaybackSnapshotBudget(PLAYBACK_SNAPSHOT_BUDGET);
}

// Replay keys pressed between two frames all act, in the order pressed: a seek, then the steps
// after it (while paused; playing, a step does nothing); the page's seeks to a frame too.
TEST_F(Replays, ReplayKeysBetweenTwoFramesActInTheOrderPressed) {
    FreshStart();
    StartPlayback(Parse(text), 0);
    BeginAttract();
    Paused.store(1);
    for (const int32_t key :
         {REPLAY_KEY_FORWARD, REPLAY_KEY_STEP, REPLAY_KEY_START, REPLAY_KEY_STEP, REPLAY_KEY_STEP})
        RequestReplayCommand(key);
    RunPendingReplayCommand();
    EXPECT_EQ(PlaybackFrame(), 2);
    RequestReplayCommand(REPLAY_KEY_FORWARD);
    RequestReplayCommand(REPLAY_KEY_STEP);
    RequestReplayCommand(REPLAY_KEY_BACK);
    RunPendingReplayCommand();
    EXPECT_EQ(PlaybackFrame(), 3);
    Paused.store(0);
    RequestReplayCommand(REPLAY_KEY_STEP);
    RunPendingReplayCommand();
    EXPECT_EQ(PlaybackFrame(), 3);
    Paused.store(1);
    // The page's slider: a seek to a frame takes its turn among the keys, seeks asked for one
    // after another collapse into the last (a drag never fills the queue and drops a key), and
    // a seek past the end stops at the last frame.
    RequestReplaySeek(900);
    RequestReplaySeek(40);
    RequestReplayCommand(REPLAY_KEY_STEP);
    RunPendingReplayCommand();
    EXPECT_EQ(PlaybackFrame(), 41);
    for (int64_t f = 100; f < 140; ++f)
        RequestReplaySeek(f);
    RequestReplayCommand(REPLAY_KEY_STEP);
    RunPendingReplayCommand();
    EXPECT_EQ(PlaybackFrame(), 140);
    RequestReplaySeek(int64_t{1} << 40);
    RunPendingReplayCommand();
    EXPECT_EQ(PlaybackFrame(), PlaybackLength() - 1);
    EXPECT_EQ(ReplayPlaying(), 1);
    Paused.store(0);
    StopPlayback();
}

// Take over: at a frame reached by seeking, the controls go to the player; the recording made
// holds the replay's controls, events and checks up to that frame and the player's after, is
// named a take-over, and plays back to its own end.
TEST_F(Replays, ATakeOverRecordsTheReplayUpToItsFrameAndThePlayerAfter) {
    Game& g = *game;
    const ReplayData data = Parse(text);
    const int64_t at = 3 * PLAYBACK_SNAPSHOT_FRAMES + 77;
    ASSERT_LT(at, session.nameFrame);
    FreshStart();
    StartPlayback(ReplayData(data), 0);
    BeginAttract();
    ASSERT_TRUE(SeekPlayback(data.frames));
    ASSERT_TRUE(SeekPlayback(at));
    const uint64_t stateThen = GameStateDigest(), screenThen = ScreenDigest(ProgramPainter);
    const std::string taken = dir->File("taken.vrp");
    std::string error;
    ASSERT_TRUE(TakeOverPlayback(taken.c_str(), "replay_test", error)) << error;
    EXPECT_EQ(GameStateDigest(), stateThen);
    EXPECT_EQ(ScreenDigest(ProgramPainter), screenThen);
    EXPECT_EQ(ReplayPlaying(), 0);
    EXPECT_EQ(PlaybackOutcome().state, PLAYBACK_STOPPED);
    EXPECT_FALSE(TakeOverPlayback(taken.c_str(), "replay_test", error));
    EXPECT_FALSE(SeekPlayback(10)); // the game is the player's now
    EXPECT_EQ(GameStateDigest(), stateThen);
    for (int64_t f = 0; f < 700; ++f)
        Frame(INPUT_LASER | (f % 50 < 25 ? INPUT_RIGHT : INPUT_DOWN));
    const uint64_t stateEnd = GameStateDigest();
    ASSERT_TRUE(FinishRecording());

    const ReplayData mine = Parse(ReadText(taken));
    EXPECT_NE(ReadText(taken).find("# take-over at frame " + std::to_string(at) + " of a replay"),
              std::string::npos);
    EXPECT_EQ(mine.frames, at + 700);
    EXPECT_EQ(mine.rank, data.rank);
    EXPECT_EQ(mine.ranking[1][0].score, data.ranking[1][0].score);
    const auto before = [at](const auto& items) {
        std::vector<std::pair<int64_t, int64_t>> out;
        for (const auto& item : items) {
            if (item.frame < at) out.emplace_back(item.frame, item.value);
        }
        return out;
    };
    struct Bits {
        int64_t frame, value;
    };
    std::vector<Bits> controls, mineControls;
    for (const ReplayControl& c : data.controls)
        controls.push_back({c.frame, c.bits});
    for (const ReplayControl& c : mine.controls)
        mineControls.push_back({c.frame, c.bits});
    EXPECT_EQ(before(controls), before(mineControls));
    EXPECT_EQ(before(data.events), before(mine.events));
    EXPECT_GE(before(data.events).size(), 2u); // the cleared table and the rank
    EXPECT_TRUE(mine.controls.back().frame >= at);
    for (size_t k = 0; k < data.checks.size() && data.checks[k].frames <= at; ++k) {
        ASSERT_LT(k, mine.checks.size());
        EXPECT_EQ(mine.checks[k].frames, data.checks[k].frames);
        EXPECT_EQ(mine.checks[k].state, data.checks[k].state);
        EXPECT_EQ(mine.checks[k].screen, data.checks[k].screen);
    }
    const PlaybackResult result = Play(mine);
    EXPECT_EQ(result.state, PLAYBACK_MATCHED) << DescribePlayback(result);
    EXPECT_EQ(result.framesPlayed, at + 700);
    EXPECT_EQ(result.digestState, stateEnd);

    // In the window the game taken over keeps the replay's tables; the player's own game waits
    // untouched and comes back at the end of the session, before the settings are written.
    FreshStart();
    g.gameRank = 0;
    g.ranking[1][0].score = 4321;
    StartPlayback(ReplayData(data), 1);
    BeginAttract();
    ASSERT_TRUE(SeekPlayback(at));
    ASSERT_TRUE(TakeOverPlayback(taken.c_str(), "replay_test", error)) << error;
    EXPECT_EQ(TheGame().gameRank, 1);
    EXPECT_EQ(TheGame().ranking[1][0].score, data.ranking[1][0].score);
    EXPECT_EQ(g.ranking[1][0].score, 4321);
    Frame(0);
    EndReplaySession();
    EXPECT_EQ(&TheGame(), &g);
    EXPECT_EQ(g.gameRank, 0);
    EXPECT_EQ(g.ranking[1][0].score, 4321);
    EXPECT_EQ(PlaybackSnapshotCount(), 0u);
    EXPECT_EQ(Parse(ReadText(taken)).frames, at + 1);
}

// A page keeps and offers its session while it goes on: the recording so far, closed as if the
// program ended there, without ending it.
TEST_F(Replays, ARecordingClosedInACopyIsTheRecordingSoFarAndGoesOn) {
    EXPECT_EQ(session.closedNow, text);
    const ReplayData early = Parse(session.closedEarly);
    EXPECT_TRUE(early.closed);
    EXPECT_EQ(early.frames, 1001);
    EXPECT_EQ(early.checks.back().frames, 1001); // the 41 frames after the last full check
    EXPECT_EQ(session.closedEarly.compare(0, session.closedEarly.rfind("check 960 "), text, 0,
                                          session.closedEarly.rfind("check 960 ")),
              0);
    const PlaybackResult result = Play(early);
    EXPECT_EQ(result.state, PLAYBACK_MATCHED) << DescribePlayback(result);
    EXPECT_EQ(result.framesPlayed, 1001);
    EXPECT_TRUE(Recording() == false && RecordingClosingLines().empty());
}

TEST_F(Replays, AChangedGameIsCaughtAtItsFirstDifferentFrame) {
    // A control line altered: the ship turns the other way on that frame.
    ReplayData data = Parse(text);
    size_t k = 0;
    while (k < data.controls.size() && data.controls[k].frame < 300)
        ++k;
    ASSERT_LT(k, data.controls.size());
    const int64_t changed = data.controls[k].frame;
    data.controls[k].bits ^= INPUT_LEFT | INPUT_RIGHT;
    PlaybackResult result = Play(data);
    EXPECT_EQ(result.state, PLAYBACK_DIFFERS);
    EXPECT_EQ(result.firstDifferentFrame, changed);
    EXPECT_NE(DescribePlayback(result).find("at frame " + std::to_string(changed)),
              std::string::npos)
        << DescribePlayback(result);

    // An event where no program records one is a difference at its frame, and is not taken:
    // a name the game never asks for, a rank change or a cleared table in play (a game played
    // on one rank must not end on the other's table), a change to the rank in force.
    const int64_t inPlay = (session.rankFrame + session.nameFrame) / 2;
    const struct {
        ReplayEvent event;
        const char* said;
    } misplaced[] = {
        {{session.nameFrame + 100, REPLAY_EVENT_NAME, 0, "X"}, "Name Entry"},
        {{inPlay, REPLAY_EVENT_RANK, 0, ""}, "changes the rank where"},
        {{inPlay, REPLAY_EVENT_CLEAR, 1, ""}, "clears a hi-score table where"},
        {{session.rankFrame + 1, REPLAY_EVENT_RANK, 1, ""}, "already in force"},
    };
    for (const auto& m : misplaced) {
        data = Parse(text);
        auto at = data.events.begin();
        while (at != data.events.end() && at->frame <= m.event.frame)
            ++at;
        data.events.insert(at, m.event);
        result = Play(data);
        EXPECT_EQ(result.state, PLAYBACK_DIFFERS) << m.said;
        EXPECT_EQ(result.firstDifferentFrame, m.event.frame) << m.said;
        EXPECT_NE(result.detail.find(m.said), std::string::npos) << result.detail;
        EXPECT_EQ(TheGame().gameRank, 1) << m.said;
    }

    // A wrong closing digest alone: the state's, or the screen's.
    data = Parse(text);
    data.closing.state ^= 1;
    result = Play(data);
    EXPECT_EQ(result.state, PLAYBACK_DIFFERS);
    EXPECT_EQ(result.firstDifferentFrame, session.frames - 1);
    data = Parse(text);
    data.closing.screen ^= 1;
    result = Play(data);
    EXPECT_EQ(result.state, PLAYBACK_DIFFERS);
    EXPECT_NE(result.detail.find("screen"), std::string::npos) << result.detail;
    // A recording made with another font: the same game, its screen not compared.
    data.glyphs ^= 1;
    result = Play(data);
    EXPECT_EQ(result.state, PLAYBACK_MATCHED);
    EXPECT_FALSE(result.screenCompared);
    EXPECT_NE(DescribePlayback(result).find("screen not compared"), std::string::npos);
}

TEST_F(Replays, ACutOffFilePlaysUpToItsLastCompleteLine) {
    // Cut in the middle of the line after the 20th check, as a killed program leaves it.
    const int checkLine = LineOf("check 1200 ");
    ASSERT_GT(checkLine, 0);
    size_t pos = 0;
    for (int n = 0; n < checkLine; ++n)
        pos = text.find('\n', pos) + 1;
    const size_t nextEnd = text.find('\n', pos);
    const std::string next = text.substr(pos, nextEnd - pos);
    const std::string cut = text.substr(0, pos + next.size() / 2);
    const ReplayData data = Parse(cut);
    EXPECT_TRUE(data.cutShort);
    EXPECT_FALSE(data.closed);
    EXPECT_EQ(data.frames, 1200);
    const PlaybackResult result = Play(data);
    EXPECT_EQ(result.state, PLAYBACK_NO_CLOSING);
    EXPECT_EQ(result.framesPlayed, 1200);
    EXPECT_NE(DescribePlayback(result).find("no closing digest"), std::string::npos);

    // A whole control line after the check: its frame is played too.
    const std::string withControl = text.substr(0, pos) + "1210 8\n";
    EXPECT_EQ(Parse(withControl).frames, 1211);
}

TEST_F(Replays, DamagedAndForeignFilesAreRefusedNamingTheLine) {
    EXPECT_NE(Refusal(WithLine(1, "velkar-replay 2")).find("t.vrp:1: a replay of version 2"),
              std::string::npos);
    EXPECT_NE(Refusal("GIF89a\n").find("t.vrp:1: not a VELKAR replay"), std::string::npos);
    EXPECT_NE(Refusal("").find("empty"), std::string::npos);
    const int rankLine = LineOf("rank ");
    const int firstScore = LineOf("score 0 0 ");
    const int firstControl = firstScore + 20;
    const int firstCheck = LineOf("check ");
    const int endLine = LineOf("end ");
    ASSERT_GT(firstCheck, firstControl);
    const struct {
        int line;
        std::string replacement;
    } damage[] = {
        {rankLine, "rank 2"},
        {firstScore + 3, "score 0 4 3 80000 \"NO PLAYER\""},             // place out of order
        {firstScore + 3, "score 0 3 3 80000 \"NO PLAYER"},               // no closing quote
        {firstScore + 3, "score 0 3 3 80000 \"ELEVEN BYTES\""},          // too long a name
        {firstScore + 3, "score 0 3 3 80000 \"A\\q\""},                  // unknown escape
        {firstControl, "0 zz"},                                          // not hexadecimal
        {firstControl, "0 100 7"},                                       // an extra word
        {firstControl + 1, "0 100"},                                     // frames going back
        {firstControl + 1, "wiggle 5"},                                  // an unknown line
        {firstControl + 1, "set-rank 10 3"},                             // no such rank
        {firstCheck, "check 60 0123 0123456789abcdef 0123"},             // a short digest
        {firstCheck, "check 60 0123456789abcdef 0123456789abcdef 0123"}, // 4 marks for 60 frames
        {firstCheck, "check 60 0123456789abcdef 0123456789abcdef " + std::string(59, 'a') + "!"},
        {LineOf("glyphs "), "glyphs 12"},
        {LineOf("rules "), "rules 2"}, // another version of the game's rules
        {LineOf("name "), "name " + std::to_string(session.nameFrame) + " \"\\x1b[2J\""},
        {endLine, "end 5 0123456789abcdef 0123456789abcdef"}, // behind the lines before it
    };
    for (const auto& d : damage) {
        const std::string error = Refusal(WithLine(d.line, d.replacement));
        EXPECT_NE(error.find("t.vrp:" + std::to_string(d.line) + ": "), std::string::npos)
            << d.replacement << " -> " << error;
    }
    // Nothing may follow the closing line; a header cut short names the line it misses.
    EXPECT_NE(Refusal(text + "set-rank " + std::to_string(session.frames + 10) + " 0\n")
                  .find("t.vrp:" + std::to_string(endLine + 1) + ": "),
              std::string::npos);
    const std::string header = text.substr(0, text.find("score 0 5 "));
    EXPECT_NE(Refusal(header).find("t.vrp:" + std::to_string(firstScore + 5) +
                                   ": the file ends "
                                   "inside its header"),
              std::string::npos);
    EXPECT_NE(Refusal(WithLine(LineOf("rules "), "rules 2")).find("rules version 2"),
              std::string::npos);
    // A file from before the rules line was played under the first rules.
    EXPECT_EQ(Parse(WithLine(LineOf("rules "), "")).rules, 1);
    // Comments, blank lines and Windows line ends are no damage.
    std::string crlf;
    for (char c : WithLine(firstControl, "# a note\n\n0 0"))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(Parse(crlf).frames, session.frames);
}

TEST_F(Replays, WrittenBackAReplayIsTheRecordersFileAndReadsTheSame) {
    // The recorder's file less its comment line, byte for byte.
    const size_t comment = text.find("\n# recorded by ");
    ASSERT_NE(comment, std::string::npos);
    const std::string uncommented =
        text.substr(0, comment + 1) + text.substr(text.find('\n', comment + 1) + 1);
    const std::string written = FormatReplay(Parse(text));
    EXPECT_EQ(written, uncommented);
    EXPECT_EQ(FormatReplay(Parse(written)), written);
    // A cut-off file writes back without its last partial line and without a closing line.
    const std::string cut = text.substr(0, text.find('\n', text.size() / 2) + 5);
    const ReplayData partial = Parse(cut);
    ASSERT_FALSE(partial.closed);
    const ReplayData again = Parse(FormatReplay(partial));
    EXPECT_FALSE(again.closed);
    EXPECT_EQ(again.frames, partial.frames);
    EXPECT_EQ(again.frameMarks, partial.frameMarks);
    EXPECT_EQ(again.controls.size(), partial.controls.size());
}

TEST_F(Replays, TheFileItselfBoundsItsFramesItsSizeAndItsLines) {
    const std::string header = text.substr(0, text.find('\n', text.find("score 1 9 ")) + 1);
    const std::string digests = " 0123456789abcdef 0123456789abcdef";
    // Frames: every line at most 60 frames past the last check, as the recorders write them.
    EXPECT_EQ(Parse(header + "0 0\n59 1\n").frames, 60);
    EXPECT_NE(Refusal(header + "0 0\n60 1\n").find(":27: frame 60 is too far past the last check"),
              std::string::npos);
    EXPECT_EQ(Parse(header + "end 60" + digests + "\n").frames, 60);
    EXPECT_NE(Refusal(header + "end 61" + digests + "\n").find("too far past the last check"),
              std::string::npos);
    EXPECT_EQ(Parse(header + "check 60" + digests + " " + std::string(60, 'z') + "\n").frames, 60);
    EXPECT_NE(Refusal(header + "check 61" + digests + " " + std::string(61, 'z') + "\n")
                  .find("too far past the last check"),
              std::string::npos);
    // So a recording without its check lines is refused, and a file asks for fewer frames than
    // it has bytes.
    std::string unchecked;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("check ", 0) != 0) unchecked += line + "\n";
    }
    EXPECT_NE(Refusal(unchecked).find("(at 0 frames): a replay checks its game at least every 60"),
              std::string::npos);
    EXPECT_LT(Parse(text).frames, static_cast<int64_t>(text.size()));

    // Size: exactly the limit is read, a byte more is refused, from memory as from a file.
    std::string full = header;
    const std::string comment = "#" + std::string(REPLAY_MAX_LINE_BYTES - 1, '-') + "\n";
    while (full.size() + comment.size() <= REPLAY_MAX_FILE_BYTES)
        full += comment;
    full += "#" + std::string(REPLAY_MAX_FILE_BYTES - full.size() - 2, '-') + "\n";
    ASSERT_EQ(full.size(), REPLAY_MAX_FILE_BYTES);
    EXPECT_EQ(Parse(full).frames, 0);
    EXPECT_EQ(Refusal(full + "\n"),
              "t.vrp: 4194305 bytes, more than the 4194304 a replay may hold");
    std::ofstream(dir->File("full.vrp"), std::ios::binary) << full << "\n";
    ReplayData data;
    std::string error;
    EXPECT_FALSE(ReadReplayFile(dir->File("full.vrp"), data, error));
    EXPECT_NE(error.find("full.vrp: more than the 4194304 bytes a replay may hold"),
              std::string::npos)
        << error;
    std::ofstream(dir->File("full.vrp"), std::ios::binary) << full;
    EXPECT_TRUE(ReadReplayFile(dir->File("full.vrp"), data, error)) << error;

    // Lines: 256 bytes and 8 words at most.
    EXPECT_EQ(Parse(header + comment).frames, 0);
    EXPECT_NE(Refusal(header + "#" + comment).find(":26: longer than the 256 bytes"),
              std::string::npos);
    EXPECT_NE(Refusal(header + "#" + comment.substr(0, 256)).find(":26: longer than the 256"),
              std::string::npos); // a cut-off last line too
    EXPECT_NE(Refusal(header + "a a a a a a a a\n").find(":26: unknown line \"a\""),
              std::string::npos);
    EXPECT_NE(Refusal(header + "a a a a a a a a a\n").find(":26: more than 8 words"),
              std::string::npos);
}

TEST_F(Replays, HeldAndPausedFramesLeaveNoTrace) {
    FreshStart();
    BeginAttract();
    const GameFrameFn savedRoutine = GameFrameRoutine;
    GameFrameRoutine = RunGameFrame;
    std::string error;
    ASSERT_TRUE(StartRecording(dir->File("held.vrp").c_str(), "replay_test", error)) << error;
    SampleControls();
    GameHold.store(1);
    SampleControls();
    GameHold.store(0);
    Paused.store(1);
    SampleControls();
    Paused.store(0);
    SampleControls();
    FinishRecording();
    GameFrameRoutine = savedRoutine;
    const ReplayData data = Parse(ReadText(dir->File("held.vrp")));
    EXPECT_EQ(data.frames, 2);
    EXPECT_EQ(data.frameMarks.size(), 2u);
    EXPECT_EQ(Play(data).state, PLAYBACK_MATCHED);
}

TEST_F(Replays, InTheWindowTheReplayKeepsThePlayersOwnDataAndKeys) {
    Game& g = *game;
    FreshStart();
    g.ranking[0][0].score = 777; // the player's own best, as read from the settings
    g.gameRank = 0;
    const uint64_t own = GameStateDigest();
    StartPlayback(Parse(text), 1);
    BeginAttract();
    EXPECT_EQ(ReplayPlaying(), 1);
    EXPECT_EQ(TheGame().ranking[0][0].score, 110000);
    // The menu cannot change the rank or the hi-scores of a replay; keys other than Escape and
    // F2 reach nothing.
    EXPECT_EQ(SetGameRank(1), 0);
    EXPECT_EQ(KeyDown(VKEY_Z, 0), 0);
    EXPECT_EQ(RawKeys.load(), 0);
    for (int i = 0; i < 100; ++i) {
        ReplayBeforeFrame();
        RunGameFrame(ProgramPainter);
        ReplayAfterFrame();
    }
    EXPECT_EQ(PlaybackOutcome().framesPlayed, 100);
    EXPECT_EQ(PlaybackSnapshotCount(), 1u);
    EXPECT_EQ(GameStateDigest(g), own) << "the player's game waits untouched";
    // F2: back to the title at the next frame, with the player's own rank and table; the
    // snapshots are let go (nothing is left to seek in).
    EXPECT_EQ(KeyDown(VKEY_F2, 0), 0);
    ReplayBeforeFrame();
    EXPECT_EQ(ReplayPlaying(), 0);
    EXPECT_EQ(PlaybackSnapshotCount(), 0u);
    EXPECT_FALSE(SeekPlayback(50));
    EXPECT_EQ(PlaybackOutcome().state, PLAYBACK_STOPPED);
    EXPECT_EQ(&TheGame(), &g);
    EXPECT_EQ(g.gameMode, MODE_TITLE);
    EXPECT_EQ(g.modeFrame, 0);
    EXPECT_EQ(g.ranking[0][0].score, 777);
    EXPECT_EQ(SetGameRank(-1), 1);

    // Ending the program during a replay also gives the player's data back before the
    // settings are written.
    StartPlayback(Parse(text), 1);
    EXPECT_EQ(TheGame().ranking[0][0].score, 110000);
    EndReplaySession();
    EXPECT_EQ(ReplayPlaying(), 0);
    EXPECT_EQ(&TheGame(), &g);
    EXPECT_EQ(g.ranking[0][0].score, 777);
}

TEST(ReplayArgumentsTest, RecordOrReplayWithAFileName) {
    ReplayArguments out;
    std::string error;
    // A relative name is the user's: taken from the directory the program started in.
    const char* record[] = {"velkar", "-style", "x", "--record", "a b.vrp"};
    EXPECT_TRUE(ParseReplayArguments(5, record, "--", "/home/me", '/', out, error));
    EXPECT_EQ(out.recordPath, "/home/me/a b.vrp");
    const char* absolute[] = {"velkar", "--replay", "/tmp/g.vrp"};
    out = {};
    EXPECT_TRUE(ParseReplayArguments(3, absolute, "--", "/home/me", '/', out, error));
    EXPECT_EQ(out.replayPath, "/tmp/g.vrp");
    const char* windows[] = {"VELKAR.exe", "/replay", "C:\\g.vrp", "/x"};
    out = {};
    EXPECT_TRUE(ParseReplayArguments(4, windows, "/", "D:\\Games", '\\', out, error));
    EXPECT_EQ(out.replayPath, "C:\\g.vrp");
    const char* windowsRelative[] = {"VELKAR.exe", "/record", "runs\\g.vrp"};
    out = {};
    EXPECT_TRUE(ParseReplayArguments(3, windowsRelative, "/", "D:\\Games\\", '\\', out, error));
    EXPECT_EQ(out.recordPath, "D:\\Games\\runs\\g.vrp");
    const char* missing[] = {"velkar", "--replay"};
    EXPECT_FALSE(ParseReplayArguments(2, missing, "--", "/", '/', out, error));
    EXPECT_EQ(error, "--replay needs a file name");
    const char* both[] = {"velkar", "--replay", "a", "--record", "b"};
    out = {};
    EXPECT_FALSE(ParseReplayArguments(5, both, "--", "/", '/', out, error));
}

} // namespace
