// The program's start: the launch check, the no-reload decision, the
// database's first-time set-up and the sound engine, with a database and a
// sound manager of the test's own.
#include "app/program_startup.h"

#include "app/program_options.h"
#include "app/program_profile.h"
#include "app/tests/program_fakes.h"
#include "outside/halvorinapp/halvorin_app.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;
using program_testing::FakeDatabase;
using program_testing::LoggingSoundMngr;
using program_testing::ShownMessages;
using Log = std::vector<std::string>;

class Startup : public ::testing::Test {
protected:
    StartupResult start(const std::string &tail, bool shift = false)
    {
        StartupContext context{bridge, database, session, profile, [this](const char *client) {
                                   askedFor = client;
                                   return giveManager ? static_cast<IQuorvaneSoundMngr *>(&manager) : nullptr;
                               }};
        return StartProgram(context, tail, shift);
    }

    testing_support::CurrentUserOverride user;
    ProgramProfile profile{testing_support::uniqueName("Rallimoth")};
    CHalvorinApp bridge{testing_support::uniqueName("Startup").c_str()};
    FakeDatabase database;
    SoundSession session{database, bridge};
    LoggingSoundMngr manager;
    bool giveManager = true;
    std::string askedFor;
    ShownMessages shown;
};

TEST_F(Startup, StartsTheEngineOnTheDatabasesParameters)
{
    database.stored.sampleRate = 48000;
    const StartupResult result = start("rock.qns");
    EXPECT_TRUE(result.run);
    EXPECT_FALSE(result.noReload);
    EXPECT_EQ(result.stylePath, "rock.qns");
    EXPECT_EQ(askedFor, "Rallimoth Omvel");
    EXPECT_EQ(manager.log, (Log{"init", "start"}));
    EXPECT_EQ(manager.initRate, 48000);
    ASSERT_NE(session.Params(), nullptr);
    EXPECT_EQ(session.Params()->sampleRate, 48000);
    EXPECT_EQ(database.log, (Log{"first-time 30", "io"}));
    EXPECT_TRUE(shown.texts.empty());
}

TEST_F(Startup, TheNoReloadSwitchShiftOrOptionSkipTheSavedState)
{
    EXPECT_TRUE(start("/N").noReload);
    session.Shutdown();
    EXPECT_FALSE(start("/N rock.qns").noReload) << "the switch must be the whole line";
    session.Shutdown();
    EXPECT_TRUE(start("", true).noReload);
    session.Shutdown();
    ASSERT_TRUE(profile.writeInt(option::SaveState, 0));
    EXPECT_TRUE(start("").noReload);
}

TEST_F(Startup, AFirstRunRefreshesThePortListsOfDrummersAndOwnSynths)
{
    database.firstTime = 1;
    start("");
    EXPECT_EQ(database.log, (Log{"first-time 30", "refresh 9", "refresh 0", "io"}));
    EXPECT_TRUE(shown.texts.empty());
}

TEST_F(Startup, AMissingPortListIsReportedAndStartRunsOn)
{
    database.firstTime = 1;
    database.portsThere = false;
    EXPECT_TRUE(start("").run);
    EXPECT_EQ(shown.texts, (Log{"Main DataBase error.", "Main DataBase error."}));
    EXPECT_EQ(manager.log, (Log{"init", "start"}));
}

TEST_F(Startup, WithoutADatabaseTheEngineStartsOnTheClearedRecord)
{
    database.ioThere = false;
    database.stored.sampleRate = 96000;
    EXPECT_TRUE(start("").run);
    EXPECT_EQ(shown.texts, (Log{"Main DataBase error."}));
    EXPECT_EQ(manager.initRate, kDefaultSampleRate);
    EXPECT_EQ(manager.log, (Log{"init", "start"}));
}

struct EngineCase {
    bool manager;
    int init;
    int start;
    Log calls;
};

class EngineFailure : public Startup, public ::testing::WithParamInterface<EngineCase> {};

TEST_P(EngineFailure, IsReportedOnceAndTheProgramRunsOn)
{
    giveManager = GetParam().manager;
    manager.initOk = GetParam().init;
    manager.startOk = GetParam().start;
    EXPECT_TRUE(start("").run);
    EXPECT_EQ(shown.texts, (Log{"Sound engine was not started."}));
    EXPECT_EQ(manager.log, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(Steps, EngineFailure,
                         ::testing::Values(EngineCase{false, 1, 1, {}}, EngineCase{true, 0, 1, {"init"}},
                                           EngineCase{true, 1, 0, {"init", "start"}}));

TEST_F(Startup, AProcessWhoseChannelWasTakenOverEndsAtOnce)
{
    const std::string title = testing_support::uniqueName("Handed");
    CHalvorinApp running(title.c_str());
    ASSERT_EQ(running.LaunchApp(""), 1);
    CHalvorinApp started(title.c_str());
    StartupContext context{started, database, session, profile,
                           [this](const char *) { return static_cast<IQuorvaneSoundMngr *>(&manager); }};
    const StartupResult result = StartProgram(context, "-halvorin:channel:2", false);
    EXPECT_FALSE(result.run);
    EXPECT_TRUE(manager.log.empty());
    EXPECT_TRUE(database.log.empty());
    EXPECT_EQ(session.Params(), nullptr);
}

} // namespace
