// The enemy pool: allocation, collisions with the ship's body, update order and score popups.
#include <gtest/gtest.h>

#include "core/own_game.h"
#include "game/game_record.h"
#include "player/player.h"
#include "player/weapons.h"
#include "stage/enemy_pool.h"

using namespace velkar;

namespace {

int32_t UpdateCalls[ENEMY_SLOT_COUNT];

void CountingUpdate(EnemySlot* slot) {
    UpdateCalls[slot - TheGame().enemies] += 1;
}

class EnemyPoolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(InitEnemyPool(), 0);
        for (int32_t& calls : UpdateCalls)
            calls = 0;
        game->playerX = 344 << 8;
        game->playerY = 500 << 8;
        game->playerState = PLAYER_VULNERABLE;
    }
    velkar_test::OwnGame game;

    // A solid 32 x 32 enemy with its top-left corner at canvas pixel (x, y).
    static EnemySlot* Enemy(int32_t x, int32_t y, int32_t hitPoints) {
        EnemySlot* e = EnemyAlloc();
        e->state = 1;
        e->solid = 1;
        e->hitPoints = hitPoints;
        e->x = x << 8;
        e->y = y << 8;
        e->width = 32;
        e->height = 32;
        e->boxRight = 32 << 8;
        e->boxBottom = 32 << 8;
        e->update = CountingUpdate;
        TheGame().enemyCount += 1;
        return e;
    }
};

TEST_F(EnemyPoolTest, BodyCollisionCostsEightHundredHitPoints) {
    // The ship's core is x 358..362, y 514..518.
    EnemySlot* diver = Enemy(340, 500, 5);
    UpdateEnemies();
    EXPECT_EQ(diver->hitPoints, 0);
    EXPECT_EQ(diver->hit, 1);
    EXPECT_EQ(TheGame().hitFlag, 1);
    EXPECT_EQ(UpdateCalls[0], 1);

    for (const auto& [before, after] : {std::pair{700, 0}, {800, 0}, {1000, 200}}) {
        ClearEnemyPool();
        EnemySlot* e = Enemy(340, 500, before);
        UpdateEnemies();
        EXPECT_EQ(e->hitPoints, after) << before;
    }
}

TEST_F(EnemyPoolTest, NoBodyCollisionUnlessVulnerableAndNoBombAndSolid) {
    Game& g = TheGame();
    EnemySlot* e = Enemy(340, 500, 5);
    g.playerState = PLAYER_SPAWNED;
    UpdateEnemies();
    g.playerState = PLAYER_EXPLODING;
    UpdateEnemies();
    g.playerState = PLAYER_VULNERABLE;
    g.bombActive = 1;
    UpdateEnemies();
    g.bombActive = 0;
    e->solid = 0;
    UpdateEnemies();
    EXPECT_EQ(e->hitPoints, 5);
    EXPECT_EQ(e->hit, 0);
    EXPECT_EQ(g.hitFlag, 0);
    EXPECT_EQ(UpdateCalls[0], 4); // updated every time all the same
}

TEST_F(EnemyPoolTest, BodyCollisionEdgesAreInclusive) {
    Game& g = TheGame();
    // Right edge of the box exactly at PlayerX + 14 px touches; one 1/256 pixel less does not.
    EnemySlot* e = Enemy(0, 500, 5);
    e->x = g.playerX + (14 << 8) - e->boxRight;
    UpdateEnemies();
    EXPECT_EQ(g.hitFlag, 1);
    g.hitFlag = 0;
    e->hitPoints = 5;
    e->x -= 1;
    UpdateEnemies();
    EXPECT_EQ(g.hitFlag, 0);
    // Top edge exactly at PlayerY + 18 px touches.
    e->x = g.playerX;
    e->y = g.playerY + (18 << 8);
    UpdateEnemies();
    EXPECT_EQ(g.hitFlag, 1);
}

EnemySlot* Spawned = nullptr;
void SpawningUpdate(EnemySlot* slot) {
    CountingUpdate(slot);
    if (Spawned != nullptr) return;
    Spawned = EnemyAlloc();
    Spawned->state = 1;
    Spawned->update = CountingUpdate;
    TheGame().enemyCount += 1;
}

TEST_F(EnemyPoolTest, EntriesSpawnedLaterInThePassAreUpdatedInIt) {
    // Slot 0 free, slot 1 spawns into slot 0 (lower: next frame); then slot 3 spawns into 4.
    Enemy(0, 0, 1);
    EnemySlot* spawner = Enemy(0, 0, 1);
    EnemyFree(&TheGame().enemies[0]);
    spawner->update = SpawningUpdate;
    Spawned = nullptr;
    UpdateEnemies();
    EXPECT_EQ(Spawned, &TheGame().enemies[0]);
    EXPECT_EQ(UpdateCalls[0], 0);

    Enemy(0, 0, 1); // slot 2
    EnemySlot* late = Enemy(0, 0, 1);
    late->update = SpawningUpdate;
    spawner->update = CountingUpdate;
    Spawned = nullptr;
    UpdateEnemies();
    EXPECT_EQ(Spawned, &TheGame().enemies[4]);
    EXPECT_EQ(UpdateCalls[4], 1);
    EXPECT_EQ(UpdateCalls[0], 1);
}

TEST_F(EnemyPoolTest, ScorePopupCentredLivesHundredUpdatesAndStandsStill) {
    EnemySlot* block = Enemy(300, 400, 0);
    block->solid = 0;
    block->update = nullptr;
    SpawnScorePopup(block, 1500);
    EnemySlot* popup = &TheGame().enemies[1];
    ASSERT_EQ(TheGame().enemyCount, 2);
    EXPECT_EQ(popup->x, (316 - 16) << 8); // 4 characters, 16 px left of the centre column
    EXPECT_EQ(popup->y, (416 << 8) - 4);
    EXPECT_EQ(popup->word1, 1500);
    EXPECT_EQ(popup->solid, 0);
    EXPECT_NE(popup->drawExtra, nullptr);
    const int32_t x = popup->x;
    for (int frame = 1; frame < 100; ++frame)
        UpdateEnemies();
    EXPECT_NE(popup->state, 0);
    EXPECT_EQ(popup->x, x);
    UpdateEnemies();
    EXPECT_EQ(popup->state, 0);
    EXPECT_EQ(TheGame().enemyCount, 1);

    // With every slot taken no popup appears.
    for (int i = 1; i < ENEMY_SLOT_COUNT; ++i)
        Enemy(0, 0, 1);
    SpawnScorePopup(block, 300);
    for (int i = 0; i < ENEMY_SLOT_COUNT; ++i)
        EXPECT_EQ(TheGame().enemies[i].drawExtra, nullptr);
}

} // namespace
