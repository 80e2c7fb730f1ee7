// Timing of the stage interpreter: first step, waits, WaitClear holds, the end mark, progress.
#include "stage_world.h"

#include "stage/items.h"

using namespace velkar;
using velkar::testing::StageWorld;

namespace {

// Calls StageScriptStep alone until step n has run; returns the calls made. The pool is
// emptied whenever the script holds for it, so each WaitClear passes at once.
int32_t CallsUntilStepRan(int32_t n) {
    Game& g = TheGame();
    int32_t after = 1;
    for (int32_t step = 0; step <= n; ++step) {
        for (int32_t op = RunningScript(g)[after++]; op != STEP_END;
             op = RunningScript(g)[after++]) {
            after += ScriptOperandCounts[op];
        }
    }
    for (int32_t call = 1; call <= 20000; ++call) {
        if (g.waitForClear == 1) ClearEnemyPool();
        StageScriptStep();
        if (g.scriptCursor == after) return call;
    }
    return -1;
}

} // namespace

using ScriptTiming = StageWorld;

TEST_F(ScriptTiming, ReadyBannerThenPowerItems) {
    Game& g = TheGame();
    EXPECT_EQ(CallsUntilStepRan(0), 25);
    ASSERT_EQ(g.enemyCount, 1);
    EXPECT_EQ(First().state, 1);
    EXPECT_EQ(First().y, 470 * 256);
    EXPECT_NE(First().drawExtra, nullptr);
    EXPECT_EQ(CallsUntilStepRan(1), 9); // Wait 40
    EXPECT_EQ(CallsUntilStepRan(2), 329);
    EXPECT_EQ(g.enemyCount, 6);
}

TEST_F(ScriptTiming, WaitStepsDelayTheNextStep) {
    ASSERT_GT(CallsUntilStepRan(4), 0); // Wait 4
    EXPECT_EQ(CallsUntilStepRan(5), 41);
    ASSERT_GT(CallsUntilStepRan(331), 0); // three blocks, then Wait 30 in the same step
    EXPECT_EQ(CallsUntilStepRan(332), 9 + 8 * 30);
    ASSERT_GT(CallsUntilStepRan(333), 0); // Wait 200
    EXPECT_EQ(CallsUntilStepRan(334), 1609);
}

TEST_F(ScriptTiming, StageEndsOnlyAfterTheClearBannerHasGone) {
    Game& g = TheGame();
    EXPECT_EQ(CallsUntilStepRan(343), 9176);
    EXPECT_EQ(g.enemyCount, 3); // the life, the bomb and the banner
    UpdateEnemies();
    int32_t call = 9176;
    bool inUseBefore = true;
    while (g.stageCleared == 0 && call < 12000) {
        inUseBefore = AnyEnemyInUse() != 0;
        call += 1;
        Frame();
    }
    EXPECT_FALSE(inUseBefore);
    EXPECT_GE(call, 9976);
    EXPECT_EQ(RunningScript(g)[g.scriptCursor], OP_END);
    g.stageCleared = 0; // finished: every call sets it again
    StageScriptStep();
    EXPECT_EQ(g.stageCleared, 1);
}

TEST_F(ScriptTiming, FullPoolSpawnsNothingAndStaysInStep) {
    Game& g = TheGame();
    words_ = {10000,   OP_DIVER, -1,  -1, OP_SPRAYER, -1, -1, -1,    -1,
              OP_ITEM, 30,       400, 2,  OP_WAIT,    2,  -1, OP_END};
    TheGame().script = words_.data();
    StageScriptReset();
    while (EnemyAlloc() != nullptr)
        g.enemies[g.enemyCount++].state = 1;
    const uint32_t seed = g.randomSeed;
    for (int32_t call = 1; call <= 25; ++call)
        StageScriptStep();
    EXPECT_EQ(g.scriptCursor, 16);
    EXPECT_EQ(g.scriptWait, 8 + 16);
    EXPECT_EQ(g.enemyCount, 100);
    EXPECT_EQ(g.randomSeed, seed); // skipped operands draw nothing
}

// WaitClear, then a Wait 0 step whose run shows that the hold has ended.
class WaitClearHold : public StageWorld {
  protected:
    void Rearm() {
        words_ = {10000, OP_WAIT_CLEAR, -1, OP_WAIT, 0, -1, OP_END};
        TheGame().script = words_.data();
        TheGame().scriptCursor = 1;
        TheGame().scriptWait = 24;
    }
    int32_t FramesUntilReleased() {
        for (int32_t frame = 1; frame <= 5000; ++frame) {
            Frame();
            if (TheGame().scriptCursor == 6) return frame;
        }
        return -1;
    }
};

TEST_F(WaitClearHold, EmptyPoolPassesAfterTheStepsOwnWait) {
    Rearm();
    EXPECT_EQ(FramesUntilReleased(), 25 + 9);
}

TEST_F(WaitClearHold, HoldsForAScorePopup) {
    Rearm();
    EnemySlot dead{};
    SpawnScorePopup(&dead, 1500);
    EXPECT_EQ(FramesUntilReleased(), 101); // freed by its 100th update
}

TEST_F(WaitClearHold, HoldsForABanner) {
    Rearm();
    ScriptOpcodes[OP_READY_BANNER]();
    EXPECT_EQ(FramesUntilReleased(), 301);
}

TEST_F(WaitClearHold, HoldsForADyingEnemy) {
    Spawn(SpawnDiver, {200, 400});
    Rearm();
    for (int32_t frame = 1; frame <= 29; ++frame)
        Frame();
    ASSERT_EQ(TheGame().enemyCount, 1);
    First().hitPoints = 0; // destroyed on frame 30, released by the update of frame 50
    EXPECT_EQ(FramesUntilReleased(), 51 - 29);
}

TEST_F(WaitClearHold, HoldsForAnItemUntilItSinksOut) {
    Spawn(SpawnItem, {200, 620, ITEM_LIFE});
    Rearm();
    EXPECT_EQ(FramesUntilReleased(), 42); // y passes 163840 on the 41st update
}

TEST(StageProgress, PercentOfTheStageLength) {
    velkar_test::OwnGame game;
    game->stageLength = 10000;
    EXPECT_EQ(StageProgress(0), 0);
    EXPECT_EQ(StageProgress(9999), 99);
    EXPECT_EQ(StageProgress(10000), 100);
    EXPECT_EQ(StageProgress(2000000000), 100);
}

TEST(StageBanner, StageNumberFillsTwoColumns) {
    char text[31];
    FormatStageText(7, text);
    EXPECT_STREQ(text, "            STAGE 7           ");
    FormatStageText(12, text);
    EXPECT_STREQ(text, "            STAGE12           ");
}
