// The engine restarted when the bridge hands the program a channel or lets
// go of it: the order of the calls, the song following the new record, and
// the failures that stop the restart.
#include "app/sound_session.h"

#include "app/tests/program_fakes.h"
#include "data/song.h"
#include "outside/halvorinapp/halvorin_app.h"
#include "testing/sandbox.h"

#include <gtest/gtest.h>

namespace {

using namespace Quorvane;
using program_testing::FakeDatabase;
using program_testing::LoggingSoundMngr;
using program_testing::ShownMessages;
using Log = std::vector<std::string>;

void hostNotify(ULONG_PTR, long, long, float, long, long) {}

struct Client : SoundSessionClient {
    explicit Client(LoggingSoundMngr &m) : manager(m) {}
    void StopIfPlaying() override
    {
        if (manager.IsPlayed())
            manager.StopPlayback();
    }
    void EnableAudioStreamCommand(bool enable) override { audioStream.push_back(enable); }
    CSong *Song() override { return song; }
    ASPNotifyProc HostNotifyProc() override { return hostNotify; }
    ULONG_PTR HostNotifyUser() override { return 77; }

    LoggingSoundMngr &manager;
    CSong *song = nullptr;
    std::vector<bool> audioStream;
};

class BridgeRestart : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.CreateParams());
        database.stored.sampleRate = 44100;
        database.stored.asp = 2;
        session.Start([this](const char *) { return static_cast<IQuorvaneSoundMngr *>(&manager); });
        ASSERT_EQ(song.SetDefault(), 1);
        client.song = &song;
        manager.log.clear();
        database.log.clear();
    }

    // No bridge provider registered on this machine takes part.
    testing_support::LocalMachineOverride machine;
    CHalvorinApp bridge{testing_support::uniqueName("Restart").c_str()};
    FakeDatabase database;
    SoundSession session{database, bridge};
    LoggingSoundMngr manager;
    CSong song{nullptr, &manager};
    Client client{manager};
    ShownMessages shown;
};

TEST_F(BridgeRestart, AHandedChannelStopsPlaybackAndRestartsTheEngine)
{
    manager.playing = 1;
    session.OnBridgeParamsChanged(client, 1);
    EXPECT_EQ(manager.log, (Log{"stop playback", "stop", "init", "start", "notify"}));
    EXPECT_EQ(manager.notifyUser, 77u);
    EXPECT_EQ(client.audioStream, std::vector<bool>{false});
    EXPECT_TRUE(shown.texts.empty());
}

TEST_F(BridgeRestart, TheSongFollowsTheNewRecord)
{
    session.Params()->sampleRate = 48000;
    session.OnBridgeParamsChanged(client, 0);
    EXPECT_EQ(song.GetSPS(), 48000);
}

TEST_F(BridgeRestart, AFailedInitStopsTheRestart)
{
    manager.initOk = 0;
    session.OnBridgeParamsChanged(client, 0);
    EXPECT_EQ(manager.log, (Log{"stop", "init"}));
    EXPECT_EQ(shown.texts, (Log{"Changed options requires program restart."}));
    EXPECT_TRUE(client.audioStream.empty()) << "the command stays as it was";
}

TEST_F(BridgeRestart, AFailedEngineStartIsReportedAndTheRestGoesOn)
{
    manager.startOk = 0;
    session.OnBridgeParamsChanged(client, 0);
    EXPECT_EQ(manager.log, (Log{"stop", "init", "start", "notify"}));
    EXPECT_EQ(shown.texts, (Log{"Sound engine was not started."}));
}

TEST_F(BridgeRestart, WithoutASongNothingRestarts)
{
    client.song = nullptr;
    session.OnBridgeParamsChanged(client, 0);
    EXPECT_EQ(manager.log, (Log{"stop"}));
    EXPECT_EQ(shown.texts, (Log{"Unexpected error.", "Changed options requires program restart."}));
}

TEST_F(BridgeRestart, LettingGoReturnsToTheDatabasesProvider)
{
    session.Params()->asp = 5; // the bridge's provider
    session.OnBridgeReleased(client);
    EXPECT_EQ(client.audioStream, std::vector<bool>{true});
    EXPECT_EQ(database.log, (Log{"io"}));
    EXPECT_EQ(session.Params()->asp, 2);
    EXPECT_EQ(manager.log, (Log{"stop", "init", "start", "notify"}));
}

TEST_F(BridgeRestart, StoredParametersNamingTheSameProviderGetTheDefault)
{
    database.defaultAsp = 0;
    session.OnBridgeReleased(client); // the record already names provider 2
    EXPECT_EQ(database.log, (Log{"io", "default asp"}));
    EXPECT_EQ(session.Params()->asp, 0);
}

TEST_F(BridgeRestart, AMissingRecordOrManagerIgnoresTheBridge)
{
    session.Shutdown();
    manager.log.clear();
    session.OnBridgeParamsChanged(client, 0);
    session.OnBridgeReleased(client);
    EXPECT_TRUE(manager.log.empty());
    EXPECT_TRUE(client.audioStream.empty());
}

} // namespace
