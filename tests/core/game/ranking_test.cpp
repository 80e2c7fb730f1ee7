// The hi-score tables: defaults, where a score enters, the player's name and how names are cut.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/own_game.h"
#include "game/game_record.h"
#include "game/ranking.h"

using namespace velkar;

namespace {

// A new game with the default tables, on the Normal rank, in its first stage and yet to score.
class Ranking : public ::testing::Test {
  protected:
    void SetUp() override {
        DefaultRanking(0);
        DefaultRanking(1);
        game->stageNumber = 1;
    }
    velkar_test::OwnGame game;
};

} // namespace

TEST_F(Ranking, DefaultTablesAreTheSameForBothRanks) {
    const int32_t stages[RANKING_PLACES] = {3, 3, 3, 3, 2, 2, 2, 2, 1, 1};
    for (int32_t rank = 0; rank < 2; ++rank) {
        for (int32_t place = 0; place < RANKING_PLACES; ++place) {
            const RankingEntry& entry = game->ranking[rank][place];
            EXPECT_EQ(entry.stage, stages[place]);
            EXPECT_EQ(entry.score, 110000 - 10000 * place);
            EXPECT_STREQ(entry.name, "NO PLAYER");
        }
    }
}

TEST_F(Ranking, AScoreEqualToTheTenthDoesNotEnterAndOneMoreDoes) {
    Game& g = *game;
    g.score = 0;
    EXPECT_EQ(InsertRanking(), -1);
    g.score = 20000;
    EXPECT_EQ(InsertRanking(), -1);
    EXPECT_EQ(g.ranking[0][9].score, 20000);
    EXPECT_STREQ(g.ranking[0][9].name, "NO PLAYER");

    g.score = 20001;
    g.stageNumber = 7;
    EXPECT_EQ(InsertRanking(), 9);
    EXPECT_EQ(g.ranking[0][9].score, 20001);
    EXPECT_EQ(g.ranking[0][9].stage, 7);
    EXPECT_STREQ(g.ranking[0][9].name, "A SHOOTER");
    EXPECT_EQ(g.ranking[0][8].score, 30000);
    EXPECT_EQ(g.ranking[1][9].score, 20000); // the other rank's table is untouched
}

TEST_F(Ranking, ANewScoreGoesBelowEqualScoresAndPushesTheRestDown) {
    Game& g = *game;
    g.score = 100000;
    g.stageNumber = 9;
    EXPECT_EQ(InsertRanking(), 2);
    const int64_t scores[RANKING_PLACES] = {110000, 100000, 100000, 90000, 80000,
                                            70000,  60000,  50000,  40000, 30000};
    for (int32_t place = 0; place < RANKING_PLACES; ++place) {
        EXPECT_EQ(g.ranking[0][place].score, scores[place]) << place;
    }
    EXPECT_EQ(g.ranking[0][2].stage, 9);
    EXPECT_EQ(g.ranking[0][3].stage, 3); // the old third place, moved down with its stage
    EXPECT_EQ(g.ranking[0][9].stage, 1);

    g.score = int64_t{1} << 40; // wider than 32 bits: the top
    EXPECT_EQ(InsertRanking(), 0);
    EXPECT_EQ(g.ranking[0][0].score, int64_t{1} << 40);
    EXPECT_EQ(g.ranking[0][9].score, 40000);
}

TEST_F(Ranking, TheCurrentRankPicksTheTableForEntriesNamesAndClearing) {
    Game& g = *game;
    g.gameRank = 1;
    g.score = 500000;
    ASSERT_EQ(InsertRanking(), 0);
    SetRankingName(0, "HARDY");
    EXPECT_STREQ(g.ranking[1][0].name, "HARDY");
    EXPECT_STREQ(g.ranking[0][0].name, "NO PLAYER");
    EXPECT_EQ(CurrentRanking(), g.ranking[1]);

    DefaultRanking(-1); // clears the Hard table only
    EXPECT_EQ(g.ranking[1][0].score, 110000);
    g.gameRank = 0;
    g.score = 999999;
    ASSERT_EQ(InsertRanking(), 0);
    DefaultRanking(1);
    EXPECT_EQ(g.ranking[0][0].score, 999999);
    DefaultRanking(5); // not a rank: nothing happens
    EXPECT_EQ(g.ranking[0][0].score, 999999);
}

TEST_F(Ranking, NamesAreCutToTenBytesNeverInsideACharacter) {
    Game& g = *game;
    SetRankingName(3, "ABCDEFGHIJKLMN");
    EXPECT_STREQ(g.ranking[0][3].name, "ABCDEFGHIJ");
    SetRankingName(4, "");
    EXPECT_STREQ(g.ranking[0][4].name, "");
    SetRankingName(10, "X"); // no such place
    SetRankingName(-1, "X");
    // Three-byte characters: three fit in 10 bytes, the fourth would be split.
    SetRankingName(5, "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88");
    EXPECT_STREQ(g.ranking[0][5].name, "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86");
}

TEST(NameCut, KeepsWholeUtf8CharactersAndCutsOtherBytesPlainly) {
    EXPECT_EQ(NameCutLength("short", 9), 5);
    EXPECT_EQ(NameCutLength("exactly-9", 9), 9);
    EXPECT_EQ(NameCutLength("ten-chars!", 9), 9);
    EXPECT_EQ(NameCutLength("12345678\xC3\xA9", 9), 8);        // 2-byte char over the edge
    EXPECT_EQ(NameCutLength("1234567\xC3\xA9x", 9), 9);        // ends on its last byte
    EXPECT_EQ(NameCutLength("12345\xF0\x9F\x98\x80xy", 9), 9); // 4-byte char fits exactly
    EXPECT_EQ(NameCutLength("123456\xF0\x9F\x98\x80", 9), 6);
    EXPECT_EQ(NameCutLength("12345678\xE9\x80\x80", 9), 8);
    // Not UTF-8 (a lead byte whose sequence breaks off): a plain byte cut.
    EXPECT_EQ(NameCutLength("12345678\xE9\x80\x41\x41", 9), 9);
    EXPECT_EQ(NameCutLength("\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80", 9), 9);
    EXPECT_EQ(NameCutLength(nullptr, 9), 0);

    char name[10];
    CopyNameCut(name, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 9);
    EXPECT_STREQ(name, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
}
