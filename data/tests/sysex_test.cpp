#include "data/sysex.h"

#include "data/tests/fake_sound.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

TEST(SysEx, EntriesOwnNameAndMessage)
{
    SYSEX a, b;
    ASSERT_EQ(a.SetName("GM Reset"), 1);
    ASSERT_EQ(a.SetData("\xF0\x7E\x7F\x09\x01\xF7", 6), 1);
    b.SetName("GM Reset");
    b.SetData("\xF0\x7E\x7F\x09\x01\xF7", 6);
    EXPECT_EQ(a.IsDifferent(b), 0);
    b.data[4] = 0x02;
    EXPECT_EQ(a.IsDifferent(b), 1);
    b.Clear();
    EXPECT_EQ(b.length, 0);

    CSysEx list;
    ASSERT_EQ(list.Add(a), 1);
    EXPECT_EQ(a.data, nullptr); // moved into the list
    ASSERT_NE(list.GetAt(0), nullptr);
    EXPECT_EQ(list.GetAt(0)->length, 6);
    EXPECT_STREQ(list.GetAt(0)->name, "GM Reset");
    EXPECT_EQ(list.GetAt(1), nullptr);
    EXPECT_EQ(list.Delete(0, 1), 1);
    EXPECT_EQ(list.GetNumb(), 0);
}

TEST(SysEx, AMutedEntryDiffersFromASoundingOne)
{
    SYSEX a, b;
    a.SetName("Reset");
    b.SetName("Reset");
    EXPECT_EQ(a.IsDifferent(b), 0);
    b.muted = 1;
    EXPECT_EQ(a.IsDifferent(b), 1);
}

// A tract whose outputs are the preview and one MIDI output ("other").
struct TractWithMIDI : FakeTract {
    void *GetNextOut(void *out) override
    {
        return out == nullptr ? &preview : out == &preview ? &other : nullptr;
    }
    long GetOutType(void *out) override { return out == &other ? 7 : 0; }
};

TEST(SysEx, EntriesOffAMIDIOutputGetTheFirstOneInTheirRange)
{
    TractWithMIDI tract;
    CSysEx list;
    for (void *port : {static_cast<void *>(&tract.preview), static_cast<void *>(nullptr),
                       static_cast<void *>(&tract.other), static_cast<void *>(&tract.chords)}) {
        SYSEX entry;
        entry.port = port;
        list.Add(entry);
    }
    EXPECT_EQ(list.CheckPorts(&tract, 0, 1), 1);
    EXPECT_EQ(list.GetAt(0)->port, &tract.other);
    EXPECT_EQ(list.GetAt(1)->port, &tract.other);
    EXPECT_EQ(list.GetAt(3)->port, &tract.chords) << "outside the range";
    EXPECT_EQ(list.CheckPorts(&tract, 0, 2), 0) << "all on the MIDI output";
    FakeTract noMIDI;
    EXPECT_EQ(list.CheckPorts(&noMIDI, 3, 10), 1);
    EXPECT_EQ(list.GetAt(3)->port, nullptr) << "no MIDI output: none";
}

} // namespace
