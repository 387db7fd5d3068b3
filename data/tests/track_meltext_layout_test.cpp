#include "data/track_meltext.h"

#include "data/tests/song_fixture.h"
#include "data/tests/width_tables.h"

#include <string>

using namespace Quorvane;

namespace {

// Widths D: 3 a character, 1 a blank. Node 0 "ab" (6 pixels) is sung at
// tick 0, node 1 "cde", a line end, "fg" and the last line end (17 pixels)
// at tick 960; ten ticks a pixel put them at 0 and 96.
class LyricsLayout : public SongFixture {
protected:
    void SetUp() override
    {
        SongFixture::SetUp();
        track = add<CTrackMelText>(TRACK_MELTEXT);
        track->CStructArray::Clear();
        for (const auto &[time, pitch] : {std::pair{0, 60}, std::pair{960, 62}}) {
            EVENT e;
            e.setMelody(pitch);
            put(track, e, time);
        }
        int mode = 1;
        const std::string first = std::string("ab") + kNodeDivider + "cde";
        for (size_t i = 0; i < first.size(); ++i)
            track->text.AddNewChar(0, static_cast<long>(i), first[i], mode);
        track->text.SetNewLine(0, static_cast<long>(first.size()));
        track->text.AddNewChar(1, 0, 'f', mode);
        track->text.AddNewChar(1, 1, 'g', mode);
        ASSERT_EQ(track->UpdateNodes(nullptr), 1);
        ASSERT_EQ(track->text.GetNumNodes(), 2);
        ASSERT_EQ(track->text.GetTextNode(1)->widthD, 17);
    }
    long nodeAt(long x, long mode, long *offset = nullptr)
    {
        const long node = track->GetTextNodeFromX(x, 10, mode, 0);
        if (offset)
            *offset = mode;
        return node;
    }
    WidthTables widths;
    CTrackMelText *track = nullptr;
};

TEST_F(LyricsLayout, NodesByPixel)
{
    EXPECT_EQ(nodeAt(5, 0), 0);
    EXPECT_EQ(nodeAt(7, 0), 1) << "the first node whose text reaches x";
    long offset = -1;
    EXPECT_EQ(nodeAt(4, 2, &offset), 0);
    EXPECT_EQ(offset, 4);
    EXPECT_EQ(nodeAt(100, 2, &offset), 1);
    EXPECT_EQ(offset, 4);
    EXPECT_EQ(nodeAt(50, 2), -1) << "between two nodes";
    EXPECT_EQ(nodeAt(5, 3), 0) << "inside the node before the next";
    EXPECT_EQ(nodeAt(95, 3), -1) << "not close enough to the next, outside the one before";
    EXPECT_EQ(nodeAt(111, 3), 1) << "inside the last";
    EXPECT_EQ(nodeAt(200, 3), -1);
    long mode = 0;
    EXPECT_EQ(track->GetTextNodeFromX(5, 10, mode, 2), -1) << "no node from 2 on";
}

TEST_F(LyricsLayout, PositionsInsideANode)
{
    const struct {
        long node, x;
        int found;
        long line, index;
    } rows[] = {
        {1, 0, 1, 0, 3},  {1, 5, 1, 0, 4},  // before the middle of 'd'
        {1, 6, 1, 0, 5},                    // past it
        {1, 10, 1, 1, 0},                   // the line end leads to the next line
        {1, 12, 1, 1, 0}, {1, 20, 0, 2, 0}, // the text ends
        {0, 7, 0, 0, 2},                    // the divider comes first
    };
    for (const auto &row : rows) {
        long line = -1, index = -1;
        EXPECT_EQ(track->GetStrChrInNode(row.node, row.x, line, index), row.found)
            << row.node << " " << row.x;
        if (row.found) {
            EXPECT_EQ(line, row.line) << row.x;
            EXPECT_EQ(index, row.index) << row.x;
        }
    }
}

} // namespace
