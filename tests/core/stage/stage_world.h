// A small world for the stage tests: pools made, ship out of the way, the shipped script reset.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "core/own_game.h"
#include "game/game_record.h"
#include "player/effects.h"
#include "player/player.h"
#include "player/weapons.h"
#include "record/random.h"
#include "stage/enemy_fire.h"
#include "stage/enemy_helpers.h"
#include "stage/enemy_pool.h"
#include "stage/stage_script.h"

namespace velkar::testing {

class StageWorld : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(InitEnemyPool(), 0);
        ASSERT_EQ(InitEnemyShots(), 0);
        ASSERT_EQ(InitParticles(), 0);
        // A new game, with its ship out of play below the playfield unless a test says otherwise.
        game->stageLevel = game->stageNumber = 1;
        game->lives = game->bombs = 3;
        game->shotPower = 1;
        game->playerX = 344 << 8;
        game->playerY = 900 << 8;
        StageScriptReset();
    }
    velkar_test::OwnGame game;

    // Runs a spawn routine over the given operands and checks that it consumed them all.
    void Spawn(ScriptRoutine routine, std::initializer_list<int32_t> operands) {
        words_.assign(1, 10000);
        words_.insert(words_.end(), operands.begin(), operands.end());
        TheGame().script = words_.data();
        TheGame().scriptCursor = 1;
        routine();
        EXPECT_EQ(TheGame().scriptCursor, 1 + static_cast<int32_t>(operands.size()));
    }
    static EnemySlot& First() { return TheGame().enemies[0]; }
    // The stage part of one play frame.
    static void Frame() {
        StageScriptStep();
        UpdateEnemies();
    }

    std::vector<int32_t> words_;
};

} // namespace velkar::testing
