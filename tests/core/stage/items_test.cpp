// Items: the pickup box, the effects of each kind, and the flight of a dropped item.
#include <cstdlib>

#include "stage_world.h"

#include "stage/items.h"

using namespace velkar;
using velkar::testing::StageWorld;

class Items : public StageWorld {
  protected:
    void SetUp() override {
        StageWorld::SetUp();
        TheGame().playerState = PLAYER_VULNERABLE;
        TheGame().playerX = 300 << 8;
        TheGame().playerY = 500 << 8;
    }
    // Updates a fresh scripted item whose box lies at the ship's corner + (dx, dy) after its move.
    void TouchWith(int32_t kind, int32_t dx = 0, int32_t dy = 0) {
        StageScriptReset();
        Spawn(SpawnItem, {100, 400, kind});
        First().x = TheGame().playerX + dx;
        First().y = TheGame().playerY + dy - First().word4;
        UpdateEnemies();
    }
};

TEST_F(Items, PickupBoxIsTheLowerHalfOfTheShip) {
    Game& g = TheGame();
    const struct {
        int32_t dx, dy;
        bool taken;
    } cases[] = {
        {7936, 0, true},        {7937, 0, false},        {-6144, 0, true},
        {-6145, 0, false},      {0, 7936, true},         {0, 7937, false},
        {0, 3840 - 6144, true}, {0, 3840 - 6145, false}, // only the ship's rows 0..14
    };
    for (const auto& c : cases) {
        g.shotPower = 1;
        TouchWith(ITEM_POWER, c.dx, c.dy);
        EXPECT_EQ(g.shotPower, c.taken ? 2 : 1) << c.dx << ", " << c.dy;
        EXPECT_EQ(g.enemyCount, c.taken ? 0 : 1) << c.dx << ", " << c.dy;
    }
    g.playerState = PLAYER_EXPLODING;
    TouchWith(ITEM_LIFE);
    EXPECT_EQ(g.lives, 3);
    g.playerState = PLAYER_SPAWNED; // the just-spawned protection still collects
    TouchWith(ITEM_LIFE);
    EXPECT_EQ(g.lives, 4);
    EXPECT_EQ(g.pickupGlow, 100);
}

TEST_F(Items, EffectsOfEachKindAndTheirLimits) {
    Game& g = TheGame();
    g.bombs = 8;
    TouchWith(ITEM_BOMB);
    EXPECT_EQ(g.bombs, 9);
    EXPECT_EQ(g.score, 0);
    TouchWith(ITEM_BOMB);
    EXPECT_EQ(g.bombs, 9);
    EXPECT_EQ(g.score, 5000);
    EXPECT_EQ(g.enemyCount, 1) << "the popup";
    g.shotPower = 6;
    TouchWith(7); // any other kind is power
    EXPECT_EQ(g.shotPower, 6);
    EXPECT_EQ(g.score, 10000);
    g.lives = 250;
    TouchWith(ITEM_LIFE);
    EXPECT_EQ(g.lives, 251);
}

TEST_F(Items, DroppedItemFliesUpThenSinks) {
    Game& g = TheGame();
    g.playerState = PLAYER_OUT;
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        StageScriptReset();
        // The draws in their order: the angle of vx, the angle of the upward speed, the time.
        g.randomSeed = seed;
        const int32_t a = NextRandom() % 360;
        const int32_t b = NextRandom() % 360;
        const int32_t state = ((NextRandom() & 15) + 20) * 5 / 4;
        const uint32_t after = g.randomSeed;
        g.randomSeed = seed;
        SpawnDroppedItem(ITEM_POWER, 400 << 8, 500 << 8);
        EnemySlot& e = First();
        ASSERT_EQ(g.enemyCount, 1);
        EXPECT_EQ(e.x, (400 << 8) - 3072);
        EXPECT_EQ(e.y, (500 << 8) - 3072);
        EXPECT_EQ(e.hitPoints, 5);
        EXPECT_EQ(e.word3, 4 * SinCosTable[0][a] / 5);
        EXPECT_EQ(e.word4, -std::abs(8 * SinCosTable[1][b] / 5) - 512);
        EXPECT_EQ(e.state, state);
        EXPECT_TRUE(e.state >= 25 && e.state <= 43) << e.state;
        EXPECT_EQ(g.randomSeed, after);
        for (int32_t f = e.state - 1; f > 0; --f)
            UpdateEnemies();
        EXPECT_EQ(e.state, 1);
        EXPECT_EQ(e.word3, 0);
        EXPECT_EQ(e.word4, 128);
    }
}
