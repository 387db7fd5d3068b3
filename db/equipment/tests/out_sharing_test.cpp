// Output sharing with a real song and song tract.
#include "db/equipment/out_sharing.h"

#include "base/message_box.h"
#include "data/sound_interfaces.h"
#include "data/track.h"
#include "db/equipment/tests/song_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Quorvane;
using namespace equipment_test;

namespace {

PORTDESCR previewDescr(IQuorvaneSongTract *tract)
{
    PORTDESCR d;
    tract->GetOutDescr(tract->GetOutPreview(), &d, 0);
    return d;
}

std::vector<void *> outs(IQuorvaneSongTract *tract)
{
    std::vector<void *> list;
    for (void *out = tract->GetNextOut(nullptr); out; out = tract->GetNextOut(out))
        list.push_back(out);
    return list;
}

TEST(OutSharing, OutputsEqualToTheSongsAreClaimedNotCreatedAndNoneIsDeleted)
{
    TestSong song;
    void *named = song.addNamedOut();
    ASSERT_NE(named, nullptr);
    const std::vector<void *> before = outs(song.tract());

    int ok = 0;
    COutSharing sharing(song.get(), ok);
    ASSERT_EQ(ok, 1);
    ASSERT_EQ(sharing.GetNumb(), long(before.size()));
    PORTDESCR preview = previewDescr(song.tract());
    PORTDESCR again = namedOut();
    EXPECT_EQ(sharing.ProcessOut(&preview, 0), 1);
    EXPECT_EQ(sharing.ProcessOut(&again, 0), 1);
    EXPECT_EQ(sharing.Commit(), 1);
    EXPECT_EQ(outs(song.tract()), before);
}

TEST(OutSharing, TwoEqualOutputsClaimTheTwoExistingOnesAndAThirdGetsANewOne)
{
    TestSong song;
    void *first = song.addNamedOut();
    void *second = song.addNamedOut();
    ASSERT_TRUE(first && second);
    const int before = song.numOuts();

    int ok = 0;
    COutSharing sharing(song.get(), ok);
    PORTDESCR a = namedOut(), b = namedOut(), c = namedOut();
    ASSERT_EQ(sharing.ProcessOut(&a, 0), 1);
    ASSERT_EQ(sharing.ProcessOut(&b, 0), 1);
    EXPECT_EQ(song.numOuts(), before);
    ASSERT_EQ(sharing.ProcessOut(&c, 0), 1);
    EXPECT_EQ(song.numOuts(), before + 1);
    EXPECT_EQ(sharing.GetNumb(), long(before + 1));
    const PORTSHARING *added = sharing.GetAt(sharing.GetNumb() - 1);
    EXPECT_EQ(added->existed, 0);
    EXPECT_EQ(added->claimed, 1);
}

TEST(OutSharing, AnUnnamedOutputGoesAndItsTracksAndSysExEntriesMove)
{
    TestSong song;
    void *kept = song.addNamedOut();
    void *dropped = song.addNamedOut();
    void *alone = song.addNamedOut("Tembri Audio");
    ASSERT_TRUE(kept && dropped && alone);
    CTrack *onDropped = song->InsertNewTrack(TRACK_MIDI, -1, 0);
    CTrack *onAlone = song->InsertNewTrack(TRACK_MIDI, -1, 0);
    ASSERT_TRUE(onDropped && onAlone);
    onDropped->output = dropped;
    onAlone->output = alone;
    SYSEX entry;
    entry.SetName("Reset");
    entry.port = alone;
    ASSERT_TRUE(song->sysEx.Add(entry));

    int ok = 0;
    COutSharing sharing(song.get(), ok);
    PORTDESCR preview = previewDescr(song.tract());
    PORTDESCR named = namedOut();
    ASSERT_EQ(sharing.ProcessOut(&preview, 0), 1);
    ASSERT_EQ(sharing.ProcessOut(&named, 0), 1);
    ASSERT_EQ(sharing.Commit(), 1);

    const std::vector<void *> after = outs(song.tract());
    EXPECT_EQ(std::count(after.begin(), after.end(), dropped), 0);
    EXPECT_EQ(std::count(after.begin(), after.end(), alone), 0);
    EXPECT_EQ(onDropped->output, kept) << "to the equal claimed output";
    EXPECT_EQ(onAlone->output, song.tract()->GetOutPreview()) << "to the preview output";
    EXPECT_EQ(song->sysEx.GetAt(0)->port, nullptr) << "no SysEx entry keeps a deleted output";
}

TEST(OutSharing, ThePreviewOutputAndAudioOutputsAreNeverCreatedMovedOrDeleted)
{
    TestSong song;
    CTrack *audio = song->InsertNewTrack(TRACK_AUDIO, -1, 0);
    ASSERT_NE(audio, nullptr);
    void *audioOut = audio->output;
    ASSERT_NE(audioOut, nullptr);
    PORTDESCR audioDescr;
    ASSERT_TRUE(song.tract()->GetOutDescr(audioOut, &audioDescr, 0));
    ASSERT_EQ(audioDescr.kind, kAudioOutKind);
    const int before = song.numOuts();

    int ok = 0;
    COutSharing sharing(song.get(), ok);
    PORTDESCR another(kAudioOutKind);
    another.SetData("Tembri Audio");
    EXPECT_EQ(sharing.ProcessOut(&another, 0), 1);
    EXPECT_EQ(song.numOuts(), before);
    // The template names neither the preview nor the audio output.
    ASSERT_EQ(sharing.Commit(), 1);
    EXPECT_EQ(song.numOuts(), before);
    EXPECT_NE(song.tract()->GetOutPreview(), nullptr);
    EXPECT_EQ(audio->output, audioOut);
}

TEST(OutSharing, AnOutputThatCannotBeCreatedAsksAndCanFallBackToThePreviewSynth)
{
    TestSong song;
    std::vector<std::string> asked;
    int answer = IDNO;
    setMessageBoxHook([&](HWND, const char *text, const char *, UINT type) {
        asked.push_back(text);
        EXPECT_EQ(type & MB_YESNO, UINT(MB_YESNO));
        return answer;
    });
    int ok = 0;
    COutSharing sharing(song.get(), ok);
    const int before = song.numOuts();
    PORTDESCR missing = namedOut("No Such Synth");
    EXPECT_EQ(sharing.ProcessOut(&missing, 0), 0);
    EXPECT_EQ(song.numOuts(), before);
    answer = IDYES;
    PORTDESCR missingToo = namedOut("No Such Synth");
    EXPECT_EQ(sharing.ProcessOut(&missingToo, 0), 1);
    EXPECT_EQ(song.numOuts(), before + 1);
    setMessageBoxHook({});
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], "Can't load Quorvane Synth:\n\n[No Such Synth]\n\nContinue anyway?");
    const PORTSHARING *added = sharing.GetAt(sharing.GetNumb() - 1);
    EXPECT_EQ(added->descr.kind, 3);
    EXPECT_STREQ(static_cast<const char *>(added->descr.data), "Default Preview");
}

TEST(OutSharing, ALoadedOutputIsConnectedToItsBus)
{
    TestSong song;
    ASSERT_TRUE(song.tract()->AddNewBus());
    int ok = 0;
    COutSharing sharing(song.get(), ok);
    PORTDESCR named = namedOut();
    ASSERT_EQ(sharing.ProcessOut(&named, 1), 1);
    const PORTSHARING *added = sharing.GetAt(sharing.GetNumb() - 1);
    EXPECT_EQ(song.tract()->GetOutBus(added->out), 1);
}

} // namespace
