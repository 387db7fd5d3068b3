// Each fixture plug-in opened as the scan opens it.
#include "sound/equipment/vst_plugin_check.h"

#include "sound/equipment/port_enum.h"
#include "sound/equipment/tests/equipment_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace equipment_test;
using namespace Quorvane;

TEST(VstPluginCheck, EachFixtureGetsItsVerdict)
{
    VstFolders folders;
    struct Case {
        const char *file;
        bool entry;
        uint32_t verdict;
        bool instrument; // wanted among instruments
        bool effect;     // wanted among effects
    };
    const Case cases[] = {
        {"one\\Instrument.dll", true, VST_INSTRUMENT, true, false},
        {"one\\effects\\Stereo.dll", true, VST_EFFECT, false, true},
        {"one\\effects\\mono\\Mono.dll", true, VST_EFFECT, false, false},
        {"one\\NoEntry.dll", false, VST_NOT_PLUGIN, false, false},
        {"one\\readme.txt", false, VST_NOT_PLUGIN, false, false},
        {"two\\deeper\\BadMagic.dll", true, VST_NOT_PLUGIN, false, false},
        {"two\\Bridge.dll", true, VST_NOT_PLUGIN, false, false},
        {"three\\b\\Crash.dll", true, VST_CRUSHED, false, false},
        {"three\\a\\Throw.dll", true, VST_CRUSHED, false, false},
        {"three\\Missing.dll", false, VST_NOT_PLUGIN, false, false},
    };
    for (const Case &c : cases) {
        const std::string path = folders.path(c.file);
        EXPECT_EQ(HasVstEntry(path), c.entry) << c.file;
        const VstPluginCheck check = CheckVstPlugin(path);
        EXPECT_EQ(check.verdict, c.verdict) << c.file;
        EXPECT_EQ(IsWantedVstPlugin(check, ENUM_OUT_VST), c.instrument) << c.file;
        EXPECT_EQ(IsWantedVstPlugin(check, ENUM_AEFFECT_VST), c.effect) << c.file;
    }
}

TEST(VstPluginCheck, OpensAsksAndClosesInOrderWithTheScansHost)
{
    VstFolders folders;
    ASSERT_EQ(CheckVstPlugin(folders.path("one\\Instrument.dll")).verdict, VST_INSTRUMENT);
    ASSERT_EQ(CheckVstPlugin(folders.path("two\\Bridge.dll")).verdict, VST_NOT_PLUGIN);
    const std::vector<std::string> expected = {
        "instrument main version 2",
        "instrument dispatch 22 0 0 0",
        "instrument dispatch 10 0 0 44100",
        "instrument dispatch 11 0 512 0",
        "instrument dispatch 0 0 0 0",
        "instrument host 1 = 2",
        "instrument host 7 = 0",
        "instrument host 8 = 0",
        "instrument host 10 = 100000",
        "instrument host 16 = 44100",
        "instrument host 17 = 512",
        "instrument host 99 = 0",
        "instrument host 32 = 1 \"Quorvane Tembri\"",
        "instrument host 33 = 1 \"Quorvane Tembri\"",
        "instrument host can sendVstEvents = 0",
        "instrument host can sendVstMidiEvent = 0",
        "instrument host can sendVstTimeInfo = 1",
        "instrument host can sizeWindow = 1",
        "instrument host can supplyIdle = 1",
        "instrument host can receiveVstEvents = 0",
        "instrument dispatch 51 \"isQuorvaneHalvorin\"",
        "instrument dispatch 1 0 0 0",
        // The bridge's own plug-in is opened, recognised and closed.
        "bridge main version 2",
        "bridge dispatch 22 0 0 0",
        "bridge dispatch 10 0 0 44100",
        "bridge dispatch 11 0 512 0",
        "bridge dispatch 0 0 0 0",
        "bridge dispatch 51 \"isQuorvaneHalvorin\"",
        "bridge dispatch 1 0 0 0",
    };
    EXPECT_EQ(folders.fixtureLog(), expected);
}

// A library whose code was unwound is freed; one that crashed halfway stays
// loaded, and the scan goes on with the next file.
TEST(VstPluginCheck, OnlyLibrariesThatCleanedUpAreFreed)
{
    VstFolders folders;
    for (const char *file :
         {"three\\a\\Throw.dll", "three\\b\\Crash.dll", "one\\Instrument.dll", "one\\effects\\Stereo.dll"})
        CheckVstPlugin(folders.path(file));
    EXPECT_EQ(GetModuleHandleA(folders.path("three\\a\\Throw.dll").c_str()), nullptr);
    EXPECT_NE(GetModuleHandleA(folders.path("three\\b\\Crash.dll").c_str()), nullptr);
    EXPECT_EQ(GetModuleHandleA(folders.path("one\\Instrument.dll").c_str()), nullptr);
    EXPECT_EQ(GetModuleHandleA(folders.path("one\\effects\\Stereo.dll").c_str()), nullptr);
    const std::vector<std::string> log = folders.fixtureLog();
    EXPECT_NE(std::find(log.begin(), log.end(), "throw dispatch 0 0 0 0"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "crash dispatch 0 0 0 0"), log.end());
    EXPECT_EQ(std::find(log.begin(), log.end(), "crash dispatch 1 0 0 0"), log.end()) << "never closed";
    EXPECT_NE(std::find(log.begin(), log.end(), "stereo effect dispatch 1 0 0 0"), log.end());
}

} // namespace
