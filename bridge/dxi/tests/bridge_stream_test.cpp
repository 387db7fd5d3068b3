// The bridge filter in the platform's filter graph, rendering the host's
// blocks through the recording provider.
#include "bridge/dxi/bridge_filter.h"

#include "bridge/dxi/tests/filter_fixture.h"

#include <gtest/gtest.h>

#include <control.h>

#include <ios>

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

// Raw short messages as a host hands them, packed with their time: notes
// of 1000 ticks, controllers and the wheel are queued, other statuses are
// dropped.
TEST_F(StreamTest, RawShortMessagesAreQueuedAsNotesControllersAndTheWheel)
{
    const struct {
        DWORD message;
        HRESULT result;
        QueuedEvent::Kind kind;
        int number, value, wheel;
    } cases[] = {
        {0x00642690, S_OK, QueuedEvent::kNote, 38, 100, 0},      // note on, channel 1
        {0x0040268F, S_OK, QueuedEvent::kNote, 38, 0, 0},        // note off, channel 16, its velocity dropped
        {0x00002899, S_OK, QueuedEvent::kNote, 40, 0, 0},        // note on of velocity 0
        {0x00FF01B2, S_OK, QueuedEvent::kController, 1, 127, 0}, // masked to 7 bits
        {0x004000E0, S_OK, QueuedEvent::kWheel, 0, 0, 0},
        {0x007F7FE0, S_OK, QueuedEvent::kWheel, 0, 0, 8191},
        {0x000000E3, S_OK, QueuedEvent::kWheel, 0, 0, -8192},
        {0x000005C0, S_FALSE, QueuedEvent::kNote, 0, 0, 0}, // program change
        {0x004026A0, S_FALSE, QueuedEvent::kNote, 0, 0, 0}, // key pressure
        {0x000040D0, S_FALSE, QueuedEvent::kNote, 0, 0, 0}, // channel pressure
        {0x000000F8, S_FALSE, QueuedEvent::kNote, 0, 0, 0}, // clock
    };
    for (const auto &c : cases) {
        const size_t before = filter->Queue().Events().size();
        EXPECT_EQ(filter->QueueShortMessage(kTick480, c.message), c.result) << std::hex << c.message;
        if (c.result != S_OK) {
            EXPECT_EQ(filter->Queue().Events().size(), before) << std::hex << c.message;
            continue;
        }
        ASSERT_EQ(filter->Queue().Events().size(), before + 1) << std::hex << c.message;
        const QueuedEvent &queued = filter->Queue().Events().back();
        EXPECT_EQ(queued.kind, c.kind) << std::hex << c.message;
        EXPECT_EQ(queued.tick, kTick480);
        EXPECT_EQ(queued.sample, kSample480);
        EXPECT_TRUE(queued.dueNow);
        if (c.kind == QueuedEvent::kWheel) {
            EXPECT_EQ(queued.wheel, c.wheel) << std::hex << c.message;
            continue;
        }
        EXPECT_EQ(queued.number, c.number) << std::hex << c.message;
        EXPECT_EQ(queued.value, c.value) << std::hex << c.message;
        if (c.kind == QueuedEvent::kNote) {
            EXPECT_EQ(queued.duration, 1000) << std::hex << c.message;
        }
    }
}

// A raw note cuts the block at its frame as the host's own note does, and a
// raw wheel bends the segment after it.
TEST_F(StreamTest, RawShortMessagesPlayLikeTheHostsEvents)
{
    ASSERT_EQ(filter->TransportStart(0), S_OK);
    recorder.Take();
    EXPECT_EQ(filter->QueueShortMessage(0, 0x002000E0), S_OK);
    EXPECT_EQ(filter->QueueShortMessage(kTick480, 0x00642690), S_OK);
    ASSERT_EQ(deliver(4096, 9000, 0.25f), S_OK);
    std::vector<BridgeRenderBlock> segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].frames, kSample480 - 9000);
    EXPECT_EQ(segments[0].position, 480);
    EXPECT_EQ(segments[1].noteCode, 38);
    EXPECT_EQ(segments[1].velocity, 100);
    EXPECT_EQ(segments[1].bend, (0x20 << 7) - 8192);
    EXPECT_TRUE(filter->Queue().Empty()) << "a raw note brings no release of its own";

    // Its release is the host's own note off (tick 640 is sample 14700).
    EXPECT_EQ(filter->QueueShortMessage(640, 0x00002680), S_OK);
    ASSERT_EQ(deliver(4096, 9000 + 4096, 0.25f, false), S_OK);
    segments = recorder.TakeSegments();
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_EQ(segments[0].frames, 14700 - 9000 - 4096);
    EXPECT_EQ(segments[1].noteCode, kNoteNone);
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
    // Each block is rendered (one segment) and then delivered: a fourth
    // segment follows three blocks delivered.
    size_t segments = 0;
    for (const DWORD start = GetTickCount(); segments < 4; Sleep(10)) {
        ASSERT_LT(GetTickCount() - start, 10000u) << "the filter did not render on its own";
        segments += recorder.TakeSegments().size();
    }
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_GE(sink->input(0)->received.size(), 3u) << "blocks came one after another";
}

} // namespace
