#include "bridge/common/bridge_segmenter.h"

#include "bridge/common/tests/recorder_fixture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Halvorin;
using namespace halvorin_test;

namespace {

constexpr int kFrames = 512;

// A segmenter on the recorder's channel, rendering replacing blocks of 512
// frames.
class SegmenterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(recorder.Ready());
        ASSERT_TRUE(provider.Connect());
        recorder.Take();
        segmenter.Reset(kModeReplace);
    }
    void begin(int32_t mode = kModeReplace)
    {
        left.assign(2 * kFrames + 1, 0.0f);
        right.assign(2 * kFrames + 1, 0.0f);
        segmenter.Begin(provider, mode, left.data(), right.data(), kFrames);
    }
    static EventPlace at(int offset) { return {offset, {}, {}}; }

    Recorder recorder;
    HalvorinConnection provider;
    BridgeSegmenter segmenter;
    std::vector<float> left, right;
};

TEST_F(SegmenterTest, NotesCutTheBlockWhereTheyStart)
{
    begin();
    segmenter.Note(at(100), 38, 100);
    segmenter.Note(at(300), 40, 90);
    segmenter.End();
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 3u);
    const struct {
        int frames, note, velocity;
    } expected[] = {{100, kNoteNone, 0}, {200, 38, 100}, {212, 40, 90}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(segments[i].frames, expected[i].frames) << i;
        EXPECT_EQ(segments[i].noteCode, expected[i].note) << i;
        EXPECT_EQ(segments[i].velocity, expected[i].velocity) << i;
        EXPECT_EQ(segments[i].mode, kModeReplace);
    }
    // Each segment wrote its own frames of both buffers.
    EXPECT_EQ(left[0], 1.0f);
    EXPECT_EQ(left[99], 1.0f);
    EXPECT_EQ(left[100], 2.0f);
    EXPECT_EQ(right[299], -2.0f);
    EXPECT_EQ(left[300], 3.0f);
    EXPECT_EQ(right[511], -3.0f);
    EXPECT_EQ(left[512], 0.0f) << "nothing past the block";
    EXPECT_EQ(segmenter.block.velocity, 0) << "the velocity goes with one segment";
    EXPECT_EQ(segmenter.heldNote, 40);
}

TEST_F(SegmenterTest, ANoteOnTheFirstFrameMakesNoEmptySegment)
{
    begin();
    segmenter.Note(at(0), 36, 127);
    segmenter.End();
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].frames, kFrames);
    EXPECT_EQ(segments[0].noteCode, 36);
    EXPECT_EQ(segments[0].velocity, 127);
}

TEST_F(SegmenterTest, TheReleaseOfANoteIsSentOnlyForTheNoteSounding)
{
    begin();
    segmenter.Note(at(10), 38, 100);
    segmenter.Note(at(20), 40, 100);
    segmenter.Note(at(30), 38, 0); // no longer the sounding note
    segmenter.Note(at(40), 40, 0);
    segmenter.End();
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 4u);
    EXPECT_EQ(segments[2].frames, 20) << "the release of 38 cut nothing";
    EXPECT_EQ(segments[3].noteCode, kNoteNone);
    EXPECT_EQ(segments[3].frames, kFrames - 40);
    EXPECT_EQ(segmenter.heldNote, BridgeSegmenter::kNoNote);
}

TEST_F(SegmenterTest, ThePedalHoldsAReleaseBackUntilItComesUp)
{
    begin();
    segmenter.Note(at(0), 38, 100);
    segmenter.Pedal(at(50), true);
    segmenter.Note(at(100), 38, 0);
    segmenter.Pedal(at(400), false);
    segmenter.End();
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].frames, 400);
    EXPECT_EQ(segments[0].noteCode, 38);
    EXPECT_EQ(segments[1].frames, 112);
    EXPECT_EQ(segments[1].noteCode, kNoteNone) << "the release goes out with the pedal";
}

TEST_F(SegmenterTest, ResettingTheControllersLiftsThePedalAndZeroesBendAndModulation)
{
    begin();
    segmenter.Note(at(0), 38, 100);
    segmenter.Bend(-4000);
    segmenter.Modulation(64);
    segmenter.Pedal(at(10), true);
    segmenter.Note(at(20), 38, 0);
    segmenter.ResetControllers(at(200));
    segmenter.End();
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].bend, 0) << "changes go with the segment after the next cut";
    EXPECT_EQ(segments[1].noteCode, kNoteNone);
    EXPECT_EQ(segments[1].bend, 0);
    EXPECT_EQ(segments[1].mod, 0);
    EXPECT_FALSE(segmenter.sustain);
}

TEST_F(SegmenterTest, BendAndModulationGoWithTheNextSegment)
{
    begin();
    segmenter.Bend(1000);
    segmenter.Modulation(5);
    segmenter.Note(at(100), 38, 100);
    segmenter.Bend(-1000);
    segmenter.End();
    std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].bend, 0);
    EXPECT_EQ(segments[1].bend, 1000);
    EXPECT_EQ(segments[1].mod, 5);
    EXPECT_EQ(segmenter.block.bend, -1000) << "ready for the next block";
    begin();
    segmenter.End();
    segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].bend, -1000);
}

TEST_F(SegmenterTest, AStoppedTransportIsSentAndItsNotesIgnored)
{
    begin();
    segmenter.Note(at(0), 38, 100);
    segmenter.End();
    begin();
    segmenter.TransportStopped();
    segmenter.Note(at(100), 40, 100);
    segmenter.End();
    std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[1].noteCode, kNoteTransportStopped);
    EXPECT_EQ(segments[1].frames, kFrames);
    EXPECT_EQ(segmenter.heldNote, BridgeSegmenter::kNoNote);
}

TEST_F(SegmenterTest, AStartWithoutANoteIsSentAsAStop)
{
    begin();
    segmenter.TransportStarted();
    segmenter.End();
    begin();
    segmenter.TransportStarted();
    segmenter.Note(at(0), 38, 100);
    segmenter.End();
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].noteCode, kNoteTransportStopped);
    EXPECT_EQ(segments[1].noteCode, 38) << "a held note stays";
}

TEST_F(SegmenterTest, EventsOutsideTheBlockCutNothingPastIt)
{
    begin();
    segmenter.Note(at(-20), 38, 100);
    segmenter.Note(at(kFrames + 100), 40, 100);
    segmenter.End();
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].frames, kFrames);
    EXPECT_EQ(segments[0].noteCode, 38) << "an early note applies at the start";
    EXPECT_EQ(segmenter.block.noteCode, 40) << "a late note applies from the next block";
    EXPECT_EQ(left[kFrames], 0.0f);
}

TEST_F(SegmenterTest, InterleavedBuffersMoveTwoFloatsAFrameAndPositionsAreStamped)
{
    begin(kModeInterleaved);
    segmenter.Note({100, 1000, {}}, 38, 100);
    segmenter.Note({300, 3000, 3500}, 40, 100);
    segmenter.End();
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 3u);
    EXPECT_EQ(segments[0].position, 1000) << "the segment that ends at the event";
    EXPECT_EQ(segments[1].position, 3000);
    EXPECT_EQ(segments[2].position, 3500) << "the segment that starts there";
    EXPECT_EQ(segments[1].bufferA - segments[0].bufferA, 200);
    EXPECT_EQ(segments[1].bufferB - segments[0].bufferB, 200);
    EXPECT_EQ(left[2 * 100 - 1], 1.0f);
    EXPECT_EQ(left[2 * 100], 2.0f);
    EXPECT_EQ(left[2 * kFrames - 1], 3.0f);
    EXPECT_EQ(left[2 * kFrames], 0.0f);
}

} // namespace
