// Enemy bullets: speeds, the firing patterns' directions, the view and pool limits, flight.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/own_game.h"
#include "game/game_record.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "record/random.h"
#include "stage/enemy_fire.h"

using namespace velkar;

namespace {

class EnemyFire : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(InitEnemyShots(), 0);
        game->stageLevel = 1;
        game->viewX = 240;
        game->playerX = 344 << 8;
        game->playerY = 600 << 8;
        game->playerState = PLAYER_VULNERABLE;
    }
    velkar_test::OwnGame game;

    // The flying bullets in pool order.
    static std::vector<const EnemyShot*> Flying() {
        std::vector<const EnemyShot*> out;
        for (int32_t i = 0; i < ENEMY_SHOT_POOL_SIZE; ++i) {
            if (TheGame().enemyShots[i].type != 0) out.push_back(&TheGame().enemyShots[i]);
        }
        return out;
    }

    static constexpr int32_t X = 360 << 8; // inside the view's columns
    static constexpr int32_t Y = 400 << 8;
};

// The bullet flies at its type's speed along the table's cosine and sine of the angle, which is
// brought into 0..359 first; both products are truncated toward zero.
void ExpectFiredAt(const EnemyShot* shot, int32_t type, int32_t angle) {
    const int32_t a = ((angle % 360) + 360) % 360;
    const int32_t speed = ShotSpeed(type);
    EXPECT_EQ(shot->type, type);
    EXPECT_EQ(shot->vx, speed * SinCosTable[0][a] / 256) << "angle " << angle;
    EXPECT_EQ(shot->vy, speed * SinCosTable[1][a] / 256) << "angle " << angle;
}

// The offset from aim, within -limit..limit, whose direction gives exactly this velocity.
int32_t OffsetOf(const EnemyShot& shot, int32_t aim, int32_t limit) {
    const int32_t speed = ShotSpeed(shot.type);
    for (int32_t d = -limit; d <= limit; ++d) {
        const int32_t a = ((aim + d) % 360 + 360) % 360;
        if (shot.vx == speed * SinCosTable[0][a] / 256 &&
            shot.vy == speed * SinCosTable[1][a] / 256) {
            return d;
        }
    }
    return 1000;
}

TEST_F(EnemyFire, SpeedGrowsWithRankAndLevel) {
    Game& g = TheGame();
    EXPECT_EQ(ShotSpeed(1), 224 + 256);
    g.gameRank = 1;
    g.stageLevel = 5;
    EXPECT_EQ(ShotSpeed(4), 1856);
    EXPECT_EQ(ShotSpeed(1), 1760);
    FireDown(X, Y);
    EXPECT_EQ(g.enemyShots[0].vx, 0);
    EXPECT_EQ(g.enemyShots[0].vy, 256 * 6 + 320);
    EXPECT_EQ(g.enemyShots[0].type, 5);
    EXPECT_EQ(g.enemyShots[0].boxHeight, 8 << 8);
}

TEST_F(EnemyFire, RingOfSixteenStepsTwentyTwoDegrees) {
    FireRing(16, X, Y);
    const std::vector<const EnemyShot*> shots = Flying();
    ASSERT_EQ(shots.size(), 16u);
    for (int32_t k = 0; k < 16; ++k)
        ExpectFiredAt(shots[k], 1, 22 * k);
    EXPECT_EQ(shots[0]->vx, ShotSpeed(1)); // 0 degrees: straight right at full speed
    FireRing(0, X, Y);
    EXPECT_EQ(TheGame().enemyShotCount, 16);
}

TEST_F(EnemyFire, AimPointsAtTheShipsMiddleCorrectedForTheBulletSize) {
    Game& g = TheGame();
    // Directly above the aim point of a type-1 bullet (x offset 512 / 2): straight down.
    EXPECT_EQ(AimAngle(1, g.playerX + 3840 - 256, Y), 90);
    // Level with it on the right: straight left.
    EXPECT_EQ(AimAngle(1, g.playerX + (100 << 8), g.playerY + 2560 - 256), 180);
    // A type-4 bullet's larger offsets move the point.
    EXPECT_EQ(AimAngle(4, g.playerX + 3840 - 640, Y), 90);
}

// The aim is truncated toward zero, so a target up and to the right at -26.57 degrees gives -26,
// which FireAtAngle turns into 334; negative and large angles wrap the same way.
TEST_F(EnemyFire, AimTruncatesTowardZeroAndNegativeAnglesWrap) {
    Game& g = TheGame();
    const int32_t aimX = g.playerX + 3840 - 256; // the type-1 aim point
    const int32_t aimY = g.playerY + 2560 - 256;
    EXPECT_EQ(AimAngle(1, aimX - (100 << 8), aimY + (50 << 8)), -26);
    EXPECT_EQ(AimAngle(1, aimX - (100 << 8), aimY - (50 << 8)), 26);
    EXPECT_EQ(AimAngle(1, aimX + (100 << 8), aimY + (50 << 8)), -153); // -153.43
    g.gameRank = 1;
    g.stageLevel = 5; // fast enough that neighbouring degrees give different velocities
    FireAimed(aimX - (100 << 8), aimY + (50 << 8));
    for (int32_t angle : {-1, -360, -361, -719, 360, 719})
        FireAtAngle(3, angle, X, Y);
    const std::vector<const EnemyShot*> shots = Flying();
    ASSERT_EQ(shots.size(), 7u);
    ExpectFiredAt(shots[0], 1, 334);
    const int32_t wrapped[] = {359, 0, 359, 1, 0, 359};
    for (int32_t i = 0; i < 6; ++i)
        ExpectFiredAt(shots[i + 1], 3, wrapped[i]);
}

TEST_F(EnemyFire, SpreadsFireTheAimThenPairsOutward) {
    const int32_t aim = AimAngle(3, X, Y);
    FireSpread(3, 2, 15, X, Y);
    std::vector<const EnemyShot*> shots = Flying();
    ASSERT_EQ(shots.size(), 3u);
    ExpectFiredAt(shots[0], 3, aim);
    ExpectFiredAt(shots[1], 3, aim + 15);
    ExpectFiredAt(shots[2], 3, aim - 15);

    ResetEnemyShots();
    const int32_t aim2 = AimAngle(2, X, Y);
    FireSpread(2, 12, 10, X, Y);
    shots = Flying();
    ASSERT_EQ(shots.size(), 23u);
    ExpectFiredAt(shots[21], 2, aim2 + 110);
    ExpectFiredAt(shots[22], 2, aim2 - 110);

    ResetEnemyShots();
    FireSpread(3, 1, 15, X, Y);
    EXPECT_EQ(TheGame().enemyShotCount, 1);
}

// FireRandom and FireAimedJitter take one draw each; the jitter lands from jitter below the aim
// to jitter - 1 above it, and the aim is always a type-1 aim whatever type is fired.
TEST_F(EnemyFire, RandomAndJitteredPatternsDrawOnceEach) {
    TheGame().gameRank = 1;
    TheGame().stageLevel = 5;
    // Up and to the left of the ship, where the type-1 aim (63) and the type-4 aim (64) differ.
    const int32_t x = TheGame().playerX - (43 << 8);
    const int32_t y = TheGame().playerY - (107 << 8);
    const int32_t aim = AimAngle(1, x, y);
    ASSERT_NE(aim, AimAngle(4, x, y));
    int32_t low = 1000, high = -1000;
    TheGame().randomSeed = 99;
    for (int32_t i = 0; i < 1200; ++i) {
        ResetEnemyShots();
        const uint32_t seed = TheGame().randomSeed;
        const int32_t r = NextRandom();
        const uint32_t afterOne = TheGame().randomSeed;
        TheGame().randomSeed = seed;
        if (i % 2 == 0) {
            FireRandom(X, Y);
            ASSERT_EQ(TheGame().enemyShotCount, 1);
            ExpectFiredAt(&TheGame().enemyShots[0], 1, r % 360);
        } else {
            FireAimedJitter(4, 40, x, y);
            ASSERT_EQ(TheGame().enemyShotCount, 1);
            ASSERT_EQ(TheGame().enemyShots[0].type, 4);
            const int32_t d = OffsetOf(TheGame().enemyShots[0], aim, 45);
            ASSERT_EQ(d, r % 80 - 40);
            low = std::min(low, d);
            high = std::max(high, d);
        }
        ASSERT_EQ(TheGame().randomSeed, afterOne);
    }
    EXPECT_EQ(low, -40);
    EXPECT_EQ(high, 39);
}

TEST_F(EnemyFire, OnlyCreatedInsideTheViewsColumns) {
    Game& g = TheGame();
    SpawnEnemyShot(1, (g.viewX << 8) - 1, Y, 0, 100);
    EXPECT_EQ(g.enemyShotCount, 0);
    SpawnEnemyShot(1, (g.viewX - 8 + 240) << 8, Y, 0, 100); // right edge at the view's edge
    EXPECT_EQ(g.enemyShotCount, 1);
    SpawnEnemyShot(1, ((g.viewX - 8 + 240) << 8) + 1, Y, 0, 100);
    EXPECT_EQ(g.enemyShotCount, 1);
    SpawnEnemyShot(1, g.viewX << 8, Y, 0, 100);
    EXPECT_EQ(g.enemyShotCount, 2);
}

TEST_F(EnemyFire, NeverMoreThan299InFlight) {
    Game& g = TheGame();
    for (int i = 0; i < 298; ++i)
        FireDown(X, Y);
    FireDown(X, 300 << 8); // above the field: removed at its first update
    EXPECT_EQ(g.enemyShotCount, 299);
    FireSpread(2, 12, 10, X, Y);
    EXPECT_EQ(g.enemyShotCount, 299);
    UpdateEnemyShots();
    EXPECT_EQ(g.enemyShotCount, 298);
    FireSpread(2, 12, 10, X, Y);
    EXPECT_EQ(g.enemyShotCount, 299);
    EXPECT_EQ(g.enemyShots[298].type, 2); // the freed entry was taken again
}

TEST_F(EnemyFire, BulletsMoveFromTheUpdateAfterTheirCreation) {
    Game& g = TheGame();
    FireDown(X, Y);
    const int32_t vy = g.enemyShots[0].vy;
    EXPECT_EQ(g.enemyShots[0].y, Y);
    UpdateEnemyShots();
    EXPECT_EQ(g.enemyShots[0].y, Y + vy);
    // Past the bottom edge: drawn once beyond it, removed at the next update without moving.
    g.enemyShots[0].y = (643 << 8) + 1;
    UpdateEnemyShots();
    EXPECT_EQ(g.enemyShotCount, 0);
}

TEST_F(EnemyFire, TheShipsCoreIsHitOnlyWhenVulnerable) {
    Game& g = TheGame();
    // A 4 x 8 bullet whose box touches the core (x 358..362, y 614..618) at its corner.
    SpawnEnemyShot(5, 354 << 8, 606 << 8, 0, 0);
    g.playerState = PLAYER_SPAWNED;
    UpdateEnemyShots();
    g.playerState = PLAYER_EXPLODING;
    UpdateEnemyShots();
    EXPECT_EQ(g.hitFlag, 0);
    EXPECT_EQ(g.enemyShotCount, 1);
    g.playerState = PLAYER_VULNERABLE;
    UpdateEnemyShots();
    EXPECT_EQ(g.hitFlag, 1);
    EXPECT_EQ(g.enemyShotCount, 0);
    // A bomb clears every bullet at its next update, wherever it flies.
    FireRing(16, X, Y);
    g.bombActive = 1;
    UpdateEnemyShots();
    g.bombActive = 0;
    EXPECT_EQ(g.enemyShotCount, 0);
}

// A type-4 bullet shows its four pictures 5 updates each, picture 0 for 10 in a row, over a
// cycle of 25 updates; the other types never change picture.
TEST_F(EnemyFire, TypeFourCyclesItsPicturesOverTwentyFiveUpdates) {
    Game& g = TheGame();
    SpawnEnemyShot(4, X, Y, 0, 0);
    SpawnEnemyShot(3, X, Y, 0, 0);
    std::string frames;
    for (int32_t update = 1; update <= 60; ++update) {
        UpdateEnemyShots();
        frames += static_cast<char>('0' + g.enemyShots[0].frame);
        ASSERT_EQ(g.enemyShots[1].frame, 0);
    }
    EXPECT_EQ(frames, "000011111222223333300000000001111122222333330000000000111112");
    EXPECT_EQ(g.enemyShots[0].animCount, 10);
}

} // namespace
