// Enemy bullets: speeds, the firing patterns' directions, the view and pool limits, flight.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "game/game_record.h"
#include "game/random.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "stage/enemy_fire.h"

using namespace velkar;

namespace {

class EnemyFire : public ::testing::Test {
  protected:
    void SetUp() override {
        BuildSinCosTable();
        ASSERT_EQ(InitEnemyShots(), 0);
        ResetEnemyShots();
        GameRank = 0;
        StageLevel = 1;
        ViewX = 240;
        PlayerX = 344 << 8;
        PlayerY = 600 << 8;
        PlayerState = PLAYER_VULNERABLE;
        BombActive = 0;
        HitFlag = 0;
    }

    // Directions in degrees (0..359) of the flying bullets, in pool order.
    static std::vector<int32_t> Directions() {
        std::vector<int32_t> out;
        for (int32_t i = 0; i < ENEMY_SHOT_POOL_SIZE; ++i) {
            const EnemyShot& s = EnemyShotPool[i];
            if (s.type == 0) continue;
            double a = std::atan2(s.vy, s.vx) * 180.0 / std::numbers::pi;
            if (a < 0) a += 360.0;
            out.push_back(static_cast<int32_t>(std::lround(a)) % 360);
        }
        return out;
    }

    static constexpr int32_t X = 360 << 8; // inside the view's columns
    static constexpr int32_t Y = 400 << 8;
};

// Angles measured back from velocities are within a degree of the angle fired.
void ExpectAngle(int32_t measured, int32_t fired) {
    const int32_t wanted = ((fired % 360) + 360) % 360;
    int32_t diff = std::abs(measured - wanted);
    if (diff > 180) diff = 360 - diff;
    EXPECT_LE(diff, 1) << "measured " << measured << " fired " << wanted;
}

TEST_F(EnemyFire, SpeedGrowsWithRankAndLevel) {
    EXPECT_EQ(ShotSpeed(1), 224 + 256);
    GameRank = 1;
    StageLevel = 5;
    EXPECT_EQ(ShotSpeed(4), 1856);
    EXPECT_EQ(ShotSpeed(1), 1760);
    FireDown(X, Y);
    EXPECT_EQ(EnemyShotPool[0].vx, 0);
    EXPECT_EQ(EnemyShotPool[0].vy, 256 * 6 + 320);
    EXPECT_EQ(EnemyShotPool[0].type, 5);
    EXPECT_EQ(EnemyShotPool[0].boxHeight, 8 << 8);
}

TEST_F(EnemyFire, RingOfSixteenStepsTwentyTwoDegrees) {
    FireRing(16, X, Y);
    const std::vector<int32_t> dirs = Directions();
    ASSERT_EQ(dirs.size(), 16u);
    for (int32_t k = 0; k < 16; ++k)
        ExpectAngle(dirs[k], 22 * k);
    EXPECT_EQ(EnemyShotPool[0].vx, ShotSpeed(1)); // 0 degrees: straight right at full speed
    FireRing(0, X, Y);
    EXPECT_EQ(EnemyShotCount, 16);
}

TEST_F(EnemyFire, AimPointsAtTheShipsMiddleCorrectedForTheBulletSize) {
    // Directly above the aim point of a type-1 bullet (x offset 512 / 2): straight down.
    EXPECT_EQ(AimAngle(1, PlayerX + 3840 - 256, Y), 90);
    // Level with it on the right: straight left.
    EXPECT_EQ(AimAngle(1, PlayerX + (100 << 8), PlayerY + 2560 - 256), 180);
    // A type-4 bullet's larger offsets move the point.
    EXPECT_EQ(AimAngle(4, PlayerX + 3840 - 640, Y), 90);
}

TEST_F(EnemyFire, SpreadsFireTheAimThenPairsOutward) {
    const int32_t aim = AimAngle(3, X, Y);
    FireSpread(3, 2, 15, X, Y);
    std::vector<int32_t> dirs = Directions();
    ASSERT_EQ(dirs.size(), 3u);
    ExpectAngle(dirs[0], aim);
    ExpectAngle(dirs[1], aim + 15);
    ExpectAngle(dirs[2], aim - 15);

    ResetEnemyShots();
    const int32_t aim2 = AimAngle(2, X, Y);
    FireSpread(2, 12, 10, X, Y);
    dirs = Directions();
    ASSERT_EQ(dirs.size(), 23u);
    ExpectAngle(dirs[21], aim2 + 110);
    ExpectAngle(dirs[22], aim2 - 110);

    ResetEnemyShots();
    FireSpread(3, 1, 15, X, Y);
    EXPECT_EQ(EnemyShotCount, 1);
}

TEST_F(EnemyFire, OnlyCreatedInsideTheViewsColumns) {
    SpawnEnemyShot(1, (ViewX << 8) - 1, Y, 0, 100);
    EXPECT_EQ(EnemyShotCount, 0);
    SpawnEnemyShot(1, (ViewX - 8 + 240) << 8, Y, 0, 100); // right edge at the view's edge
    EXPECT_EQ(EnemyShotCount, 1);
    SpawnEnemyShot(1, ((ViewX - 8 + 240) << 8) + 1, Y, 0, 100);
    EXPECT_EQ(EnemyShotCount, 1);
    SpawnEnemyShot(1, ViewX << 8, Y, 0, 100);
    EXPECT_EQ(EnemyShotCount, 2);
}

TEST_F(EnemyFire, NeverMoreThan299InFlight) {
    for (int i = 0; i < 298; ++i)
        FireDown(X, Y);
    FireDown(X, 300 << 8); // above the field: removed at its first update
    EXPECT_EQ(EnemyShotCount, 299);
    FireSpread(2, 12, 10, X, Y);
    EXPECT_EQ(EnemyShotCount, 299);
    UpdateEnemyShots();
    EXPECT_EQ(EnemyShotCount, 298);
    FireSpread(2, 12, 10, X, Y);
    EXPECT_EQ(EnemyShotCount, 299);
    EXPECT_EQ(EnemyShotPool[298].type, 2); // the freed entry was taken again
}

TEST_F(EnemyFire, BulletsMoveFromTheUpdateAfterTheirCreation) {
    FireDown(X, Y);
    const int32_t vy = EnemyShotPool[0].vy;
    EXPECT_EQ(EnemyShotPool[0].y, Y);
    UpdateEnemyShots();
    EXPECT_EQ(EnemyShotPool[0].y, Y + vy);
    // Past the bottom edge: drawn once beyond it, removed at the next update without moving.
    EnemyShotPool[0].y = (643 << 8) + 1;
    UpdateEnemyShots();
    EXPECT_EQ(EnemyShotCount, 0);
}

TEST_F(EnemyFire, TheShipsCoreIsHitOnlyWhenVulnerable) {
    // A 4 x 8 bullet whose box touches the core (x 358..362, y 614..618) at its corner.
    SpawnEnemyShot(5, 354 << 8, 606 << 8, 0, 0);
    PlayerState = PLAYER_SPAWNED;
    UpdateEnemyShots();
    PlayerState = PLAYER_EXPLODING;
    UpdateEnemyShots();
    EXPECT_EQ(HitFlag, 0);
    EXPECT_EQ(EnemyShotCount, 1);
    PlayerState = PLAYER_VULNERABLE;
    UpdateEnemyShots();
    EXPECT_EQ(HitFlag, 1);
    EXPECT_EQ(EnemyShotCount, 0);
    // A bomb clears every bullet at its next update, wherever it flies.
    FireRing(16, X, Y);
    BombActive = 1;
    UpdateEnemyShots();
    BombActive = 0;
    EXPECT_EQ(EnemyShotCount, 0);
}

} // namespace
