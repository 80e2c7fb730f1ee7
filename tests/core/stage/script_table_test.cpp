// The shipped stage script: its shape, every word against an independent listing, and the checks
// a corrupt table fails.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "stage/stage_script.h"

using namespace velkar;

namespace {

// The listing of tests/core/stage/stage_script_listing.txt, compiled in by the build.
constexpr const char* LISTING =
#include "stage_script_listing.inc"
    ;

// The words that one listing line stands for, with the opcode numbers written out as numbers so
// that a renumbered opcode is caught too. Returns false for a word the notation does not know.
bool LineWords(const std::string& line, std::vector<int32_t>& out, bool& end) {
    std::istringstream tokens(line);
    std::string t;
    auto operands = [&](int32_t count) {
        for (int32_t i = 0; i < count; ++i) {
            int32_t value = 0;
            if (!(tokens >> value)) return false;
            out.push_back(value);
        }
        return true;
    };
    while (tokens >> t) {
        if (t == "-") {
        } else if (t == "end") {
            out.push_back(0);
            end = true;
            return true;
        } else if (t == "Wait") {
            out.push_back(1);
            if (!operands(1)) return false;
        } else if (t == "WaitClear") {
            out.push_back(2);
        } else if (t == "Guardian") {
            out.push_back(7);
            if (!operands(1)) return false;
        } else if (t == "Sentinel") {
            out.push_back(8);
            if (!operands(2)) return false;
        } else if (t == "Battery") {
            out.push_back(9);
            if (!operands(3)) return false;
        } else if (t == "Diver") {
            out.insert(out.end(), {10, -1, -1});
        } else if (t == "Sprayer") {
            out.insert(out.end(), {11, -1, -1, -1, 11});
        } else if (t == "RiserPair") {
            out.push_back(12);
        } else if (t == "ReadyBanner") {
            out.push_back(14);
        } else if (t == "ClearBanner") {
            out.push_back(15);
        } else {
            for (char c : t) {
                const size_t block = std::string("LWSM").find(c);
                const size_t item = std::string("BPU").find(c);
                if (block != std::string::npos) {
                    out.insert(out.end(), {static_cast<int32_t>(3 + block), -1, -1, -1, -1});
                } else if (item != std::string::npos) {
                    out.insert(out.end(), {13, -1, -1, static_cast<int32_t>(1 + item)});
                } else {
                    return false;
                }
            }
        }
    }
    out.push_back(-1);
    return true;
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

// Every word of the table against the listing: a swapped letter, operand, record or step fails
// and is named by its step.
TEST(ScriptTable, EveryWordMatchesTheListing) {
    std::vector<int32_t> words = {10000};
    std::vector<int32_t> stepOf = {-1}; // the listing's step of each word
    std::istringstream lines(LISTING);
    std::string line;
    int32_t step = 0;
    bool end = false;
    while (!end && std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') continue;
        ASSERT_TRUE(LineWords(line, words, end)) << "listing step " << step << ": " << line;
        stepOf.resize(words.size(), step);
        ++step;
    }
    ASSERT_TRUE(end) << "the listing has no end mark";
    ASSERT_EQ(step, 346); // 345 steps and the end mark
    ASSERT_EQ(words.size(), static_cast<size_t>(STAGE_SCRIPT_WORDS));
    for (size_t i = 0; i < words.size(); ++i) {
        ASSERT_EQ(StageScript[i], words[i]) << "word " << i << ", step " << stepOf[i];
    }
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
