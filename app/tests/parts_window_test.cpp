// The parts window as the program opens it: the drummers of both modules
// created by class id through "Tembri MFX" (registered in the prefix by
// their own entry points), a database and a sound manager of the test's
// own. It builds twelve parts, switches them by mouse, paints itself into
// a picture, and hibernates its state when it closes.
#include "app/parts_window.h"

#include "app/parts_song.h"
#include "app/program_options.h"
#include "app/tests/program_fakes.h"
#include "data/track_midi.h"
#include "outside/halvorinapp/halvorin_app.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <ole2.h>

namespace {

using namespace Quorvane;
using program_testing::FakeDatabase;
using program_testing::LoggingSoundMngr;
using program_testing::ShownMessages;

std::string distFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder = folder.substr(0, folder.find_last_of('\\')); // build\tests
    return folder.substr(0, folder.find_last_of('\\')) + "\\dist";
}

bool registerModule(const char *name)
{
    HMODULE module = LoadLibraryA((distFolder() + "\\" + name).c_str());
    using Entry = HRESULT(STDAPICALLTYPE *)();
    auto entry = module ? reinterpret_cast<Entry>(
                              reinterpret_cast<void (*)()>(GetProcAddress(module, "DllRegisterServer")))
                        : nullptr;
    return entry && entry() == S_OK; // the module stays loaded for the tests
}

void pump()
{
    MSG message;
    for (int round = 0; round < 5; ++round) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

class PartsWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        OleInitialize(nullptr);
        registered = registerModule("Grindelvosket.dll") && registerModule("Vostrapellin.dll") &&
                     registerModule("TembriMFX.dll");
    }
    static void TearDownTestSuite() { OleUninitialize(); }

    void SetUp() override
    {
        ASSERT_TRUE(registered);
        ASSERT_TRUE(user.active());
        ASSERT_TRUE(session.CreateParams());
        session.Start([this](const char *) { return static_cast<IQuorvaneSoundMngr *>(&manager); });
    }

    PartsWindow &open(bool noReload = false)
    {
        window =
            std::make_unique<PartsWindow>(PartsWindowSetup{database, session, bridge, profile, noReload, {}});
        HWND handle = window->Create(GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(handle, nullptr);
        ShowWindow(handle, SW_SHOW);
        return *window;
    }

    static inline bool registered = false;
    testing_support::CurrentUserOverride user;
    ProgramProfile profile{testing_support::uniqueName("Rallimoth")};
    CHalvorinApp bridge{testing_support::uniqueName("Parts").c_str()};
    FakeDatabase database;
    SoundSession session{database, bridge};
    LoggingSoundMngr manager;
    ShownMessages shown;
    std::unique_ptr<PartsWindow> window;
};

TEST_F(PartsWindowTest, BuildsTwelvePartsOfThreeDrummers)
{
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    EXPECT_TRUE(parts.IsBuilt());
    EXPECT_TRUE(shown.texts.empty());
    for (int part = 0; part < kPartCount; ++part) {
        CTrackMIDI *track = PartTrack(*parts.Song(), part);
        ASSERT_NE(track, nullptr) << part;
        EXPECT_EQ(track->effects.GetNumEffects(), 3);
        EXPECT_EQ(track->IsMute(), part != 0) << part;
        for (int element = 0; element < kDrummerElements; ++element)
            EXPECT_NE(parts.Drummers().Request(part, element), nullptr) << part << "/" << element;
    }
    // Fresh fill drummers play in the second and the fourth measure, and
    // told the window so through its sink.
    LONG measure = -1;
    ASSERT_EQ(parts.Drummers().Request(7, 2)->GetParam(QN3FillMeasure, -1, &measure), S_OK);
    EXPECT_EQ(measure, 3);
    EXPECT_EQ(parts.Drummers().Mirror(7, 2).params[0], 3);
    EXPECT_EQ(parts.Drummers().Mirror(7, 1).params[0], 1);
    EXPECT_EQ(parts.Song()->selectionStart, 0);
    EXPECT_EQ(parts.Song()->selectionEnd, 3840);
    pump();
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_parts_window").empty());
}

TEST_F(PartsWindowTest, AClickOnThePartGridSwitchesParts)
{
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    parts.Click(6 + 26 + 5, 28 + 26 + 5); // part 5 (row 1, column 1)
    EXPECT_EQ(parts.SelectedPart(), 4);
    pump();
    EXPECT_EQ(parts.CurrentPart(), 4);
    EXPECT_FALSE(PartTrack(*parts.Song(), 4)->IsMute());
    EXPECT_TRUE(PartTrack(*parts.Song(), 0)->IsMute());

    parts.Click(156 + 168 + 26 * 2 + 3, 10); // three measures
    EXPECT_EQ(parts.PartLength(4), 3);
    EXPECT_EQ(parts.Song()->selectionEnd, 3 * 3840);
    pump();
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_parts_window_part5").empty());
}

TEST_F(PartsWindowTest, ClosingHibernatesTheStateAndCommitsOnce)
{
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    parts.Click(6 + 52 + 5, 28 + 78 + 5); // part 12
    pump();
    parts.CloseSequence();
    parts.CloseSequence();
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "commit"), 1);
    ASSERT_EQ(database.savedState.size(), 80u);
    SavedPartsState state{};
    ASSERT_TRUE(ReadSavedState(database.savedState.data(), 80, state));
    EXPECT_EQ(state.currentPart, 11);
    EXPECT_EQ(state.loop, 1);
    EXPECT_EQ(profile.getInt(option::DBCommitDialog, 1), 0);
    EXPECT_EQ(session.SoundManager(), nullptr) << "the engine was given back";
    EXPECT_EQ(manager.log.back(), "release");
}

TEST_F(PartsWindowTest, WithoutADatabaseFreshPartsAreBuiltAfterTheMessage)
{
    database.hibernation = Hibernation::Unavailable;
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    EXPECT_EQ(shown.texts, std::vector<std::string>{"Main DataBase error."});
    EXPECT_NE(PartTrack(*parts.Song(), 11), nullptr);
}

TEST_F(PartsWindowTest, AnOddSizedStateKeepsTheDefaults)
{
    database.hibernation = Hibernation::Restored;
    SavedPartsState state{kSavedStateMagic, 6, 2, {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}, 0, {1, 1, 1, 1}};
    database.hibernatedState.assign(reinterpret_cast<uint8_t *>(&state),
                                    reinterpret_cast<uint8_t *>(&state) + 80);
    database.hibernatedState.push_back(0); // 81 bytes
    database.restore = [](CSong *song) { BuildFreshParts(*song, 0); };
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    EXPECT_EQ(parts.CurrentPart(), 0);
    EXPECT_EQ(parts.PartLength(6), 1);
    EXPECT_NE(PartTrack(*parts.Song(), 6), nullptr) << "the restored song stays";
}

TEST_F(PartsWindowTest, ARestoredStateSelectsItsPartAndLengths)
{
    database.hibernation = Hibernation::Restored;
    SavedPartsState state{kSavedStateMagic, 6, 2, {3, 3, 3, 3, 3, 3, 2, 3, 3, 3, 3, 3}, 0, {1, 0, 1, 1}};
    database.hibernatedState.assign(reinterpret_cast<uint8_t *>(&state),
                                    reinterpret_cast<uint8_t *>(&state) + 80);
    database.restore = [](CSong *song) { BuildFreshParts(*song, 6); };
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    EXPECT_EQ(parts.CurrentPart(), 6);
    EXPECT_EQ(parts.SelectedPart(), 6);
    EXPECT_FALSE(parts.Loop());
    EXPECT_EQ(parts.Song()->selectionEnd, 2 * 3840);
}

TEST_F(PartsWindowTest, TheNoReloadFlagNeverAsksForTheSavedState)
{
    database.hibernation = Hibernation::Unavailable;
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    EXPECT_TRUE(shown.texts.empty());
}

} // namespace
