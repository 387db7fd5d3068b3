#include "app/options/output_port.h"

#include "app/parts_song.h"
#include "data/io_params.h"
#include "data/lock.h"
#include "data/song.h"
#include "data/tests/fake_sound.h"
#include "data/track_midi.h"
#include "sound/ssynth_elem.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

using namespace Quorvane;

namespace {

// Whether a thread other than the asking one holds the lock: another
// thread tries it at once.
bool heldByAnotherThread(SYNCOBJECT *lock)
{
    struct Try {
        SYNCOBJECT *lock;
        bool held = false;
    } t{lock};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void *context) -> DWORD {
            auto &t = *static_cast<Try *>(context);
            CLock guard(t.lock, 0);
            t.held = !guard.TryLock();
            return 0;
        },
        &t, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return t.held;
}

// A tract that adds outputs by name; the second one added renders no
// audio.
struct PortTract final : FakeTract {
    void *AddNewOut(PORTDESCR *descriptor) override
    {
        if (refuse || added == 3)
            return nullptr;
        names.push_back(static_cast<const char *>(descriptor->data));
        return &outs[added++];
    }
    int GetOutDescr(void *out, PORTDESCR *descriptor, int) override
    {
        // The song's first output, as the song tract describes it.
        if (out == &preview) {
            descriptor->kind = OUT_PREVIEW;
            return descriptor->SetData("Default Preview");
        }
        for (int i = 0; i < added; ++i)
            if (out == &outs[i]) {
                descriptor->kind = PORT_BY_NAME;
                return descriptor->SetData(names[i].c_str());
            }
        return 0;
    }
    long GetOutType(void *out) override { return out == &outs[1] ? kOutputWithoutAudio : 0; }
    void DeleteOut(void *out) override
    {
        deleted.push_back(out);
        deletedUnderSongLock.push_back(songLock && heldByAnotherThread(songLock));
    }

    int outs[3] = {};
    int added = 0;
    bool refuse = false;
    std::vector<std::string> names;
    SYNCOBJECT *songLock = nullptr;
    std::vector<bool> deletedUnderSongLock;
};

struct PortSound final : FakeSoundMngr {
    IQuorvaneSongTract *CreateSongTract(CSong *) override { return &ports; }
    PortTract ports;
};

PORTDESCR port(const char *name)
{
    PORTDESCR descriptor(PORT_BY_NAME);
    descriptor.SetData(name);
    return descriptor;
}

class OutputPortTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(song.SetDefault(), 1);
        for (int part = 0; part < kPartCount; ++part)
            ASSERT_NE(song.InsertNewTrack(TRACK_MIDI, part + 1, 0), nullptr);
        other = song.InsertNewTrack(TRACK_MIDI, 13, 0);
        ASSERT_EQ(PartTrack(song, 0)->output, &sound.ports.preview);
    }
    bool allPartsOn(void *out)
    {
        for (int part = 0; part < kPartCount; ++part)
            if (PartTrack(song, part)->output != out)
                return false;
        return true;
    }
    PortSound sound;
    CSong song{nullptr, &sound};
    CTrack *other = nullptr;
};

} // namespace

TEST_F(OutputPortTest, EveryPartTakesTheNewPortAndTheTractsFirstOutputStays)
{
    const OutputChange change = ReplacePartsOutput(song, port("Synth A"));
    ASSERT_TRUE(change.changed);
    EXPECT_EQ(change.output, &sound.ports.outs[0]);
    EXPECT_TRUE(change.audio);
    EXPECT_TRUE(allPartsOn(&sound.ports.outs[0]));
    // Only part tracks follow the port.
    EXPECT_EQ(other->output, &sound.ports.preview);
    EXPECT_TRUE(sound.ports.deleted.empty());
}

TEST_F(OutputPortTest, ChoosingTheSamePortAgainChangesNothing)
{
    ASSERT_TRUE(ReplacePartsOutput(song, port("Synth A")).changed);
    const OutputChange again = ReplacePartsOutput(song, port("Synth A"));
    EXPECT_FALSE(again.changed);
    EXPECT_FALSE(again.refused);
    EXPECT_EQ(sound.ports.added, 1);
    EXPECT_TRUE(allPartsOn(&sound.ports.outs[0]));
}

// The output chooser lists the preview synthesizer by its module's name:
// chosen at the first start, it is the output the parts already play
// through, and no second instance joins the song.
TEST_F(OutputPortTest, ThePreviewSynthesizerChosenByNameIsThePortThePartsPlayThrough)
{
    PORTDESCR chosen(OUT_BY_NAME);
    ASSERT_TRUE(chosen.SetData("Default Preview"));
    const OutputChange change = ReplacePartsOutput(song, chosen);
    EXPECT_FALSE(change.changed);
    EXPECT_FALSE(change.refused);
    EXPECT_EQ(sound.ports.added, 0);
    EXPECT_TRUE(allPartsOn(&sound.ports.preview));
}

TEST(SamePortTest, OwnSoftSynthsAreTheSamePortByTheirModule)
{
    const auto descriptor = [](long kind, const char *text) {
        PORTDESCR d(kind);
        d.SetData(text);
        return d;
    };
    GUID id{};
    PORTDESCR byGuid(OUT_DXI);
    byGuid.SetData(&id);
    const struct {
        PORTDESCR a, b;
        bool same;
    } cases[] = {
        {descriptor(OUT_PREVIEW, "Default Preview"), descriptor(OUT_BY_NAME, "Default Preview"), true},
        {descriptor(OUT_BY_NAME, "default preview"), descriptor(OUT_PREVIEW, "Default Preview"), true},
        {descriptor(OUT_BY_NAME, "Tembri Audio"), descriptor(OUT_AUDIO, "Tembri Audio"), true},
        {descriptor(OUT_PREVIEW, "Default Preview"), descriptor(OUT_BY_NAME, "Other Synth"), false},
        // A MIDI port or a hosted instrument is named by more than a module.
        {descriptor(OUT_MIDI, "Default Preview"), descriptor(OUT_BY_NAME, "Default Preview"), false},
        {descriptor(OUT_DXI, "Default Preview"), descriptor(OUT_PREVIEW, "Default Preview"), false},
        {byGuid, byGuid, true},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SamePort(c.a, c.b), c.same) << c.a.kind << " " << c.b.kind;
}

TEST_F(OutputPortTest, AnotherPortReplacesTheOldOneWhichGoes)
{
    ASSERT_TRUE(ReplacePartsOutput(song, port("Synth A")).changed);
    const OutputChange change = ReplacePartsOutput(song, port("MIDI Out"));
    ASSERT_TRUE(change.changed);
    EXPECT_FALSE(change.audio); // this one renders no audio
    EXPECT_TRUE(allPartsOn(&sound.ports.outs[1]));
    EXPECT_EQ(sound.ports.deleted, std::vector<void *>{&sound.ports.outs[0]});
}

// The render thread reads the outputs under the song mutex and plays
// under it: the parts move under it, but the old output (its module freed,
// its editor closed) goes after the mutex is let go.
TEST_F(OutputPortTest, TheOldOutputGoesWithoutTheSongMutex)
{
    sound.ports.songLock = song.GetSyncObj();
    ASSERT_NE(sound.ports.songLock, nullptr);
    ASSERT_TRUE(ReplacePartsOutput(song, port("Synth A")).changed);
    ASSERT_TRUE(ReplacePartsOutput(song, port("MIDI Out")).changed);
    EXPECT_EQ(sound.ports.deleted, std::vector<void *>{&sound.ports.outs[0]});
    EXPECT_EQ(sound.ports.deletedUnderSongLock, std::vector<bool>{false});
    EXPECT_TRUE(allPartsOn(&sound.ports.outs[1]));
    EXPECT_FALSE(heldByAnotherThread(sound.ports.songLock));
}

TEST_F(OutputPortTest, APortTheTractCannotAddLeavesThePartsAsTheyWere)
{
    sound.ports.refuse = true;
    const OutputChange change = ReplacePartsOutput(song, port("Broken"));
    EXPECT_FALSE(change.changed);
    EXPECT_TRUE(change.refused);
    EXPECT_EQ(change.output, nullptr);
    EXPECT_TRUE(allPartsOn(&sound.ports.preview));
}
