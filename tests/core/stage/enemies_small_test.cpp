// Operand helpers, the destruction sequence, the small enemies and the blocks.
#include "stage_world.h"

using namespace velkar;
using velkar::testing::StageWorld;

TEST(OperandHelpers, RandomSpeedRanges) {
    velkar_test::OwnGame game;
    Game& g = *game;
    g.randomSeed = 7;
    int32_t down[4] = {};
    int32_t side[3] = {};
    for (int32_t i = 0; i < 30000; ++i) {
        const int32_t v = RandomSpeed(-1, 1, 3); // hi is never drawn when lo >= 0
        ASSERT_TRUE(v == 256 || v == 512) << v;
        down[v >> 8] += 1;
        const int32_t s = RandomSpeed(-1, -1, 1);
        ASSERT_TRUE(s == -256 || s == 0 || s == 256) << s;
        side[(s >> 8) + 1] += 1;
    }
    EXPECT_GT(down[1], 10000);
    EXPECT_GT(down[2], 10000);
    // A drawn 0 is kept only half of the time.
    EXPECT_GT(side[0], side[1] * 3 / 2);
    EXPECT_GT(side[2], side[1] * 3 / 2);
    EXPECT_GT(side[1], 30000 / 8);
    // Each try takes the value's draw and one more that is thrown away; a drawn 0 takes a third
    // draw, which keeps it when even.
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        g.randomSeed = seed;
        int32_t expected = 0;
        for (;;) {
            const int32_t v = -1 + NextRandom() % 3;
            NextRandom();
            if (v != 0) {
                expected = v * 256;
                break;
            }
            if ((NextRandom() & 1) == 0) break;
        }
        const uint32_t after = g.randomSeed;
        g.randomSeed = seed;
        ASSERT_EQ(RandomSpeed(-1, -1, 1), expected) << seed;
        ASSERT_EQ(g.randomSeed, after) << seed;
    }
    const uint32_t before = g.randomSeed;
    EXPECT_EQ(RandomSpeed(2, 1, 3), 512);
    EXPECT_EQ(g.randomSeed, before); // a given operand draws nothing
    EXPECT_EQ(RandomX(30), 150 * 256);
}

using SmallEnemies = StageWorld;

TEST_F(SmallEnemies, RiserPairStartsBesideTheShipWithoutRandomDraws) {
    Game& g = TheGame();
    g.playerX = 300 << 8;
    const uint32_t seed = g.randomSeed;
    ScriptOpcodes[OP_RISER_PAIR]();
    EXPECT_EQ(g.randomSeed, seed);
    ASSERT_EQ(g.enemyCount, 2);
    EXPECT_EQ(g.enemies[0].x, g.playerX - 16024);
    EXPECT_EQ(g.enemies[1].x, g.playerX + 16744);
    for (const EnemySlot& e : {g.enemies[0], g.enemies[1]}) {
        EXPECT_EQ(e.y, 163840);
        EXPECT_EQ(e.boxBottom, 4096);
        EXPECT_EQ(e.word3, -768);
    }
}

TEST_F(SmallEnemies, SprayerWithARandomStateIsNeverStateZero) {
    Game& g = TheGame();
    // Seeds whose state draw (after x, y and vx) gives 0 must still make a visible slot.
    int32_t found = 0;
    for (uint32_t seed = 1; seed < 400000 && found < 3; ++seed) {
        g.randomSeed = seed;
        RandomX(-1);
        RandomY(-1);
        RandomSpeed(-1, -1, 1);
        if (RandomInRange(-1, 0, 359) != 0) continue;
        found += 1;
        StageScriptReset();
        g.randomSeed = seed;
        Spawn(SpawnSprayer, {-1, -1, -1, -1});
        EXPECT_EQ(g.enemyCount, 1);
        EXPECT_NE(First().state, 0) << "seed " << seed;
    }
    EXPECT_EQ(found, 3);
    StageScriptReset();
    Spawn(SpawnSprayer, {100, 250, 1, 11});
    EXPECT_EQ(First().state, 11);
}

TEST_F(SmallEnemies, SprayerFanTurnsWithItsCounter) {
    Game& g = TheGame();
    Spawn(SpawnSprayer, {100, 400, 0, 11});
    for (int32_t frame = 1; frame <= 4; ++frame)
        UpdateEnemies();
    EXPECT_EQ(g.enemyShotCount, 0);
    UpdateEnemies(); // counter 5: seven bullets from 2 * (5 - 30) = -50 to 70 degrees
    ASSERT_EQ(g.enemyShotCount, 7);
    EXPECT_EQ(g.enemyShots[0].vx, ShotSpeed(2) * SinCosTable[0][310] / 256);
    EXPECT_EQ(g.enemyShots[0].vy, ShotSpeed(2) * SinCosTable[1][310] / 256);
    EXPECT_EQ(g.enemyShots[6].vy, ShotSpeed(2) * SinCosTable[1][70] / 256);
}

TEST_F(SmallEnemies, DiverTurnsWhenItComesDownOnTheShip) {
    Game& g = TheGame();
    g.playerState = PLAYER_VULNERABLE;
    g.playerY = 520 << 8;
    Spawn(SpawnDiver, {100, 505});
    UpdateEnemies(); // y 507, 509: still above PlayerY - 10 pixels
    UpdateEnemies();
    EXPECT_EQ(First().state, 1);
    UpdateEnemies(); // y 511: turns on its third frame, away from the view's centre
    EXPECT_EQ(First().state, 2);
    EXPECT_EQ(First().word2, -1);
}

TEST_F(SmallEnemies, DestroyedDiverFallsScoresOnceAndIsReleased) {
    Game& g = TheGame();
    g.playerState = PLAYER_VULNERABLE;
    Spawn(SpawnDiver, {200, 330});
    EnemySlot& e = First();
    e.hitPoints = 0;
    for (int32_t frame = 1; frame <= 20; ++frame)
        UpdateEnemies();
    EXPECT_EQ(g.score, 200);
    EXPECT_EQ(g.enemyCount, 1); // no popup for a small enemy
    EXPECT_EQ(e.solid, 0);
    EXPECT_EQ(e.state, 1) << "falls on without turning";
    EXPECT_EQ(e.y, (330 + 2 * 20) * 256);
    EXPECT_EQ(g.enemyShotCount, 0);
    UpdateEnemies(); // past the limit of 20 frames
    EXPECT_EQ(e.state, 0);
    EXPECT_EQ(g.enemyCount, 0);
}

TEST_F(SmallEnemies, DestroyedBlockShowsAPopupAndKeepsDrifting) {
    Game& g = TheGame();
    g.playerState = PLAYER_VULNERABLE;
    Spawn(SpawnLargeBlock, {100, 330, 1, 2});
    EnemySlot& e = First();
    EXPECT_EQ(e.hitPoints, 80);
    e.hitPoints = 0;
    UpdateEnemies();
    EXPECT_EQ(g.score, 1500);
    EXPECT_EQ(g.enemyCount, 2);
    EXPECT_EQ(g.enemies[1].word1, 1500);
    EXPECT_EQ(e.x, (220 + 1) * 256);
    EXPECT_EQ(e.y, (330 + 2) * 256);
}
