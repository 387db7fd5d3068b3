// A writer process with thousands of records and pending additions,
// replacements and deletions commits (or discards) them and is ended at many
// points: at its n-th change of a disk file (before it, or with the write
// half done), and by TerminateProcess after varied delays. A fresh process
// then opens the file and must find the last commit before the writer's
// changes or the file an undisturbed run leaves, every body whole, and a new
// commit working.
#include "db/records/tests/crash_workload.h"
#include "db/records/tests/child_process.h"
#include "db/records/tests/record_test_support.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

using namespace records_test;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr char child[] = "records_child.exe";
constexpr int matchedBefore = 0, matchedAfter = 10;

class CrashSeries : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(crash_workload::buildBase(base.c_str(), 2000));
        keepForReader(base);
    }

    std::string mode() const { return GetParam() ? "commit" : "discard"; }

    // Runs the writer on a fresh copy of the base file; answers its exit code.
    int write(uint32_t stopAt, bool tear, const std::string &ready = "-", const std::string &report = "-")
    {
        EXPECT_TRUE(writeFile(run, readFile(base)));
        ChildProcess writer(child, "write \"" + run + "\" " + mode() + " " + std::to_string(stopAt) + " " +
                                       (tear ? "1" : "0") + " " + ready + " \"" + report + "\"");
        return writer.wait();
    }

    // The fresh process's verdict on the file the writer left.
    int verify()
    {
        ChildProcess checker(child, "verify \"" + run + "\" \"" + base + "\" \"" + after + "\"");
        return checker.wait();
    }

    TempFolder folder;
    std::string base = folder.file("base.prs");
    std::string after = folder.file("after.prs");
    std::string run = folder.file("run.prs");
};

TEST_P(CrashSeries, EndedAnywhereTheFileHoldsTheLastCommitOrTheFinishedRun)
{
    // The undisturbed run: what it leaves, how many changes it makes, when
    // its commit (or discard) begins and how long it takes.
    const std::string report = folder.file("report.txt");
    NamedEvent started;
    const DWORD start = GetTickCount();
    ASSERT_EQ(write(0, false, started.name(), report), 0);
    const DWORD duration = GetTickCount() - start;
    ASSERT_TRUE(writeFile(after, readFile(run)));
    keepForReader(after);
    unsigned changes = 0, commitStart = 0;
    const std::string reported = readFile(report);
    ASSERT_EQ(std::sscanf(reported.c_str(), "changes %u commitStart %u", &changes, &commitStart), 2);
    // 'w' for each change that is a write: only a write can be torn (torn
    // at any other change, the writer lets it run and stops at the next,
    // as a stop there does).
    const size_t kindsAt = reported.find("kinds ");
    ASSERT_NE(kindsAt, std::string::npos);
    const std::string kinds = reported.substr(kindsAt + 6, changes);
    ASSERT_EQ(kinds.size(), changes);
    ASSERT_GT(changes, commitStart + 4) << "the compaction has a journal and a rewrite to make";
    ASSERT_EQ(verify(), GetParam() ? matchedAfter : matchedBefore);

    // Stops at the n-th change: spread over the pending changes, and at every
    // change of the commit or discard, before the change and, for a write,
    // with the write half done.
    std::set<uint32_t> stops;
    for (uint32_t i = 1; i <= 12; ++i)
        stops.insert(1 + (commitStart - 1) * i / 13);
    for (uint32_t n = commitStart + 1; n <= changes; ++n)
        stops.insert(n);
    std::set<int> outcomes;
    int runs = 0, befores = 0;
    for (uint32_t n : stops) {
        for (const bool tear : {false, true}) {
            if (n < commitStart && tear != (n % 2 == 1))
                continue;
            if (n >= commitStart && tear && kinds[n - 1] != 'w')
                continue;
            SCOPED_TRACE(testing::Message() << mode() << " stopped at change " << n << " of " << changes
                                            << (tear ? ", torn" : ""));
            ASSERT_EQ(write(n, tear), 3) << "the writer ends itself there";
            const int outcome = verify();
            EXPECT_TRUE(outcome == matchedBefore || outcome == matchedAfter) << outcome;
            if (n <= commitStart) {
                EXPECT_EQ(outcome, matchedBefore) << "killed while appending, replacing or deleting";
            }
            outcomes.insert(outcome);
            ++runs;
            befores += outcome == matchedBefore;
        }
    }

    // Killed from outside after delays spread over the whole run.
    for (int i = 0; i <= 10; ++i) {
        const DWORD delay = duration * i / 10;
        SCOPED_TRACE(testing::Message() << mode() << " killed after " << delay << " ms");
        ASSERT_TRUE(writeFile(run, readFile(base)));
        NamedEvent ready;
        ChildProcess writer(child, "write \"" + run + "\" " + mode() + " 0 0 " + ready.name() + " -");
        ASSERT_TRUE(ready.waitFor(30000));
        Sleep(delay);
        writer.kill();
        const int outcome = verify();
        EXPECT_TRUE(outcome == matchedBefore || outcome == matchedAfter) << outcome;
        outcomes.insert(outcome);
        ++runs;
        befores += outcome == matchedBefore;
    }
    std::printf("%s: %u changes, %u of them in the %s; %d runs ended early, %d found the last commit, %d the "
                "finished run\n",
                mode().c_str(), changes, changes - commitStart, mode().c_str(), runs, befores,
                runs - befores);
    EXPECT_TRUE(outcomes.count(matchedBefore));
    if (GetParam()) {
        EXPECT_TRUE(outcomes.count(matchedAfter)) << "some commits got through";
    }
}

INSTANTIATE_TEST_SUITE_P(RecordFile, CrashSeries, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool> &info) {
                             return info.param ? "Commit" : "Discard";
                         });

} // namespace
