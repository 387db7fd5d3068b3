// The engine restarted when the bridge hands the program a channel or lets
// go of it: the order of the calls, the song following the new record, and
// the failures that stop the restart.
#include "app/sound_session.h"

#include "app/tests/program_fakes.h"
#include "data/song.h"
#include "outside/directsound/directsound_capture.h"
#include "outside/halvorinapp/halvorin_app.h"
#include "sound/sound_mngr.h"
#include "testing/fake_wave_out.h"
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
        // No bridge provider is registered here, so the bridge leaves the
        // record as the test set it.
        ASSERT_TRUE(machine.active());
        ASSERT_TRUE(session.CreateParams());
        database.stored.sampleRate = 44100;
        database.stored.asp = 2;
        session.Start([this](const char *) { return static_cast<IQuorvaneSoundMngr *>(&manager); });
        ASSERT_EQ(song.SetDefault(), 1);
        client.song = &song;
        manager.log.clear();
        database.log.clear();
    }

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

// The real engine on the "DirectSound" provider beside the tests. There is
// no sound device here: each start and restart says once that the program
// plays without sound, on which provider and where a device is chosen; a provider that plays (capturing, for
// the test) is not reported.
class StartOnTheEngine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.active());
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string module = path;
        module = module.substr(0, module.find_last_of('\\') + 1) + "TembriDirectSound.dll";
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quorvane\\AudioStreamProviders", 0, nullptr,
                                  0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "DirectSound", 0, REG_SZ, reinterpret_cast<const BYTE *>(module.c_str()),
                       DWORD(module.size() + 1));
        RegCloseKey(key);
        provider = LoadLibraryA(module.c_str());
        ASSERT_NE(provider, nullptr);
        setCapture = reinterpret_cast<DirectSoundSetCaptureProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(provider, "DirectSoundSetCapture")));
        ASSERT_NE(setCapture, nullptr);
        database.stored.asp = 0;
        ASSERT_TRUE(session.CreateParams());
    }
    void TearDown() override
    {
        session.Shutdown();
        if (setCapture)
            setCapture(nullptr);
        if (provider)
            FreeLibrary(provider);
    }
    void start()
    {
        session.Start([](const char *client) { return TindrelGetSoundMngrInterface(client); });
    }

    testing_support::LocalMachineOverride machine;
    HMODULE provider = nullptr;
    DirectSoundSetCaptureProc setCapture = nullptr;
    CHalvorinApp bridge{testing_support::uniqueName("Silent").c_str()};
    FakeDatabase database;
    SoundSession session{database, bridge};
    ShownMessages shown;
};

TEST_F(StartOnTheEngine, WithoutADeviceEachStartSaysSoOnceNamingTheProvider)
{
    start();
    ASSERT_NE(session.SoundManager(), nullptr);
    EXPECT_EQ(session.SoundManager()->IsWorked(), 1) << "it runs silently all the same";
    const std::string silent = "\"DirectSound\": No sound device plays the audio stream: the program plays "
                               "without sound.\nChoose a device in Options > Audio Stream...";
    EXPECT_EQ(shown.texts, (Log{silent}));
    // A restart that leaves the stream silent (a device or format the card
    // refuses, chosen in the Audio Stream dialog) says so again, once.
    LoggingSoundMngr unused;
    Client client{unused};
    session.StopEngine(client);
    session.Resume(client);
    EXPECT_EQ(session.SoundManager()->IsWorked(), 1);
    EXPECT_EQ(shown.texts, (Log{silent, silent}));
}

// A device that fails while it plays leaves the provider playing without
// sound: the user is told once, when the program next asks, and not again
// after a restart on the same failing device.
TEST_F(StartOnTheEngine, ADeviceThatFailsLaterIsToldOnce)
{
    testing_support::FakeWaveOut device(provider, -1);
    ASSERT_TRUE(device.routed());
    const auto playsSilent = reinterpret_cast<AspPlaysSilentProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(provider, kAspPlaysSilentEntry)));
    ASSERT_NE(playsSilent, nullptr);
    start();
    ASSERT_NE(session.SoundManager(), nullptr);
    EXPECT_EQ(device.opens(), 1);
    session.TellIfStreamSilent();
    EXPECT_TRUE(shown.texts.empty()) << "the device plays";

    device.failFromNow();
    for (int i = 0; i < 6000 && !playsSilent(); ++i)
        Sleep(10);
    ASSERT_EQ(playsSilent(), 1);
    EXPECT_EQ(session.SoundManager()->IsWorked(), 1) << "it runs silently all the same";
    session.TellIfStreamSilent();
    session.TellIfStreamSilent();
    ASSERT_EQ(shown.texts.size(), 1u);
    EXPECT_NE(shown.texts[0].find("No sound device plays the audio stream: the program plays without sound.\n"
                                  "Choose a device in Options > Audio Stream..."),
              std::string::npos)
        << shown.texts[0];
    LoggingSoundMngr unused;
    Client client{unused};
    session.StopEngine(client);
    session.Resume(client);
    for (int i = 0; i < 6000 && !playsSilent(); ++i)
        Sleep(10);
    session.TellIfStreamSilent();
    EXPECT_EQ(shown.texts.size(), 2u) << "a restart that leaves it silent says so once more";
}

TEST_F(StartOnTheEngine, AProviderThatPlaysIsNotReported)
{
    DSCAPTURE capture = {};
    capture.unpaced = 1;
    ASSERT_EQ(setCapture(&capture), 1);
    start();
    ASSERT_NE(session.SoundManager(), nullptr);
    EXPECT_EQ(session.SoundManager()->IsWorked(), 1);
    EXPECT_TRUE(shown.texts.empty());
}

} // namespace
