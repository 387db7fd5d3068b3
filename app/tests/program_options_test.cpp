// The options as the profile holds them: defaults, ranges and the window's
// position kept on the work area.
#include "app/program_options.h"

#include "testing/sandbox.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;

TEST(ProgramOptions, DefaultsWhenNothingIsStored)
{
    testing_support::CurrentUserOverride user;
    const ProgramOptions o = ProgramOptions::Read(ProgramProfile(testing_support::uniqueName("Opt")));
    EXPECT_EQ(o.nameWidth, 156);
    EXPECT_EQ(o.veloStat, 100);
    EXPECT_EQ(o.accThreshold, 120);
    EXPECT_EQ(o.accNote1, 36);
    EXPECT_EQ(o.accDuration, 2);
    EXPECT_EQ(o.autoSwitch, 1);
    EXPECT_EQ(o.latch, 0);
    EXPECT_EQ(o.saveState, 1);
}

TEST(ProgramOptions, StoredValuesAreBroughtIntoRange)
{
    testing_support::CurrentUserOverride user;
    const ProgramProfile profile(testing_support::uniqueName("Opt"));
    ASSERT_TRUE(profile.writeInt(option::NameW, 5));
    ASSERT_TRUE(profile.writeInt(option::VeloStat, 300));
    ASSERT_TRUE(profile.writeInt(option::Strength, -4));
    ASSERT_TRUE(profile.writeInt(option::AccDur, 9));
    ASSERT_TRUE(profile.writeInt(option::Latch, 7));
    const ProgramOptions o = ProgramOptions::Read(profile);
    EXPECT_EQ(o.nameWidth, 26);
    EXPECT_EQ(o.veloStat, 127);
    EXPECT_EQ(o.strength, 0);
    EXPECT_EQ(o.accDuration, 3);
    EXPECT_EQ(o.latch, 1);
    EXPECT_EQ(profile.optionsKey(), "Software\\Quorvane\\" + profile.programName() + "\\Options");
}

TEST(ProgramOptions, APositionOffTheWorkAreaGoesBackToTheCorner)
{
    struct Case {
        int x, y;
        bool kept;
    };
    for (const Case c : {Case{-544, 0, true}, Case{-545, 0, false}, Case{790, 590, true},
                         Case{791, 10, false}, Case{10, 591, false}, Case{10, -1, false}}) {
        ProgramOptions o;
        o.posX = c.x;
        o.posY = c.y;
        o.placeWithin(800, 600);
        EXPECT_EQ(o.posX == c.x && o.posY == c.y, c.kept) << c.x << "," << c.y;
        if (!c.kept) {
            EXPECT_EQ(o.posX * 100 + o.posY, 1010);
        }
    }
}

} // namespace
