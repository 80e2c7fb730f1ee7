// The ship: movement limits and camera, weapon triggers, protection, death and return, demo.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/own_game.h"
#include "game/game_record.h"
#include "gfx/canvas.h"
#include "input/controls.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "record/random.h"
#include "stage/collisions.h"
#include "stage/enemy_pool.h"

using namespace velkar;

namespace {

// A new game in play with three ships, the ship at its start.
class Ship : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(InitEnemyPool(), 0);
        ASSERT_EQ(InitWeapons(), 0);
        game->gameMode = MODE_PLAY;
        game->lives = 3;
        ResetPlayer();
        ResetWeapons();
        InputBits = 0;
    }
    void TearDown() override { InputBits = 0; }
    velkar_test::OwnGame game;

    // Lets the start-up protection run out: the ship is then vulnerable.
    static void MakeVulnerable() {
        TheGame().invulnerable = 0;
        UpdateShip();
        ASSERT_EQ(TheGame().playerState, PLAYER_VULNERABLE);
    }

    // Frames of UpdatePlayer until the state becomes the wanted one (at most limit).
    static int32_t FramesUntilState(int32_t state, int32_t limit) {
        for (int32_t frame = 1; frame <= limit; ++frame) {
            UpdateShip();
            if (TheGame().playerState == state) return frame;
        }
        return -1;
    }
};

TEST_F(Ship, StaysInsideTheFieldAndTheViewFollows) {
    Game& g = *game;
    g.playerX = 121 << 8;
    g.playerY = 321 << 8;
    InputBits = INPUT_LEFT | INPUT_UP;
    UpdateShip();
    EXPECT_EQ(g.playerX, 120 << 8);
    EXPECT_EQ(g.playerY, 320 << 8);
    EXPECT_EQ(g.viewX, 120);

    g.playerX = 565 << 8;
    g.playerY = 605 << 8;
    InputBits = INPUT_RIGHT | INPUT_DOWN;
    UpdateShip();
    EXPECT_EQ(g.playerX, 567 << 8);
    EXPECT_EQ(g.playerY, 607 << 8);
    EXPECT_EQ(g.viewX, 359);

    g.playerX = 344 << 8;
    InputBits = INPUT_LEFT | INPUT_RIGHT;
    UpdateShip();
    EXPECT_EQ(g.playerX, 344 << 8);
    EXPECT_EQ(g.viewX, 120 + 224 * 240 / 448);
}

TEST_F(Ship, LaserHalvesTheSpeedAndHoldsTheRapidShot) {
    Game& g = *game;
    const int32_t x = g.playerX;
    InputBits = INPUT_LASER | INPUT_SHOT | INPUT_RIGHT;
    UpdateShip();
    EXPECT_EQ(g.playerX, x + 512);
    EXPECT_EQ(g.shotCount, 0);
    EXPECT_EQ(g.laserLength, 50);

    InputBits = INPUT_SHOT | INPUT_RIGHT;
    UpdateShip();
    EXPECT_EQ(g.playerX, x + 512 + 1024);
    EXPECT_EQ(g.shotCount, 8);
    // Held, the rapid shot fires one volley every 5 frames.
    for (int32_t count : {8, 8, 8, 8, 16, 16, 16, 16, 16, 24}) {
        UpdateShip();
        EXPECT_EQ(g.shotCount, count);
    }
}

TEST_F(Ship, ProtectionIgnoresHitsUntilItRunsOut) {
    Game& g = *game;
    EXPECT_EQ(g.invulnerable, 10);
    for (int frame = 1; frame <= 9; ++frame) {
        g.hitFlag = 1;
        UpdateShip();
        EXPECT_EQ(g.playerState, PLAYER_SPAWNED) << "frame " << frame;
        EXPECT_EQ(g.hitFlag, 0);
    }
    UpdateShip(); // the protection ends: the ship becomes vulnerable this frame
    EXPECT_EQ(g.playerState, PLAYER_VULNERABLE);
    g.bombActive = 1;
    g.hitFlag = 1;
    UpdateShip();
    EXPECT_EQ(g.playerState, PLAYER_VULNERABLE);
    g.bombActive = 0;
    g.hitFlag = 1;
    UpdateShip();
    EXPECT_EQ(g.playerState, PLAYER_EXPLODING);
}

TEST_F(Ship, ExplosionThenRespawnAfter99And30Frames) {
    Game& g = *game;
    MakeVulnerable();
    g.shotPower = 3;
    g.hitFlag = 1;
    UpdateShip();
    ASSERT_EQ(g.playerState, PLAYER_EXPLODING);
    EXPECT_EQ(g.lives, 3); // counted on the first exploding frame

    UpdateShip();
    EXPECT_EQ(g.lives, 2);
    EXPECT_EQ(g.explodeFrames, 98);
    EXPECT_EQ(g.respawnWait, 30);
    EXPECT_EQ(g.invulnerable, 200);
    EXPECT_EQ(g.enemyCount, 3); // one power item per level of ShotPower
    EXPECT_EQ(FramesUntilState(PLAYER_SPAWNED, 300), 98 + 30);
    EXPECT_EQ(g.playerY, 580 << 8);
    EXPECT_EQ(g.shotPower, 1);
    EXPECT_EQ(g.bombs, 3);
    // The new ship is protected for 200 frames.
    EXPECT_EQ(FramesUntilState(PLAYER_VULNERABLE, 300), 200);
}

TEST_F(Ship, LastShipGoesOutOfPlayAfter99And200Frames) {
    Game& g = *game;
    g.lives = 1;
    MakeVulnerable();
    g.hitFlag = 1;
    UpdateShip();
    EXPECT_EQ(FramesUntilState(PLAYER_OUT, 400), 99 + 200);
    EXPECT_EQ(g.lives, 0);
    const int32_t x = g.playerX;
    InputBits = INPUT_LEFT | INPUT_SHOT;
    UpdateShip();
    EXPECT_EQ(g.playerX, x);
    EXPECT_EQ(g.playerState, PLAYER_OUT);
}

TEST_F(Ship, DemonstrationShipStandsStillAndBombsEveryThousandFrames) {
    Game& g = *game;
    g.gameMode = MODE_DEMO;
    ResetPlayer();
    ResetWeapons();
    const int32_t x = g.playerX;
    const int32_t y = g.playerY;
    InputBits = INPUT_LEFT | INPUT_UP | INPUT_LASER;
    for (int frame = 1; frame < 1000; ++frame) {
        UpdateShip();
        UpdateShots();
        UpdateBomb();
    }
    EXPECT_EQ(g.bombs, 3);
    EXPECT_EQ(g.playerX, x);
    EXPECT_EQ(g.playerY, y);
    EXPECT_EQ(g.laserLength, 0);
    EXPECT_GT(g.shotCount, 0);
    UpdateShip();
    EXPECT_EQ(g.demoFireCount, 1000);
    EXPECT_EQ(g.bombs, 2);
    EXPECT_EQ(g.bombActive, 1);
}

// A seed whose next draw leaves the given remainder by 3.
uint32_t SeedWithRemainder(int32_t remainder) {
    for (uint32_t seed = 1;; ++seed) {
        TheGame().randomSeed = seed;
        if (NextRandom() % 3 == remainder) return seed;
    }
}

// The explosion picture: frames 0..2 at random while more than 30 frames are left, then running
// up to frame 9 as 10 - frames left / 2 plus the same draw, held to 0..9.
TEST_F(Ship, ExplosionPicturesFlickerThenRunUpToTheLast) {
    Game& g = *game;
    MakeVulnerable();
    g.hitFlag = 1;
    UpdateShip();
    ASSERT_EQ(g.playerState, PLAYER_EXPLODING);
    UpdateShip(); // the hit is taken: 99 frames of pictures start
    ASSERT_EQ(g.explodeFrames, 98);
    // With a draw of 2 mod 3 (and of 0 mod 3) before each frame, frames left 97 down to 0.
    const std::string plus2 = std::string(67, '2') + "0000000112233445566778899999999";
    const std::string plus0 = std::string(67, '0') + "0000000000011223344556677889999";
    for (const auto& [remainder, expected] : {std::pair{2, plus2}, std::pair{0, plus0}}) {
        const uint32_t seed = SeedWithRemainder(remainder);
        g.explodeFrames = 98;
        std::string shown;
        while (g.explodeFrames > 0) {
            g.randomSeed = seed;
            UpdateShip();
            int32_t k = 0;
            while (k < 10 && &ShipExplosionSprites.frame[k] != g.shipPicture)
                ++k;
            shown += static_cast<char>('0' + k);
        }
        EXPECT_EQ(shown, expected) << "draws of " << remainder << " mod 3";
    }
}

// The ship is drawn at its corner, the 64-pixel explosion 16 pixels up and left of it, and
// nothing while it waits to return.
TEST_F(Ship, DrawnAtItsCornerAndTheExplosionCentredOnIt) {
    Game& g = *game;
    Painter painter;
    ASSERT_EQ(CreateCanvases(painter), 0);
    const size_t size = static_cast<size_t>(CANVAS_STRIDE) * CANVAS_HEIGHT;
    auto drawn = [&](auto draw) {
        std::memset(painter.canvas, 0, size);
        draw(painter);
        return std::vector<uint8_t>(painter.canvas, painter.canvas + size);
    };
    g.playerX = (301 << 8) + 255; // the pixel is the arithmetic shift of the position
    g.playerY = (455 << 8) + 128;
    g.shipPicture = &ShipSprite;
    g.explodeFrames = 0;
    g.respawnWait = 0;
    const auto nothing = [](Painter&) {};
    const std::vector<uint8_t> ship = drawn(DrawPlayer);
    EXPECT_EQ(ship, drawn([](Painter& p) { DrawSprite(p, 301, 455, &ShipSprite, 0); }));
    EXPECT_NE(ship, drawn(nothing));

    g.explodeFrames = 40;
    g.shipPicture = &ShipExplosionSprites.frame[3];
    EXPECT_EQ(drawn(DrawPlayer), drawn([](Painter& p) {
                  DrawSprite(p, 285, 439, &ShipExplosionSprites.frame[3], 0);
              }));
    g.explodeFrames = 0;
    g.respawnWait = 5;
    EXPECT_EQ(drawn(DrawPlayer), drawn(nothing));
    g.respawnWait = 0;
    g.playerState = PLAYER_OUT;
    EXPECT_EQ(drawn(DrawPlayer), drawn(nothing));
}

} // namespace
