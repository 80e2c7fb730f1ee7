// The shipped stage script: its size, its records and the checks a corrupt table fails.
#include <gtest/gtest.h>

#include <vector>

#include "stage/stage_script.h"

using namespace velkar;

namespace {

// The words of step n (walked with the operand table), and the records of each opcode.
std::vector<int32_t> StepWords(int32_t n, int32_t (*tally)[OP_COUNT] = nullptr) {
    int32_t at = 1;
    int32_t start = at;
    for (int32_t step = 0; step <= n && StageScript[at] != OP_END; ++step) {
        start = at;
        for (int32_t op = StageScript[at++]; op != STEP_END; op = StageScript[at++]) {
            if (tally != nullptr) (*tally)[op] += 1;
            at += ScriptOperandCounts[op];
        }
    }
    return {StageScript + start, StageScript + at};
}

} // namespace

TEST(ScriptTable, HoldsHeaderStepsRecordsAndEndMark) {
    EXPECT_EQ(StageScript[0], 10000);
    const ScriptShape shape = MeasureScript(StageScript, STAGE_SCRIPT_WORDS);
    EXPECT_EQ(shape.words, 2194);
    EXPECT_EQ(shape.steps, 345);
    EXPECT_EQ(shape.records, 467);
    EXPECT_EQ(StageScript[STAGE_SCRIPT_WORDS - 1], OP_END);
}

TEST(ScriptTable, RecordTalliesPerOpcode) {
    int32_t n[OP_COUNT] = {};
    StepWords(345, &n);
    EXPECT_EQ(n[OP_WAIT], 42);
    EXPECT_EQ(n[OP_LARGE_BLOCK] + n[OP_WIDE_BLOCK] + n[OP_SMALL_BLOCK] + n[OP_MEDIUM_BLOCK], 219);
    EXPECT_EQ(n[OP_DIVER], 138);
    EXPECT_EQ(n[OP_SPRAYER], 24);
    EXPECT_EQ(n[OP_RISER_PAIR], 6);
    EXPECT_EQ(n[OP_ITEM], 19);
    EXPECT_EQ(n[OP_BATTERY] * 100 + n[OP_GUARDIAN] * 10 + n[OP_SENTINEL], 744);
    EXPECT_EQ(n[OP_WAIT_CLEAR] + n[OP_READY_BANNER] + n[OP_CLEAR_BANNER], 4);
}

TEST(ScriptTable, ShorthandExpandsInRecordOrder) {
    using W = std::vector<int32_t>;
    EXPECT_EQ(StepWords(3), (W{3, -1, -1, -1, -1, 4, -1, -1, -1, -1, 4, -1, -1, -1, -1, -1}));
    EXPECT_EQ(StepWords(15), (W{-1}));
    EXPECT_EQ(StepWords(16), (W{OP_WAIT, 2, -1}));
    EXPECT_EQ(StepWords(165), (W{OP_ITEM, -1, -1, 1, -1}));
    EXPECT_EQ(StepWords(220), (W{OP_SPRAYER, -1, -1, -1, 11, -1}));
    EXPECT_EQ(StepWords(310), (W{OP_BATTERY, 180, 250, 400, OP_BATTERY, 300, 250, 400, -1}));
    EXPECT_EQ(StepWords(331),
              (W{5, -1, -1, -1, -1, 6, -1, -1, -1, -1, 6, -1, -1, -1, -1, OP_WAIT, 30, -1}));
    EXPECT_EQ(StepWords(343), (W{OP_ITEM, -1, -1, 3, OP_ITEM, -1, -1, 1, OP_CLEAR_BANNER, -1}));
    EXPECT_EQ(StepWords(344), (W{OP_WAIT_CLEAR, -1}));
}

TEST(ScriptTable, CorruptTablesAreRejected) {
    EXPECT_EQ(ScriptOpcodes[0], nullptr);
    for (int32_t op = 1; op < OP_COUNT; ++op)
        EXPECT_NE(ScriptOpcodes[op], nullptr) << op;

    const int32_t good[] = {10000, OP_WAIT, 4, -1, -1, OP_DIVER, -1, -1, -1, OP_END};
    EXPECT_EQ(MeasureScript(good, 10).words, 10);
    EXPECT_EQ(MeasureScript(good, 10).steps, 3);
    const int32_t opcode16[] = {10000, 16, -1, OP_END};
    const int32_t zeroInStep[] = {10000, OP_WAIT, 4, OP_END, -1, OP_END};
    const int32_t negative[] = {10000, -7, -1, OP_END};
    const int32_t cutOff[] = {10000, OP_BATTERY, 1, 2};
    const int32_t noEnd[] = {10000, OP_WAIT, 4, -1};
    const int32_t noHeader[] = {0, OP_END};
    EXPECT_EQ(MeasureScript(opcode16, 4).words, -1);
    EXPECT_EQ(MeasureScript(zeroInStep, 6).words, -1);
    EXPECT_EQ(MeasureScript(negative, 4).words, -1);
    EXPECT_EQ(MeasureScript(cutOff, 4).words, -1);
    EXPECT_EQ(MeasureScript(noEnd, 4).words, -1);
    EXPECT_EQ(MeasureScript(noHeader, 2).words, -1);
}
