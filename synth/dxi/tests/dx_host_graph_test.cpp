// The hosting graph with the tests' instrument as its transform, in the
// platform's filter graph.
#include "synth/dxi/dx_host_graph.h"
#include "synth/dxi/tests/instrument/test_instrument.h"

#include <gtest/gtest.h>

namespace {

struct GraphTest : ::testing::Test {
    GraphTest()
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        Control() = TEST_DXI_CONTROL();
        HRESULT hr = S_OK;
        instrument = new CTestInstrument(nullptr, &hr, true);
        filter()->AddRef();
        graph = new CDxHostGraph(&created);
    }
    ~GraphTest() override
    {
        delete graph;
        filter()->Release();
        Control() = TEST_DXI_CONTROL();
        CoUninitialize();
    }
    IBaseFilter *filter() { return static_cast<IBaseFilter *>(instrument); }
    // Opened and running at rate and block, as the client drives it.
    void open(int rate = 44100, int block = 256)
    {
        ASSERT_EQ(created, S_OK);
        ASSERT_EQ(graph->SetTransform(filter()), S_OK);
        ASSERT_EQ(graph->SetSampleRate(rate), S_OK);
        ASSERT_EQ(graph->SetBlockFrames(block), S_OK);
        ASSERT_EQ(graph->Pause(), S_OK);
        ASSERT_EQ(graph->Run(), S_OK);
        ASSERT_EQ(graph->SetPosition(0), S_OK);
        ASSERT_TRUE(graph->IsOpen());
    }
    HRESULT render(int frames)
    {
        data = nullptr;
        channels = outFrames = 0;
        return graph->Render(&data, &channels, &outFrames, frames);
    }
    LONG freeSamples()
    {
        LONG n = -1;
        graph->Allocator()->GetFreeCount(&n);
        return n;
    }

    HRESULT created = E_FAIL;
    CTestInstrument *instrument = nullptr;
    CDxHostGraph *graph = nullptr;
    const float *data = nullptr;
    int channels = 0;
    int outFrames = 0;
};

TEST_F(GraphTest, RendersABlockThroughTheSynthesizerInPlace)
{
    open(48000, 256);
    ASSERT_EQ(render(200), S_OK);
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(outFrames, 200);
    ASSERT_NE(data, nullptr);
    for (int i = 0; i < 400; ++i)
        ASSERT_EQ(data[i], 0.0f);
    EXPECT_EQ(graph->Position(), 200);
    EXPECT_EQ(Control().blockStart, 0);
    EXPECT_EQ(Control().blockFrames, 200);
    ASSERT_EQ(render(256), S_OK);
    EXPECT_EQ(Control().blockStart, 200); // the input's time stamp
    ASSERT_EQ(graph->SetPosition(96000), S_OK);
    ASSERT_EQ(render(10), S_OK);
    EXPECT_EQ(Control().blockStart, 96000);
}

TEST_F(GraphTest, RefusesBlocksOfNoFramesOrMoreThanTheBlock)
{
    open(44100, 256);
    EXPECT_EQ(render(0), E_INVALIDARG);
    EXPECT_EQ(render(-3), E_INVALIDARG);
    EXPECT_EQ(render(257), E_INVALIDARG);
    EXPECT_EQ(graph->Position(), 0);
    EXPECT_EQ(graph->SetSampleRate(0), E_INVALIDARG);
    EXPECT_EQ(graph->SetBlockFrames(-1), E_INVALIDARG);
    EXPECT_TRUE(graph->IsOpen());
}

TEST_F(GraphTest, RenderingWhileClosedFails)
{
    ASSERT_EQ(created, S_OK);
    EXPECT_EQ(render(100), E_FAIL);
    // Without a transform a new rate is kept, but nothing opens.
    EXPECT_EQ(graph->SetSampleRate(48000), E_FAIL);
    EXPECT_EQ(graph->SampleRate(), 48000);
    EXPECT_FALSE(graph->IsOpen());
}

TEST_F(GraphTest, TheSameRateKeepsTheGraphAnotherReopensIt)
{
    open(44100, 256);
    ASSERT_EQ(render(256), S_OK);
    const LONG whileKept = freeSamples();
    ASSERT_EQ(graph->SetSampleRate(44100), S_OK);
    EXPECT_EQ(freeSamples(), whileKept); // the output sample is still kept
    ASSERT_EQ(graph->SetSampleRate(48000), S_OK);
    EXPECT_TRUE(graph->IsOpen());
    EXPECT_EQ(freeSamples(), whileKept + 1);
    EXPECT_EQ(instrument->Rate(), 48000);
}

TEST_F(GraphTest, AMonoOutputConnectsAsMono)
{
    Control().outputChannels = 1;
    open(44100, 128);
    ASSERT_EQ(render(128), S_OK);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(outFrames, 128);
}

TEST_F(GraphTest, AnOutputOfNeitherTypeLeavesTheGraphClosed)
{
    Control().outputChannels = 3;
    ASSERT_EQ(created, S_OK);
    EXPECT_TRUE(FAILED(graph->SetTransform(filter())));
    EXPECT_FALSE(graph->IsOpen());
    EXPECT_EQ(render(10), E_FAIL);
}

// The graph's buffers hold at most 16384 frames: a longer block fails the
// source's buffer decision, and the graph stays closed.
TEST_F(GraphTest, ABlockAboveTheBufferLimitLeavesTheGraphClosed)
{
    open(44100, 16384);
    ASSERT_EQ(render(16384), S_OK);
    EXPECT_TRUE(FAILED(graph->SetBlockFrames(16385)));
    EXPECT_FALSE(graph->IsOpen());
    EXPECT_EQ(render(16385), E_FAIL);
}

// A block the synthesizer did not deliver has nothing to read, rather than
// the block before.
TEST_F(GraphTest, ABlockNotDeliveredIsNotTheLastOne)
{
    open(44100, 256);
    ASSERT_EQ(render(256), S_OK);
    Control().deliver = 0;
    EXPECT_EQ(render(256), E_FAIL);
    Control().deliver = 1;
    EXPECT_EQ(render(256), S_OK);
}

TEST_F(GraphTest, OnlyTheFramesDeliveredAreReported)
{
    open(44100, 256);
    Control().reportFrames = 100;
    ASSERT_EQ(render(256), S_OK);
    EXPECT_EQ(outFrames, 100);
}

// Tear-down lets go of the kept output first, so the allocator can free
// its samples and the synthesizer leaves the graph cleanly.
TEST_F(GraphTest, TearDownWithAKeptOutputFreesEverySample)
{
    open(44100, 256);
    ASSERT_EQ(render(256), S_OK);
    ASSERT_EQ(graph->SetTransform(nullptr), S_OK);
    EXPECT_FALSE(graph->IsOpen());
    EXPECT_EQ(graph->Allocator()->Allocated(), 0);
    // And it opens again.
    ASSERT_EQ(graph->SetTransform(filter()), S_OK);
    EXPECT_TRUE(graph->IsOpen());
}

} // namespace
