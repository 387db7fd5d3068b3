// The tracks window in the tests' host: its layout and painting, and every
// gesture changing the song as its host would see it.
#include "gui/windows/tests/editor_host.h"
#include "gui/windows/tests/test_window.h"

#include "data/storage.h"
#include "data/tests/wave_support.h"
#include "data/track.h"
#include "data/track_audio.h"
#include "data/track_master.h"
#include "data/track_midi.h"
#include "gui/draw/shared_objects.h"
#include "gui/windows/meas_window.h"
#include "gui/windows/tracks_window.h"
#include "gui/windows/window_globals.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace Quorvane;
using namespace windows_test;

namespace {

// Tracks: 1 chords, 2 MIDI "Bass", 3 melody text, 4 drum pattern. Rows are
// 26 high from y 22 + 26 * row; the columns' default widths put Name at
// 57..174, M 174..200, S 200..226, U 226..252, Out 252..382, Chan
// 382..421, Bank 421..460, Program 460..538, Volume 538..616, Panning
// 616..694, Key+ 694..733, Time+ 733..785, Eff 785..816.
struct TracksTest : ::testing::Test {
    long savedWidths[kTracksColumns];
    Host host;
    CTrack *chords = nullptr, *bass = nullptr, *melody = nullptr, *drums = nullptr;
    Editor *tracksEditor = nullptr;
    Editor *measEditor = nullptr;
    CTracksWindow *tracks = nullptr;

    void SetUp() override
    {
        std::copy(tabTracksClmns, tabTracksClmns + kTracksColumns, savedWidths);
        chords = host.addTrack(TRACK_CHORDS);
        bass = host.addTrack(TRACK_MIDI, "Bass");
        melody = host.addTrack(TRACK_MELTEXT);
        drums = host.addTrack(TRACK_PATTDRUMS);
        host.song.playStartTick = 10000000;
        tracksEditor = &host.open<CTracksWindow>(KEY_TRACKS, 0, 900, 300);
        measEditor = &host.open<CMeasWindow>(KEY_MEASURES, 0, 600, 300);
        tracks = tracksEditor->as<CTracksWindow>();
        host.song.modified = 0;
    }
    void TearDown() override { std::copy(savedWidths, savedWidths + kTracksColumns, tabTracksClmns); }

    static long mid(long row) { return 22 + 26 * row + 13; }
    Editor &editor() { return *tracksEditor; }
    std::vector<unsigned long> sentTo(void *out)
    {
        std::vector<unsigned long> messages;
        for (const auto &s : host.sound.tract.sent)
            if (s.out == out)
                messages.push_back(s.message);
        return messages;
    }
};

constexpr long kNameX = 100, kMuteX = 187, kSoloX = 213, kUseX = 239, kOutX = 300, kChanX = 400, kBankX = 440,
               kProgX = 500, kVolX = 577, kPanX = 655, kKeyX = 710, kTimeX = 750, kEffX = 800;

} // namespace

TEST_F(TracksTest, RowsBeginBelowTheHeaderAndColumnsAtTheirBorders)
{
    EXPECT_EQ(tracks->GetRow(48), -1) << "a press at y 48 is in the header";
    EXPECT_EQ(tracks->GetRow(49), 1);
    EXPECT_EQ(tracks->GetRow(73), 1);
    EXPECT_EQ(tracks->GetRow(74), 2);
    EXPECT_EQ(tracks->GetColumn(31), 0);
    EXPECT_EQ(tracks->GetColumn(32), 1);
    EXPECT_EQ(tracks->GetColumn(kNameX), TRCOL_NAME);
    EXPECT_EQ(tracks->GetColumn(815), TRCOL_EFFECTS);
    EXPECT_EQ(tracks->GetColumn(816), -1);
    EXPECT_EQ(tracks->GetColumnBorder(173), TRCOL_NAME);
    EXPECT_EQ(tracks->GetColumnBorder(174), TRCOL_NAME);
    EXPECT_EQ(tracks->GetColumnBorder(175), -1);
    EXPECT_EQ(tracks->GetItemQuad(2, TRCOL_NAME, 0), QUAD(57, 74, 174, 100));
    EXPECT_EQ(tracks->GetItemQuad(2, 15, 0), QUAD(816, 74, 900, 100));
    // Scrolled: the number column stays, the others move.
    tracksEditor->size(400, 300);
    tracksEditor->scroll(0, 40);
    EXPECT_EQ(tracks->GetColumn(kNameX), TRCOL_NAME);
    EXPECT_EQ(tracks->GetItemQuad(2, TRCOL_NAME, 0).left, 17);
    EXPECT_EQ(tracks->GetItemQuad(2, TRCOL_NAME, 1).left, 31);
    EXPECT_EQ(tracks->GetColumnBorder(31), 0);
}

TEST_F(TracksTest, ScrollsOverEveryRowAndColumn)
{
    // (4 tracks after the master + 23 empty rows) x 26 against 300 - 48
    EXPECT_EQ(tracksEditor->scrollMax[1], (5 + 23) * 26 - 252);
    EXPECT_EQ(tracksEditor->scrollPage[1], 252);
    EXPECT_EQ(tracks->scrollMaxX, 0) << "all columns fit";
    tracksEditor->size(400, 300);
    long sum = 0;
    for (long w : tabTracksClmns)
        sum += w;
    EXPECT_EQ(tracksEditor->scrollMax[0], sum - (400 - 31));
    // The header stays when the rows scroll.
    tracksEditor->scrolled.clear();
    tracksEditor->scroll(1, 26);
    ASSERT_EQ(tracksEditor->scrolled.size(), 1u);
    EXPECT_EQ(tracksEditor->scrolled[0].top, 48);
    tracksEditor->scroll(0, 26);
    EXPECT_EQ(tracksEditor->scrolled[1].left, 32);
}

TEST_F(TracksTest, PaintsRowsByKindAndTheSelection)
{
    for (CTrack *t = host.song.GetNextTrack(nullptr); t; t = host.song.GetNextTrack(t))
        t->SetSlct(t == bass);
    bass->volume = 100;
    tracksEditor->paintAll();
    Editor &e = editor();
    // row backgrounds at their flat middle
    EXPECT_EQ(e.pixel(165, 22 + 26 + 21), colourOf(colBkgndChords));
    EXPECT_EQ(e.pixel(165, 22 + 52 + 21), colourOf(colBkgndMIDI));
    EXPECT_EQ(e.pixel(165, 22 + 78 + 21), colourOf(colBkgndMelText));
    EXPECT_EQ(e.pixel(165, 22 + 104 + 21), colourOf(colBkgndPattern));
    // the number cell of the selected track and of another
    EXPECT_EQ(e.pixel(3, 22 + 52 + 21), colourOf(colSlctTrMeas));
    EXPECT_EQ(e.pixel(3, 22 + 26 + 21), colourOf(colLtGray));
    // an empty row keeps the window's background
    EXPECT_EQ(e.pixel(100, 22 + 26 * 7 + 13), colourOf(colBkgndTrMeas));
    // the volume slider: 100 of 127 over 78 pixels is 61
    EXPECT_EQ(e.pixel(538 + 30, 22 + 52 + 21), colourOf(colSlctMIDI));
    EXPECT_EQ(e.pixel(538 + 62, 22 + 52 + 21), colourOf(colBkgndMIDI));
    // no slider without a value: the MIDI track's panning is "-"
    EXPECT_EQ(e.pixel(616 + 30, 22 + 52 + 21), colourOf(colBkgndMIDI));
    // the chord track's channel is disabled: a dash in the middle
    EXPECT_EQ(e.pixel(401, 22 + 26 + 13), colourOf(colDkGray));
    // the column borders over the rows
    EXPECT_EQ(e.pixel(173, 22 + 52 + 13), colourOf(colDkGray));
    EXPECT_EQ(e.pixel(174, 22 + 52 + 13), colourOf(colWhite));
    // the header: a black line under it
    EXPECT_EQ(e.pixel(100, 47), RGB(0, 0, 0));
    e.screenshot("pannikel_tracks_window");
}

TEST_F(TracksTest, SwitchesToggleAndMarkTheSongModified)
{
    tracksEditor->press(kMuteX, mid(2));
    EXPECT_TRUE(bass->IsMute());
    EXPECT_EQ(tracksEditor->modifiedCalls, 1);
    EXPECT_EQ(host.song.IsModified(), 1);
    tracksEditor->press(kSoloX, mid(2));
    EXPECT_TRUE(bass->IsSolo());
    EXPECT_EQ(host.song.soloMode, 1);
    tracksEditor->press(kSoloX, mid(2));
    EXPECT_EQ(host.song.soloMode, 0);
    tracksEditor->press(kUseX, mid(2));
    EXPECT_TRUE(bass->IsUseS());
    // A double click on a switch is a press.
    tracksEditor->doubleClick(kMuteX, mid(3));
    EXPECT_FALSE(melody->IsMute()) << "pressed twice: once by the press, once by the double click";
    EXPECT_TRUE(host.song.steps.empty()) << "no undo step for a switch";
}

TEST_F(TracksTest, SelectionByTheNumberColumn)
{
    CTrack *master = host.song.GetTrackMaster();
    auto selected = [&] {
        std::vector<long> ids;
        for (CTrack *t = host.song.GetNextSelectedTrack(nullptr); t; t = host.song.GetNextSelectedTrack(t))
            ids.push_back(static_cast<long>(t->GetID()));
        return ids;
    };
    tracksEditor->press(10, mid(2));
    EXPECT_EQ(selected(), (std::vector<long>{2}));
    tracksEditor->press(10, mid(4), 1, 0); // toggle
    EXPECT_EQ(selected(), (std::vector<long>{2, 4}));
    tracksEditor->press(10, mid(2), 1, 0);
    tracksEditor->press(10, mid(4), 1, 0);
    EXPECT_EQ(selected(), (std::vector<long>{0})) << "with none left the first track is taken";
    // A range up to the nearest selected track above: the master.
    tracksEditor->press(10, mid(3), 0, 1);
    EXPECT_EQ(selected(), (std::vector<long>{1, 2, 3})) << "the master was not chosen";
    EXPECT_FALSE(master->IsSlct());
    tracksEditor->press(10, mid(1));
    tracksEditor->press(10, mid(4), 0, 1);
    EXPECT_EQ(selected(), (std::vector<long>{1, 2, 3, 4}));
    EXPECT_EQ(host.song.GetNumSelected(), 4);
    // Column 1 double-clicked: every track of that kind.
    CTrack *bass2 = host.addTrack(TRACK_MIDI);
    tracks->OnSize(kTimeMax, kTimeMax);
    tracksEditor->doubleClick(40, mid(2));
    EXPECT_EQ(selected(), (std::vector<long>{2, static_cast<long>(bass2->GetID())}));
}

TEST_F(TracksTest, ColumnBordersResizeDownToTheirMinimum)
{
    tracksEditor->press(174, 40);
    EXPECT_EQ(tracks->dragState, 1000);
    EXPECT_EQ(tracksEditor->status[0], "Resize 'Name'");
    EXPECT_TRUE(tracksEditor->captured);
    tracksEditor->move(204, 40);
    EXPECT_EQ(tracks->columnWidths[TRCOL_NAME], 147);
    EXPECT_EQ(tabTracksClmns[TRCOL_NAME], 147);
    tracksEditor->move(-200, 40);
    EXPECT_EQ(tracks->columnWidths[TRCOL_NAME], 3);
    tracksEditor->move(60 + 5, 40); // the border stays with the pointer
    EXPECT_EQ(tracks->columnWidths[TRCOL_NAME], 8);
    tracksEditor->release(65, 40);
    EXPECT_EQ(tracks->dragState, 0);
    EXPECT_FALSE(tracksEditor->captured);
    // The border of the fixed "M" column resizes "Name".
    const long mBorder = tracks->GetItemQuad(1, TRCOL_MUTE, 0).right;
    tracksEditor->press(mBorder, 48);
    EXPECT_EQ(tracks->editColumn, TRCOL_NAME);
    tracksEditor->move(mBorder + 10, 48);
    EXPECT_EQ(tracks->columnWidths[TRCOL_NAME], 18);
    EXPECT_EQ(tracks->columnWidths[TRCOL_MUTE], 26);
    tracksEditor->release(mBorder + 10, 48);
    // Hovering over a border says so.
    tracksEditor->move(tracks->GetItemQuad(1, TRCOL_NAME, 0).right, 10);
    EXPECT_EQ(tracksEditor->status[0], "Resize column");
}

TEST_F(TracksTest, TheVolumeSliderDragsAndCommitsOnce)
{
    bass->volume = 64;
    bass->output = &host.sound.tract.other;
    tracksEditor->press(kVolX, mid(2));
    EXPECT_EQ(tracks->dragState, 1);
    ASSERT_FALSE(tracksEditor->mousePositions.empty());
    EXPECT_EQ(tracksEditor->mousePositions.back().x, 538 + 78 * 64 / 127);
    EXPECT_EQ(tracksEditor->status[0], "Edit track's Volume");
    const long start = tracksEditor->mousePositions.back().x;
    tracksEditor->move(start + 10, mid(2));
    EXPECT_EQ(bass->volume, 68);
    tracksEditor->move(tracksEditor->mousePositions.back().x + 2, mid(2));
    EXPECT_EQ(bass->volume, 69);
    // sent to the port at once
    const auto sent = sentTo(&host.sound.tract.other);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.back() & 0xFFFF, 0x07B0u);
    EXPECT_EQ((sent.back() >> 16) & 0x7F, 69u);
    for (int i = 0; i < 40; ++i)
        tracksEditor->move(tracksEditor->mousePositions.back().x + 50, mid(2));
    EXPECT_EQ(bass->volume, 127);
    EXPECT_EQ(tracksEditor->modifiedCalls, 0);
    tracksEditor->release(700, mid(2));
    EXPECT_EQ(bass->volume, 127);
    EXPECT_EQ(tracksEditor->modifiedCalls, 1);
    EXPECT_FALSE(tracksEditor->captured);
    EXPECT_EQ(tracks->editRow, kNoEditItem);
    // A drag that ends where it began changes nothing.
    tracksEditor->press(kVolX, mid(2));
    const long end = tracksEditor->mousePositions.back().x;
    tracksEditor->move(end - 10, mid(2));
    tracksEditor->move(tracksEditor->mousePositions.back().x + 10, mid(2));
    tracksEditor->release(end, mid(2));
    EXPECT_EQ(bass->volume, 127);
    EXPECT_EQ(tracksEditor->modifiedCalls, 1);
}

TEST_F(TracksTest, KeyShiftsStayWithinTheKindsRange)
{
    const long markX = 733 - 3;
    tracksEditor->press(markX, mid(1)); // the chord track's Key+
    EXPECT_EQ(tracks->dragState, 2);
    EXPECT_EQ(tracksEditor->mousePositions.back().x, 732);
    EXPECT_EQ(tracksEditor->mousePositions.back().y, mid(1));
    for (int i = 0; i < 10; ++i)
        tracksEditor->move(markX, mid(1) - 20);
    EXPECT_EQ(chords->transpose, 12);
    tracksEditor->move(markX, mid(1) + 2);
    EXPECT_EQ(chords->transpose, 11);
    tracksEditor->release(markX, mid(1));
    EXPECT_EQ(tracksEditor->modifiedCalls, 1);
    // Time+ of the MIDI track: at most a quarter.
    tracksEditor->press(785 - 3, mid(2));
    for (int i = 0; i < 400; ++i)
        tracksEditor->move(782, mid(2) + 30);
    EXPECT_EQ(bass->timeOffset, -960);
    tracksEditor->release(782, mid(2));
    // On the number the host's editor opens.
    tracksEditor->press(kKeyX, mid(2));
    ASSERT_FALSE(tracksEditor->requests.empty());
    EXPECT_EQ(tracksEditor->requests.back().code, TRREQ_EDIT_KEY);
    EXPECT_EQ(tracksEditor->requests.back().a, reinterpret_cast<LONG_PTR>(bass));
    EXPECT_EQ(tracksEditor->status[0], "Edit track's Key+");
    EXPECT_EQ(tracks->OnKeyPlChanged(chords, 40, 0), 1);
    EXPECT_EQ(chords->transpose, 12);
}

// The sound engine takes no key shift for audio: Key+ of an audio track,
// one with a wave too, is a number within -6..6 that reaches nothing.
TEST_F(TracksTest, AnAudioTracksKeyShiftIsOnlyItsNumber)
{
    using namespace wave_test;
    const std::string bytes = riff(chunk("fmt ", fmtBody(1, 1, 44100, 16)) +
                                   chunk("data", pcm16(std::vector<int16_t>(4410, 8192))));
    CMemStorage storage;
    storage.PutBuffer(bytes.data(), static_cast<long>(bytes.size()), 1);
    storage.SetPos(0);
    ASSERT_EQ(host.song.ImportWave(&storage), 1);
    auto *audio = static_cast<CTrackAudio *>(host.song.GetTrack(5));
    ASSERT_NE(audio, nullptr);
    ASSERT_EQ(audio->GetKind(), TRACK_AUDIO);
    ASSERT_GT(audio->wave.length, 0);
    tracks->OnSize(kTimeMax, kTimeMax);
    tracksEditor->paintAll();
    const size_t sent = host.sound.tract.sent.size();
    const size_t added = host.sound.tract.addedKinds.size();

    const long markX = 733 - 3;
    tracksEditor->press(markX, mid(5));
    ASSERT_EQ(tracks->dragState, 2);
    for (int i = 0; i < 10; ++i)
        tracksEditor->move(markX, mid(5) - 20);
    EXPECT_EQ(audio->transpose, 6);
    for (int i = 0; i < 10; ++i)
        tracksEditor->move(markX, mid(5) + 20);
    EXPECT_EQ(audio->transpose, -6);
    tracksEditor->release(markX, mid(5));
    EXPECT_EQ(tracks->OnKeyPlChanged(audio, 3, 0), 1);
    EXPECT_EQ(audio->transpose, 3);
    EXPECT_EQ(host.sound.tract.sent.size(), sent) << "nothing went to the output";
    EXPECT_EQ(host.sound.tract.addedKinds.size(), added);
    EXPECT_TRUE(host.sound.tract.deleted.empty());
}

TEST_F(TracksTest, PortChannelBankAndProgramComeFromTheHost)
{
    void *other = &host.sound.tract.other;
    QUAD cell{0, 0, 0, 0};
    tracksEditor->answer = [&](const Request &r) -> LONG_PTR {
        cell = *reinterpret_cast<QUAD *>(r.b);
        switch (r.code) {
        case TRREQ_CHORD_PORT:
        case TRREQ_PORT:
            return reinterpret_cast<LONG_PTR>(other);
        case TRREQ_CHANNEL:
            return 9;
        case TRREQ_BANK:
            return 1;
        case TRREQ_PROGRAM:
            return 33;
        default:
            return 0;
        }
    };
    tracksEditor->press(kOutX, mid(1));
    ASSERT_EQ(tracksEditor->requests.size(), 1u);
    EXPECT_EQ(tracksEditor->requests[0].code, TRREQ_CHORD_PORT);
    EXPECT_EQ(chords->output, other);
    tracksEditor->press(kOutX, mid(2));
    EXPECT_EQ(tracksEditor->requests[1].code, TRREQ_PORT);
    EXPECT_EQ(cell, tracks->GetItemQuad(2, TRCOL_OUT, 0));
    EXPECT_EQ(bass->output, other);
    EXPECT_EQ(tracksEditor->status[0], "");
    // The chord track has no channel.
    tracksEditor->press(kChanX, mid(1));
    EXPECT_EQ(tracksEditor->requests.size(), 2u);
    tracksEditor->press(kChanX, mid(2));
    EXPECT_EQ(tracksEditor->requests.back().code, TRREQ_CHANNEL);
    EXPECT_EQ(bass->channel, 9);
    // The bank only on its mark, and only where banks have names.
    tracksEditor->press(kBankX - 10, mid(2));
    EXPECT_EQ(tracksEditor->requests.back().code, TRREQ_CHANNEL);
    tracksEditor->press(460 - 3, mid(2));
    EXPECT_EQ(tracksEditor->requests.back().code, TRREQ_BANK);
    EXPECT_EQ(bass->bank, 1);
    host.sound.tract.sent.clear();
    tracksEditor->press(kProgX, mid(2));
    EXPECT_EQ(bass->program, 33);
    const auto sent = sentTo(other);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0] & 0xFFFF, 0x21C9u) << "program 33 on channel 10";
    EXPECT_GE(tracksEditor->modifiedCalls, 4);
    tracksEditor->paintAll();
    tracksEditor->screenshot("pannikel_tracks_window_ports");
}

TEST_F(TracksTest, ADoubleClickOnAnEmptyRowAddsATrackThere)
{
    std::vector<std::string> log;
    Editor &other = host.openWindow(new TestWindow(&log, "chord editor"), 1, 0, 100, 100, false);
    tracksEditor->answer = [](const Request &r) -> LONG_PTR {
        return r.code == TRREQ_NEW_TRACK_KIND ? 3 : 0;
    };
    tracksEditor->doubleClick(10, mid(7));
    ASSERT_FALSE(tracksEditor->requests.empty());
    EXPECT_EQ(tracksEditor->requests.back().code, TRREQ_NEW_TRACK_KIND);
    CTrack *added = host.song.GetTrack(7);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->GetKind(), TRACK_MIDI);
    EXPECT_TRUE(added->IsSlct());
    EXPECT_EQ(host.song.GetNumSelected(), 1);
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "New track");
    EXPECT_EQ(host.song.steps[0].scope, -1);
    EXPECT_TRUE(tracksEditor->lockHeldAtModified);
    EXPECT_EQ(host.song.IsModified(), 1);
    // Both windows grew.
    EXPECT_EQ(tracksEditor->scrollMax[1], (8 + 23) * 26 - 252);
    EXPECT_EQ(measEditor->scrollMax[1], (6 + 23) * 26 - 252);
    // A track inserted at a taken row moves the rows below, and their
    // windows keep their registration under the new ids.
    EXPECT_EQ(tracks->OnAddNewTrack(TRACK_MELTEXT, 1), 1);
    EXPECT_EQ(host.song.GetTrack(1)->GetKind(), TRACK_MELTEXT);
    EXPECT_EQ(chords->GetID(), 2u);
    EXPECT_EQ(host.liason.Find(other.get())->key1, 2);
    other.invalidated.clear();
    host.liason.CallUpdateTrack(chords, UPDATE_TRACK_WINDOWS);
    EXPECT_EQ(other.invalidated.size(), 1u);
}

TEST(TracksAdding, APatternTrackBringsAChordTrackFirst)
{
    Host host;
    Editor &editor = host.open<CTracksWindow>(KEY_TRACKS, 0, 900, 300);
    auto *tracks = editor.as<CTracksWindow>();
    EXPECT_EQ(tracks->OnAddNewTrack(TRACK_PATTMIDI, -1), 1);
    ASSERT_NE(host.song.GetTrackChords(), nullptr);
    EXPECT_EQ(host.song.GetTrackChords()->GetID(), 1u);
    EXPECT_EQ(host.song.GetTrack(2)->GetKind(), TRACK_PATTMIDI);
    EXPECT_EQ(host.song.steps.size(), 2u);
    // The song refuses a second chord track: nothing is committed.
    const int modified = editor.modifiedCalls;
    EXPECT_EQ(tracks->OnAddNewTrack(TRACK_CHORDS, -1), 0);
    EXPECT_EQ(editor.modifiedCalls, modified);
    EXPECT_EQ(host.song.restored, 1) << "the undo step was taken back";
}

TEST_F(TracksTest, DeletingSelectedTracksClosesTheirWindows)
{
    std::vector<std::string> log;
    Editor &bassEditor = host.openWindow(new TestWindow(&log, "bass"), 2, 0, 100, 100, false);
    Editor &melodyEditor = host.openWindow(new TestWindow(&log, "melody"), 3, 0, 100, 100, false);
    Editor &drumEditor = host.openWindow(new TestWindow(&log, "drums"), 4, 0, 100, 100, false);
    // The master alone, or the chord track while a pattern track needs it,
    // stays.
    for (CTrack *t = host.song.GetNextTrack(nullptr); t; t = host.song.GetNextTrack(t))
        t->SetSlct(t == host.song.GetTrackMaster());
    EXPECT_EQ(tracks->OnDeleteSelTracks(), 0);
    CTrack *pattern = host.addTrack(TRACK_PATTMIDI);
    ASSERT_NE(pattern, nullptr);
    pattern->SetSlct(0);
    host.song.GetTrackMaster()->SetSlct(0);
    chords->SetSlct(1);
    EXPECT_EQ(tracks->OnDeleteSelTracks(), 0);
    EXPECT_TRUE(host.song.steps.empty());
    // The master, the needed chord track and the bass selected: only the
    // bass goes.
    host.song.GetTrackMaster()->SetSlct(1);
    bass->SetSlct(1);
    host.song.Update();
    EXPECT_EQ(tracks->OnDeleteSelTracks(), 1);
    EXPECT_NE(host.song.GetTrackMaster(), nullptr);
    EXPECT_EQ(host.song.GetTrackChords(), chords);
    EXPECT_FALSE(bassEditor.isOpen());
    EXPECT_EQ(bassEditor.closeCalls, 1);
    ASSERT_EQ(host.song.steps.size(), 1u);
    EXPECT_EQ(host.song.steps[0].caption, "Delete track(s)");
    EXPECT_EQ(host.song.steps[0].scope, -1) << "three tracks were selected";
    EXPECT_TRUE(tracksEditor->lockHeldAtModified);
    // The rows closed up, and the windows below kept their tracks.
    EXPECT_EQ(melody->GetID(), 2u);
    EXPECT_EQ(host.liason.Find(melodyEditor.get())->key1, 2);
    EXPECT_EQ(host.liason.Find(drumEditor.get())->key1, 3);
    EXPECT_TRUE(host.song.GetTrackMaster()->IsSlct()) << "the first remaining track";
    // One track: its id is the undo scope; a host that keeps the window
    // open is asked once.
    for (CTrack *t = host.song.GetNextTrack(nullptr); t; t = host.song.GetNextTrack(t))
        t->SetSlct(t == drums);
    host.song.Update();
    drumEditor.closeRefused = true;
    EXPECT_EQ(tracks->OnDeleteSelTracks(), 1);
    EXPECT_EQ(host.song.steps.back().scope, 3);
    EXPECT_EQ(drumEditor.closeCalls, 1);
    EXPECT_EQ(host.song.GetNumTracks(), 4);
}

TEST_F(TracksTest, TheWheelScrollsBothWindowsByWholePixels)
{
    tracksEditor->wheel(0.03f, 1); // under 1/26 of a notch
    EXPECT_EQ(tracks->scrollPosY, 0);
    EXPECT_EQ(tracksEditor->wheelScrolls, 0);
    tracksEditor->wheel(-1.0f, 1);
    EXPECT_EQ(tracks->scrollPosY, 26);
    EXPECT_EQ(measEditor->get()->scrollPosY, 26);
    EXPECT_EQ(tracksEditor->wheelScrolls, 1);
    tracksEditor->size(300, 300);
    tracksEditor->wheel(-2.0f, 0);
    EXPECT_EQ(tracks->scrollPosX, 40);
}

TEST_F(TracksTest, NamesFromTheHostsEditor)
{
    QUAD place{0, 0, 0, 0};
    tracksEditor->answer = [&](const Request &r) -> LONG_PTR {
        if (r.code == TRREQ_EDIT_NAME)
            place = *reinterpret_cast<QUAD *>(r.b);
        return 0;
    };
    tracksEditor->doubleClick(kNameX, mid(2));
    ASSERT_FALSE(tracksEditor->requests.empty());
    const Request r = tracksEditor->requests.back();
    EXPECT_EQ(r.code, TRREQ_EDIT_NAME);
    EXPECT_EQ(r.a, reinterpret_cast<LONG_PTR>(bass));
    EXPECT_EQ(place, QUAD(60, 74, 171, 100)) << "the cell less 3 pixels each side";
    EXPECT_EQ(tracksEditor->status[0], "Edit track's Name");
    EXPECT_EQ(tracks->editColumn, TRCOL_NAME);
    tracks->OnNameChanged(bass, "Bass");
    EXPECT_EQ(tracksEditor->modifiedCalls, 0) << "the same name";
    EXPECT_EQ(tracks->editRow, kNoEditItem);
    tracks->OnNameChanged(bass, "Fretless");
    EXPECT_STREQ(bass->name, "Fretless");
    tracks->OnNameChanged(bass, "");
    EXPECT_EQ(bass->name, nullptr);
    EXPECT_EQ(tracksEditor->modifiedCalls, 2);
    tracks->OnNameChanged(bass, nullptr);
    EXPECT_EQ(tracksEditor->modifiedCalls, 2) << "no name equals the empty one";
    // The other double clicks: open the track's editor, show its effects.
    tracksEditor->doubleClick(10, mid(3));
    EXPECT_EQ(tracksEditor->requests.back().code, TRREQ_OPEN_EDITOR);
    EXPECT_EQ(tracksEditor->requests.back().a, 3);
    tracksEditor->doubleClick(kEffX, mid(2));
    EXPECT_EQ(tracksEditor->requests.back().code, TRREQ_SHOW_EFFECTS);
}

TEST_F(TracksTest, PropertiesGoToEverySelectedTrack)
{
    for (CTrack *t = host.song.GetNextTrack(nullptr); t; t = host.song.GetNextTrack(t))
        t->SetSlct(t == bass || t == melody || t == drums);
    host.song.Update();
    tracksEditor->answer = [&](const Request &r) -> LONG_PTR {
        if (r.code != TRREQ_PROPERTIES)
            return 0;
        bass->volume = 90; // the dialog changed the first selected track
        bass->SetMute(1);
        bass->channel = 4;
        return PROP_VOLUME | PROP_MUTE | PROP_CHANNEL;
    };
    tracks->OnTrackProperties();
    EXPECT_EQ(melody->volume, 90);
    EXPECT_EQ(drums->volume, 90);
    EXPECT_TRUE(melody->IsMute());
    EXPECT_EQ(drums->channel, 4);
    EXPECT_FALSE(chords->IsSlct());
    EXPECT_EQ(chords->volume, 100);
    EXPECT_EQ(tracksEditor->status[0], "");
}

namespace {

// A MIDI track that notes whether the song lock was held while its tick-0
// events were brought in line with its fields.
class LockProbeTrack : public CTrackMIDI {
public:
    LockProbeTrack(unsigned long id, TestSong *owner) : CTrackMIDI(id, owner), testSong(owner) {}
    int CheckVolPanChanged(int fromEvents) override
    {
        lockHeld = testSong->lockHeldElsewhere();
        return CTrackMIDI::CheckVolPanChanged(fromEvents);
    }
    TestSong *testSong;
    bool lockHeld = false;
};

} // namespace

TEST(TracksLocking, VolumeEventsChangeUnderTheSongLock)
{
    Host host;
    auto *probe = new LockProbeTrack(1, &host.song);
    ASSERT_EQ(probe->SetDefault(), 1);
    ASSERT_EQ(host.song.InsertTrack(probe, 0), 1);
    host.song.Update();
    Editor &editor = host.open<CTracksWindow>(KEY_TRACKS, 0, 900, 300);
    EXPECT_EQ(editor.as<CTracksWindow>()->OnVolChanged(probe, 90, 0), 1);
    EXPECT_TRUE(probe->lockHeld);
    EXPECT_EQ(probe->volume, 90);
    bool event = false;
    for (long i = 0; i < probe->GetNumb(); ++i)
        event = event || (probe->GetEvent(i)->IsCtrl(7) && probe->GetEvent(i)->time == 0 &&
                          probe->GetEvent(i)->getCtrlVal() == 90);
    EXPECT_TRUE(event) << "the tick-0 volume event follows the field";
}
