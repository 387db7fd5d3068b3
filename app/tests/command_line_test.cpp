// The program's command line: its own name cut off, the no-reload switch
// only as the whole line, and the style file among switches.
#include "app/command_line.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;

TEST(CommandLine, TheTailLeavesTheProgramsNameBehind)
{
    EXPECT_EQ(CommandTail("\"C:\\Program Files\\Rallimoth.exe\"  /N"), "/N");
    EXPECT_EQ(CommandTail("Rallimoth.exe style.qns"), "style.qns");
    EXPECT_EQ(CommandTail("Rallimoth.exe"), "");
    EXPECT_EQ(CommandTail(nullptr), "");
}

struct SwitchCase {
    const char *tail;
    bool noReload;
};

class NoReloadSwitch : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(NoReloadSwitch, OnlyTheWholeLineCounts)
{
    EXPECT_EQ(IsNoReloadSwitch(GetParam().tail), GetParam().noReload) << GetParam().tail;
}

INSTANTIATE_TEST_SUITE_P(Lines, NoReloadSwitch,
                         ::testing::Values(SwitchCase{"/N", true}, SwitchCase{"-N", true},
                                           SwitchCase{"/n", true}, SwitchCase{"-n", true},
                                           SwitchCase{"/N x.qns", false}, SwitchCase{"/N ", false},
                                           SwitchCase{"N", false}, SwitchCase{"", false},
                                           SwitchCase{"/No", false}));

TEST(CommandLine, TheStyleFileIsTheFirstArgumentThatIsNoSwitch)
{
    EXPECT_EQ(StyleFileArgument("\"C:\\My Styles\\Funk.qns\""), "C:\\My Styles\\Funk.qns");
    EXPECT_EQ(StyleFileArgument("-halvorin:channel:1 rock.qns other.qns"), "rock.qns");
    EXPECT_EQ(StyleFileArgument("/N"), "");
    EXPECT_EQ(StyleFileArgument("   "), "");
}

} // namespace
