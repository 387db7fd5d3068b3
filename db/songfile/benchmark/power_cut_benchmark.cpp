// Not a test: the power-cut simulation of the record file's commit paths and
// of the song file's save, run with many random states besides the fixed
// ones (power_cut.h): at every cut of every path, a thousand random
// subsets of the changes not yet flushed, tears at random sector ends and
// lengths without their bytes, each opened and checked as the tests check
// the fixed ones. The states are drawn from a seed, printed first; --seed N
// replays a run (and --gtest_filter one path of it). With --short a few
// states per cut, for CI. Prints the states opened, the time and PASS or
// FAIL; exits with 1 when a state breaks the rule.
#include "db/records/tests/power_cut.h"
#include "testing/benchmark_options.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char **argv)
{
    GTEST_FLAG_SET(filter, "RecordFile/PowerCut.*:SongFileTest.APowerCut*");
    ::testing::InitGoogleTest(&argc, argv);
    const bool shortRun = testing_support::shortRun(argc, argv);
    uint64_t seed = uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--seed") == 0)
            seed = std::strtoull(argv[i + 1], nullptr, 10);
    const size_t drawsPerCut = shortRun ? 2 : 1000;
    std::printf("power cut: seed %llu, %zu random states per cut (replay: --seed %llu)\n",
                static_cast<unsigned long long>(seed), drawsPerCut, static_cast<unsigned long long>(seed));
    std::fflush(stdout);
    power_cut::drawRandomStates(seed, drawsPerCut);
    const auto start = std::chrono::steady_clock::now();
    const int result = RUN_ALL_TESTS();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("power cut: seed %llu: %zu states opened in %.1f s: %s\n",
                static_cast<unsigned long long>(seed), power_cut::statesChecked(), seconds,
                result == 0 ? "PASS" : "FAIL");
    return result == 0 ? 0 : 1;
}
