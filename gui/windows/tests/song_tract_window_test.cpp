// The song tract window on the sound engine's own song tract (with the
// engine's probe synthesizer and effect, and the data model's test MIDI
// effect): its pages, the routing it changes and the requests it makes.
#include "gui/windows/tests/editor_host.h"

#include "data/meff_chain.h"
#include "data/track_midi.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/song_tract_window.h"
#include "gui/windows/tracks_window.h"
#include "gui/windows/window_globals.h"
#include "sound/seffect_elem.h"
#include "sound/song_tract.h"
#include "sound/ssynth_elem.h"
#include "sound/tests/engine_fixture.h"
#include "testing/realtime_counters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace Quorvane;
using namespace windows_test;

namespace {

long mid(long row)
{
    return 22 + 26 * row + 13;
}

void monitorCounter(ULONG_PTR user)
{
    ++*reinterpret_cast<int *>(user);
}

// A song on the engine's tract and the window under key 32767. The host
// answers the window's choosers as a user would: the probe synthesizer,
// the probe effect, the test MIDI effect, the bus in chosenBus, the owner
// it was shown.
struct TractTest : ::testing::Test {
    CSoundMngr *manager = makeManager();
    std::unique_ptr<Host> host = std::make_unique<Host>(960, manager);
    Editor *editor = nullptr;
    CSongTractWindow *window = nullptr;
    long chosenBus = 0;
    const char *midiEffect = "TestEffect";
    int monitorCalls = 0;
    long saved[4][7];

    static CSoundMngr *makeManager()
    {
        auto *m = new CSoundMngr("pannikel window tests");
        IOPARAMS params = sound_test::testParams();
        m->Init(&params);
        return m;
    }
    TractTest()
    {
        std::copy(tabSTractClmnPrt, tabSTractClmnPrt + 3, saved[0]);
        std::copy(tabSTractClmnBus, tabSTractClmnBus + 7, saved[1]);
        std::copy(tabSTractClmnAEff, tabSTractClmnAEff + 3, saved[2]);
    }
    ~TractTest() override
    {
        host.reset();
        manager->Release();
        std::copy(saved[0], saved[0] + 3, tabSTractClmnPrt);
        std::copy(saved[1], saved[1] + 7, tabSTractClmnBus);
        std::copy(saved[2], saved[2] + 3, tabSTractClmnAEff);
    }
    void SetUp() override
    {
        sound_test::resetProbes();
        host->song.playStartTick = 10000000;
        editor = &host->open<CSongTractWindow>(KEY_SONG_TRACT, 0, 700, 300);
        window = editor->as<CSongTractWindow>();
        editor->answer = [this](const Request &r) { return answer(r); };
        host->song.steps.clear();
    }
    LONG_PTR answer(const Request &r)
    {
        switch (r.code) {
        case STREQ_NEW_PORT: {
            auto *d = reinterpret_cast<PORTDESCR *>(r.a);
            d->kind = OUT_BY_NAME;
            d->SetData("Probe Synth");
            return 1;
        }
        case STREQ_NEW_AUDIO_EFFECT: {
            auto *d = reinterpret_cast<PORTDESCR *>(r.a);
            d->kind = EFFECT_BY_NAME;
            d->SetData("Probe Effect");
            return 1;
        }
        case STREQ_NEW_MIDI_EFFECT: {
            auto *d = reinterpret_cast<PORTDESCR *>(r.a);
            d->kind = 0;
            d->SetData(midiEffect);
            return 1;
        }
        case STREQ_CHOOSE_BUS:
            return chosenBus;
        case STREQ_TRACK_CHOOSER:
            return r.a;
        case STREQ_MONITOR_CALLBACK:
            *reinterpret_cast<MonitorProc *>(r.a) = monitorCounter;
            *reinterpret_cast<ULONG_PTR *>(r.b) = reinterpret_cast<ULONG_PTR>(&monitorCalls);
            return 0;
        default:
            return 0;
        }
    }
    CSongTract *tract() const { return static_cast<CSongTract *>(host->song.GetSongTract()); }
    long outputs() const
    {
        long n = 0;
        for (void *out = tract()->GetNextOut(nullptr); out; out = tract()->GetNextOut(out))
            ++n;
        return n;
    }
    std::vector<Request> requests(long code) const
    {
        std::vector<Request> found;
        for (const Request &r : editor->requests)
            if (r.code == code)
                found.push_back(r);
        return found;
    }
    void mix()
    {
        std::vector<float> buffer(2 * 256);
        tract()->FillAccum(buffer.data(), 256, 0, 0, 0);
    }
    // The window's row of an item, -1 when it is not listed.
    long rowOf(void *item) const
    {
        for (long r = 0; r < window->GetNumb(); ++r)
            if (window->ItemAt(r) == item)
                return r;
        return -1;
    }
};

} // namespace

TEST_F(TractTest, ThePortsPageListsTheTractsOutputs)
{
    EXPECT_EQ(host->liason.GetSongTract(), window);
    EXPECT_EQ(editor->status[1], " Out Ports");
    EXPECT_EQ(window->tract, tract());
    ASSERT_EQ(window->GetNumb(), outputs());
    const long preview = rowOf(tract()->GetOutPreview());
    ASSERT_GE(preview, 0);
    // the preview output keeps its bus and stays
    window->OnLButtonDown(300, mid(preview), 0, 0);
    window->OnLButtonUp(300, mid(preview), 0, 0);
    EXPECT_TRUE(requests(STREQ_CHOOSE_BUS).empty());
    EXPECT_EQ(window->selItem, preview);
    EXPECT_EQ(window->CanDelItem(), 0);
    EXPECT_EQ(window->CanMoveItem(1), 0);
    EXPECT_EQ(window->CanPortRefresh(), 1);
    editor->paintAll();
    EXPECT_EQ(editor->pixel(300, 21), RGB(0, 0, 0)) << "the line under the header";
    EXPECT_EQ(editor->pixel(30, mid(preview)), colourOf(colDkGray)) << "column 0's edge";
    EXPECT_EQ(editor->pixel(31, mid(preview)), RGB(255, 255, 255)) << "the white line right of it";
    EXPECT_GT(editor->count(QUAD(0, mid(preview) - 6, 29, mid(preview) + 6), RGB(255, 255, 255)), 3)
        << "the selected row's number in white";
    EXPECT_GT(editor->count(QUAD(60, mid(preview) - 6, 220, mid(preview) + 6), RGB(0, 0, 0)), 10)
        << "the port's name";
    editor->screenshot("pannikel_song_tract_ports");
}

TEST_F(TractTest, AnAddedPortIsChosenByTheHostAndSelected)
{
    const long before = outputs();
    EXPECT_EQ(window->OnAddItem(), 1);
    ASSERT_EQ(outputs(), before + 1);
    const std::vector<Request> asked = requests(STREQ_NEW_PORT);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].b, reinterpret_cast<LONG_PTR>(tract()));
    EXPECT_EQ(window->GetNumb(), before + 1);
    void *probe = window->ItemAt(window->selItem);
    char name[kSoundNameSize];
    long number;
    EXPECT_EQ(tract()->GetOutInfo(probe, name, number), OUT_BY_NAME);
    ASSERT_EQ(host->song.steps.size(), 1u);
    EXPECT_EQ(host->song.steps[0].caption, "Add New Out Port");
    EXPECT_EQ(host->song.steps[0].scope, UNDO_ROUTING);
    EXPECT_EQ(editor->modifiedCalls, 1);
    EXPECT_TRUE(editor->lockHeldAtModified);

    // a chooser the user cancels changes nothing
    editor->answer = [](const Request &) -> LONG_PTR { return 0; };
    EXPECT_EQ(window->OnAddItem(), 0);
    EXPECT_EQ(outputs(), before + 1);
    EXPECT_EQ(host->song.steps.size(), 1u);
    EXPECT_EQ(host->song.restored, 0);
}

TEST_F(TractTest, APortIsReroutedToTheBusTheHostChooses)
{
    window->SetShowType(STPAGE_BUSES, 0);
    ASSERT_EQ(window->OnAddItem(), 1);
    EXPECT_EQ(host->song.steps.back().caption, "Add New Audio Bus");
    EXPECT_EQ(window->selItem, 1) << "the new bus";
    window->SetShowType(STPAGE_PORTS, 0);
    ASSERT_EQ(window->OnAddItem(), 1);
    void *probe = window->ItemAt(window->selItem);
    const long row = window->selItem;
    chosenBus = 1;
    const int modified = editor->modifiedCalls;
    const size_t steps = host->song.steps.size();
    editor->press(300, mid(row));
    editor->release(300, mid(row));
    EXPECT_EQ(tract()->GetOutBus(probe), 1);
    const std::vector<Request> asked = requests(STREQ_CHOOSE_BUS);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].a, 2 * 65536 + 0) << "two buses, on the master now";
    EXPECT_EQ(asked[0].b, (22 + 26 * row + 26) * 65536 + 226);
    EXPECT_EQ(editor->modifiedCalls, modified + 1);
    EXPECT_EQ(host->song.steps.size(), steps) << "rerouting stores no undo step";
    EXPECT_EQ(window->editRow, kNoTractItem);
    EXPECT_EQ(editor->status[0], "");
    editor->paintAll();
    editor->screenshot("pannikel_song_tract_rerouted");
}

TEST_F(TractTest, ADeletedPortsTracksFallBackToThePreview)
{
    Editor &tracks = host->open<CTracksWindow>(KEY_TRACKS, 0, 900, 200);
    CTrack *audio = host->addTrack(TRACK_AUDIO);
    window->UpdateInfo(-1, nullptr);
    window->selItem = rowOf(audio->output);
    EXPECT_EQ(window->CanDelItem(), 0) << "an audio track's output";
    ASSERT_EQ(window->OnAddItem(), 1);
    void *probe = window->ItemAt(window->selItem);
    CTrack *midi = host->addTrack(TRACK_MIDI);
    midi->output = probe;
    tracks.invalidated.clear();
    ASSERT_EQ(window->CanDelItem(), 1);
    EXPECT_EQ(window->OnDelItem(), 1);
    const std::vector<Request> closed = requests(STREQ_CLOSE_SYNTH_EDITOR);
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_NE(closed[0].a, 0);
    EXPECT_EQ(rowOf(probe), -1);
    EXPECT_EQ(midi->output, tract()->GetOutPreview());
    EXPECT_FALSE(tracks.invalidated.empty());
    EXPECT_EQ(host->song.steps.back().caption, "Delete Out Port");
}

TEST_F(TractTest, TheBusPageMetersEveryBusWhileItIsShown)
{
    window->SetShowType(STPAGE_BUSES, 0);
    EXPECT_EQ(editor->status[1], " Audio Buses");
    ASSERT_EQ(window->OnAddItem(), 1);
    EXPECT_EQ(window->CanDelItem(), 1);
    window->selItem = 0;
    EXPECT_EQ(window->CanDelItem(), 0) << "the master bus";
    EXPECT_EQ(window->CanPropItem(), 0);
    // a sounding output on bus 1
    PORTDESCR d = sound_test::byName(OUT_BY_NAME, "Probe Synth");
    void *probe = tract()->AddNewOut(&d);
    tract()->ReconnectOutAndBus(probe, nullptr, tract()->GetBusByNumb(1));
    editor->paintAll();
    const QUAD level(31 + 31 + 195, 22, 31 + 31 + 195 + 78, 22 + 52); // the Level column
    EXPECT_EQ(editor->count(level, colourOf(colLevelMnFill)), 0);
    sound_test::probes().synthLevel = 0.5f;
    mix();
    EXPECT_EQ(monitorCalls, 1) << "the callback the host gave through request 14";
    window->OnMonitorCallback();
    EXPECT_GT(editor->count(level, colourOf(colLevelMnFill)), 10);
    EXPECT_EQ(editor->contextsOut, 0);
    editor->screenshot("pannikel_song_tract_buses");
    // monitoring stops with the page and with the window
    window->SetShowType(STPAGE_PORTS, 0);
    mix();
    EXPECT_EQ(monitorCalls, 1);
    window->SetShowType(STPAGE_BUSES, 0);
    editor->close();
    mix();
    EXPECT_EQ(monitorCalls, 1);
}

TEST_F(TractTest, VolumeIsDraggedInStepsAndStopsAtTwo)
{
    window->SetShowType(STPAGE_BUSES, 0);
    ASSERT_EQ(window->OnAddItem(), 1);
    const long left = 31 + 31 + 195 + 78, cellWidth = 78; // the Volume column
    editor->press(left + 5, mid(1));
    ASSERT_FALSE(editor->mousePositions.empty());
    EXPECT_EQ(editor->mousePositions.back().x, left + cellWidth / 2) << "the pointer at 1.0";
    EXPECT_EQ(editor->mousePositions.back().y, mid(1));
    EXPECT_EQ(editor->status[0], "Edit Volume");
    EXPECT_EQ(window->editCol, 4);
    editor->move(left + cellWidth / 2 + 2, mid(1));
    float volume = 0, pan = 0;
    long effects;
    tract()->GetBusInfo(window->ItemAt(1), volume, pan, effects);
    EXPECT_NEAR(volume, 1.01f, 1e-5f) << "a small move is one step";
    for (int i = 0; i < 40; ++i)
        editor->move(editor->mousePositions.back().x + 20, mid(1));
    tract()->GetBusInfo(window->ItemAt(1), volume, pan, effects);
    EXPECT_EQ(volume, 2.0f);
    const int modified = editor->modifiedCalls;
    editor->release(editor->mousePositions.back().x, mid(1));
    EXPECT_EQ(editor->modifiedCalls, modified + 1);
    EXPECT_EQ(window->editRow, kNoTractItem);
    EXPECT_FALSE(editor->captured);

    char text[32];
    EXPECT_STREQ(CSongTractWindow::VolText(2.0f, text, sizeof text), "6.0 db");
    EXPECT_STREQ(CSongTractWindow::VolText(0.0f, text, sizeof text), "-inf");
    EXPECT_STREQ(CSongTractWindow::PanText(1.0f, text, sizeof text), "C");
    EXPECT_STREQ(CSongTractWindow::PanText(0.5f, text, sizeof text), "50% L");
    EXPECT_STREQ(CSongTractWindow::PanText(1.25f, text, sizeof text), "25% R");
    EXPECT_STREQ(CSongTractWindow::PanText(1.004f, text, sizeof text), "C");
}

TEST_F(TractTest, ABussEffectsAreAddedOrderedSwitchedAndDeleted)
{
    window->SetShowType(STPAGE_BUSES, 0);
    ASSERT_EQ(window->OnAddItem(), 1);
    // a double click on "Eff" shows the bus's effects
    editor->doubleClick(31 + 31 + 195 + 3 * 78 + 5, mid(1)); // "Eff"
    EXPECT_EQ(window->GetShowType(), STPAGE_AUDIO_EFFECTS);
    EXPECT_EQ(window->effOwner, 1);
    const std::vector<Request> chooser = requests(STREQ_BUS_CHOOSER);
    ASSERT_FALSE(chooser.empty());
    EXPECT_EQ(chooser.back().a, 1);
    EXPECT_EQ(chooser.back().b, 1) << "buses after the master";

    ASSERT_EQ(window->OnAddItem(), 1);
    void *first = window->ItemAt(0);
    ASSERT_EQ(window->OnAddItem(), 1);
    void *second = window->ItemAt(1);
    EXPECT_EQ(window->selItem, 1);
    EXPECT_EQ(tract()->GetNextSEffect(tract()->GetBusByNumb(1), nullptr), first);
    EXPECT_EQ(host->song.steps.back().caption, "Add New Audio Effect");

    window->selItem = 0;
    EXPECT_EQ(window->CanMoveItem(1), 0) << "the first cannot go up";
    EXPECT_EQ(window->OnMoveItem(0), 1);
    EXPECT_EQ(window->selItem, 1) << "the selection follows";
    EXPECT_EQ(tract()->GetNextSEffect(tract()->GetBusByNumb(1), nullptr), second);
    EXPECT_EQ(window->CanMoveItem(0), 0) << "the last cannot go down";

    // the "M" column switches it off
    editor->press(31 + 195 + 5, mid(1));
    editor->release(31 + 195 + 5, mid(1));
    int on = 1;
    tract()->GetSEffectInfo(first, nullptr, on);
    EXPECT_EQ(on, 0);
    editor->paintAll();
    editor->screenshot("pannikel_song_tract_audio_effects");

    EXPECT_EQ(window->OnDelItem(), 1);
    EXPECT_EQ(requests(STREQ_CLOSE_AUDIO_EFFECT_EDITOR).size(), 1u);
    EXPECT_EQ(window->GetNumb(), 1);

    // back to the buses: the bus is selected again
    window->SetShowType(STPAGE_BUSES, 0);
    EXPECT_EQ(requests(STREQ_BUS_CHOOSER).back().a, -1);
    EXPECT_EQ(window->selItem, 1);
    // deleting the bus closes its effects' editors first
    const size_t closedBefore = requests(STREQ_CLOSE_AUDIO_EFFECT_EDITOR).size();
    EXPECT_EQ(window->OnDelItem(), 1);
    EXPECT_EQ(requests(STREQ_CLOSE_AUDIO_EFFECT_EDITOR).size(), closedBefore + 1);
    EXPECT_EQ(tract()->GetNumBuses(), 1);
}

TEST_F(TractTest, AMIDITracksEffectsAreEditedInItsChain)
{
    auto *track = static_cast<CTrackMIDI *>(host->addTrack(TRACK_MIDI));
    const long id = static_cast<long>(track->GetID());
    Editor &tracks = host->open<CTracksWindow>(KEY_TRACKS, 0, 900, 200);
    window->SetShowType(STPAGE_MIDI_EFFECTS, id);
    EXPECT_EQ(window->effOwner, id) << "the track the host's chooser gave back";
    EXPECT_EQ(editor->status[1], " MIDI Effects");
    EXPECT_EQ(window->CanMode(), 1);
    tracks.invalidated.clear();
    ASSERT_EQ(window->OnAddItem(), 1);
    ASSERT_EQ(track->effects.GetNumEffects(), 1);
    EXPECT_EQ(window->ItemAt(0), track->effects.GetFirstElem());
    EXPECT_EQ(host->song.steps.back().caption, "Add New MIDI Effect");
    EXPECT_EQ(host->song.steps.back().scope, id);
    EXPECT_FALSE(tracks.invalidated.empty()) << "the track's effect count";

    // switched off in the "M" column (the chain takes the song lock itself
    // to switch it, and tells the effect after)
    editor->press(31 + 195 + 5, mid(0));
    editor->release(31 + 195 + 5, mid(0));
    EXPECT_EQ(track->effects.GetFirstElem()->active, 0);
    EXPECT_FALSE(editor->lockHeldAtModified);

    EXPECT_EQ(window->IsMode(), 1);
    EXPECT_EQ(window->CanApply(), 1);
    EXPECT_EQ(window->OnMode(), 1);
    EXPECT_EQ(track->effects.IsOnline(), 0);
    EXPECT_EQ(window->CanApply(), 0);

    // an effect whose module cannot be made leaves nothing behind
    midiEffect = "NoSuchEffect";
    const size_t steps = host->song.steps.size();
    EXPECT_EQ(window->OnAddItem(), 0);
    EXPECT_EQ(track->effects.GetNumEffects(), 1);
    EXPECT_EQ(host->song.steps.size(), steps);

    EXPECT_EQ(window->OnDelItem(), 1);
    EXPECT_EQ(requests(STREQ_CLOSE_MIDI_EFFECT_EDITOR).size(), 1u);
    EXPECT_EQ(track->effects.GetNumEffects(), 0);
    editor->paintAll();
    editor->screenshot("pannikel_song_tract_midi_effects");

    // closing the MIDI effects goes back to the ports
    window->CloseMIDIEffects();
    EXPECT_EQ(window->GetShowType(), STPAGE_PORTS);
    EXPECT_EQ(requests(STREQ_CLOSE_EDITORS).back().a, 8);
}

namespace {

// Calls of one kind, and how many of them came with the lock held.
struct LockWatch {
    const CRITICAL_SECTION *lock;
    int calls = 0;
    int underLock = 0;
    void note()
    {
        ++calls;
        underLock += testing_support::heldByThisThread(*lock) ? 1 : 0;
    }
    static void noteSlowCall(void *watch) { static_cast<LockWatch *>(watch)->note(); }
};

} // namespace

// The render thread plays under the song's lock: the window adds and
// deletes outputs, buses and effects, and closes their editors, without it
// (the tract and the song take their locks only to link and unlink).
TEST_F(TractTest, ModulesAndEditorsComeAndGoWithoutTheSongLock)
{
    for (const char *module : {"Tindrel.dll", "Corvadel.dll"})
        ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA(module))) << module;
    auto *track = static_cast<CTrackMIDI *>(host->addTrack(TRACK_MIDI));
    LockWatch modules{&host->song.GetSyncObj()->section}, closes{&host->song.GetSyncObj()->section};
    editor->answer = [&](const Request &r) {
        if (r.code == STREQ_CLOSE_SYNTH_EDITOR || r.code == STREQ_CLOSE_AUDIO_EFFECT_EDITOR ||
            r.code == STREQ_CLOSE_MIDI_EFFECT_EDITOR)
            closes.note();
        return answer(r);
    };
    {
        testing_support::RealTimeCounter counter;
        counter.watchSlowCalls(LockWatch::noteSlowCall, &modules);
        ASSERT_EQ(window->OnAddItem(), 1); // a port
        ASSERT_EQ(window->OnDelItem(), 1);
        window->SetShowType(STPAGE_MIDI_EFFECTS, static_cast<long>(track->GetID()));
        ASSERT_EQ(window->OnAddItem(), 1);
        ASSERT_EQ(window->OnDelItem(), 1);
        window->SetShowType(STPAGE_BUSES, 0);
        ASSERT_EQ(window->OnAddItem(), 1);
        editor->doubleClick(31 + 31 + 195 + 3 * 78 + 5, mid(1)); // the new bus's effects
        ASSERT_EQ(window->GetShowType(), STPAGE_AUDIO_EFFECTS);
        ASSERT_EQ(window->OnAddItem(), 1);
        ASSERT_EQ(window->OnAddItem(), 1);
        ASSERT_EQ(window->OnDelItem(), 1);
        window->SetShowType(STPAGE_BUSES, 0);
        ASSERT_EQ(window->selItem, 1);
        ASSERT_EQ(window->OnDelItem(), 1) << "the bus with its other effect";
    }
    EXPECT_EQ(tract()->GetNumBuses(), 1);
    EXPECT_EQ(track->effects.GetNumEffects(), 0);
    EXPECT_EQ(modules.calls, 8) << "a port, two effects and a MIDI effect, each loaded and freed";
    EXPECT_EQ(modules.underLock, 0);
    EXPECT_EQ(closes.calls, 4);
    EXPECT_EQ(closes.underLock, 0);
}

// The render thread plays a MIDI track's chain under the song's lock: a
// MIDI effect the window adds, moves, switches or takes offline and online
// hears of it without the lock (the chain takes it only to link, move or
// switch).
TEST_F(TractTest, AMIDIEffectIsToldWithoutTheSongLock)
{
    auto *track = static_cast<CTrackMIDI *>(host->addTrack(TRACK_MIDI));
    window->SetShowType(STPAGE_MIDI_EFFECTS, static_cast<long>(track->GetID()));
    HMODULE module = LoadLibraryA("TestEffect.zql");
    ASSERT_NE(module, nullptr);
    using WatchFn = void (*)(const CRITICAL_SECTION *);
    using LogFn = const char *(*)(long *);
    auto watch = reinterpret_cast<WatchFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(module, "TestEffectWatchLock")));
    auto log = reinterpret_cast<LogFn>(reinterpret_cast<void (*)()>(GetProcAddress(module, "TestEffectLog")));
    ASSERT_TRUE(watch && log);
    log(nullptr);
    watch(&host->song.GetSyncObj()->section);
    ASSERT_EQ(window->OnAddItem(), 1);
    ASSERT_EQ(window->OnAddItem(), 1);
    window->selItem = 0;
    ASSERT_EQ(window->OnMoveItem(0), 1);
    editor->press(31 + 195 + 5, mid(1));
    editor->release(31 + 195 + 5, mid(1));
    ASSERT_EQ(window->OnMode(), 1);
    ASSERT_EQ(window->OnMode(), 1);
    for (int left = 2; left > 0; --left) {
        window->selItem = 0;
        ASSERT_EQ(window->OnDelItem(), 1);
    }
    watch(nullptr);
    long live = -1;
    const std::string asked = log(&live);
    EXPECT_EQ(asked.find("[locked]"), std::string::npos) << asked;
    const auto count = [&](const std::string &what) {
        size_t n = 0;
        for (size_t at = asked.find(what); at != std::string::npos; at = asked.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("online1 "), 4u) << asked;
    EXPECT_EQ(count("online0 "), 2u) << asked;
    EXPECT_EQ(live, 0);
    EXPECT_EQ(track->effects.GetNumEffects(), 0);
    FreeLibrary(module);
}

// The tracks window adds an audio track (its "Tembri Audio" output module
// loaded) and deletes it with a MIDI track and its effect (modules freed,
// the drummer destroyed) without the lock the render thread plays under:
// the song takes it only to link and unlink the tracks.
TEST_F(TractTest, TracksComeAndGoWithoutTheSongLock)
{
    for (const char *module : {"Tindrel.dll", "Corvadel.dll"})
        ASSERT_TRUE(testing_support::installRealTimeHooks(GetModuleHandleA(module))) << module;
    auto *tracks = host->open<CTracksWindow>(KEY_TRACKS, 0, 900, 200).as<CTracksWindow>();
    const long outputsBefore = outputs();
    LockWatch slowCalls{&host->song.GetSyncObj()->section};
    long moduleCalls = 0;
    {
        testing_support::RealTimeCounter counter;
        counter.watchSlowCalls(LockWatch::noteSlowCall, &slowCalls);
        ASSERT_EQ(tracks->OnAddNewTrack(TRACK_AUDIO, -1), 1);
        ASSERT_EQ(outputs(), outputsBefore + 1) << "the audio track's own output";
        ASSERT_EQ(tracks->OnAddNewTrack(TRACK_MIDI, -1), 1);
        auto *midi = static_cast<CTrackMIDI *>(host->song.GetPrevTrack(nullptr));
        ASSERT_EQ(midi->GetKind(), TRACK_MIDI);
        window->SetShowType(STPAGE_MIDI_EFFECTS, static_cast<long>(midi->GetID()));
        ASSERT_EQ(window->OnAddItem(), 1);
        ASSERT_EQ(midi->effects.GetNumEffects(), 1);
        for (CTrack *t = host->song.GetNextTrack(nullptr); t; t = host->song.GetNextTrack(t))
            t->SetSlct(t->GetKind() == TRACK_AUDIO || t == midi);
        host->song.Update();
        ASSERT_EQ(tracks->OnDeleteSelTracks(), 1);
        moduleCalls = counter.moduleCalls();
    }
    EXPECT_EQ(host->song.GetNextTrack(TRACK_AUDIO, nullptr), nullptr);
    EXPECT_EQ(host->song.GetNextTrack(TRACK_MIDI, nullptr), nullptr);
    EXPECT_EQ(outputs(), outputsBefore) << "the audio track's output went with it";
    EXPECT_EQ(moduleCalls, 4) << "the audio output and the MIDI effect, each loaded and freed";
    EXPECT_GE(slowCalls.calls, moduleCalls);
    EXPECT_EQ(slowCalls.underLock, 0) << "of " << slowCalls.calls << " module and file calls";
}

TEST_F(TractTest, TheTracksWindowShowsATracksEffectsHere)
{
    CTrack *track = host->addTrack(TRACK_MIDI);
    Editor &tracks = host->open<CTracksWindow>(KEY_TRACKS, 0, 900, 200);
    const long row = static_cast<long>(track->GetID());
    long effectsLeft = 0;
    for (long c = 0; c < TRCOL_EFFECTS; ++c)
        effectsLeft += tabTracksClmns[c];
    tracks.doubleClick(effectsLeft + 5, 22 + 26 * row + 13);
    EXPECT_EQ(window->GetShowType(), STPAGE_MIDI_EFFECTS);
    EXPECT_EQ(window->effOwner, row);
    // a track deleted from the tracks window closes the MIDI effects' editors
    for (CTrack *t = host->song.GetNextTrack(nullptr); t; t = host->song.GetNextTrack(t))
        t->SetSlct(t == track);
    host->song.Update();
    tracks.as<CTracksWindow>()->OnDeleteSelTracks();
    EXPECT_EQ(requests(STREQ_CLOSE_EDITORS).back().a, 8);
    EXPECT_EQ(window->GetShowType(), STPAGE_PORTS);
}

TEST_F(TractTest, ColumnsAreResizedWithinTheirMinimum)
{
    // the border after "Port Name"
    editor->drag(31 + 195, 10, 31 + 195 + 40, 10);
    EXPECT_EQ(window->colsPorts[1], 235);
    EXPECT_EQ(tabSTractClmnPrt[1], 235) << "the next window starts with it";
    EXPECT_EQ(editor->status[0], "Resize column") << "the pointer rests on the moved border";
    EXPECT_EQ(window->scrollMaxX, 0);
    editor->drag(31 + 235, 10, 0, 10);
    EXPECT_EQ(window->colsPorts[1], 26);
    // the border after "M" resizes "Name"
    window->SetShowType(STPAGE_AUDIO_EFFECTS, 0);
    const long before = window->colsAudioEffects[1];
    editor->drag(31 + before + 26, 10, 31 + before + 26 + 10, 10);
    EXPECT_EQ(window->colsAudioEffects[1], before + 10);
    EXPECT_EQ(window->colsAudioEffects[2], 26);
    EXPECT_FALSE(editor->captured);
}
