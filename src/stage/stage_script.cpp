// The stage script interpreter: opcode table, step timing, the end mark, progress and banners.
#include "stage/stage_script.h"

#include <cstdio>

#include "gfx/canvas.h"
#include "player/effects.h"
#include "record/record.h"
#include "stage/enemy_helpers.h"
#include "stage/enemy_pool.h"
#include "stage/items.h"

namespace velkar {

namespace {

constexpr int32_t FIRST_STEP_DELAY = 24;
constexpr int32_t STEP_DELAY = 8;
constexpr int32_t FRAMES_PER_WAIT = 8;

constexpr int32_t READY_BANNER_LIFE = 300;
constexpr int32_t CLEAR_BANNER_LIFE = 800;
constexpr int32_t BANNER_ROW = 470;
constexpr int32_t BANNER_STAGE_ROW = 460;
constexpr int32_t BANNER_TEXT_ROW = 480;

constexpr char STAGE_TEXT[] = "            STAGE00           ";
constexpr int32_t STAGE_DIGITS_AT = 17;
constexpr char READY_TEXT[] = "             READY            ";
constexpr char CLEAR_TEXT[] = "         --  CLEAR  --        ";
static_assert(sizeof(STAGE_TEXT) == 31 && sizeof(READY_TEXT) == 31 && sizeof(CLEAR_TEXT) == 31);
static_assert(STAGE_TEXT[STAGE_DIGITS_AT] == '0' && STAGE_TEXT[STAGE_DIGITS_AT + 1] == '0');

void OpWait() {
    TheGame().scriptWait += FRAMES_PER_WAIT * ScriptOperand();
}

void OpWaitClear() {
    TheGame().waitForClear = 1;
}

// A banner spends its life making a particle fountain at the centre of the view.
void UpdateBanner(EnemySlot* e, int32_t life) {
    e->x = (TheGame().viewX + 120) * 256;
    SpawnExplosion(e->x, e->y + e->height * 128, 1, 1000);
    e->hit = 0;
    e->state += 1;
    if (e->state > life) EnemyFree(e);
}

void UpdateReadyBanner(EnemySlot* e) {
    UpdateBanner(e, READY_BANNER_LIFE);
}

void UpdateClearBanner(EnemySlot* e) {
    UpdateBanner(e, CLEAR_BANNER_LIFE);
}

void DrawBanner(Painter& painter, const char* second) {
    const Game& g = TheGame();
    char stage[sizeof(STAGE_TEXT)];
    FormatStageText(g.stageNumber, stage);
    DrawText(painter, g.viewX, BANNER_STAGE_ROW, stage);
    DrawText(painter, g.viewX, BANNER_TEXT_ROW, second);
}

void DrawReadyBanner(Painter& painter, const EnemySlot*) {
    DrawBanner(painter, READY_TEXT);
}

void DrawClearBanner(Painter& painter, const EnemySlot*) {
    DrawBanner(painter, CLEAR_TEXT);
}

void SpawnBanner(EnemyRoutine update, EnemyDrawRoutine draw) {
    Game& g = TheGame();
    if (g.enemyCount >= ENEMY_SLOT_COUNT) return;
    EnemySlot* e = EnemyAlloc();
    if (e == nullptr) return;
    e->hitPoints = 0;
    e->hit = 0;
    e->solid = 0;
    e->x = g.viewX * 256;
    e->y = BANNER_ROW * 256;
    e->width = e->height = 0;
    e->boxLeft = e->boxTop = e->boxRight = e->boxBottom = 0;
    e->update = update;
    e->drawExtra = draw;
    e->sprite = nullptr;
    e->state = 1;
    g.enemyCount += 1;
}

void OpReadyBanner() {
    SpawnBanner(UpdateReadyBanner, DrawReadyBanner);
}

void OpClearBanner() {
    SpawnBanner(UpdateClearBanner, DrawClearBanner);
}

} // namespace

const ScriptRoutine ScriptOpcodes[OP_COUNT] = {
    nullptr,        OpWait,          OpWaitClear,      SpawnLargeBlock,
    SpawnWideBlock, SpawnSmallBlock, SpawnMediumBlock, SpawnGuardian,
    SpawnSentinel,  SpawnBattery,    SpawnDiver,       SpawnSprayer,
    SpawnRiserPair, SpawnItem,       OpReadyBanner,    OpClearBanner,
};

int32_t ScriptOperand() {
    Game& g = TheGame();
    return RunningScript(g)[g.scriptCursor++];
}

void SkipScriptOperands(int32_t count) {
    TheGame().scriptCursor += count;
}

void StageScriptReset() {
    Game& g = TheGame();
    g.scriptCursor = 1;
    g.stageLength = RunningScript(g)[0];
    ClearEnemyPool();
    g.enemyCount = 0;
    g.scriptWait = FIRST_STEP_DELAY;
    g.waitForClear = 0;
}

void StageScriptStep() {
    Game& g = TheGame();
    if (g.scriptWait > 0) {
        g.scriptWait -= 1;
        return;
    }
    if (g.waitForClear == 1) {
        if (AnyEnemyInUse() != 0) return;
        g.waitForClear = 0;
    }
    const int32_t* const script = RunningScript(g);
    if (script[g.scriptCursor] == OP_END) {
        g.stageCleared = 1;
        return;
    }
    // The table is checked once (MeasureScript) rather than on every record: every opcode met
    // here lies in 1..15.
    g.scriptWait = STEP_DELAY;
    for (;;) {
        const int32_t op = script[g.scriptCursor++];
        if (op == STEP_END) return;
        ScriptOpcodes[op]();
    }
}

void FormatStageText(int32_t stage, char (&text)[31]) {
    static_assert(sizeof(text) == sizeof(STAGE_TEXT));
    for (size_t i = 0; i < sizeof(STAGE_TEXT); ++i)
        text[i] = STAGE_TEXT[i];
    char digits[16];
    std::snprintf(digits, sizeof(digits), "%2d", stage);
    text[STAGE_DIGITS_AT] = digits[0];
    text[STAGE_DIGITS_AT + 1] = digits[1];
}

int32_t StageProgress(int32_t frames) {
    const int64_t percent = static_cast<int64_t>(frames) * 100 / TheGame().stageLength;
    return percent > 100 ? 100 : static_cast<int32_t>(percent);
}

} // namespace velkar
