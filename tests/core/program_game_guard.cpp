// Every test runs the rules on a game of its own (OwnGame): around each test this checks that the
// program's game is left byte for byte as it was and the rules point at it again, and the run
// fails naming each test that did otherwise.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "record/record.h"

namespace {

class ProgramGameGuard : public ::testing::EmptyTestEventListener {
  public:
    // The game the rules run before any test: the program's own.
    velkar::Game* const programGame = velkar::ActiveGame;
    std::vector<std::string> offenders;

  private:
    // The program's game before the suite (its SetUpTestSuite included) and before the test.
    unsigned char suiteBefore[sizeof(velkar::Game)] = {};
    unsigned char testBefore[sizeof(velkar::Game)] = {};

    void Keep(unsigned char* bytes) const {
        std::memcpy(bytes, static_cast<const void*>(programGame), sizeof(velkar::Game));
    }
    void Check(const unsigned char* bytes, const std::string& name) {
        if (std::memcmp(bytes, static_cast<const void*>(programGame), sizeof(velkar::Game)) != 0) {
            offenders.push_back(name + " changed the program's game");
            Keep(suiteBefore); // judge the rest of the suite alone
        }
        if (velkar::ActiveGame != programGame) {
            offenders.push_back(name + " left the rules on another game");
            velkar::ActiveGame = programGame;
        }
    }
    void OnTestSuiteStart(const ::testing::TestSuite&) override { Keep(suiteBefore); }
    void OnTestStart(const ::testing::TestInfo&) override { Keep(testBefore); }
    void OnTestEnd(const ::testing::TestInfo& test) override {
        Check(testBefore, std::string(test.test_suite_name()) + "." + test.name());
    }
    void OnTestSuiteEnd(const ::testing::TestSuite& suite) override {
        Check(suiteBefore, std::string("the suite ") + suite.name());
    }
};

ProgramGameGuard* guard = nullptr;

// Reports the offenders once the tests of a run are over.
class ProgramGameReport : public ::testing::Environment {
    void TearDown() override {
        for (const std::string& offender : guard->offenders)
            ADD_FAILURE() << offender << " (a test runs the rules on a game of its own: OwnGame)";
        guard->offenders.clear();
    }
};

[[maybe_unused]] const bool installed = [] {
    guard = new ProgramGameGuard;
    ::testing::UnitTest::GetInstance()->listeners().Append(guard); // owned by GoogleTest
    ::testing::AddGlobalTestEnvironment(new ProgramGameReport);    // owned by GoogleTest
    return true;
}();

} // namespace
