// The parts window as the program opens it: the drummers of both modules
// created by class id through "Tembri MFX" (registered in the prefix by
// their own entry points), a database and a sound manager of the test's
// own. It builds twelve parts, switches them by mouse, paints itself into
// a picture, and hibernates its state when it closes.
#include "app/parts_window.h"

#include "app/files/file_choice.h"
#include "app/options/option_dialog_ids.h"
#include "app/options/output_port.h"
#include "app/options/output_strip.h"
#include "app/options/tests/dialog_answer.h"
#include "app/parts_labels.h"
#include "app/parts_song.h"
#include "app/resource_ids.h"
#include "app/program_messages.h"
#include "app/program_options.h"
#include "app/resource_ids.h"
#include "app/tests/program_fakes.h"
#include "base/message_box.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "gui/draw/shared_objects.h"
#include "outside/halvorinapp/halvorin_app.h"
#include "plugin/framework/gui/text_keys.h"
#include "plugin/framework/plugin/drummer_transfer.h"
#include "testing/real_input.h"
#include "testing/realtime_counters.h"
#include "testing/sandbox.h"
#include "testing/screenshot.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <functional>

#include <ole2.h>
#include <shlobj.h>

#include <cstring>

#include <algorithm>
#include <set>

namespace {

using namespace Quorvane;
using program_testing::FakeDatabase;
using program_testing::LoggingSoundMngr;
using program_testing::ShownMessages;
using testing_support::sendClick;
using testing_support::sendExtendedKey;
using testing_support::sendKeys;
using testing_support::sendMove;

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

// A dropped-file handle naming one file, as the shell hands it to a window.
HGLOBAL droppedFile(const char *path)
{
    const size_t length = std::strlen(path) + 1;
    HGLOBAL drop = GlobalAlloc(GHND, sizeof(DROPFILES) + length + 1);
    if (!drop)
        return nullptr;
    auto *files = static_cast<DROPFILES *>(GlobalLock(drop));
    files->pFiles = sizeof(DROPFILES);
    std::memcpy(reinterpret_cast<char *>(files) + sizeof(DROPFILES), path, length);
    GlobalUnlock(drop);
    return drop;
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

    PartsWindow &open(bool noReload = false, const std::string &stylePath = {},
                      const std::string &starterStylePath = {})
    {
        window = std::make_unique<PartsWindow>(
            PartsWindowSetup{database, session, bridge, profile, noReload, stylePath, starterStylePath});
        HWND handle = window->Create(GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(handle, nullptr);
        ShowWindow(handle, SW_SHOW);
        return *window;
    }

    static inline bool registered = false;
    testing_support::CurrentUserOverride user;
    ProgramProfile profile{testing_support::uniqueName("Rallimoth")};
    std::string bridgeTitle = testing_support::uniqueName("Parts");
    CHalvorinApp bridge{bridgeTitle.c_str()};
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

TEST_F(PartsWindowTest, TheFrontEditorShowsTheCurrentPartsDrummer)
{
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    ASSERT_EQ(parts.FrontEditor(), 1) << "fresh parts show the first fill drummer";
    for (int i = 0; i < kDrummerElements; ++i) {
        HWND host = parts.EditorWindow(i);
        ASSERT_NE(host, nullptr);
        EXPECT_NE(GetWindow(host, GW_CHILD), nullptr) << "editor " << i << " holds its drummer's panel";
        EXPECT_EQ(IsWindowVisible(host) != 0, i == 1) << i;
    }
    char title[96] = {};
    GetWindowTextA(parts.EditorWindow(2), title, sizeof(title));
    EXPECT_EQ(std::string(title).substr(std::string(title).size() - 2), " 2");
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.EditorWindow(1), "rallimoth_fill_editor").empty());

    // Ctrl+Up brings the loop-slice drummer's editor to the front.
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(parts.Handle(), WM_KEYDOWN, VK_UP, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(parts.FrontEditor(), 0);
    EXPECT_TRUE(IsWindowVisible(parts.EditorWindow(0)));
    EXPECT_FALSE(IsWindowVisible(parts.EditorWindow(1)));

    parts.Click(6 + 52 + 5, 28 + 5); // part 3
    pump();
    EXPECT_EQ(parts.CurrentPart(), 2);
    EXPECT_NE(GetWindow(parts.EditorWindow(0), GW_CHILD), nullptr) << "the editors moved to the new part";
    EXPECT_FALSE(
        testing_support::writeWindowPicture(parts.EditorWindow(0), "rallimoth_slice_editor").empty());
    parts.CloseSequence();
    EXPECT_EQ(parts.EditorWindow(0), nullptr);
}

TEST_F(PartsWindowTest, TheFourthEditorShowsTheOutputsSynth)
{
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    HWND host = parts.EditorWindow(3);
    ASSERT_NE(manager.levels.synth.editor, nullptr);
    EXPECT_EQ(GetParent(manager.levels.synth.editor), host);
    char title[64] = {};
    GetWindowTextA(host, title, sizeof(title));
    EXPECT_STREQ(title, "Default Preview");
    RECT r;
    GetClientRect(host, &r);
    EXPECT_EQ(r.right, 220);
    parts.CloseSequence();
    EXPECT_EQ(manager.levels.synth.closed, 1);
    EXPECT_EQ(manager.levels.synth.editor, nullptr);
}

LPARAM at(int x, int y)
{
    return MAKELPARAM(x, y);
}

TEST_F(PartsWindowTest, DragsSetTheTempoAndTheNameColumnsWidth)
{
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    HWND h = parts.Handle();
    // The tempo bar spans 10..500 over 130 pixels from W + 382.
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at(156 + 382 + 65, 28 + 52 + 5));
    EXPECT_EQ(parts.Playback().Tempo(), 255.0f);
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, at(156 + 382 + 130, 28 + 52 + 5));
    SendMessageA(h, WM_LBUTTONUP, 0, at(156 + 382 + 130, 28 + 52 + 5));
    EXPECT_EQ(parts.Playback().Tempo(), 500.0f);
    EXPECT_FLOAT_EQ(ReadSongTempo(*parts.Song()), 500.0f) << "written into the master track";
    SendMessageA(h, WM_MOUSEMOVE, 0, at(156 + 382, 28 + 52 + 5));
    EXPECT_EQ(parts.Playback().Tempo(), 500.0f) << "the drag ended";
    parts.Click(156 + 520, 28 + 52 + 5); // "Default"
    EXPECT_EQ(parts.Playback().Tempo(), 100.0f);

    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at(156 + 90, 10));
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, at(156 + 90 + 40, 10));
    SendMessageA(h, WM_LBUTTONUP, 0, at(156 + 90 + 40, 10));
    EXPECT_EQ(parts.NameWidth(), 196);
    RECT client;
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 196 + 544);
    SetWindowPos(h, nullptr, 0, 0, 300, 400, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(h, &client);
    EXPECT_EQ(client.right, 196 + 544) << "the size is the column's";
    EXPECT_EQ(client.bottom, 140);
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at(196 + 90, 10));
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, at(-400, 10));
    SendMessageA(h, WM_LBUTTONUP, 0, at(-400, 10));
    EXPECT_EQ(parts.NameWidth(), 26) << "the narrowest column";
    parts.CloseSequence();
    EXPECT_EQ(profile.getInt(option::NameW, 0), 26);
}

TEST_F(PartsWindowTest, VolumeAndPanningDragTheOutputsLevels)
{
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    HWND h = parts.Handle();
    // Volume 0..2 over the bar: a quarter of it is 0.5; the panning stays.
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at(156 + 382 + 130 / 4, 28 + 5));
    SendMessageA(h, WM_LBUTTONUP, 0, at(156 + 382 + 130 / 4, 28 + 5));
    EXPECT_NEAR(manager.levels.volume, 0.5f, 0.02f);
    EXPECT_EQ(manager.levels.panning, 1.0f);
    // Dragged past the bar's end: hard right.
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at(156 + 382 + 100, 28 + 26 + 5));
    SendMessageA(h, WM_MOUSEMOVE, MK_LBUTTON, at(156 + 382 + 300, 28 + 26 + 5));
    SendMessageA(h, WM_LBUTTONUP, 0, at(156 + 382 + 300, 28 + 26 + 5));
    EXPECT_EQ(manager.levels.panning, 2.0f);
    pump();
    EXPECT_FALSE(testing_support::writeWindowPicture(h, "rallimoth_levels").empty());
    parts.Click(156 + 520, 28 + 5); // volume back to its default
    EXPECT_EQ(manager.levels.volume, 1.0f);
    EXPECT_EQ(manager.levels.panning, 2.0f) << "the other level kept";

    // An output that renders no audio has no levels to drag.
    manager.levels.outBus = -1;
    SendMessageA(h, WM_LBUTTONDOWN, MK_LBUTTON, at(156 + 382, 28 + 5));
    SendMessageA(h, WM_LBUTTONUP, 0, at(156 + 382, 28 + 5));
    EXPECT_EQ(manager.levels.volume, 1.0f);
    float volume = 0, panning = 0;
    EXPECT_FALSE(parts.Levels(volume, panning));
}

TEST_F(PartsWindowTest, AFloatingEditorDocksAgainWhenClosed)
{
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    parts.Click(156 + 120, 28 + 26 + 5); // dock column of the first fill drummer
    EXPECT_FALSE(parts.Docked(1));
    EXPECT_TRUE(GetWindowLongPtrA(parts.EditorWindow(1), GWL_STYLE) & WS_CAPTION);
    SendMessageA(parts.EditorWindow(1), WM_CLOSE, 0, 0);
    pump();
    EXPECT_TRUE(parts.Docked(1));
    EXPECT_FALSE(GetWindowLongPtrA(parts.EditorWindow(1), GWL_STYLE) & WS_CAPTION);
}

TEST_F(PartsWindowTest, ThePositionDisplayMarksTheMeasureAndTheFills)
{
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    pump();                                  // the first run's output chooser, cancelled
    parts.Click(156 + 168 + 26 * 3 + 3, 10); // four measures
    const FillMirror fill = parts.Drummers().Mirror(0, 1);
    ASSERT_EQ(fill.params[0], 1);
    manager.playing = 1;
    // The fill drummer's fill runs through its whole measure.
    ASSERT_LE(fill.fillStart, fill.measureStart + 100);
    ASSERT_GE(fill.fillEnd, fill.measureStart + 100);
    parts.Song()->currentTick = fill.measureStart + 100;
    SendMessageA(parts.Handle(), kMsgSongPointer, 0, 0);
    EXPECT_EQ(parts.PositionMarkers()[0], 1);
    EXPECT_EQ(parts.PositionMarkers()[1], 1);
    EXPECT_EQ(parts.PositionMarkers()[2], -1) << "the second fill lies in the fourth measure";
    pump();
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_position").empty());
    manager.playing = 0;
    SendMessageA(parts.Handle(), kMsgSongPointer, 0, 0);
    EXPECT_EQ(parts.PositionMarkers()[0], -1);
}

// Ctrl held through the keyboard state the window reads.
void keyWithControl(HWND window, WPARAM key)
{
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageA(window, WM_KEYDOWN, key, 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

TEST_F(PartsWindowTest, KeysSelectPartsAndSpacePlays)
{
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    HWND h = parts.Handle();
    struct Step {
        WPARAM key;
        int part;
    };
    for (const Step step : {Step{'5', 4}, Step{VK_ADD, 5}, Step{VK_OEM_MINUS, 4}, Step{'0', 9},
                            Step{VK_NUMPAD1, 0}, Step{VK_SUBTRACT, 0}}) {
        keyWithControl(h, step.key);
        pump();
        EXPECT_EQ(parts.CurrentPart(), step.part) << step.key;
        EXPECT_EQ(parts.SelectedPart(), step.part) << step.key;
    }
    SendMessageA(h, WM_KEYDOWN, '5', 0);
    pump();
    EXPECT_EQ(parts.CurrentPart(), 0) << "digits alone select nothing";

    SendMessageA(h, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(manager.IsPlayed());
    SendMessageA(h, WM_KEYDOWN, VK_SPACE, 1 << 30);
    EXPECT_TRUE(manager.IsPlayed()) << "a repeated key does nothing";

    // Another part while playing: it stops and the switch starts it again.
    keyWithControl(h, '3');
    EXPECT_FALSE(manager.IsPlayed());
    pump();
    EXPECT_EQ(parts.CurrentPart(), 2);
    EXPECT_TRUE(manager.IsPlayed());
}

TEST_F(PartsWindowTest, AChannelHandedOverRestartsTheEngineForTheBridge)
{
    ASSERT_EQ(bridge.LaunchApp(""), 1);
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    HMENU menu = GetMenu(parts.Handle());
    EXPECT_EQ(GetMenuState(menu, ID_AUDIO_STREAM, MF_BYCOMMAND) & MF_GRAYED, 0u);
    manager.log.clear();

    // The bridge's provider starts a second process for channel 2; it hands
    // the channel over and ends.
    CHalvorinApp started(bridgeTitle.c_str());
    EXPECT_EQ(started.LaunchApp("-halvorin:channel:2"), 0);
    for (int i = 0; i < 100 && manager.log.empty(); ++i)
        pump();
    EXPECT_EQ(manager.log, (std::vector<std::string>{"stop", "init", "start", "notify"}));
    EXPECT_NE(GetMenuState(menu, ID_AUDIO_STREAM, MF_BYCOMMAND) & MF_GRAYED, 0u) << "the bridge streams now";

    // The bridge lets go: back to the database's provider.
    manager.log.clear();
    HANDLE letGo = CreateEventA(nullptr, TRUE, FALSE, (bridgeTitle + "_DCNT").c_str());
    SetEvent(letGo);
    for (int i = 0; i < 100 && manager.log.empty(); ++i)
        pump();
    CloseHandle(letGo);
    EXPECT_EQ(manager.log, (std::vector<std::string>{"stop", "init", "start", "notify"}));
    EXPECT_EQ(GetMenuState(menu, ID_AUDIO_STREAM, MF_BYCOMMAND) & MF_GRAYED, 0u);
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

// The file commands through the window, the file dialog answered by the
// test: a style saved and opened again, the title naming it, and the
// current part's result exported.
TEST_F(PartsWindowTest, AStyleSavedAndOpenedAgainBringsBackItsPartsAndNamesTheTitle)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    testing_support::TempFolder temp;
    std::string answer = temp.file("groove.qns");
    SetFileDialogRunner([&answer](OPENFILENAMEA &dialog, bool) {
        lstrcpynA(dialog.lpstrFile, answer.c_str(), static_cast<int>(dialog.nMaxFile));
        return true;
    });
    HWND window = parts.Handle();
    SendMessageA(window, WM_COMMAND, ID_MEASURES_1 + 4, 0);
    ASSERT_EQ(parts.PartLength(0), 5);
    SendMessageA(window, WM_COMMAND, ID_SAVE_STYLE, 0);
    EXPECT_EQ(testing_support::readFile(answer).substr(0, 4), "QN32");

    SendMessageA(window, WM_COMMAND, ID_MEASURES_1 + 1, 0);
    ASSERT_EQ(parts.PartLength(0), 2);
    SendMessageA(window, WM_COMMAND, ID_OPEN_STYLE, 0);
    EXPECT_EQ(parts.PartLength(0), 5);
    char title[128] = {};
    GetWindowTextA(window, title, sizeof(title));
    EXPECT_STREQ(title, "Rallimoth Omvel - groove");

    // A style is no part: opening it as one is refused.
    SendMessageA(window, WM_COMMAND, ID_OPEN_PART, 0);
    EXPECT_EQ(shown.texts, std::vector<std::string>{"Can't load style."});

    answer = temp.file("take.mid");
    SendMessageA(window, WM_COMMAND, ID_EXPORT_MIDI, 0);
    EXPECT_EQ(testing_support::readFile(answer).substr(0, 4), "MThd");
    // The part tracks are laid out again afterwards.
    EXPECT_GT(PartTrack(*parts.Song(), 0)->GetNumb(), 0);
    SetFileDialogRunner({});
}

// Fresh parts ask for their output port; the port chosen serves all twelve
// parts, its editor shows in the fourth window, and an output that renders
// no audio turns the WAVE result off. The output chooser's click asks
// again; cancelled, it changes nothing.
TEST_F(PartsWindowTest, TheOutputPortChosenServesEveryPart)
{
    manager.levels.otherType = kOutputWithoutAudio;
    database.chooseOutput = [](PORTDESCR &descriptor) {
        descriptor.kind = PORT_BY_NAME;
        return descriptor.SetData("Strings Box") != 0;
    };
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    pump();
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "choose out"), 1);
    EXPECT_EQ(manager.levels.addedKinds, std::vector<long>{PORT_BY_NAME});
    for (int part = 0; part < kPartCount; ++part)
        EXPECT_EQ(PartTrack(*parts.Song(), part)->output, &manager.levels.other) << part;
    EXPECT_TRUE(manager.levels.deleted.empty()) << "the tract's first output stays";
    EXPECT_EQ(parts.FrontEditor(), 3);
    EXPECT_TRUE(IsWindowVisible(parts.EditorWindow(3)));
    EXPECT_EQ(GetParent(manager.levels.synth.editor), parts.EditorWindow(3));
    EXPECT_FALSE(parts.AudioAvailable());
    HMENU menu = GetMenu(parts.Handle());
    EXPECT_NE(GetMenuState(menu, ID_EXPORT_AUDIO, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_NE(GetMenuState(menu, ID_COPY_RESULT_WAVE, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_EQ(GetMenuState(menu, ID_COPY_RESULT_MIDI, MF_BYCOMMAND) & MF_GRAYED, 0u);
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_out_port").empty());

    database.chooseOutput = nullptr;
    parts.Click(156 + 85, 110); // the output chooser
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "choose out"), 2);
    EXPECT_EQ(manager.levels.addedKinds.size(), 1u);
    EXPECT_EQ(PartTrack(*parts.Song(), 11)->output, &manager.levels.other);
}

// A port the tract cannot add: the user is told with 505 and every part
// keeps the output it had.
TEST_F(PartsWindowTest, AnOutputPortTheTractRefusesIsShownAsNotLoaded)
{
    manager.levels.refuseOutput = true;
    database.chooseOutput = [](PORTDESCR &descriptor) {
        descriptor.kind = PORT_BY_NAME;
        return descriptor.SetData("Broken Box") != 0;
    };
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    pump();
    ASSERT_EQ(manager.levels.addedKinds, std::vector<long>{PORT_BY_NAME}) << "the port was tried";
    EXPECT_EQ(shown.texts, std::vector<std::string>{"Can't load Output Port."});
    for (int part = 0; part < kPartCount; ++part)
        EXPECT_NE(PartTrack(*parts.Song(), part)->output, &manager.levels.other) << part;
    EXPECT_TRUE(parts.IsBuilt());
}

// The playback dialog, answered by the test: the new plain velocity is the
// trigger velocity from now on, and the host's last bend is forgotten.
TEST_F(PartsWindowTest, ThePlaybackDialogResetsTheTriggerVelocityAndTheLastBend)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    parts.Playback().OnHostNotify(kHostNoNote, 0, 0.0f, 3000, kHostUnchanged);
    ASSERT_EQ(parts.Playback().LastBend(), 3000);
    rallimoth_test::DialogAnswer answer(IDC_PLAYBACK_VELOCITY, [](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_PLAYBACK_VELOCITY, "64");
        rallimoth_test::press(dialog, IDOK);
    });
    SendMessageA(parts.Handle(), WM_COMMAND, ID_PLAYBACK, 0);
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(profile.getInt(option::VeloStat, 0), 64);
    EXPECT_EQ(parts.Playback().TriggerVelocity(), 64);
    EXPECT_EQ(parts.Playback().LastBend(), 0);
}

// The audio streaming dialog, answered OK: the parameters go into the
// database and the engine starts again on them; cancelled, the engine only
// starts again.
TEST_F(PartsWindowTest, TheAudioStreamDialogStoresTheParametersAndRestartsTheEngine)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    for (const int button : {IDCANCEL, IDOK}) {
        manager.log.clear();
        database.log.clear();
        rallimoth_test::DialogAnswer answer(IDC_STREAM_LIST,
                                            [button](HWND dialog) { rallimoth_test::press(dialog, button); });
        SendMessageA(parts.Handle(), WM_COMMAND, ID_AUDIO_STREAM, 0);
        ASSERT_TRUE(answer.answered());
        if (button == IDOK) {
            EXPECT_EQ(manager.log, (std::vector<std::string>{"stop", "init", "start", "notify"}));
            EXPECT_EQ(database.log, std::vector<std::string>{"set io"});
        } else {
            EXPECT_EQ(manager.log, (std::vector<std::string>{"stop", "start", "notify"}));
            EXPECT_TRUE(database.log.empty());
        }
    }
}

// The VST folders dialog, answered by the test: the folders, each without
// its trailing slash, go into the database's parameters and the program's.
TEST_F(PartsWindowTest, TheVstFoldersGoIntoTheDatabaseAndTheProgram)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    database.stored.sampleRate = 48000;
    rallimoth_test::DialogAnswer answer(IDC_VST_FOLDER2, [](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_VST_FOLDER2, "C:\\Plugins\\");
        rallimoth_test::press(dialog, IDOK);
    });
    SendMessageA(parts.Handle(), WM_COMMAND, ID_VST_DIRECTORY, 0);
    ASSERT_TRUE(answer.answered());
    ASSERT_NE(database.stored.strings[IOSTR_VSTDIR2], nullptr);
    EXPECT_STREQ(database.stored.strings[IOSTR_VSTDIR2], "C:\\Plugins");
    EXPECT_EQ(database.stored.sampleRate, 48000) << "the rest of the database's parameters stays";
    ASSERT_NE(session.Params()->strings[IOSTR_VSTDIR2], nullptr);
    EXPECT_STREQ(session.Params()->strings[IOSTR_VSTDIR2], "C:\\Plugins");
}

// The copy-result button puts the current part's result on the clipboard
// in the chosen format; the drag-result button drags it out.
TEST_F(PartsWindowTest, TheResultButtonsCopyAndDragTheResult)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    SendMessageA(parts.Handle(), WM_COMMAND, ID_FORMAT_MIDI, 0);
    const UINT midi = RegisterClipboardFormatA("Standard MIDI File");
    auto header = [](HGLOBAL global) {
        std::string bytes;
        if (const char *p = static_cast<const char *>(GlobalLock(global))) {
            bytes.assign(p, std::min<SIZE_T>(GlobalSize(global), 4));
            GlobalUnlock(global);
        }
        return bytes;
    };
    parts.Click(156 + 390, 110); // copy result
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE copied = GetClipboardData(midi);
    EXPECT_EQ(copied ? header(copied) : std::string(), "MThd");
    CloseClipboard();

    std::string dragged;
    auto old = DrummerTransfer::setDragHook([&](IDataObject *data, DWORD *effect) {
        FORMATETC format{static_cast<CLIPFORMAT>(midi), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        if (SUCCEEDED(data->GetData(&format, &medium))) {
            dragged = header(medium.hGlobal);
            ReleaseStgMedium(&medium);
        }
        *effect = DROPEFFECT_COPY;
        return DRAGDROP_S_DROP;
    });
    parts.Click(156 + 420, 110); // drag result
    DrummerTransfer::setDragHook(old);
    EXPECT_EQ(dragged, "MThd");
}

// A style named on the command line opens once the parts stand, without a
// file dialog.
TEST_F(PartsWindowTest, TheStyleNamedOnTheCommandLineOpensWithTheParts)
{
    testing_support::TempFolder temp;
    const std::string path = temp.file("groove.qns");
    {
        PartsWindow &parts = open(true);
        ASSERT_TRUE(parts.FinishSetUp());
        SendMessageA(parts.Handle(), WM_COMMAND, ID_MEASURES_1 + 4, 0);
        SetFileDialogRunner([&path](OPENFILENAMEA &dialog, bool) {
            lstrcpynA(dialog.lpstrFile, path.c_str(), static_cast<int>(dialog.nMaxFile));
            return true;
        });
        SendMessageA(parts.Handle(), WM_COMMAND, ID_SAVE_STYLE, 0);
        SetFileDialogRunner({});
        ASSERT_EQ(testing_support::readFile(path).substr(0, 4), "QN32");
        window.reset(); // gives the engine back
    }
    ASSERT_TRUE(session.CreateParams());
    session.Start([this](const char *) { return static_cast<IQuorvaneSoundMngr *>(&manager); });
    bool asked = false;
    SetFileDialogRunner([&asked](OPENFILENAMEA &, bool) { return asked = true, false; });
    PartsWindow &parts = open(true, path);
    ASSERT_TRUE(parts.FinishSetUp());
    SetFileDialogRunner({});
    EXPECT_FALSE(asked);
    EXPECT_EQ(parts.PartLength(0), 5);
    EXPECT_EQ(parts.PartLength(1), 1);
    char title[128] = {};
    GetWindowTextA(parts.Handle(), title, sizeof(title));
    EXPECT_STREQ(title, "Rallimoth Omvel - groove");
    EXPECT_TRUE(shown.texts.empty());
}

// Fresh parts start from the starter style the build lays out beside the
// program, and its twelve parts play twelve different results off line.
TEST_F(PartsWindowTest, FreshPartsStartFromTheStarterStyleWhoseTwelvePartsPlayDifferently)
{
    const std::string starter = distFolder() + "\\Styles\\Starter.qns";
    ASSERT_EQ(testing_support::readFile(starter).substr(0, 4), "QN32");
    PartsWindow &parts = open(false, {}, starter);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    char title[128] = {};
    GetWindowTextA(parts.Handle(), title, sizeof(title));
    EXPECT_STREQ(title, "Rallimoth Omvel - Starter");
    const int lengths[kPartCount] = {2, 4, 4, 1, 4, 8, 2, 4, 4, 8, 2, 4};
    for (int part = 0; part < kPartCount; ++part)
        EXPECT_EQ(parts.PartLength(part), lengths[part]) << part;
    EXPECT_FLOAT_EQ(parts.Playback().Tempo(), 104.0f);
    // The fill measures the drummers took (0-based): part 2's in its second
    // and fourth measure, part 6's in its fourth and eighth.
    EXPECT_EQ(parts.Drummers().Mirror(1, 1).params[0], 1);
    EXPECT_EQ(parts.Drummers().Mirror(1, 2).params[0], 3);
    EXPECT_EQ(parts.Drummers().Mirror(5, 1).params[0], 3);
    EXPECT_EQ(parts.Drummers().Mirror(5, 2).params[0], 7);

    testing_support::TempFolder temp;
    std::string answer;
    SetFileDialogRunner([&answer](OPENFILENAMEA &dialog, bool) {
        lstrcpynA(dialog.lpstrFile, answer.c_str(), static_cast<int>(dialog.nMaxFile));
        return true;
    });
    std::set<std::string> results;
    for (int part = 0; part < kPartCount; ++part) {
        parts.Click(6 + (part % 3) * 26 + 5, kRowsTop + (part / 3) * 26 + 5);
        pump();
        ASSERT_EQ(parts.CurrentPart(), part);
        answer = temp.file("part" + std::to_string(part + 1) + ".mid");
        SendMessageA(parts.Handle(), WM_COMMAND, ID_EXPORT_MIDI, 0);
        const std::string midi = testing_support::readFile(answer);
        ASSERT_EQ(midi.substr(0, 4), "MThd") << part;
        // Notes on some channel: the drummers played.
        EXPECT_NE(std::count_if(midi.begin(), midi.end(), [](char c) { return (c & 0xF0) == 0x90; }), 0)
            << part;
        results.insert(midi);
    }
    SetFileDialogRunner({});
    EXPECT_EQ(results.size(), static_cast<size_t>(kPartCount));
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_starter_style").empty());
    EXPECT_TRUE(shown.texts.empty());
}

// A saved state that comes back wins over the starter style.
TEST_F(PartsWindowTest, ARestoredStateOpensNoStarterStyle)
{
    database.hibernation = Hibernation::Restored;
    SavedPartsState state{kSavedStateMagic, 0, 1, {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}, 1, {1, 1, 1, 1}};
    database.hibernatedState.assign(reinterpret_cast<uint8_t *>(&state),
                                    reinterpret_cast<uint8_t *>(&state) + 80);
    database.restore = [](CSong *song) { BuildFreshParts(*song, 0); };
    PartsWindow &parts = open(false, {}, distFolder() + "\\Styles\\Starter.qns");
    ASSERT_TRUE(parts.FinishSetUp());
    char title[128] = {};
    GetWindowTextA(parts.Handle(), title, sizeof(title));
    EXPECT_STREQ(title, "Rallimoth Omvel");
    EXPECT_EQ(parts.PartLength(1), 3);
}

// The template chooser, answered by the test: it gets the present state,
// the parts let go before the template loads, and the template's parts
// come with their state block: its part, front editor and lengths.
TEST_F(PartsWindowTest, AChosenTemplateBringsItsPartsAndState)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    parts.Click(156 + 120, 28 + 26 + 5); // the first fill drummer's editor floats
    ASSERT_FALSE(parts.Docked(1));
    bool releasedFirst = false;
    database.chooseTemplate = [&](CSong *song, std::vector<uint8_t> &state) {
        releasedFirst = parts.Drummers().Request(0, 0) == nullptr && parts.Docked(1);
        song->SetDefault();
        BuildFreshParts(*song, 5);
        EXPECT_TRUE(database.templateCheck(song->GetNextTrack(song->GetTrackMaster())))
            << "twelve parts with their drummers pass the window's check";
        SavedPartsState chosen{kSavedStateMagic, 5, 0, {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4}, 0, {1, 1, 1, 1}};
        const auto *bytes = reinterpret_cast<const uint8_t *>(&chosen);
        state.assign(bytes, bytes + sizeof(chosen));
        return true;
    };
    SendMessageA(parts.Handle(), WM_COMMAND, ID_TEMPLATE, 0);
    ASSERT_EQ(database.offeredState.size(), 80u);
    SavedPartsState offered{};
    ASSERT_TRUE(ReadSavedState(database.offeredState.data(), 80, offered));
    EXPECT_EQ(offered.docked[1], 0) << "the state as it was";
    EXPECT_TRUE(releasedFirst) << "drummers let go and editors docked before the load";
    EXPECT_TRUE(parts.IsBuilt());
    EXPECT_EQ(parts.CurrentPart(), 5);
    EXPECT_EQ(parts.SelectedPart(), 5);
    EXPECT_EQ(parts.FrontEditor(), 0);
    EXPECT_EQ(parts.PartLength(3), 4);
    EXPECT_EQ(parts.Song()->selectionEnd, 6 * 3840);
    EXPECT_FALSE(parts.Loop());
    EXPECT_FALSE(PartTrack(*parts.Song(), 5)->IsMute());
    for (int element = 0; element < kDrummerElements; ++element)
        EXPECT_NE(parts.Drummers().Request(11, element), nullptr) << element;
    EXPECT_NE(GetWindow(parts.EditorWindow(0), GW_CHILD), nullptr) << "the new part's editor shows";
    pump();
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_template").empty());

    // Cancelled, the chooser leaves everything as it is.
    database.chooseTemplate = nullptr;
    SendMessageA(parts.Handle(), WM_COMMAND, ID_TEMPLATE, 0);
    EXPECT_EQ(parts.CurrentPart(), 5);
    EXPECT_NE(parts.Drummers().Request(5, 1), nullptr);
}

// The saved state of a part's drummer, as its chain element gives it.
std::string drummerState(CSong &song, int part, int element)
{
    CMEffElem *elem = PartElement(song, part, element);
    PORTDESCR descriptor;
    if (!elem || !elem->GetMEffectDescr(&descriptor, 1) || !descriptor.params)
        return {};
    return std::string(static_cast<char *>(descriptor.params), size_t(descriptor.paramsSize));
}

// A template that does not come in leaves the parts as they were: their
// tracks, lengths, drummers and the window's state (the template's block
// is not applied). One that failed to load the chooser has told about;
// one without the twelve parts' tracks the window refuses before the
// song's go, and says so.
TEST_F(PartsWindowTest, ATemplateThatDoesNotComeInLeavesThePartsAsTheyWere)
{
    PartsWindow &parts = open(false, {}, distFolder() + "\\Styles\\Starter.qns");
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    SendMessageA(parts.Handle(), WM_COMMAND, ID_MEASURES_1 + 6, 0); // the first part: 7 measures
    // The template's tracks below are made with drummers of their own; the
    // first fill drummers made besides the window's change what those say
    // of their drum map, so some are made (and let go) before the states
    // are taken.
    {
        CSong warm(nullptr, &manager);
        warm.SetDefault();
        ASSERT_EQ(BuildFreshParts(warm, 0), 0);
    }
    CTrackMIDI *tracks[kPartCount];
    int lengths[kPartCount];
    std::string states[kPartCount][kDrummerElements];
    for (int part = 0; part < kPartCount; ++part) {
        tracks[part] = PartTrack(*parts.Song(), part);
        lengths[part] = parts.PartLength(part);
        for (int element = 0; element < kDrummerElements; ++element)
            states[part][element] = drummerState(*parts.Song(), part, element);
    }
    ASSERT_EQ(lengths[0], 7);
    ASSERT_FALSE(states[5][1].empty());
    const int frontEditor = parts.FrontEditor();
    const float tempo = parts.Playback().Tempo();
    const SavedPartsState other{kSavedStateMagic, 5, 0, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 0,
                                {1, 1, 1, 1}};
    const auto *otherBytes = reinterpret_cast<const uint8_t *>(&other);
    struct Case {
        const char *name;
        // The tracks the template made, offered to the window's check.
        int madeParts;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"the load failed", -1, {}},
        {"no part tracks", 0, {ProgramMessageText(MsgCantLoadTemplate)}},
        {"eleven part tracks", 11, {ProgramMessageText(MsgCantLoadTemplate)}},
    };
    for (const Case &c : cases) {
        bool checked = true;
        database.chooseTemplate = [&](CSong *, std::vector<uint8_t> &state) {
            // As the database does: the tracks are made beside the song's,
            // and the window's check is asked before they take their place.
            if (c.madeParts >= 0) {
                CSong made(nullptr, &manager);
                made.SetDefault();
                BuildFreshParts(made, 0);
                for (int part = kPartCount; part > c.madeParts; --part)
                    made.DeleteTrack(made.GetTrack(part), 1);
                checked = database.templateCheck(made.GetNextTrack(made.GetTrackMaster()));
            }
            state.assign(otherBytes, otherBytes + sizeof(other));
            return true; // the chooser closes with OK after a failed load
        };
        shown.texts.clear();
        SendMessageA(parts.Handle(), WM_COMMAND, ID_TEMPLATE, 0);
        EXPECT_EQ(checked, c.madeParts < 0) << c.name << ": the check refuses";
        EXPECT_EQ(shown.texts, c.messages) << c.name;
        EXPECT_TRUE(parts.IsBuilt()) << c.name;
        EXPECT_EQ(parts.CurrentPart(), 0) << c.name;
        EXPECT_EQ(parts.FrontEditor(), frontEditor) << c.name;
        EXPECT_FLOAT_EQ(parts.Playback().Tempo(), tempo) << c.name;
        for (int part = 0; part < kPartCount; ++part) {
            EXPECT_EQ(PartTrack(*parts.Song(), part), tracks[part]) << c.name << " " << part;
            EXPECT_EQ(parts.PartLength(part), lengths[part]) << c.name << " " << part;
            for (int element = 0; element < kDrummerElements; ++element) {
                EXPECT_EQ(drummerState(*parts.Song(), part, element), states[part][element])
                    << c.name << " " << part << "." << element;
                EXPECT_NE(parts.Drummers().Request(part, element), nullptr) << c.name << " " << part;
            }
        }
        EXPECT_EQ(parts.Song()->selectionEnd, 7 * 3840) << c.name;
    }
    pump();
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_template_refused").empty());
}

// Every window the thread destroys (the drummers' editors among them), and
// those it destroys while it holds the watched lock.
struct DestroyedWindows {
    static inline const CRITICAL_SECTION *lock = nullptr;
    static inline int destroyed = 0;
    static inline int underLock = 0;
    static LRESULT CALLBACK watch(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_DESTROYWND) {
            ++destroyed;
            underLock += lock && testing_support::heldByThisThread(*lock) ? 1 : 0;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

// The render thread plays under the song lock: choosing a template, and
// closing the window, shut the drummers' and the output's editors and let
// the separate output go without it.
TEST_F(PartsWindowTest, EditorsAndTheSeparateOutputGoWithoutTheSongLock)
{
    database.chooseOutput = [](PORTDESCR &descriptor) {
        descriptor.kind = PORT_BY_NAME;
        return descriptor.SetData("Strings Box") != 0;
    };
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser: every part on the new output
    ASSERT_EQ(PartTrack(*parts.Song(), 0)->output, &manager.levels.other);
    std::vector<std::string> underLock;
    int closes = 0, deletes = 0;
    const auto note = [&](const char *what) {
        if (testing_support::heldByThisThread(parts.Song()->GetSyncObj()->section))
            underLock.push_back(what);
    };
    manager.levels.synth.whileClosing = [&] {
        ++closes;
        note("output editor");
    };
    manager.levels.whileDeleting = [&](void *) {
        ++deletes;
        note("output");
    };
    database.chooseTemplate = [](CSong *song, std::vector<uint8_t> &) {
        song->SetDefault();
        return BuildFreshParts(*song, 0) == 0;
    };
    DestroyedWindows::lock = &parts.Song()->GetSyncObj()->section;
    DestroyedWindows::destroyed = DestroyedWindows::underLock = 0;
    HHOOK hook = SetWindowsHookExA(WH_CBT, &DestroyedWindows::watch, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    SendMessageA(parts.Handle(), WM_COMMAND, ID_TEMPLATE, 0);
    EXPECT_TRUE(parts.IsBuilt());
    EXPECT_EQ(deletes, 1) << "the separate output went";
    const int destroyedAtTemplate = DestroyedWindows::destroyed;
    parts.CloseSequence();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(closes, 2) << "at the template and at the close";
    EXPECT_GT(destroyedAtTemplate, 0) << "the drummers' editors closed at the template";
    EXPECT_GT(DestroyedWindows::destroyed, destroyedAtTemplate) << "and at the close";
    EXPECT_EQ(underLock, std::vector<std::string>{});
    EXPECT_EQ(DestroyedWindows::underLock, 0);
}

// The output strip's popups, answered by the test: each is checked at the
// present value, the choice reaches all twelve parts, and "Refresh Port
// Info" asks the tract to refresh the selected part's output.
TEST_F(PartsWindowTest, TheOutputStripsPopupsSetEveryPart)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    PartTrack(*parts.Song(), 0)->channel = 9;
    UINT answer = 0;
    int items = 0, checked = -1;
    POINT shownAt{};
    auto old = SetPopupRunner([&](HMENU menu, POINT at, HWND) {
        items = GetMenuItemCount(menu);
        for (int i = 0; i < items; ++i)
            if (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED)
                checked = i;
        shownAt = at;
        return answer;
    });
    answer = 3;                  // "3"
    parts.Click(156 + 150, 110); // channel
    EXPECT_EQ(items, 17);
    EXPECT_EQ(checked, 9);
    POINT field{156 + 142, 132};
    ClientToScreen(parts.Handle(), &field);
    EXPECT_EQ(shownAt.x, field.x);
    EXPECT_EQ(shownAt.y, field.y);
    for (int part = 0; part < kPartCount; ++part)
        EXPECT_EQ(PartTrack(*parts.Song(), part)->channel, 2) << part;

    answer = 2; // "Ctrl 0"
    checked = -1;
    parts.Click(156 + 200, 110); // bank method
    EXPECT_EQ(items, 5);
    for (int part = 0; part < kPartCount; ++part)
        EXPECT_EQ(PartTrack(*parts.Song(), part)->bankMode, 1) << part;

    answer = 5; // "Refresh Port Info"
    parts.Click(156 + 200, 110);
    pump();
    EXPECT_EQ(manager.levels.refreshed, std::vector<void *>{PartTrack(*parts.Song(), 0)->output});

    answer = 0; // dismissed
    parts.Click(156 + 150, 110);
    EXPECT_EQ(checked, 2);
    EXPECT_EQ(PartTrack(*parts.Song(), 7)->channel, 2);
    SetPopupRunner(old);
}

// The bank field opens the in-place editor over it; Enter commits the
// number (clamped to 0..16383) to every part, text that is no number or
// Esc changes nothing, and the output without bank names opens it from
// the field's list arrow too.
TEST_F(PartsWindowTest, TheInPlaceEditorSetsTheBankOfEveryPart)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    HWND edit = parts.BankEditor().Handle();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(GetDlgCtrlID(edit), kValueEditorId);
    EXPECT_FALSE(IsWindowVisible(edit));
    struct Step {
        int x;
        const char *typed;
        WPARAM key;
        long bank;
    };
    for (const Step step :
         {Step{156 + 230, "300", VK_RETURN, 300}, Step{156 + 230, "abc", VK_RETURN, 300},
          Step{156 + 293, "99999", VK_TAB, 16383}, Step{156 + 230, "12", VK_ESCAPE, 16383}}) {
        parts.Click(step.x, 110);
        ASSERT_TRUE(parts.BankEditor().Editing()) << step.typed;
        EXPECT_TRUE(IsWindowVisible(edit));
        EXPECT_EQ(GetCapture(), edit);
        if (step.key == VK_RETURN && step.bank == 300 && std::string(step.typed) == "300") {
            pump();
            EXPECT_FALSE(
                testing_support::writeWindowPicture(parts.Handle(), "rallimoth_bank_editor").empty());
        }
        SetWindowTextA(edit, step.typed);
        SendMessageA(edit, WM_KEYDOWN, step.key, 0);
        EXPECT_FALSE(parts.BankEditor().Editing()) << step.typed;
        EXPECT_FALSE(IsWindowVisible(edit));
        for (int part = 0; part < kPartCount; ++part)
            EXPECT_EQ(PartTrack(*parts.Song(), part)->bank, step.bank) << step.typed << " " << part;
    }
    // A click elsewhere commits too.
    parts.Click(156 + 230, 110);
    SetWindowTextA(edit, "7");
    SendMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-20, -20));
    EXPECT_EQ(PartTrack(*parts.Song(), 4)->bank, 7);
}

// The output row paints its own fields as the drummer rows do: "P", the
// dock mark, and the channel, bank method, bank and program of the
// selected part's track.
TEST_F(PartsWindowTest, TheOutputRowPaintsItsFields)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    const int W = parts.NameWidth();
    // The dark (text) pixels of a field of the output row, as painted now.
    const auto ink = [&](int left, int right) {
        const testing_support::WindowPicture picture = testing_support::printWindow(parts.Handle());
        int dark = 0;
        for (int y = 108; y < 130; ++y)
            for (int x = W + left + 2; x < W + right - 2; ++x) {
                const COLORREF c = picture.at(x, y);
                dark += GetRValue(c) < 96 && GetGValue(c) < 96 && GetBValue(c) < 96;
            }
        return dark;
    };
    struct Field {
        const char *name;
        int left, right;
    };
    const Field fields[] = {{"preset", 90, 116},  {"dock", 116, 142}, {"channel", 142, 194},
                            {"method", 194, 220}, {"bank", 220, 298}, {"program", 298, 376}};
    for (const Field &f : fields)
        EXPECT_GT(ink(f.left, f.right), 0) << f.name;

    // The texts follow the track: "ch: 10" against "ch: -", "Ctrl 32"
    // against "Normal", a bank and program number against "---".
    CTrackMIDI *track = PartTrack(*parts.Song(), parts.SelectedPart());
    track->channel = 9;
    track->bankMode = 2;
    track->bank = 300;
    track->program = 12;
    const int named[] = {ink(142, 194), ink(194, 220), ink(220, 298), ink(298, 376)};
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_output_row").empty());
    track->channel = kNoOutputValue;
    track->bankMode = 0;
    track->bank = kNoOutputValue;
    track->program = kNoOutputValue;
    const int none[] = {ink(142, 194), ink(194, 220), ink(220, 298), ink(298, 376)};
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(named[i], none[i]) << fields[i + 2].name;

    // The dock cell is lit like a drummer's while the output's editor floats.
    const auto dockFill = [&](int top) {
        return testing_support::printWindow(parts.Handle()).at(W + 118, top + 2);
    };
    const int drummerTop = kRowsTop + kRowHeight;
    EXPECT_EQ(dockFill(106), dockFill(drummerTop));
    parts.Click(W + 120, 110);
    ASSERT_FALSE(parts.Docked(kOutputEditor));
    EXPECT_NE(dockFill(106), dockFill(drummerTop));
    parts.Click(W + 116 + 13, drummerTop + 5);
    ASSERT_FALSE(parts.Docked(1));
    EXPECT_EQ(dockFill(106), dockFill(drummerTop));
}

// The parts list as it paints itself: the output's port by name, the
// pictures of the buttons and marks, both fill drummers told apart by their
// element numbers, and each fill's region from its times.
TEST_F(PartsWindowTest, TheListPaintsThePortTheImagesTheElementNumbersAndTheFillRegions)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    const int W = parts.NameWidth();
    CTrackMIDI *track = PartTrack(*parts.Song(), parts.SelectedPart());
    IQuorvaneSongTract *tract = parts.Song()->GetSongTract();
    ASSERT_TRUE(track && tract);
    EXPECT_EQ(OutputPortText(*tract, track->output ? track->output : tract->GetNextOut(nullptr)),
              "Default Preview");

    // A fill lasting the second half of the second measure (the first fill
    // drummer) and the whole fourth (the second).
    parts.Click(W + 168 + 26 * 3 + 3, 10); // four measures
    FillMirror &first = parts.Drummers().Mirror(0, 1);
    ASSERT_EQ(first.params[0], 1);
    first.fillStart = first.measureStart + (first.measureEnd + 1 - first.measureStart) / 2;
    first.fillEnd = first.measureEnd;
    parts.Redraw();
    const testing_support::WindowPicture picture = testing_support::printWindow(parts.Handle());
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_parts_list").empty());

    const auto count = [&](int left, int top, int right, int bottom, auto &&take) {
        int n = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                n += take(picture.at(x, y)) ? 1 : 0;
        return n;
    };
    const auto dark = [](COLORREF c) { return GetRValue(c) < 96 && GetGValue(c) < 96 && GetBValue(c) < 96; };
    const auto is = [](int r, int g, int b) {
        return [=](COLORREF c) { return GetRValue(c) == r && GetGValue(c) == g && GetBValue(c) == b; };
    };
    // "Default Preview" reaches well past where "Output" ended.
    EXPECT_GT(count(90 + 50, 108, W + 80, 130, dark), 0);
    // The buttons' pictures: the copy sheets' blue lines, the play triangle's
    // green, the metronome's yellow; the output chooser's arrow.
    EXPECT_GT(count(W + 382, 107, W + 408, 132, is(40, 70, 160)), 0) << "copy";
    EXPECT_GT(count(W + 434, 107, W + 460, 132, is(230, 190, 60)), 0) << "metronome";
    EXPECT_GT(count(W + 460, 107, W + 512, 132, is(40, 150, 60)), 0) << "play";
    EXPECT_GT(count(W + 82, 107, W + 90, 131, dark), 0) << "chooser";
    // The two fill rows differ in their labels (the element numbers).
    int differing = 0;
    for (int y = 2; y < 24; ++y)
        for (int x = 92; x < W + 88; ++x)
            differing += picture.at(x, kRowsTop + 26 + y) != picture.at(x, kRowsTop + 52 + y);
    EXPECT_GT(differing, 0);
    // The first fill covers the right half of its measure only; the second
    // its whole fourth measure.
    const auto fill = is(255, 255, 152);
    const int rowOne = kRowsTop + 26, rowTwo = kRowsTop + 52;
    const int second = W + 168 + 26, fourth = W + 168 + 78;
    EXPECT_EQ(count(second + 2, rowOne + 6, second + 11, rowOne + 20, fill), 0);
    EXPECT_GT(count(second + 15, rowOne + 6, second + 24, rowOne + 20, fill), 0);
    EXPECT_GT(count(fourth + 2, rowTwo + 6, fourth + 24, rowTwo + 20, fill), 9 * 14);

    // Over the name column's grip the program's cursor shows.
    POINT grip{W + 90, 15};
    ClientToScreen(parts.Handle(), &grip);
    SetCursorPos(grip.x, grip.y);
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    SendMessageA(parts.Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(parts.Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
}

// A pasted part's fills are drawn where the pasted drummers play them: a
// loaded drummer state reports none of the parameters it changes.
TEST_F(PartsWindowTest, APastedPartsFillsAreDrawnWhereTheyPlay)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    HWND h = parts.Handle();
    const int W = parts.NameWidth();
    parts.Click(W + 168 + 26 * 3 + 3, 10); // part 1: four measures
    IQN3Request *fill = parts.Drummers().Request(0, 1);
    ASSERT_NE(fill, nullptr);
    ASSERT_TRUE(SUCCEEDED(fill->SetParam(0, -1, 3))); // its fill in the fourth measure
    pump();
    ASSERT_EQ(parts.Drummers().Mirror(0, 1).params[0], 3);
    SendMessageA(h, WM_COMMAND, ID_COPY_PART, 0);

    parts.SwitchPart(1, 2, false);
    ASSERT_EQ(parts.CurrentPart(), 1);
    ASSERT_EQ(parts.Drummers().Mirror(1, 1).params[0], 1) << "a new part's first fill is in its second measure";
    SendMessageA(h, WM_COMMAND, ID_PASTE_PART, 0);
    pump();
    EXPECT_EQ(parts.Drummers().Mirror(1, 1).params[0], 3);

    const testing_support::WindowPicture picture = testing_support::printWindow(h);
    EXPECT_FALSE(testing_support::writeWindowPicture(h, "rallimoth_pasted_part").empty());
    const auto fillCells = [&](int measure) {
        const int left = W + 168 + 26 * measure, top = kRowsTop + 26;
        int n = 0;
        for (int y = top + 6; y < top + 20; ++y)
            for (int x = left + 2; x < left + 24; ++x) {
                const COLORREF c = picture.at(x, y);
                n += GetRValue(c) == 255 && GetGValue(c) == 255 && GetBValue(c) == 152;
            }
        return n;
    };
    EXPECT_EQ(fillCells(1), 0) << "the band is left where the part's old fill was";
    EXPECT_GT(fillCells(3), 0) << "no band where the pasted fill plays";
}

TEST(PartsLabelsInTheKitsFonts, EveryBankMethodFitsItsField)
{
    long height = 0;
    long *widths = nullptr;
    sharedFont.GetFontParams(1, height, widths);
    ASSERT_NE(widths, nullptr);
    for (const PopupEntry &entry : BankMethodEntries(0)) {
        if (entry.text.empty() || entry.value < 0)
            continue;
        const std::vector<std::string> lines = FieldLines(entry.text, widths, 24);
        std::string joined;
        for (const std::string &line : lines) {
            EXPECT_LE(TextWidth(line, widths), 24) << line;
            joined += joined.empty() || entry.text.find(' ') == std::string::npos ? line : " " + line;
        }
        EXPECT_EQ(joined, entry.text);
        EXPECT_LE(lines.size(), 2u);
    }
}

// The "P" column opens the database's preset chooser for the current part's
// drummer of that row (its effect element and track, among the MIDI effect
// ports); the output's "P" stops playback and opens it for the output
// (its handle and the song tract, among the output ports).
TEST_F(PartsWindowTest, ThePresetClicksOpenTheDatabasesPresetChooser)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    bool pictured = false;
    database.choosePreset = [&] {
        if (!pictured)
            pictured = !testing_support::writeWindowPicture(parts.Handle(), "rallimoth_preset").empty();
    };
    const auto &asked = database.presetAsked;

    parts.Click(156 + 100, kRowsTop + kRowHeight + 5); // the first fill drummer's "P"
    ASSERT_EQ(std::count(database.log.begin(), database.log.end(), "choose preset"), 1);
    EXPECT_TRUE(pictured);
    EXPECT_EQ(asked.item, PartElement(*parts.Song(), 0, 1));
    EXPECT_EQ(asked.context, PartTrack(*parts.Song(), 0));
    EXPECT_EQ(asked.firstKind, 8);
    EXPECT_EQ(asked.lastKind, 9);
    // The fill drummer, by its class id.
    const GUID fill = {0x70781444, 0x08F0, 0x5C91, {0x8D, 0xF7, 0x9A, 0xEC, 0xBD, 0xB9, 0xE7, 0xC5}};
    EXPECT_EQ(asked.descriptor.kind, PORT_BY_GUID);
    ASSERT_EQ(asked.descriptor.dataSize, static_cast<long>(sizeof(GUID)));
    EXPECT_TRUE(IsEqualGUID(*static_cast<const GUID *>(asked.descriptor.data), fill));
    EXPECT_EQ(asked.name, PartElement(*parts.Song(), 0, 1)->GetName());

    parts.Click(6 + 26 + 13, kRowsTop + 26 + 13); // part 5
    pump();
    ASSERT_EQ(parts.CurrentPart(), 4);
    parts.Click(156 + 100, kRowsTop + 5); // the loop-slice drummer's "P"
    EXPECT_EQ(asked.item, PartElement(*parts.Song(), 4, 0));
    EXPECT_EQ(asked.context, PartTrack(*parts.Song(), 4));
    const GUID loopSlice = {0x12685FD8, 0x4060, 0x592B, {0xA8, 0x17, 0xB5, 0xBE, 0x33, 0x70, 0xC1, 0x34}};
    ASSERT_EQ(asked.descriptor.dataSize, static_cast<long>(sizeof(GUID)));
    EXPECT_TRUE(IsEqualGUID(*static_cast<const GUID *>(asked.descriptor.data), loopSlice));

    // The output has no descriptor yet: no chooser.
    parts.Click(156 + 100, 110);
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "choose preset"), 2);

    manager.levels.firstDescriptor.kind = PORT_BY_NAME;
    ASSERT_TRUE(manager.levels.firstDescriptor.SetData("Default Preview"));
    SendMessageA(parts.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    ASSERT_TRUE(manager.IsPlayed());
    parts.Click(156 + 100, 110);
    EXPECT_FALSE(manager.IsPlayed()) << "the output's presets stop playback";
    ASSERT_EQ(std::count(database.log.begin(), database.log.end(), "choose preset"), 3);
    EXPECT_EQ(asked.item, PartTrack(*parts.Song(), 4)->output);
    EXPECT_NE(asked.item, nullptr);
    EXPECT_EQ(asked.context, static_cast<IQuorvaneSongTract *>(&manager.levels));
    EXPECT_EQ(asked.firstKind, 0);
    EXPECT_EQ(asked.lastKind, 4);
    EXPECT_EQ(asked.descriptor.kind, PORT_BY_NAME);
    EXPECT_EQ(std::string(static_cast<const char *>(asked.descriptor.data)), "Default Preview");
    // Titled with the output's name as the list shows it.
    EXPECT_EQ(asked.name, OutputPortText(manager.levels, PartTrack(*parts.Song(), 4)->output));
    EXPECT_TRUE(shown.texts.empty());

    // No stored port matches a drummer: the database refreshes its MFX
    // plug-ins and is asked again; then the message names the drummer.
    database.storedPort = false;
    database.log.clear();
    parts.Click(156 + 100, kRowsTop + 2 * kRowHeight + 5);
    EXPECT_EQ(database.log, (std::vector<std::string>{"choose preset", "refresh 9", "choose preset"}));
    ASSERT_EQ(shown.texts.size(), 1u);
    const std::string drummer = PartElement(*parts.Song(), 4, 2)->GetName();
    EXPECT_EQ(shown.texts[0], NoStoredPortText(drummer));
    // Nor for the output: the message names it.
    database.log.clear();
    parts.Click(156 + 100, 110);
    EXPECT_EQ(database.log, std::vector<std::string>{"choose preset"});
    ASSERT_EQ(shown.texts.size(), 2u);
    EXPECT_EQ(shown.texts[1], NoStoredPortText(asked.name));
}

// While the mouse works a control (a chooser, a popup, the bank editor, a
// drag) the control is framed in the selection colour, and only then.
TEST_F(PartsWindowTest, TheControlTheMouseWorksIsHighlighted)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    const COLORREF lit = RGB(128, 128, 255);
    // The pixel just inside the control's top-left corner, as painted now.
    const auto corner = [&](int x, int y) {
        return testing_support::printWindow(parts.Handle()).at(x + 1, y + 1);
    };
    const int W = parts.NameWidth();
    const int presetTop = kRowsTop + 2 * kRowHeight;

    EXPECT_EQ(parts.MouseMode().region, PartsRegion::None);
    const COLORREF idle = corner(W + 90, presetTop);
    EXPECT_NE(idle, lit);
    PartsHit during;
    COLORREF seen = 0;
    database.choosePreset = [&] {
        during = parts.MouseMode();
        seen = corner(W + 90, presetTop);
        testing_support::writeWindowPicture(parts.Handle(), "rallimoth_preset_highlight");
    };
    parts.Click(W + 100, presetTop + 5);
    EXPECT_EQ(during.region, PartsRegion::PresetColumn);
    EXPECT_EQ(during.index, 2);
    EXPECT_EQ(seen, lit);
    EXPECT_EQ(parts.MouseMode().region, PartsRegion::None);
    EXPECT_EQ(corner(W + 90, presetTop), idle);

    database.chooseOutput = [&](PORTDESCR &) {
        during = parts.MouseMode();
        seen = corner(W + 82, 106);
        return false;
    };
    parts.Click(W + 85, 110);
    EXPECT_EQ(during.region, PartsRegion::OutputChooser);
    EXPECT_EQ(seen, lit);

    auto old = SetPopupRunner([&](HMENU, POINT, HWND) {
        during = parts.MouseMode();
        seen = corner(W + 142, 106);
        return 0u;
    });
    parts.Click(W + 150, 110);
    SetPopupRunner(old);
    EXPECT_EQ(during.region, PartsRegion::Channel);
    EXPECT_EQ(seen, lit);
    EXPECT_EQ(parts.MouseMode().region, PartsRegion::None);

    // The bank editor: while it edits.
    parts.Click(W + 230, 110);
    EXPECT_EQ(parts.MouseMode().region, PartsRegion::Bank);
    SendMessageA(parts.BankEditor().Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(parts.MouseMode().region, PartsRegion::None);

    // The tempo drag: until the button is released.
    const int tempoTop = kRowsTop + 2 * kRowHeight;
    SendMessageA(parts.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(W + 400, tempoTop + 5));
    EXPECT_EQ(parts.MouseMode().region, PartsRegion::LevelDrag);
    EXPECT_EQ(parts.MouseMode().index, 2);
    EXPECT_EQ(corner(W + 382, tempoTop), lit);
    SendMessageA(parts.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(W + 400, tempoTop + 5));
    EXPECT_EQ(parts.MouseMode().region, PartsRegion::None);
    EXPECT_NE(corner(W + 382, tempoTop), lit);
}

// A host note as the stream provider's thread delivers it, run on a thread
// of its own while the window's thread handles no messages: a call that
// sent to one of the window's windows would wait until the window's thread
// does. The thread notes every window it creates.
struct HostNote {
    ASPNotifyProc proc;
    ULONG_PTR user;
    long code;
    int windowsCreated = 0;
    long allocations = 0;
    long fileOpens = 0;
    long messageBoxes = 0;
};

thread_local int *windowsCreatedHere = nullptr;

LRESULT CALLBACK countCreatedWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && windowsCreatedHere)
        ++*windowsCreatedHere;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

DWORD WINAPI deliverHostNote(void *context)
{
    auto &note = *static_cast<HostNote *>(context);
    windowsCreatedHere = &note.windowsCreated;
    HHOOK hook = SetWindowsHookExA(WH_CBT, &countCreatedWindows, nullptr, GetCurrentThreadId());
    {
        testing_support::RealTimeCounter counter;
        note.proc(note.user, note.code, 0, -1.0f, kHostUnchanged, kHostUnchanged);
        note.allocations = counter.allocations();
        note.fileOpens = counter.fileOpens();
        note.messageBoxes = counter.messageBoxes();
    }
    if (hook)
        UnhookWindowsHookEx(hook);
    windowsCreatedHere = nullptr;
    return 0;
}

// True when the note was handled without the window's thread.
bool deliverOnProviderThread(HostNote &note)
{
    HANDLE thread = CreateThread(nullptr, 0, &deliverHostNote, &note, 0, nullptr);
    if (!thread)
        return false;
    const bool alone = WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0;
    // A note that waits for the window's thread gets its answer now.
    while (WaitForSingleObject(thread, 0) == WAIT_TIMEOUT)
        pump();
    CloseHandle(thread);
    return alone;
}

std::string playEntry(HWND window)
{
    char text[64] = {};
    GetMenuStringA(GetMenu(window), ID_PLAY, text, sizeof(text), MF_BYCOMMAND);
    return text;
}

// With "Part Auto Switch" off a host note switches the part that plays and
// only redraws: the editors stay with the part shown, and the provider's
// thread creates, moves or sends to no window (nor takes from the heap or
// opens a file). The Play entry follows the
// transport the host started and stopped.
TEST_F(PartsWindowTest, AHostNoteWithoutAutoSwitchOnlyRedrawsAndThePlayEntryFollows)
{
    ASSERT_TRUE(profile.writeInt(option::AutoSwitch, 0));
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    ASSERT_NE(manager.notifyProc, nullptr);
    HWND editor = parts.EditorWindow(1);
    HWND panel = GetWindow(editor, GW_CHILD);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(playEntry(parts.Handle()), "&Play\tSpace");

    for (const char *module : {static_cast<const char *>(nullptr), "Corvadel.dll", "TembriMFX.dll",
                               "Grindelvosket.dll", "Vostrapellin.dll"})
        ASSERT_TRUE(testing_support::installRealTimeHooks(module ? GetModuleHandleA(module) : nullptr))
            << (module ? module : "the test");
    // The stand-in manager's log takes no heap on the provider's thread.
    manager.log.reserve(manager.log.size() + 64);
    HostNote note{manager.notifyProc, manager.notifyUser, 13 | 90 << 16};
    EXPECT_TRUE(deliverOnProviderThread(note)) << "the note waited for the window's thread";
    EXPECT_EQ(note.windowsCreated, 0);
    EXPECT_EQ(note.fileOpens, 0);
    EXPECT_EQ(note.messageBoxes, 0);
    EXPECT_EQ(note.allocations, 0);
    EXPECT_EQ(parts.SelectedPart(), 1);
    EXPECT_EQ(parts.CurrentPart(), 0) << "the editors stay with the part shown";
    EXPECT_EQ(GetWindow(editor, GW_CHILD), panel);
    EXPECT_TRUE(manager.IsPlayed());
    pump();
    EXPECT_EQ(parts.CurrentPart(), 0);
    EXPECT_EQ(GetWindow(editor, GW_CHILD), panel);
    EXPECT_EQ(playEntry(parts.Handle()), "&Stop\tSpace");
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_host_note").empty());

    HostNote stop{manager.notifyProc, manager.notifyUser, static_cast<long>(kHostStop)};
    EXPECT_TRUE(deliverOnProviderThread(stop));
    EXPECT_EQ(stop.allocations, 0);
    EXPECT_FALSE(manager.IsPlayed());
    pump();
    EXPECT_EQ(playEntry(parts.Handle()), "&Play\tSpace");
}

// Under every chooser, dialog and popup the window is busy: it neither
// closes nor plays, whether by command, key, click or host note, and each
// chooser belongs to the window. Afterwards it plays again.
TEST_F(PartsWindowTest, ChoosersAndDialogsKeepTheWindowBusy)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    HWND h = parts.Handle();
    EXPECT_FALSE(parts.IsBusy());
    std::vector<std::string> seen;
    const auto tryToCloseAndPlay = [&](const char *step) {
        SCOPED_TRACE(step);
        seen.push_back(step);
        EXPECT_TRUE(parts.IsBusy());
        SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
        SendMessageA(h, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(h));
        EXPECT_NE(session.SoundManager(), nullptr) << "closed under the chooser";
        SendMessageA(h, WM_COMMAND, ID_PLAY, 0);
        SendMessageA(h, WM_KEYDOWN, VK_SPACE, 0);
        manager.notifyProc(manager.notifyUser, 61 | 100 << 16, 0, -1.0f, kHostUnchanged, kHostUnchanged);
        EXPECT_FALSE(manager.IsPlayed());
        parts.Click(6 + 52 + 5, 28 + 26 + 5); // part 6
        EXPECT_EQ(parts.SelectedPart(), 0);
    };
    const int W = parts.NameWidth();
    database.chooseOutput = [&](PORTDESCR &) {
        tryToCloseAndPlay("output chooser");
        return false;
    };
    parts.Click(W + 85, 110);
    EXPECT_EQ(database.chooserOwner, h);
    database.chooserOwner = nullptr;
    database.choosePreset = [&] { tryToCloseAndPlay("preset chooser"); };
    parts.Click(W + 100, kRowsTop + 5);
    EXPECT_EQ(database.chooserOwner, h);
    database.chooserOwner = nullptr;
    database.chooseTemplate = [&](CSong *, std::vector<uint8_t> &) {
        tryToCloseAndPlay("template chooser");
        return false;
    };
    SendMessageA(h, WM_COMMAND, ID_TEMPLATE, 0);
    EXPECT_EQ(database.chooserOwner, h);
    {
        rallimoth_test::DialogAnswer answer(IDC_PLAYBACK_VELOCITY, [&](HWND dialog) {
            tryToCloseAndPlay("playback dialog");
            rallimoth_test::press(dialog, IDCANCEL);
        });
        SendMessageA(h, WM_COMMAND, ID_PLAYBACK, 0);
        EXPECT_TRUE(answer.answered());
    }
    SetFileDialogRunner([&](OPENFILENAMEA &, bool) {
        tryToCloseAndPlay("file dialog");
        return false;
    });
    SendMessageA(h, WM_COMMAND, ID_OPEN_STYLE, 0);
    SetFileDialogRunner({});
    auto old = SetPopupRunner([&](HMENU, POINT, HWND) {
        tryToCloseAndPlay("channel popup");
        return 0u;
    });
    parts.Click(W + 150, 110);
    SetPopupRunner(old);
    // Dropped files that are no part or style: the message about them.
    auto hook = setMessageBoxHook([&](HWND, const char *, const char *, UINT) {
        tryToCloseAndPlay("dropped files");
        return IDOK;
    });
    HGLOBAL drop = droppedFile("C:\\notes.txt");
    ASSERT_NE(drop, nullptr);
    SendMessageA(h, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    setMessageBoxHook(hook);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"output chooser", "preset chooser", "template chooser",
                                        "playback dialog", "file dialog", "channel popup", "dropped files"}));

    EXPECT_FALSE(parts.IsBusy());
    EXPECT_TRUE(parts.IsBuilt());
    SendMessageA(h, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(manager.IsPlayed());
}

// A step inside a step: a file dropped on the window while the result is
// dragged out is a step of its own (its message, answered), and when it
// ends the window stays busy for the rest of the drag, neither closing nor
// playing; after the drag it plays again.
TEST_F(PartsWindowTest, AStepInsideAStepLeavesTheWindowBusyUntilTheOuterEnds)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    HWND h = parts.Handle();
    int messages = 0;
    bool busyInside = false, busyAfter = false, closed = true, played = true;
    auto hook = setMessageBoxHook([&](HWND, const char *, const char *, UINT) {
        ++messages;
        busyInside = parts.IsBusy();
        return IDOK;
    });
    auto old = DrummerTransfer::setDragHook([&](IDataObject *, DWORD *effect) {
        HGLOBAL drop = droppedFile("C:\\notes.txt");
        SendMessageA(h, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        busyAfter = parts.IsBusy();
        SendMessageA(h, WM_SYSCOMMAND, SC_CLOSE, 0);
        SendMessageA(h, WM_KEYDOWN, VK_SPACE, 0);
        closed = !IsWindow(h) || session.SoundManager() == nullptr;
        played = manager.IsPlayed();
        *effect = DROPEFFECT_NONE;
        return DRAGDROP_S_CANCEL;
    });
    parts.Click(156 + 420, 110); // drag result
    DrummerTransfer::setDragHook(old);
    setMessageBoxHook(hook);
    EXPECT_EQ(messages, 1) << "the dropped file's message";
    EXPECT_TRUE(busyInside);
    EXPECT_TRUE(busyAfter) << "the inner step ended the outer one";
    EXPECT_FALSE(closed);
    EXPECT_FALSE(played);
    EXPECT_FALSE(parts.IsBusy());
    SendMessageA(h, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(manager.IsPlayed());
}

// Under a popup the host's notes neither switch nor start a part, but its
// stop is followed.
TEST_F(PartsWindowTest, UnderAPopupOnlyTheHostsStopIsFollowed)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    SendMessageA(parts.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    ASSERT_TRUE(manager.IsPlayed());
    bool playedOnNote = false, playedOnStop = true;
    auto old = SetPopupRunner([&](HMENU, POINT, HWND) {
        manager.notifyProc(manager.notifyUser, 62 | 100 << 16, 0, 140.0f, kHostUnchanged, kHostUnchanged);
        playedOnNote = manager.IsPlayed();
        manager.notifyProc(manager.notifyUser, static_cast<long>(kHostStop), 0, -1.0f, kHostUnchanged,
                           kHostUnchanged);
        playedOnStop = manager.IsPlayed();
        return 0u;
    });
    parts.Click(parts.NameWidth() + 150, 110); // the channel popup
    SetPopupRunner(old);
    EXPECT_TRUE(playedOnNote) << "the note changed nothing";
    EXPECT_EQ(parts.SelectedPart(), 0);
    EXPECT_FALSE(playedOnStop) << "the host stopped playback";
    // The tempo the host changed meanwhile is not lost: the provider tells
    // only changes, so it applies once the popup is gone.
    EXPECT_EQ(parts.Playback().Tempo(), 140.0f);
}

// Tempo, bend and modulation changed under a chooser: the last of each
// applies when it closes, once.
TEST_F(PartsWindowTest, TheHostsLastTempoBendAndModulationApplyWhenTheChooserCloses)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    float tempoUnder = 0.0f;
    long bendUnder = -1;
    database.chooseOutput = [&](PORTDESCR &) {
        manager.notifyProc(manager.notifyUser, static_cast<long>(kHostNoNote), 0, 120.0f, 100,
                           kHostUnchanged);
        manager.notifyProc(manager.notifyUser, static_cast<long>(kHostNoNote), 0, 130.0f, kHostUnchanged, 40);
        manager.notifyProc(manager.notifyUser, static_cast<long>(kHostNoNote), 0, -1.0f, 200, kHostUnchanged);
        tempoUnder = parts.Playback().Tempo();
        bendUnder = parts.Playback().LastBend();
        return false;
    };
    SendMessageA(parts.Handle(), WM_COMMAND, ID_OUT_PORT, 0);
    EXPECT_EQ(tempoUnder, 100.0f) << "nothing changes under the chooser";
    EXPECT_EQ(bendUnder, 0);
    EXPECT_EQ(parts.Playback().Tempo(), 130.0f);
    EXPECT_EQ(parts.Playback().LastBend(), 200);
    EXPECT_FALSE(manager.IsPlayed());
}

int childWindows(HWND window)
{
    int count = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ++count;
    return count;
}

// Pumps until the condition holds; false after a generous bound.
template <typename Condition> bool pumpUntil(Condition condition)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000;) {
        pump();
        if (condition())
            return true;
    }
    return false;
}

// The keys of the parts window reach it wherever a click left the focus:
// in the parts window (where the dialog hands it to a control of its
// own), in a docked editor's drummer panel, and Enter and Esc close
// nothing there.
TEST_F(PartsWindowTest, RealKeysReachThePartsWindowWhereverAClickLeftTheFocus)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    HWND h = parts.Handle();
    SetForegroundWindow(h);
    sendClick(h, 40, 15); // the "Parts" header: nothing but the focus
    ASSERT_TRUE(pumpUntil([h] { return GetForegroundWindow() == h; }));
    const HWND focusInParts = GetFocus();
    EXPECT_TRUE(focusInParts == h || IsChild(h, focusInParts));

    sendKeys({VK_CONTROL, '5'});
    EXPECT_TRUE(pumpUntil([&] { return parts.CurrentPart() == 4; })) << "Ctrl+5";
    sendKeys({VK_CONTROL, VK_OEM_PLUS});
    EXPECT_TRUE(pumpUntil([&] { return parts.CurrentPart() == 5; })) << "Ctrl+plus";
    sendKeys({VK_CONTROL, '0'});
    EXPECT_TRUE(pumpUntil([&] { return parts.CurrentPart() == 9; })) << "Ctrl+0";
    sendKeys({VK_CONTROL, VK_OEM_MINUS});
    EXPECT_TRUE(pumpUntil([&] { return parts.CurrentPart() == 8; })) << "Ctrl+minus";
    sendKeys({VK_SPACE});
    EXPECT_TRUE(pumpUntil([&] { return manager.IsPlayed(); })) << "Space plays";
    sendKeys({VK_RETURN});
    sendKeys({VK_ESCAPE});
    pump();
    EXPECT_TRUE(IsWindowVisible(h));

    // A click on the docked editor leaves the focus in the drummer's panel.
    HWND editor = parts.EditorWindow(parts.FrontEditor());
    ASSERT_TRUE(IsWindowVisible(editor));
    sendClick(editor, 5, 5);
    ASSERT_TRUE(pumpUntil([editor] { return IsChild(editor, GetFocus()) || GetFocus() == editor; }));
    sendKeys({VK_CONTROL, '3'});
    EXPECT_TRUE(pumpUntil([&] { return parts.CurrentPart() == 2 && manager.IsPlayed(); }))
        << "Ctrl+3 switches and plays on";
    sendKeys({VK_SPACE});
    EXPECT_TRUE(pumpUntil([&] { return !manager.IsPlayed(); })) << "Space stops";
    sendKeys({VK_ESCAPE});
    pump();
    EXPECT_TRUE(IsWindowVisible(editor)) << "Esc closes no drummer panel";
    EXPECT_NE(GetWindow(editor, GW_CHILD), nullptr);
}

// The first window below root (at any depth) that the test accepts.
template <typename Test> HWND findWindowBelow(HWND root, Test test)
{
    struct Search {
        Test &test;
        HWND found = nullptr;
    } search{test};
    EnumChildWindows(
        root,
        [](HWND candidate, LPARAM data) -> BOOL {
            auto &s = *reinterpret_cast<Search *>(data);
            if (!s.test(candidate))
                return TRUE;
            s.found = candidate;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool isOfClass(HWND window, const char *kind)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return lstrcmpiA(name, kind) == 0;
}

std::string windowText(HWND window)
{
    char text[MAX_PATH] = {};
    GetWindowTextA(window, text, MAX_PATH);
    return text;
}

// The path of a file of this name in the folder or below it; empty when none.
std::string findFileBelow(const std::string &folder, const std::string &name)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return {};
    std::string path;
    do {
        const std::string entry = found.cFileName;
        if (entry == "." || entry == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            path = findFileBelow(folder + "\\" + entry, name);
        else if (lstrcmpiA(entry.c_str(), name.c_str()) == 0)
            path = folder + "\\" + entry;
    } while (path.empty() && FindNextFileA(search, &found));
    FindClose(search);
    return path;
}

// Brings the editor to the front with Ctrl+Down, as a user would.
bool bringEditorToFront(PartsWindow &parts, int editor)
{
    for (int step = 0; step < 4 && parts.FrontEditor() != editor; ++step) {
        const int before = parts.FrontEditor();
        sendKeys({VK_CONTROL, VK_DOWN});
        if (!pumpUntil([&] { return parts.FrontEditor() != before; }))
            return false;
    }
    return parts.FrontEditor() == editor;
}

// A name typed into the loop-slice drummer's loop browser keeps its
// spaces and ends with the numeric pad's Enter: the loop is saved under
// it, and Space starts no playback meanwhile.
TEST_F(PartsWindowTest, RealKeysTypeANameWithASpaceIntoTheLoopBrowser)
{
    const std::string loops = distFolder() + "\\Loops";
    if (const std::string left = findFileBelow(loops, "take two.vpl"); !left.empty())
        DeleteFileA(left.c_str()); // a run stopped half-way left it
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    ASSERT_TRUE(bringEditorToFront(parts, 0));
    HWND editor = parts.EditorWindow(0);
    HWND combo = findWindowBelow(editor, [](HWND w) { return GetDlgCtrlID(w) == 4012; }); // the loop combo
    ASSERT_NE(combo, nullptr);
    // A click into the combo's text opens a name there.
    RECT place{};
    GetClientRect(combo, &place);
    sendClick(combo, place.right / 3, place.bottom / 2);
    ASSERT_TRUE(pumpUntil([combo] { return GetFocus() == combo && isTakingText(combo); })) << "a name opens";

    for (WORD key :
         {WORD{'T'}, WORD{'A'}, WORD{'K'}, WORD{'E'}, WORD{VK_SPACE}, WORD{'T'}, WORD{'W'}, WORD{'O'}})
        sendKeys({key});
    EXPECT_TRUE(pumpUntil([combo] { return windowText(combo) == "take two"; })) << windowText(combo);
    EXPECT_FALSE(testing_support::writeWindowPicture(editor, "rallimoth_loop_name_typed").empty());
    sendExtendedKey(VK_RETURN);
    std::string saved;
    EXPECT_TRUE(pumpUntil([&] { return !(saved = findFileBelow(loops, "take two.vpl")).empty(); }))
        << "saved under the typed name";
    EXPECT_TRUE(pumpUntil([combo] { return windowText(combo) == "take two"; })) << "the new loop is selected";
    EXPECT_FALSE(manager.IsPlayed()) << "Space typed, it played nothing";
    if (!saved.empty())
        DeleteFileA(saved.c_str());
}

// Esc cancels the fill drummer's inline number editor and its pattern
// folders' label edit inside the program.
TEST_F(PartsWindowTest, RealKeysEscCancelsANumberEditAndALabelEdit)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    ASSERT_TRUE(bringEditorToFront(parts, 1));
    HWND editor = parts.EditorWindow(1);
    HWND tree = findWindowBelow(editor, [](HWND w) { return isOfClass(w, WC_TREEVIEWA); });
    ASSERT_NE(tree, nullptr);
    HWND panel = GetParent(GetParent(tree)); // the patterns view's window is the panel's child
    IQN3Request *fill = parts.Drummers().Request(0, 1);
    ASSERT_NE(fill, nullptr);
    LONG measure = -1;
    ASSERT_EQ(fill->GetParam(QN3FillMeasure, -1, &measure), S_OK);

    // A double click on the "Play fill in ... measure" field opens its editor.
    sendClick(panel, 336, 9);
    sendClick(panel, 336, 9);
    HWND numberEdit = nullptr;
    ASSERT_TRUE(pumpUntil([&] {
        numberEdit = findWindowBelow(panel, [](HWND w) { return isOfClass(w, "Edit") && GetFocus() == w; });
        return numberEdit != nullptr;
    })) << "the number editor opens";
    sendKeys({'7'});
    EXPECT_TRUE(pumpUntil([&] { return windowText(numberEdit) == "7"; }));
    sendKeys({VK_ESCAPE});
    EXPECT_TRUE(pumpUntil([&] { return !IsWindow(numberEdit); })) << "Esc closes the number editor";
    LONG after = -1;
    EXPECT_EQ(fill->GetParam(QN3FillMeasure, -1, &after), S_OK);
    EXPECT_EQ(after, measure) << "and the typed number is dropped";

    // The label edit of a folder of the user's (not in a volume).
    HTREEITEM folder = nullptr;
    char text[MAX_PATH] = {};
    for (HTREEITEM item = TreeView_GetRoot(tree); item && !folder;
         item = TreeView_GetNextSibling(tree, item)) {
        TVITEMA info{};
        info.mask = TVIF_TEXT;
        info.hItem = item;
        info.pszText = text;
        info.cchTextMax = MAX_PATH;
        if (TreeView_GetItem(tree, &info) && std::strcmp(text, "Funk") == 0)
            folder = item;
    }
    ASSERT_NE(folder, nullptr);
    SetFocus(tree);
    HWND labelEdit = TreeView_EditLabel(tree, folder);
    ASSERT_NE(labelEdit, nullptr);
    sendKeys({'X'});
    sendKeys({VK_SPACE});
    EXPECT_TRUE(pumpUntil([&] { return windowText(labelEdit) == "x "; })) << windowText(labelEdit);
    EXPECT_FALSE(testing_support::writeWindowPicture(editor, "rallimoth_fill_label_edit").empty());
    EXPECT_FALSE(manager.IsPlayed()) << "Space typed into the label";
    sendKeys({VK_ESCAPE});
    EXPECT_TRUE(pumpUntil([&] { return TreeView_GetEditControl(tree) == nullptr; })) << "Esc ends the edit";
    if (TreeView_GetEditControl(tree))
        TreeView_EndEditLabelNow(tree, TRUE); // never rename the shipped folder
    TVITEMA info{};
    info.mask = TVIF_TEXT;
    info.hItem = folder;
    info.pszText = text;
    info.cchTextMax = MAX_PATH;
    ASSERT_TRUE(TreeView_GetItem(tree, &info));
    EXPECT_STREQ(text, "Funk") << "and keeps the name";
    EXPECT_NE(GetFileAttributesA((distFolder() + "\\Fills\\Funk").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Whether two pictures agree inside the area.
bool sameInside(const testing_support::WindowPicture &a, const testing_support::WindowPicture &b, RECT area)
{
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (a.at(x, y) != b.at(x, y))
                return false;
    return true;
}

// A real click on the metronome or the loop button shows the button's new
// state at once: what is on the screen becomes what the window paints for
// its new state, without anything else painting it again.
TEST_F(PartsWindowTest, RealClicksOnTheToolbarButtonsShowTheirNewStateAtOnce)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    HWND h = parts.Handle();
    SetForegroundWindow(h);
    ASSERT_TRUE(pumpUntil([h] { return GetForegroundWindow() == h && !GetUpdateRect(h, nullptr, FALSE); }));
    const int W = parts.NameWidth();
    struct Button {
        const char *name;
        RECT area;
        std::function<bool()> on;
    };
    const Button buttons[] = {
        {"metronome", {W + 434, 106, W + 460, 133}, [&] { return parts.Metronome(); }},
        {"loop", {W + 512, 106, W + 538, 133}, [&] { return parts.Loop(); }},
    };
    for (const Button &button : buttons) {
        SCOPED_TRACE(button.name);
        const bool was = button.on();
        const testing_support::WindowPicture before = testing_support::shownWindow(h);
        sendClick(h, (button.area.left + button.area.right) / 2, (button.area.top + button.area.bottom) / 2);
        ASSERT_TRUE(pumpUntil([&] { return button.on() != was; }));
        // The new state's look, painted for the comparison only.
        const testing_support::WindowPicture wanted = testing_support::printWindow(h);
        ASSERT_FALSE(sameInside(before, wanted, button.area)) << "the two states look alike";
        EXPECT_TRUE(pumpUntil([&] { return sameInside(testing_support::shownWindow(h), wanted, button.area); }))
            << "the screen still shows the old state";
    }
    EXPECT_FALSE(testing_support::writePicture(testing_support::shownWindow(h), "rallimoth_toolbar_clicked").empty());
}

HWND tooltipOf(HWND window)
{
    struct Find {
        HWND owner;
        HWND found = nullptr;
    } find{window};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND candidate, LPARAM data) -> BOOL {
            auto &f = *reinterpret_cast<Find *>(data);
            char kind[32] = {};
            GetClassNameA(candidate, kind, sizeof(kind));
            if (lstrcmpiA(kind, TOOLTIPS_CLASSA) == 0 && GetWindow(candidate, GW_OWNER) == f.owner) {
                f.found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

// The tooltip of the control that opens a popup goes before the popup
// shows, and stays away while the mouse rests on that control afterwards;
// on another control it comes back.
TEST_F(PartsWindowTest, TheTooltipGoesUnderAPopupAndComesBackOnAnotherControl)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    HWND h = parts.Handle();
    HWND tooltip = tooltipOf(h);
    ASSERT_NE(tooltip, nullptr);
    SetForegroundWindow(h);
    const int W = parts.NameWidth();
    sendMove(h, W + 158, 117); // the channel field, moving on it
    pump();
    sendMove(h, W + 160, 118);
    ASSERT_TRUE(pumpUntil([tooltip] { return IsWindowVisible(tooltip) != FALSE; })) << "its tooltip shows";
    bool shownUnderPopup = true;
    auto old = SetPopupRunner([&](HMENU, POINT, HWND) {
        shownUnderPopup = IsWindowVisible(tooltip) != FALSE;
        return 0u;
    });
    sendClick(h, W + 160, 118);
    const bool popped = pumpUntil([&] { return !shownUnderPopup; });
    SetPopupRunner(old);
    EXPECT_TRUE(popped) << "the tooltip is drawn over the popup";
    // Still over the field: no tooltip (within four times its delay).
    sendMove(h, W + 162, 119);
    const DWORD start = GetTickCount();
    bool back = false;
    while (!back && GetTickCount() - start < 2000) {
        pump();
        back = IsWindowVisible(tooltip) != FALSE;
    }
    EXPECT_FALSE(back) << "the tooltip came back over the control that opened the popup";
    sendMove(h, W + 400, 40); // the volume row, moving on it
    pump();
    sendMove(h, W + 402, 41);
    EXPECT_TRUE(pumpUntil([tooltip] { return IsWindowVisible(tooltip) != FALSE; }))
        << "another control's shows";
}

// At the screen's bottom a control's tooltip shows whole and by the
// cursor, not at the far edge of the window (the tool is the whole window).
TEST_F(PartsWindowTest, ATooltipAtTheScreensBottomShowsWholeByTheCursor)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    HWND h = parts.Handle();
    HWND tooltip = tooltipOf(h);
    ASSERT_NE(tooltip, nullptr);
    RECT work{}, frame{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(h, &frame);
    SetWindowPos(h, nullptr, 10, work.bottom - (frame.bottom - frame.top), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetForegroundWindow(h);
    const int W = parts.NameWidth();
    sendMove(h, W + 150, 116); // the channel field, moving on it
    pump();
    sendMove(h, W + 152, 118);
    ASSERT_TRUE(pumpUntil([tooltip] { return IsWindowVisible(tooltip) != FALSE; }));
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT tip{};
    GetWindowRect(tooltip, &tip);
    EXPECT_GE(tip.top, work.top);
    EXPECT_LE(tip.bottom, work.bottom) << "cut off by the screen's bottom";
    EXPECT_LE(cursor.y - tip.bottom, 10) << "far above the cursor";
    EXPECT_GE(tip.left, cursor.x - 5);
    EXPECT_FALSE(testing_support::writeWindowPicture(tooltip, "rallimoth_tooltip_at_the_bottom").empty());
}

// With "Part Auto Switch" on, two host notes that come before the window's
// thread handles the first switch: the editors of the part in between go
// too, and each editor window holds the last part's drummer alone.
TEST_F(PartsWindowTest, TwoHostNotesInARowLeaveTheEditorsOfTheLastPartAlone)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    for (int i = 0; i < kDrummerElements; ++i)
        ASSERT_EQ(childWindows(parts.EditorWindow(i)), 1) << i;
    for (long note : {61L, 63L}) {
        HostNote host{manager.notifyProc, manager.notifyUser, note | 90 << 16};
        ASSERT_TRUE(deliverOnProviderThread(host)) << note;
    }
    EXPECT_EQ(parts.CurrentPart(), 0) << "the window's thread has not seen the switches yet";
    pump();
    EXPECT_EQ(parts.CurrentPart(), 3);
    EXPECT_EQ(parts.SelectedPart(), 3);
    for (int i = 0; i < kDrummerElements; ++i)
        EXPECT_EQ(childWindows(parts.EditorWindow(i)), 1) << "editor " << i << " keeps a panel of part 2";
    EXPECT_FALSE(
        testing_support::writeWindowPicture(parts.EditorWindow(1), "rallimoth_two_host_notes").empty());
}

// The output chooser fresh parts ask for comes even when a message of the
// set-up (a style that does not load) runs its own message loop first.
TEST_F(PartsWindowTest, TheFirstRunsOutputChooserComesAfterAStyleThatDidNotLoad)
{
    testing_support::TempFolder temp;
    const std::string style = temp.file("broken.qns");
    ASSERT_TRUE(testing_support::writeFile(style, "QN32 and nothing else"));
    std::vector<std::string> texts;
    // A message box dispatches what was posted meanwhile, as its own loop
    // does.
    auto hook = setMessageBoxHook([&](HWND, const char *text, const char *, UINT) {
        texts.push_back(text ? text : "");
        pump();
        return IDOK;
    });
    int chooserRuns = 0;
    database.chooseOutput = [&](PORTDESCR &) {
        ++chooserRuns;
        return false;
    };
    PartsWindow &parts = open(true, style);
    ASSERT_TRUE(parts.FinishSetUp());
    pump();
    setMessageBoxHook(hook);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], ProgramMessageText(MsgCantLoadStyleSet));
    EXPECT_EQ(chooserRuns, 1);
}

// A saved state whose drummer does not load ends the start, but says why
// and how to start without it.
TEST_F(PartsWindowTest, ADrummerOfTheSavedStateThatDoesNotLoadIsToldBeforeTheClose)
{
    database.hibernation = Hibernation::Restored;
    // The parts' tracks came back, their drummers did not.
    database.restore = [](CSong *song) {
        for (int part = 0; part < kPartCount; ++part)
            song->InsertNewTrack(TRACK_MIDI, part + 1, 0);
    };
    PartsWindow &parts = open();
    EXPECT_FALSE(parts.FinishSetUp());
    ASSERT_EQ(shown.texts.size(), 1u);
    EXPECT_EQ(shown.texts[0], SavedStateDrummerText(0));
    EXPECT_NE(shown.texts[0].find("Can't load Quorvane Vostrapellin"), std::string::npos);
    EXPECT_NE(shown.texts[0].find("/N"), std::string::npos);
    EXPECT_NE(shown.texts[0].find("Shift"), std::string::npos);
}

// A message of the deferred set-up lets no close in half-way: the parts
// are built and the engine kept.
TEST_F(PartsWindowTest, AMessageDuringTheSetUpLetsNoCloseIn)
{
    database.hibernation = Hibernation::Unavailable;
    PartsWindow &parts = open();
    bool busy = false;
    auto hook = setMessageBoxHook([&](HWND, const char *, const char *, UINT) {
        busy = parts.IsBusy();
        SendMessageA(parts.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        return IDOK;
    });
    const bool built = parts.FinishSetUp();
    setMessageBoxHook(hook);
    EXPECT_TRUE(busy);
    EXPECT_TRUE(built);
    EXPECT_TRUE(parts.IsBuilt());
    EXPECT_NE(session.SoundManager(), nullptr);
    EXPECT_FALSE(parts.IsBusy());
}

// The presets and templates the user stored are committed at the close
// whatever became of the saved state; that it could not be stored is said.
TEST_F(PartsWindowTest, WhatWasStoredIsCommittedWhenTheStateCannotBeSaved)
{
    database.saveOk = false;
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    parts.CloseSequence();
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "save"), 1);
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "commit"), 1);
    EXPECT_EQ(shown.texts, std::vector<std::string>{"Main DataBase error."});
    EXPECT_EQ(profile.getInt(option::DBCommitDialog, 1), 0);
}

TEST_F(PartsWindowTest, WhatWasStoredIsCommittedAfterATemplateTookThePartsWithIt)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    database.chooseTemplate = [](CSong *song, std::vector<uint8_t> &) {
        song->SetDefault(); // a load that failed half-way
        return false;
    };
    SendMessageA(parts.Handle(), WM_COMMAND, ID_TEMPLATE, 0);
    ASSERT_FALSE(parts.IsBuilt());
    parts.CloseSequence();
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "save"), 0);
    EXPECT_EQ(std::count(database.log.begin(), database.log.end(), "commit"), 1);
    EXPECT_EQ(shown.texts, std::vector<std::string>{"Main DataBase error."});
}

// The audio streaming dialog's new parameters that the engine does not take
// leave it running on them all the same, after the message.
TEST_F(PartsWindowTest, TheEngineStartsAgainWhenTheAudioStreamsParametersFail)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    manager.initOk = 0;
    manager.log.clear();
    rallimoth_test::DialogAnswer answer(IDC_STREAM_LIST,
                                        [](HWND dialog) { rallimoth_test::press(dialog, IDOK); });
    SendMessageA(parts.Handle(), WM_COMMAND, ID_AUDIO_STREAM, 0);
    ASSERT_TRUE(answer.answered());
    EXPECT_EQ(manager.log, (std::vector<std::string>{"stop", "init", "start", "notify"}));
    EXPECT_EQ(shown.texts, std::vector<std::string>{"Changed options requires program restart."});
}

TEST_F(PartsWindowTest, TheCopyAndDragFormatItemsCarryARadioCheck)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    HMENU menu = GetMenu(parts.Handle());
    const auto item = [menu](UINT id) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        GetMenuItemInfoA(menu, id, FALSE, &info);
        return std::string(info.fType & MFT_RADIOCHECK ? "radio " : "") +
               (info.fState & MFS_CHECKED ? "checked" : "-");
    };
    EXPECT_EQ(item(ID_FORMAT_MIDI), "radio checked");
    EXPECT_NE(item(ID_FORMAT_WAVE).back(), 'd');
    SendMessageA(parts.Handle(), WM_COMMAND, ID_FORMAT_WAVE, 0);
    EXPECT_NE(item(ID_FORMAT_MIDI).back(), 'd');
    EXPECT_EQ(item(ID_FORMAT_WAVE), "radio checked");
    SendMessageA(parts.Handle(), WM_COMMAND, ID_FORMAT_MIDI, 0);
    EXPECT_EQ(item(ID_FORMAT_MIDI), "radio checked");
}

// Whether window a lies above window b.
bool above(HWND a, HWND b)
{
    for (HWND w = GetWindow(a, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
        if (w == b)
            return true;
    return false;
}

// Docked editors sit beside the parts window at their editor's size; a
// floating one gets its frame around that size, starts beside the parts
// window and goes back where the user moved it; activating a docked one
// keeps the parts window above it.
TEST_F(PartsWindowTest, EditorWindowsSitBesideThePartsWindowAtTheirEditorsSizes)
{
    PartsWindow &parts = open(true);
    ASSERT_TRUE(parts.FinishSetUp());
    pump(); // the first run's output chooser, cancelled
    HWND h = parts.Handle();
    HWND fill = parts.EditorWindow(1);
    long width = 0, height = 0;
    ASSERT_TRUE(PartElement(*parts.Song(), 0, 1)->effect->GetEditorSize(width, height));
    RECT partsRect, r, client, overlap;
    GetWindowRect(h, &partsRect);
    GetWindowRect(fill, &r);
    EXPECT_EQ(r.left, partsRect.right);
    EXPECT_EQ(r.top, partsRect.top);
    GetClientRect(fill, &client);
    EXPECT_EQ(client.right, width);
    EXPECT_EQ(client.bottom, height);

    parts.Click(parts.NameWidth() + 120, kRowsTop + kRowHeight + 5); // it floats
    ASSERT_FALSE(parts.Docked(1));
    GetClientRect(fill, &client);
    EXPECT_EQ(client.right, width) << "the frame comes around the editor";
    EXPECT_EQ(client.bottom, height);
    GetWindowRect(fill, &r);
    EXPECT_FALSE(IntersectRect(&overlap, &r, &partsRect));
    EXPECT_LE(r.right, GetSystemMetrics(SM_CXSCREEN)) << "on the screen";
    pump();
    EXPECT_FALSE(testing_support::writeWindowPicture(fill, "rallimoth_floating_editor").empty());
    SetWindowPos(fill, nullptr, 700, 400, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    parts.Click(parts.NameWidth() + 120, kRowsTop + kRowHeight + 5); // docked
    EXPECT_TRUE(parts.Docked(1));
    parts.Click(parts.NameWidth() + 120, kRowsTop + kRowHeight + 5); // floats again
    GetWindowRect(fill, &r);
    EXPECT_EQ(r.left, 700);
    EXPECT_EQ(r.top, 400);

    parts.Click(parts.NameWidth() + 120, kRowsTop + kRowHeight + 5); // docked
    SetActiveWindow(fill);
    pump();
    EXPECT_EQ(GetActiveWindow(), fill);
    EXPECT_TRUE(above(h, fill)) << "the parts window stays above the docked editor";
}

// An editor that floated when the program closed floats at the next start,
// with its frame, beside the parts window rather than over it.
TEST_F(PartsWindowTest, ARestoredFloatingEditorDoesNotCoverThePartsWindow)
{
    database.hibernation = Hibernation::Restored;
    SavedPartsState state{kSavedStateMagic, 0, 1, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, 1, {1, 0, 1, 1}};
    database.hibernatedState.assign(reinterpret_cast<uint8_t *>(&state),
                                    reinterpret_cast<uint8_t *>(&state) + 80);
    database.restore = [](CSong *song) { BuildFreshParts(*song, 0); };
    PartsWindow &parts = open();
    ASSERT_TRUE(parts.FinishSetUp());
    pump();
    HWND fill = parts.EditorWindow(1);
    ASSERT_FALSE(parts.Docked(1));
    EXPECT_TRUE(IsWindowVisible(fill));
    EXPECT_TRUE(GetWindowLongPtrA(fill, GWL_STYLE) & WS_CAPTION);
    RECT partsRect, r, overlap;
    GetWindowRect(parts.Handle(), &partsRect);
    GetWindowRect(fill, &r);
    EXPECT_FALSE(IntersectRect(&overlap, &r, &partsRect));
    EXPECT_LE(r.right, GetSystemMetrics(SM_CXSCREEN)) << "on the screen";
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_restored_floating").empty());
}

// Without a sound manager the song can hold no parts (it has no song
// tract), but the program runs on: the window opens and takes the user's
// clicks and commands, and the start said once why there is no sound.
TEST_F(PartsWindowTest, WithoutASoundManagerTheWindowOpensAndTheMessageSaysWhy)
{
    session.Shutdown();
    ASSERT_TRUE(session.CreateParams());
    session.Start([](const char *) -> IQuorvaneSoundMngr * { return nullptr; });
    PartsWindow &parts = open(true);
    EXPECT_TRUE(parts.FinishSetUp()) << "the program goes on";
    EXPECT_FALSE(parts.IsBuilt());
    EXPECT_EQ(shown.texts, std::vector<std::string>{"Sound engine was not started."});
    SendMessageA(parts.Handle(), WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_FALSE(parts.IsPlaying());
    parts.Click(6 + 26 + 5, 28 + 5);
    parts.Click(parts.NameWidth() + 120, kRowsTop + 5);
    SetFileDialogRunner([](OPENFILENAMEA &, bool) { return false; });
    SendMessageA(parts.Handle(), WM_COMMAND, ID_OPEN_STYLE, 0);
    SetFileDialogRunner({});
    EXPECT_TRUE(IsWindowVisible(parts.Handle()));
    pump();
    EXPECT_FALSE(testing_support::writeWindowPicture(parts.Handle(), "rallimoth_without_sound").empty());
}

} // namespace
