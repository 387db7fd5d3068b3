// Lead-sheet rows and note rectangles.
#include "gui/windows/chord_string.h"

#include "data/event.h"
#include "data/song.h"
#include "data/tests/fake_sound.h"
#include "data/text_widths.h"
#include "data/track_master.h"

#include <gtest/gtest.h>

using namespace Quorvane;

namespace {

struct RowsTest : ::testing::Test {
    FakeSoundMngr sound;
    CSong song{nullptr, &sound};
    CTrackMaster *master = nullptr;
    CChordString rows;

    void SetUp() override
    {
        ASSERT_EQ(song.SetDefault(), 1);
        master = song.GetTrackMaster();
        ASSERT_EQ(rows.Init(&song), 1);
    }
    void add(EVENT e, long time)
    {
        e.time = time;
        master->AddToTail(&e, 1);
        master->Sort();
        master->UpdateParams(0);
    }
    void meter(long time, long numerator, long power)
    {
        EVENT e;
        e.setTSign(numerator, power);
        add(e, time);
    }
    void key(long time, long index)
    {
        EVENT e;
        e.setKSign(index);
        add(e, time);
    }
    // zoom 20: a 4/4 bar is 192 pixels.
    void layout(long width, long end)
    {
        song.playRangeEnd = end;
        rows.Resize(width, 0, 20, 40);
    }
};

} // namespace

TEST_F(RowsTest, WholeBarsWrapAtTheWidth)
{
    layout(40 + 12 + 3 * 192 + 50, 3840 * 7);
    ASSERT_EQ(rows.GetNumb(), 3);
    EXPECT_EQ(rows.GetAt(0)->bars, 3);
    EXPECT_EQ(rows.GetAt(1)->time, 3840 * 3);
    EXPECT_EQ(rows.GetAt(1)->bar, 3);
    EXPECT_EQ(rows.GetAt(2)->bars, 1);
    EXPECT_EQ(rows.GetAt(0)->ticksPerBar, 3840);
    EXPECT_EQ(rows.GetAt(0)->ticksPerBeat, 960);
    EXPECT_EQ(rows.GetAt(0)->kSign, 15);
    EXPECT_EQ(rows.GetAt(1)->kSign, 15 | kKeyContinues);
    EXPECT_EQ(rows.maxWidth, 3 * 192);
    EXPECT_EQ(rows.GetSizeW(), 3 * 192 + 12);
    EXPECT_EQ(rows.GetSizeH(7), (HeightL + 84 + 30) * 3 + 6);
}

TEST_F(RowsTest, ANarrowWindowStillGetsOneBarARow)
{
    layout(60, 3840 * 3);
    ASSERT_EQ(rows.GetNumb(), 3);
    EXPECT_EQ(rows.GetAt(2)->bars, 1);
}

TEST_F(RowsTest, BarsNarrowerThanAPixelStillLayOut)
{
    song.playRangeEnd = 3840 * 4;
    rows.Resize(500, 0, 8000, 40); // a bar would be 0 pixels wide
    ASSERT_EQ(rows.GetNumb(), 1);
    EXPECT_EQ(rows.GetAt(0)->bars, 4);
}

TEST_F(RowsTest, APartialLastBarGetsNoRow)
{
    layout(2000, 3840 * 2 + 1000);
    ASSERT_EQ(rows.GetNumb(), 1);
    EXPECT_EQ(rows.GetAt(0)->bars, 2);
}

TEST_F(RowsTest, MeterAndKeyChangesStartRows)
{
    meter(3840 * 2, 3, 2);        // 3/4 from bar 2
    meter(3840 * 2 + 2880, 4, 2); // 4/4 again from bar 3
    key(3840 * 5 + 2880, 16);     // G major from bar 6
    layout(2000, 3840 * 8 + 2880);
    ASSERT_EQ(rows.GetNumb(), 4);
    EXPECT_EQ(rows.GetAt(0)->bars, 2);
    EXPECT_EQ(rows.GetAt(1)->bars, 1);
    EXPECT_EQ(rows.GetAt(1)->ticksPerBar, 2880);
    EXPECT_EQ(rows.GetAt(1)->kSign, 15 | kKeyContinues) << "a meter change keeps the key going";
    EXPECT_EQ(rows.GetAt(2)->bar, 3);
    EXPECT_EQ(rows.GetAt(2)->bars, 3);
    EXPECT_EQ(rows.GetAt(3)->time, 3840 * 5 + 2880);
    EXPECT_EQ(rows.GetAt(3)->kSign, 16) << "a new key is printed";
    EXPECT_EQ(rows.NeedResize(), 0);
    key(0, 14);
    EXPECT_EQ(rows.NeedResize(), 1);
}

TEST_F(RowsTest, AMeterChangeInsideABarEndsWithoutLooping)
{
    meter(3840 + 960, 3, 2); // inside bar 2
    layout(2000, 3840 * 4);
    ASSERT_GE(rows.GetNumb(), 2);
    EXPECT_EQ(rows.GetAt(0)->bars, 1);
    EXPECT_EQ(rows.GetAt(1)->time, 3840 + 960);
    EXPECT_EQ(rows.GetAt(1)->ticksPerBar, 2880);
}

TEST(QuadNotes, HitsByPartAndStopsEarly)
{
    CQuadNotes notes;
    EVENT a, b;
    const QUAD wide(100, 10, 160, 20), narrow(200, 10, 202, 20);
    notes.AddToTail(&wide, &a);
    notes.AddToTail(&narrow, &b);
    long count = 0;
    EXPECT_NE(notes.GetFirst(count), nullptr);
    EXPECT_EQ(count, 2);
    long part = 0;
    EXPECT_EQ(notes.IsPtInNote(99, 15, part), nullptr) << "left of the first";
    EXPECT_EQ(notes.IsPtInNote(100, 15, part), &a);
    EXPECT_EQ(part, NOTE_START);
    EXPECT_EQ(notes.IsPtInNote(108, 15, part), &a);
    EXPECT_EQ(part, NOTE_START);
    EXPECT_EQ(notes.IsPtInNote(109, 15, part), &a);
    EXPECT_EQ(part, NOTE_BODY);
    EXPECT_EQ(notes.IsPtInNote(152, 15, part), &a);
    EXPECT_EQ(part, NOTE_END) << "a grip of 8 on a 60-pixel note";
    EXPECT_EQ(notes.IsPtInNote(201, 15, part), &b);
    EXPECT_EQ(part, NOTE_END) << "a grip of 1 on a 2-pixel note";
    EXPECT_EQ(notes.IsPtInNote(200, 15, part), &b);
    EXPECT_EQ(part, NOTE_START);
    EXPECT_EQ(notes.IsPtInNote(130, 25, part), nullptr);
    notes.counter = 3;
    notes.ResetContent();
    EXPECT_EQ(notes.GetNumb(), 0);
    EXPECT_EQ(notes.counter, 0);
}
