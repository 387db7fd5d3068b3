// The bridge filter in the platform's filter graph, rendering the host's
// blocks through the recording provider.
#include "bridge/dxi/bridge_filter.h"

#include "bridge/dxi/tests/filter_fixture.h"

#include <gtest/gtest.h>

#include <control.h>

using namespace Halvorin;
using namespace dxi_test;

namespace {

// At 120 beats per minute and 960 ticks a quarter, a tick is 22.96875
// samples at 44.1 kHz: tick 480 is sample 11025.
constexpr LONG kTick480 = 480;
constexpr int kSample480 = 11025;

class StreamTest : public GraphTest {
protected:
    void SetUp() override
    {
        GraphTest::SetUp();
        connectHost();
        ASSERT_EQ(control->Run(), S_OK);
    }
    void events(std::vector<DXI_EVENT> list)
    {
        EventList hosted(std::move(list));
        ASSERT_EQ(filter->ProcessEvents(0, 0, -1, &hosted), S_OK);
    }
};

TEST_F(StreamTest, ABlockIsCutAtItsNotesAndRenderedIntoTheOutput)
{
    ASSERT_EQ(filter->TransportStart(0), S_OK);
    recorder.Take();
    events({Note(kTick480, 38, 100)});
    ASSERT_EQ(deliver(4096, 9000, 0.25f), S_OK);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].frames, kSample480 - 9000);
    EXPECT_EQ(segments[0].mode, kModeInterleaved);
    EXPECT_EQ(segments[0].position, 480) << "the position of the event that ends the segment";
    EXPECT_EQ(segments[0].tempo, 120.0f);
    EXPECT_EQ(segments[0].sampleRate, 44100);
    EXPECT_EQ(segments[1].frames, 4096 - (kSample480 - 9000));
    EXPECT_EQ(segments[1].noteCode, 38);
    EXPECT_EQ(segments[1].velocity, 100);
    // The recorder wrote each segment's number into both sides.
    const std::vector<float> out = heard();
    ASSERT_EQ(out.size(), 2u * 4096);
    EXPECT_EQ(out[2 * (kSample480 - 9000) - 1], 1.0f);
    EXPECT_EQ(out[2 * (kSample480 - 9000)], 2.0f);
    EXPECT_EQ(out.back(), 2.0f);
    EXPECT_EQ(filter->RenderPosition(), 9000 + 4096);
}

TEST_F(StreamTest, TheFirstBlockAfterAStartWithoutANoteSaysStopped)
{
    ASSERT_EQ(filter->TransportStart(0), S_OK);
    ASSERT_EQ(deliver(512, 0, 0.0f), S_OK);
    ASSERT_EQ(filter->TransportStop(0), S_OK);
    ASSERT_EQ(deliver(512, 512, 0.0f, false), S_OK);
    ASSERT_EQ(deliver(512, 1024, 0.0f, false), S_OK);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 3u);
    EXPECT_EQ(segments[0].noteCode, kNoteTransportStopped) << "started without a note";
    EXPECT_EQ(segments[1].noteCode, kNoteTransportStopped) << "stopped";
    EXPECT_EQ(segments[2].noteCode, kNoteNone);
}

TEST_F(StreamTest, EventsOutsideTheBlockAreKeptInside)
{
    ASSERT_EQ(filter->TransportStart(0), S_OK);
    // One note before the block, one after its end.
    events({Note(0, 36, 90), Note(2 * kTick480, 40, 80)});
    ASSERT_EQ(deliver(1024, 5000, 0.0f), S_OK);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].frames, 1023) << "the late note is cut at the last frame";
    EXPECT_EQ(segments[0].noteCode, 36) << "the early note from the block's start";
    EXPECT_EQ(segments[1].frames, 1);
    EXPECT_EQ(segments[1].noteCode, 40);
}

TEST_F(StreamTest, ANotesDurationReleasesItInALaterBlock)
{
    ASSERT_EQ(filter->TransportStart(0), S_OK);
    events({Note(0, 36, 90, kTick480)});
    ASSERT_EQ(deliver(4096, 0, 0.0f), S_OK);
    ASSERT_EQ(deliver(4096, 4096, 0.0f, false), S_OK);
    ASSERT_EQ(deliver(4096, 8192, 0.0f, false), S_OK);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 4u);
    EXPECT_EQ(segments[0].noteCode, 36);
    EXPECT_EQ(segments[1].noteCode, 36) << "still held";
    EXPECT_EQ(segments[2].frames, kSample480 - 8192);
    EXPECT_EQ(segments[3].noteCode, kNoteNone) << "released at its end";
}

TEST_F(StreamTest, ControllersReachTheNextSegment)
{
    ASSERT_EQ(filter->TransportStart(0), S_OK);
    ASSERT_EQ(deliver(512, 0, 0.0f), S_OK);
    recorder.Take();
    // Ticks 48, 96, 120 and 160 are samples 1102, 2205, 2756 and 3675.
    events({Wheel(0, -4096), Controller(0, 1, 77), Note(48, 38, 100), Controller(96, 64, 127),
            Note(120, 38, 0), Controller(160, 64, 0)});
    ASSERT_EQ(deliver(4096, 0, 0.0f), S_OK);
    const std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 3u);
    EXPECT_EQ(segments[0].frames, 1102);
    EXPECT_EQ(segments[0].bend, 0);
    EXPECT_EQ(segments[1].noteCode, 38);
    EXPECT_EQ(segments[1].bend, -4096);
    EXPECT_EQ(segments[1].mod, 77);
    EXPECT_EQ(segments[1].frames, 3675 - 1102) << "the release waits for the pedal";
    EXPECT_EQ(segments[2].noteCode, kNoteNone);
}

// With an envelope on "Enabled" a block is cut every 0.02 s (882 samples)
// and at the segment's ends; without one it renders in one piece.
TEST_F(StreamTest, AnEnvelopeCutsTheBlockIntoSteps)
{
    ASSERT_EQ(deliver(4096, 0, 0.0f), S_OK);
    std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].frames, 4096);

    MP_ENVELOPE_SEGMENT segment = {};
    segment.rtStart = 100000; // 0.01 s: sample 441
    segment.rtEnd = 500000;   // 0.05 s: sample 2205
    segment.valStart = 0.0f;
    segment.valEnd = 1.0f;
    segment.iCurve = MP_CURVE_LINEAR;
    ASSERT_EQ(filter->MediaParams()->AddEnvelope(0, 1, &segment), S_OK);
    ASSERT_EQ(deliver(4096, 0, 0.0f), S_OK);
    segments = recorder.TakeSegments();
    std::vector<int> frames;
    for (const BridgeRenderBlock &s : segments)
        frames.push_back(s.frames);
    EXPECT_EQ(frames, (std::vector<int>{441, 441, 882, 441, 441, 882, 568}));
}

TEST_F(StreamTest, WithoutTheInputTheFilterRendersOnItsOwn)
{
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(graph->Disconnect(source->output(0)), S_OK);
    ASSERT_EQ(graph->Disconnect(filter->InputPin()), S_OK);
    recorder.Take();
    ASSERT_EQ(control->Run(), S_OK);
    Sleep(300);
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_GE(sink->input(0)->received.size(), 3u) << "blocks came one after another";
    EXPECT_FALSE(recorder.TakeSegments().empty());
}

} // namespace
