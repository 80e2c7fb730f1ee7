// The large enemies: Battery volleys, Guardian sweeps, Sentinel and Battery toughness.
#include "stage_world.h"

#include <vector>

using namespace velkar;
using velkar::testing::StageWorld;

namespace {

// Runs the Battery in slot 0 until it leaves, emptying the bullet pool every frame; returns
// the size of each burst of its firing phase (volleys more than 10 frames apart split bursts)
// and checks that every volley holds the given number of bullets.
std::vector<int32_t> BatteryBursts(int32_t bulletsPerVolley) {
    Game& g = TheGame();
    std::vector<int32_t> bursts;
    int32_t last = -100;
    EnemySlot& e = g.enemies[0];
    for (int32_t frame = 1; frame <= 4000 && e.state != 0; ++frame) {
        ResetEnemyShots();
        const int32_t before = e.state;
        UpdateEnemies();
        if (before != 3 || g.enemyShotCount == 0) continue;
        EXPECT_EQ(g.enemyShotCount, bulletsPerVolley) << frame;
        if (frame - last > 10) bursts.push_back(0);
        bursts.back() += 1;
        last = frame;
    }
    EXPECT_EQ(e.state, 0) << "climbed away";
    return bursts;
}

} // namespace

using LargeEnemies = StageWorld;

TEST_F(LargeEnemies, BatteryOf400FiresTwoBurstsAndAFinalVolley) {
    Spawn(SpawnBattery, {180, 250, 400});
    EXPECT_EQ(First().hitPoints, 200);
    // Counters 10..90 and 300..390; the frame that ends the firing (400) follows 10 later.
    EXPECT_EQ(BatteryBursts(7), (std::vector<int32_t>{9, 11}));
}

TEST_F(LargeEnemies, BatteryOf2000FiresSevenBurstsAndAFinalVolley) {
    TheGame().gameRank = 1; // Hard: two scattered aimed bullets per volley
    Spawn(SpawnBattery, {60, 250, 2000});
    EXPECT_EQ(First().hitPoints, 1000);
    EXPECT_EQ(BatteryBursts(2), (std::vector<int32_t>{9, 10, 10, 10, 10, 10, 10, 1}));
}

TEST_F(LargeEnemies, SentinelFallsToOneBodyCollisionButBatteryOf2000Survives) {
    Game& g = TheGame();
    g.playerState = PLAYER_VULNERABLE;
    Spawn(SpawnSentinel, {224, 500});
    Spawn(SpawnBattery, {124, 500, 2000});
    g.playerX = g.enemies[0].x;
    g.playerY = g.enemies[0].y;
    UpdateEnemies();
    EXPECT_EQ(g.enemies[0].hitPoints, 0);
    EXPECT_EQ(g.score, 4000);
    g.playerX = g.enemies[1].x;
    UpdateEnemies();
    EXPECT_EQ(g.enemies[1].hitPoints, 200);
    EXPECT_EQ(g.enemies[1].flags & 1, 1);
}

TEST_F(LargeEnemies, GuardianEntersSweepsWithinTheViewAndStandsStillWhenDestroyed) {
    Game& g = TheGame();
    g.viewX = 200;
    Spawn(SpawnGuardian, {30});
    EnemySlot& e = First();
    EXPECT_EQ(e.x, (200 + 30) * 256);
    EXPECT_EQ(e.y, 256 * 256);
    int32_t frame = 0;
    int32_t reversals = 0;
    int32_t lastDx = 0;
    while (e.state != 4 && frame < 2000) {
        UpdateEnemies();
        frame += 1;
        if (frame == 84) {
            EXPECT_EQ(e.y, 340 * 256);
        }
        if (e.state != 3) continue;
        EXPECT_GE(e.x, g.viewX * 256);
        EXPECT_LE(e.x, (g.viewX + 160) * 256);
        if (lastDx != 0 && e.word2 != lastDx) reversals += 1;
        lastDx = e.word2;
    }
    // The entering step counts its last frame into the halt, which then lasts 19 frames.
    EXPECT_EQ(frame, 84 + 19 + 800);
    EXPECT_GE(reversals, 4);

    g.playerState = PLAYER_VULNERABLE;
    const int32_t y = e.y;
    e.hitPoints = 0;
    for (frame = 1; frame <= 50; ++frame)
        UpdateEnemies();
    EXPECT_EQ(e.y, y);
    EXPECT_EQ(g.score, 5000);
    UpdateEnemies();
    EXPECT_EQ(e.state, 0);
}

TEST_F(LargeEnemies, GuardianLeftOfThePannedViewKeepsMovingRight) {
    Game& g = TheGame();
    Spawn(SpawnGuardian, {30});
    EnemySlot& e = First();
    e.state = 3;
    e.word1 = 1;
    e.word2 = 256;
    g.viewX = 300;
    e.x = (g.viewX - 50) * 256;
    UpdateEnemies();
    EXPECT_EQ(e.x, (g.viewX - 49) * 256);
    EXPECT_EQ(e.word2, 256);
}
