// The board's two stores through their one interface, and the reading of the player's verdict.
// The PostgreSQL half runs against the private server that postgres_test.sh starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "board.h"
#include "store.h"
#include "verifier.h"

namespace fs = std::filesystem;
using namespace velkar::board;

namespace {

// A fresh id of 64 hexadecimal digits, unique to this run (a shared database keeps old rows).
std::string NewId() {
    static std::mt19937_64 random{std::random_device{}()};
    char text[65];
    for (int i = 0; i < 4; ++i)
        std::snprintf(text + 16 * i, 17, "%016llx", static_cast<unsigned long long>(random()));
    return text;
}

Entry MakeEntry(int32_t game, int32_t rank, int64_t score, bool named, const std::string& name) {
    Entry e;
    e.game = game;
    e.rank = rank;
    e.score = score;
    e.stage = 2 + game;
    e.place = game == 0 ? 0 : -1;
    e.named = named;
    e.name = name;
    e.frame = 2000 + game;
    return e;
}

class StoreTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        if (GetParam() == "sqlite") {
            dir = fs::temp_directory_path() /
                  ("velkar-store-" + NewId().substr(0, 12) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
            fs::create_directories(dir);
            store = OpenSqliteStore(dir.string());
        } else {
            const char* uri = std::getenv("VELKAR_TEST_PG");
            ASSERT_NE(uri, nullptr) << "VELKAR_TEST_PG names the test's PostgreSQL server";
            store = OpenPostgresStore(uri, 2);
        }
    }
    void TearDown() override {
        store.reset();
        if (!dir.empty()) fs::remove_all(dir);
    }
    fs::path dir;
    std::unique_ptr<Store> store;
};

TEST_P(StoreTest, KeepsEachFileOnceByteForByte) {
    const std::string id = NewId();
    const std::string bytes = std::string("velkar-replay 1\n\0\xff\x80 \"'\\\n", 24) + "end";
    EXPECT_TRUE(store->Add(id, bytes, 1000, 7));
    EXPECT_FALSE(store->Add(id, "something else", 2000, 1));
    const std::optional<Submission> s = store->Find(id);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->status, Status::Pending);
    EXPECT_EQ(s->submitted, 1000);
    EXPECT_EQ(s->rules, 7);
    EXPECT_EQ(s->size, static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(store->File(id), bytes);
    EXPECT_FALSE(store->Find(NewId()));
    EXPECT_FALSE(store->File(NewId()));
}

TEST_P(StoreTest, SettlesASubmissionOnceWithItsEntries) {
    const std::string id = NewId();
    ASSERT_TRUE(store->Add(id, "file", 500, 1));
    const std::vector<Entry> entries = {MakeEntry(0, 1, 4800, true, "<b>'\"Zo\u00eb\u540d"),
                                        MakeEntry(1, 0, 700, false, "")};
    store->Verified(id, 4900, entries);
    // A second verification (another process) and a late refusal change nothing.
    store->Verified(id, 1, {MakeEntry(0, 0, 1, true, "X")});
    store->Refused(id, "late");
    const std::optional<Submission> s = store->Find(id);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->status, Status::Verified);
    EXPECT_EQ(s->frames, 4900);
    ASSERT_EQ(s->entries.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const Entry& got = s->entries[i];
        EXPECT_EQ(got.replay, id);
        EXPECT_EQ(got.game, entries[i].game);
        EXPECT_EQ(got.rank, entries[i].rank);
        EXPECT_EQ(got.score, entries[i].score);
        EXPECT_EQ(got.stage, entries[i].stage);
        EXPECT_EQ(got.place, entries[i].place);
        EXPECT_EQ(got.named, entries[i].named);
        EXPECT_EQ(got.name, entries[i].name);
        EXPECT_EQ(got.frame, entries[i].frame);
        EXPECT_EQ(got.frames, 4900);
        EXPECT_EQ(got.submitted, 500);
    }

    const std::string refused = NewId();
    ASSERT_TRUE(store->Add(refused, "file 2", 600, 1));
    store->Refused(refused, "the game differs at frame 7: \"x\"");
    store->Verified(refused, 10, entries);
    const std::optional<Submission> r = store->Find(refused);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, Status::Refused);
    EXPECT_EQ(r->reason, "the game differs at frame 7: \"x\"");
    EXPECT_TRUE(r->entries.empty());
}

TEST_P(StoreTest, ListsPendingFilesOldestFirst) {
    const std::string late = NewId(), early = NewId(), middle = NewId(), done = NewId();
    ASSERT_TRUE(store->Add(late, "a", 30, 1));
    ASSERT_TRUE(store->Add(early, "b", 10, 1));
    ASSERT_TRUE(store->Add(middle, "c", 20, 1));
    ASSERT_TRUE(store->Add(done, "d", 5, 1));
    store->Refused(done, "no");
    std::vector<std::string> pending = store->Pending(1'000'000);
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [&](const std::string& id) {
                                     return id != late && id != early && id != middle && id != done;
                                 }),
                  pending.end());
    EXPECT_EQ(pending, (std::vector<std::string>{early, middle, late}));
}

TEST_P(StoreTest, RanksBestFirstThenEarlierAndPagesWithoutGapsOrRepeats) {
    // Scores far above any other test's, so that this test's entries lead the board.
    const int64_t base =
        9'000'000'000'000 + static_cast<int64_t>(std::random_device{}() % 1000) * 1000;
    std::vector<std::string> ids;
    for (int i = 0; i < 12; ++i) {
        ids.push_back(NewId());
        ASSERT_TRUE(store->Add(ids.back(), "f", 100 + (i % 3), 1));
        // Two entries a replay: one each rank; scores with ties across replays.
        store->Verified(ids.back(), 50,
                        {MakeEntry(0, 0, base + (i % 5) * 10, true, "N" + std::to_string(i)),
                         MakeEntry(1, 1, base + i, false, "")});
    }
    const int64_t total = store->CountScores(0);
    EXPECT_GE(total, 12);
    std::vector<Entry> pages;
    for (int64_t offset = 0; offset < 12; offset += 5) {
        const std::vector<Entry> page = store->Scores(0, 5, offset);
        pages.insert(pages.end(), page.begin(), page.end());
    }
    pages.resize(12);
    const std::vector<Entry> whole = store->Scores(0, 12, 0);
    ASSERT_EQ(whole.size(), 12u);
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(pages[i].replay, whole[i].replay) << i;
        EXPECT_EQ(whole[i].rank, 0);
        EXPECT_TRUE(std::find(ids.begin(), ids.end(), whole[i].replay) != ids.end());
        if (i == 0) continue;
        const Entry& a = whole[i - 1];
        const Entry& b = whole[i];
        EXPECT_TRUE(a.score > b.score || (a.score == b.score && a.submitted <= b.submitted))
            << i << ": " << a.score << "/" << a.submitted << " before " << b.score << "/"
            << b.submitted;
    }
    EXPECT_EQ(store->Scores(1, 1, 0).at(0).score, base + 11);
    EXPECT_FALSE(store->Scores(1, 1, 0).at(0).named);
}

// PostgreSQL, shared by several boards, keeps one claim a file until it expires or is released;
// SQLite has one process, which is granted every claim. A settled file is nobody's to claim.
TEST_P(StoreTest, AClaimIsOneBoardsUntilItExpiresOrIsReleased) {
    const bool shared = GetParam() == "postgres";
    const std::string id = NewId();
    const std::string a = "a-" + id.substr(0, 8), b = "b-" + id.substr(0, 8);
    ASSERT_TRUE(store->Add(id, "f", 100, 1));
    EXPECT_TRUE(store->Renew(id, a, 1000, 1100));
    EXPECT_TRUE(store->Renew(id, a, 1050, 1200)); // the holder extends it
    EXPECT_EQ(store->Renew(id, b, 1150, 1300), !shared);
    EXPECT_TRUE(store->Renew(id, b, 1201, 1300)); // expired: b takes it
    store->Release(b);
    EXPECT_TRUE(store->Renew(id, a, 1202, 1400)); // released: taken at once
    store->Verified(id, 10, {});
    EXPECT_FALSE(store->Renew(id, a, 1203, 1500));
}

INSTANTIATE_TEST_SUITE_P(Sqlite, StoreTest, ::testing::Values("sqlite"));
INSTANTIATE_TEST_SUITE_P(Postgres, StoreTest, ::testing::Values("postgres"));

TEST(BoardIds, AreTheFilesSha256InLowercaseHex) {
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_TRUE(IsReplayId(Sha256Hex("")));
    EXPECT_FALSE(IsReplayId(std::string(64, 'A')));
    EXPECT_FALSE(IsReplayId(std::string(63, 'a')));
    EXPECT_FALSE(IsReplayId("../" + std::string(61, 'a')));
}

TEST(Verdicts, TakeOnlyAMatchedPlaybackAndSayWhyOtherwise) {
    const std::string matched =
        R"({"frame":9,"replay":{"state":"matched","frames":2600,"screenCompared":true,"detail":"",)"
        R"("games":[{"frame":2150,"rank":1,"score":1500,"stage":1,"place":0,"name":"A\"<"},)"
        R"({"frame":2500,"rank":0,"score":0,"stage":1,"place":-1,"name":null}]},"ranking":{}})";
    Verdict v = ReadVerdict(0, matched, "", "/w/x.vrp");
    ASSERT_TRUE(v.verified && v.judged) << v.reason;
    EXPECT_EQ(v.frames, 2600);
    ASSERT_EQ(v.entries.size(), 2u);
    EXPECT_EQ(v.entries[0].rank, 1);
    EXPECT_EQ(v.entries[0].score, 1500);
    EXPECT_EQ(v.entries[0].name, "A\"<");
    EXPECT_TRUE(v.entries[0].named);
    EXPECT_FALSE(v.entries[1].named);
    EXPECT_EQ(v.entries[1].game, 1);

    std::string cut = matched;
    cut.replace(cut.find("matched"), 7, "no-closing");
    for (const int status : {0, 4}) {
        v = ReadVerdict(status, cut, "", "/w/x.vrp");
        EXPECT_FALSE(v.verified);
        EXPECT_NE(v.reason.find("no closing digest"), std::string::npos) << v.reason;
    }

    v = ReadVerdict(2, "", "velkar-sim: /w/x.vrp:12: a control line's frames go backwards\n",
                    "/w/x.vrp");
    EXPECT_FALSE(v.verified);
    EXPECT_EQ(v.reason, "the file is not a sound replay: replay:12: a control line's frames go "
                        "backwards");
    EXPECT_TRUE(v.judged);
    std::string differs = matched;
    differs.replace(differs.find("matched"), 7, "differs");
    v = ReadVerdict(1, differs,
                    "velkar-sim: /w/x.vrp: the game differs from the recording at frame 7",
                    "/w/x.vrp");
    EXPECT_FALSE(v.verified);
    EXPECT_EQ(v.reason, "replay: the game differs from the recording at frame 7");
    EXPECT_TRUE(v.judged);

    // Only the player's verdict refuses: an answer that is not one leaves the file pending.
    const std::pair<int, std::string> noVerdict[] = {
        {0, "{\"replay\":"},  // cut short
        {0, "{\"frame\":1}"}, // no verdict in it
        {3, matched},         // a frame that did not end
        {127, ""},            // the player could not be run
        {2, ""}};             // the runner refused its options, not the file
    for (const auto& [status, output] : noVerdict) {
        v = ReadVerdict(status, output, "velkar-sim: --replay: unknown option", "/w/x.vrp");
        EXPECT_FALSE(v.judged || v.verified) << status << " " << output;
    }
}

} // namespace
