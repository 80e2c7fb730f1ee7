// The rapid shot's volleys and collisions, the laser and the bomb.
#include <gtest/gtest.h>

#include "core/own_game.h"
#include "game/game_record.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "record/random.h"
#include "stage/collisions.h"
#include "stage/enemy_pool.h"

using namespace velkar;

namespace {

class Weapons : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(InitEnemyPool(), 0);
        ASSERT_EQ(InitWeapons(), 0);
        ASSERT_EQ(InitParticles(), 0);
        game->gameMode = MODE_PLAY;
        ResetWeapons();
        game->playerX = 344 << 8;
        game->playerY = 600 << 8;
        game->playerState = PLAYER_VULNERABLE;
        game->viewX = 240;
        game->bombs = 3;
    }
    velkar_test::OwnGame game;

    // A solid enemy whose box covers canvas pixels [left, right] x [top, bottom].
    static EnemySlot* Enemy(int32_t left, int32_t top, int32_t right, int32_t bottom,
                            int32_t hitPoints) {
        EnemySlot* e = EnemyAlloc();
        e->state = 1;
        e->solid = 1;
        e->hitPoints = hitPoints;
        e->x = left << 8;
        e->y = top << 8;
        e->width = right - left;
        e->height = bottom - top;
        e->boxRight = (right - left) << 8;
        e->boxBottom = (bottom - top) << 8;
        TheGame().enemyCount += 1;
        return e;
    }
};

TEST_F(Weapons, VolleySizeFollowsShotPowerAndTheGuardDropsWholeVolleys) {
    Game& g = TheGame();
    g.shotPower = 1;
    FireShot();
    EXPECT_EQ(g.shotCount, 8);
    ResetWeapons();
    g.shotPower = 6;
    FireShot();
    EXPECT_EQ(g.shotCount, 18);

    // 55 volleys of 18 make 990; the next would reach 1008 and is dropped entirely.
    for (int i = 1; i < 60; ++i)
        FireShot();
    EXPECT_EQ(g.shotCount, 990);
    // At ShotPower 1: 990 + 8 = 998 still fits under 999, then nothing more.
    g.shotPower = 1;
    FireShot();
    EXPECT_EQ(g.shotCount, 998);
    FireShot();
    EXPECT_EQ(g.shotCount, 998);
}

TEST_F(Weapons, OneShotDamagesEveryOverlappedEnemyWithOneSparkBurst) {
    Game& g = TheGame();
    // The square of volley row 0 at its muzzle is x 353..357, y 605..609; no other shot of the
    // volley reaches the point (354..355, 605..606).
    EnemySlot* a = Enemy(354, 605, 355, 606, 10);
    EnemySlot* b = Enemy(354, 605, 355, 606, 10);
    g.shotPower = 1;
    FireShot();

    g.randomSeed = 12345;
    ResetParticles();
    SpawnShotSpark(353 << 8, 605 << 8, 0, -2500);
    const uint32_t seedAfterOneBurst = g.randomSeed;
    const int32_t particlesOfOneBurst = g.particleCount;

    g.randomSeed = 12345;
    ResetParticles();
    UpdateShots();
    EXPECT_EQ(a->hitPoints, 9);
    EXPECT_EQ(b->hitPoints, 9);
    EXPECT_EQ(a->hit, 1);
    EXPECT_EQ(b->hit, 1);
    EXPECT_EQ(g.shotCount, 7);
    EXPECT_EQ(g.randomSeed, seedAfterOneBurst);
    EXPECT_EQ(g.particleCount, particlesOfOneBurst);
}

// A shot's square takes in 4 pixels right of and below its corner, edges included: a one-point
// box up to 4 pixels below or right of the corner of volley row 0 (x 353, y 605 at the muzzle) is
// hit, one 1/256 pixel further is not, and neither is one just above or left of the corner. No
// other shot of the volley reaches these points.
TEST_F(Weapons, AShotsSquareMeetsBoxesOnItsEdgesInclusive) {
    Game& g = TheGame();
    struct Case {
        int32_t x, y; // the point, 1/256 canvas pixel
        bool hit;
    } cases[] = {
        {355 << 8, 609 << 8, true}, {355 << 8, (609 << 8) + 1, false},
        {355 << 8, 605 << 8, true}, {355 << 8, (605 << 8) - 1, false},
        {357 << 8, 607 << 8, true}, {(357 << 8) + 1, 607 << 8, false},
        {353 << 8, 607 << 8, true}, {(353 << 8) - 1, 607 << 8, false},
    };
    for (const Case& c : cases) {
        ClearEnemyPool();
        ResetWeapons();
        EnemySlot* e = Enemy(0, 0, 0, 0, 10);
        e->x = c.x;
        e->y = c.y;
        g.shotPower = 1;
        FireShot();
        UpdateShots();
        EXPECT_EQ(e->hitPoints, c.hit ? 9 : 10) << "point " << c.x << ", " << c.y;
        EXPECT_EQ(g.shotCount, c.hit ? 7 : 8);
    }
}

TEST_F(Weapons, AnEnemyDestroyedByOneShotStopsTheNextInTheSameFrame) {
    Game& g = TheGame();
    // Rows 0 (x 353) and 3 (x 363) both overlap this box at the muzzle.
    EnemySlot* e = Enemy(353, 605, 367, 606, 1);
    g.shotPower = 1;
    FireShot();
    UpdateShots();
    EXPECT_EQ(e->hitPoints, 0);
    EXPECT_EQ(g.shotCount, 7);
}

TEST_F(Weapons, EveryShotOfAVolleyHitsABarAcrossTheFieldAtAnyRow) {
    Game& g = TheGame();
    // Bars at rows across the field; each shot hits its bar exactly once.
    for (int32_t row : {383, 400, 447, 500}) {
        ClearEnemyPool();
        ResetWeapons();
        EnemySlot* bar = Enemy(120, row - 10, 599, row + 10, 100);
        EnemySlot* dead = Enemy(120, row - 10, 599, row + 10, 0);
        g.shotPower = 1;
        FireShot();
        for (int i = 0; i < 60; ++i)
            UpdateShots();
        EXPECT_EQ(bar->hitPoints, 92) << "bar at row " << row;
        EXPECT_EQ(dead->hitPoints, 0);
        EXPECT_EQ(g.shotCount, 0);
    }
}

TEST_F(Weapons, LaserStopsAtTheNearestEnemyInItsColumnAndTiesGoToTheEarlierSlot) {
    Game& g = TheGame();
    EnemySlot* far = Enemy(340, 400, 372, 432, 50);
    EnemySlot* nearer = Enemy(360, 500, 392, 532, 50);
    EnemySlot* twin = Enemy(330, 510, 350, 532, 50);  // as near, in a later slot
    EnemySlot* aside = Enemy(380, 560, 412, 590, 50); // left edge right of the beam's x 372
    EnemySlot* below = Enemy(350, 625, 370, 640, 50); // top under the beam's base at y 624
    EnemySlot* atBase = Enemy(300, 624, 348, 630, 0); // spent: not a target
    g.laserLength = 339;
    UpdateShots();
    EXPECT_EQ(nearer->hitPoints, 45);
    EXPECT_EQ(nearer->hit, 1);
    EXPECT_EQ(twin->hitPoints, 50);
    EXPECT_EQ(twin->hit, 0);
    EXPECT_EQ(far->hitPoints, 50);
    EXPECT_EQ(aside->hitPoints, 50);
    EXPECT_EQ(below->hitPoints, 50);
    EXPECT_EQ(atBase->hit, 0);
    EXPECT_EQ(g.laserHit, 1);
    EXPECT_EQ(g.laserTop, 532 << 8);
    EXPECT_EQ(g.laserLength, 68);

    // A box whose top is exactly at the beam's base is still in the beam, and the nearest.
    EnemySlot* base = Enemy(352, 624, 360, 630, 50);
    UpdateShots();
    EXPECT_EQ(base->hitPoints, 45);
    EXPECT_EQ(nearer->hitPoints, 45);
}

// Shots are tested where they stand and leave once they are left of x 120, right of x 591 or
// above y 320 (in pixels); exactly on a bound they stay and move on.
TEST_F(Weapons, ShotsLeaveTheFieldOnlyPastItsEdges) {
    Game& g = TheGame();
    g.shotPower = 1;
    struct Case {
        int32_t playerX, playerY, left; // shots of the 8 left after one update
    } cases[] = {
        // Row 3 (x + 19 px) stands on the right bound, row 2 (x + 24 px) is past it.
        {(591 - 19) << 8, 500 << 8, 7},
        {((591 - 19) << 8) + 1, 500 << 8, 6},
        // Row 1 (x + 4 px) on the left bound, then one 1/256 pixel past it.
        {(120 - 4) << 8, 500 << 8, 8},
        {((120 - 4) << 8) - 1, 500 << 8, 7},
        // Rows 0 and 3 (y + 5 px) on the top bound, then past it.
        {300 << 8, (320 - 5) << 8, 8},
        {300 << 8, ((320 - 5) << 8) - 1, 6},
    };
    for (const Case& c : cases) {
        ResetWeapons();
        g.playerX = c.playerX;
        g.playerY = c.playerY;
        FireShot();
        UpdateShots();
        EXPECT_EQ(g.shotCount, c.left) << "ship at " << c.playerX << ", " << c.playerY;
    }
}

TEST_F(Weapons, LaserGrowsThirtyPerFrameUpTo319AndShrinksTwenty) {
    Game& g = TheGame();
    for (int frame = 1; frame <= 12; ++frame) {
        ChargeLaser();
        UpdateShots();
        const int32_t expected = frame * 30 < 319 ? frame * 30 : 319;
        EXPECT_EQ(g.laserLength, expected);
        EXPECT_EQ(g.laserTop, g.playerY - (expected << 8));
        EXPECT_EQ(g.laserHit, 0);
    }
    UpdateShots();
    EXPECT_EQ(g.laserLength, 299);
    for (int i = 0; i < 15; ++i)
        UpdateShots();
    EXPECT_EQ(g.laserLength, 0);
}

TEST_F(Weapons, FireBombNeedsABombAndNoBombRunning) {
    Game& g = TheGame();
    g.bombs = 0;
    FireBomb(400, 500, 1);
    EXPECT_EQ(g.bombActive, 0);
    EXPECT_EQ(g.bombs, 0);

    g.bombs = 2;
    FireBomb(400, 500, 1);
    EXPECT_EQ(g.bombActive, 1);
    EXPECT_EQ(g.bombs, 1);
    EXPECT_EQ(g.bombX, 400 - g.viewX);
    EXPECT_EQ(g.bombY, 500 - 320);
    FireBomb(300, 450, 1);
    EXPECT_EQ(g.bombs, 1);
    EXPECT_EQ(g.bombX, 400 - g.viewX);
}

TEST_F(Weapons, BombLastsHundredFramesAndWearsDownEverySlot) {
    Game& g = TheGame();
    EnemySlot* tough = Enemy(150, 200, 182, 232, 1000); // above the field: still hit
    EnemySlot* weak = Enemy(500, 400, 532, 432, 30);
    EnemySlot* item = Enemy(300, 400, 324, 424, 0);
    EnemySlot* inView = Enemy(300, 440, 340, 460, 1000); // its bursts fall in the view
    FireBomb(400, 500, 0);
    for (int frame = 1; frame <= 100; ++frame) {
        ASSERT_EQ(g.bombActive, 1) << "before frame " << frame;
        UpdateBomb();
        if (frame == 1) {
            // One burst per slot at the slot's centre, protected at priority 500.
            ASSERT_GT(g.particleCount, 90);
            for (int32_t i = 0; i < PARTICLE_MAX; ++i) {
                const Particle& p = g.particles[i];
                if (p.life == 0) continue;
                ASSERT_EQ(p.x, 320 << 8) << i;
                ASSERT_EQ(p.y, 450 << 8) << i;
                ASSERT_EQ(p.priority, 500) << i;
            }
        }
    }
    EXPECT_EQ(g.bombActive, 0);
    EXPECT_EQ(g.bombStage, 20);
    EXPECT_EQ(tough->hitPoints, 900);
    EXPECT_EQ(weak->hitPoints, 0);
    EXPECT_EQ(item->hitPoints, 0);
    EXPECT_EQ(inView->hitPoints, 900);
    UpdateBomb();
    EXPECT_EQ(tough->hitPoints, 900);
}

} // namespace
