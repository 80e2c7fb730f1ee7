// The stage script and its interpreter.
#pragma once

#include <cstdint>

#include "record/record.h"

namespace velkar {

// Opcodes of the script; 0 is only ever met as the end mark, -1 ends a step.
enum : int32_t {
    OP_END = 0,
    OP_WAIT = 1,
    OP_WAIT_CLEAR = 2,
    OP_LARGE_BLOCK = 3,
    OP_WIDE_BLOCK = 4,
    OP_SMALL_BLOCK = 5,
    OP_MEDIUM_BLOCK = 6,
    OP_GUARDIAN = 7,
    OP_SENTINEL = 8,
    OP_BATTERY = 9,
    OP_DIVER = 10,
    OP_SPRAYER = 11,
    OP_RISER_PAIR = 12,
    OP_ITEM = 13,
    OP_READY_BANNER = 14,
    OP_CLEAR_BANNER = 15,
    OP_COUNT = 16,
    STEP_END = -1,
};

constexpr int32_t STAGE_SCRIPT_WORDS = 2194;

// The shipped script: the header (StageLength), the steps, the end mark.
extern const int32_t (&StageScript)[STAGE_SCRIPT_WORDS];

// The script a game runs: StageScript unless a test gave the game another (Game::script).
inline const int32_t* RunningScript(const Game& game) {
    return game.script != nullptr ? game.script : StageScript;
}

using ScriptRoutine = void (*)();

// The opcode routines; entry 0 is empty. Each reads its own operands at ScriptCursor.
extern const ScriptRoutine ScriptOpcodes[OP_COUNT];
// Operand words taken by each opcode; -1 for entry 0.
inline constexpr int32_t ScriptOperandCounts[OP_COUNT] = {-1, 1, 0, 4, 4, 4, 4, 1,
                                                          2,  3, 2, 4, 0, 3, 0, 0};

// The word at ScriptCursor; the cursor moves past it.
int32_t ScriptOperand();
// Moves the cursor past the operands of a record whose entry could not be placed.
void SkipScriptOperands(int32_t count);

void StageScriptReset();
void StageScriptStep();
int32_t StageProgress(int32_t frames); // 0..100

// The banners' first line: the stage number with "%2d" over the 00 of "STAGE00", 30 characters.
void FormatStageText(int32_t stage, char (&text)[31]);

// What a walk over a script table finds. words is the count up to and including the end mark,
// or -1 when the table is malformed (an opcode outside 1..15, a record cut off by the table's
// end, a missing end mark or a header that is not positive).
struct ScriptShape {
    int32_t words;
    int32_t steps;
    int32_t records;
};
constexpr ScriptShape MeasureScript(const int32_t* words, int32_t count) {
    constexpr ScriptShape bad{-1, 0, 0};
    if (count < 2 || words[0] <= 0) return bad;
    ScriptShape shape{0, 0, 0};
    int32_t at = 1;
    while (at < count) {
        const int32_t word = words[at++];
        if (word == OP_END) {
            shape.words = at;
            return shape;
        }
        // A step: records until STEP_END.
        for (int32_t op = word;; op = words[at++]) {
            if (op == STEP_END) break;
            if (op <= OP_END || op >= OP_COUNT) return bad;
            at += ScriptOperandCounts[op];
            shape.records += 1;
            if (at >= count) return bad;
        }
        shape.steps += 1;
    }
    return bad;
}

} // namespace velkar
