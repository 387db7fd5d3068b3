// Every test must leave the kit's live-object count as it found it: a test
// that leaks a filter, pin, allocator or factory fails the run, by name.
#include "dshow/ds_object.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string leakingTests;

class LiveObjectListener : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo &) override { before_ = DsLiveObjectCount(); }
    void OnTestEnd(const ::testing::TestInfo &test) override
    {
        const LONG after = DsLiveObjectCount();
        if (after != before_)
            leakingTests += std::string(" ") + test.test_suite_name() + "." + test.name() + " (" +
                            std::to_string(before_) + " -> " + std::to_string(after) + ")";
    }

private:
    LONG before_ = 0;
};

class LiveObjectCheck : public ::testing::Environment {
public:
    void TearDown() override { EXPECT_EQ(leakingTests, "") << "tests that left kit objects alive"; }
};

const bool registered = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new LiveObjectListener);
    ::testing::AddGlobalTestEnvironment(new LiveObjectCheck);
    return true;
}();

} // namespace
