// The kit's filters inside the platform's filter graph: connection with full
// and partial types, state changes and streaming.
#include "dshow/ds_filter.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <control.h>

namespace {

using namespace ds_test;

const CDsMediaType kStereo = floatAudio(2, 44100);
const CDsMediaType kMono = floatAudio(1, 44100);

class WineGraphTest : public ::testing::Test {
protected:
    ComScope com;
    FilterRef source{new TestFilter(kSourceClass, 1, 0)};
    FilterRef sink{new TestFilter(kSinkClass, 0, 1)};
    ComRef<IGraphBuilder> graph;
    ComRef<IMediaControl> control;

    TestOutputPin *out() { return source->output(0); }
    TestInputPin *in() { return sink->input(0); }

    void SetUp() override
    {
        out()->script.proposed = {kMono, kStereo};
        out()->script.accepted = {kMono, kStereo};
        in()->script.accepted = {kMono, kStereo};
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   graph.putVoid()),
                  S_OK);
        ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.putVoid()), S_OK);
        ASSERT_EQ(graph->AddFilter(source->filter(), L"Source"), S_OK);
        ASSERT_EQ(graph->AddFilter(sink->filter(), L"Sink"), S_OK);
    }
    void TearDown() override
    {
        if (control.get())
            control->Stop();
    }

    OAFilterState graphState()
    {
        OAFilterState state = -1;
        EXPECT_EQ(control->GetState(1000, &state), S_OK);
        return state;
    }
    // Runs the graph, delivers three blocks and stops it again.
    void stream()
    {
        ASSERT_EQ(control->Run(), S_OK);
        EXPECT_EQ(graphState(), State_Running);
        EXPECT_EQ(source->State(), State_Running);
        EXPECT_EQ(sink->State(), State_Running);
        for (int block = 0; block < 3; ++block) {
            std::vector<BYTE> bytes(64, static_cast<BYTE>(block + 1));
            ASSERT_EQ(out()->deliverBytes(bytes, block * 1000, block * 1000 + 1000), S_OK);
        }
        ASSERT_EQ(control->Stop(), S_OK);
        EXPECT_EQ(source->State(), State_Stopped);
        EXPECT_EQ(sink->State(), State_Stopped);
        ASSERT_EQ(in()->received.size(), 3u);
        for (int block = 0; block < 3; ++block) {
            EXPECT_EQ(in()->received[block].bytes, std::vector<BYTE>(64, static_cast<BYTE>(block + 1)));
            EXPECT_EQ(in()->received[block].start, block * 1000);
            EXPECT_EQ(in()->received[block].stop, block * 1000 + 1000);
        }
    }
};

TEST_F(WineGraphTest, JoiningTheGraphGivesNameAndEventSink)
{
    EXPECT_STREQ(source->Name(), L"Source");
    EXPECT_NE(source->FilterGraph(), nullptr);
    EXPECT_NE(source->EventSink(), nullptr);
    ASSERT_EQ(graph->RemoveFilter(sink->filter()), S_OK);
    EXPECT_EQ(sink->FilterGraph(), nullptr);
    EXPECT_EQ(sink->Name(), nullptr);
}

TEST_F(WineGraphTest, ConnectAgreesATypeAndStreams)
{
    ASSERT_EQ(graph->Connect(out(), in()), S_OK);
    EXPECT_TRUE(sameType(out()->CurrentMediaType(), kMono)); // the source's first proposal
    EXPECT_TRUE(sameType(in()->CurrentMediaType(), kMono));
    stream();
}

TEST_F(WineGraphTest, ConnectDirectWithACompleteType)
{
    ASSERT_EQ(graph->ConnectDirect(out(), in(), &kStereo), S_OK);
    EXPECT_TRUE(sameType(in()->CurrentMediaType(), kStereo));
    AM_MEDIA_TYPE type;
    ASSERT_EQ(in()->ConnectionMediaType(&type), S_OK);
    EXPECT_TRUE(sameType(type, kStereo));
    DsFreeMediaType(&type);
    stream();
}

TEST_F(WineGraphTest, ConnectDirectWithAPartialType)
{
    // Major type and subtype, no format: the first proposal that fits.
    out()->script.proposed = {makeType(kTypeA, kSubX), kStereo};
    const CDsMediaType audio = makeType(MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT, GUID_NULL);
    ASSERT_EQ(graph->ConnectDirect(out(), in(), &audio), S_OK);
    EXPECT_TRUE(sameType(in()->CurrentMediaType(), kStereo));

    // A partial type nothing fits leaves the pins apart.
    ASSERT_EQ(graph->Disconnect(out()), S_OK);
    ASSERT_EQ(graph->Disconnect(in()), S_OK);
    const CDsMediaType video = makeType(MEDIATYPE_Video, GUID_NULL, GUID_NULL);
    EXPECT_EQ(graph->ConnectDirect(out(), in(), &video), VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(out()->IsConnected());
}

TEST_F(WineGraphTest, AnInputWithoutAllocatorStreamsThroughThePlatformsAllocator)
{
    in()->noAllocator = true;
    ASSERT_EQ(graph->Connect(out(), in()), S_OK);
    ASSERT_NE(out()->Allocator(), nullptr);
    EXPECT_EQ(in()->Allocator(), out()->Allocator());
    stream();
}

TEST_F(WineGraphTest, StreamsThroughTheKitsOwnAllocator)
{
    auto *own = new TestAllocator;
    own->NonDelegatingAddRef();
    in()->ownAllocator = own;
    ASSERT_EQ(graph->Connect(out(), in()), S_OK);
    EXPECT_EQ(out()->Allocator(), static_cast<IMemAllocator *>(own));
    stream();
    EXPECT_EQ(own->lent(), 0);
    EXPECT_EQ(own->returned.size(), 3u);
    EXPECT_FALSE(own->committed());
    in()->ownAllocator = nullptr;
    graph->Disconnect(out());
    graph->Disconnect(in());
    EXPECT_EQ(own->NonDelegatingRelease(), 0u);
}

TEST_F(WineGraphTest, PauseAndRunThroughTheGraph)
{
    ASSERT_EQ(graph->Connect(out(), in()), S_OK);
    ASSERT_EQ(control->Pause(), S_OK);
    EXPECT_EQ(graphState(), State_Paused);
    EXPECT_EQ(source->State(), State_Paused);
    EXPECT_EQ(in()->CheckStreaming(), S_OK);
    IReferenceClock *clock = nullptr;
    ASSERT_EQ(sink->GetSyncSource(&clock), S_OK); // the graph handed out its clock
    ASSERT_NE(clock, nullptr);
    clock->Release();
    ASSERT_EQ(control->Run(), S_OK);
    REFERENCE_TIME streamTime = -1;
    EXPECT_TRUE(SUCCEEDED(sink->StreamTime(&streamTime))); // S_FALSE: the same time as before
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(in()->CheckStreaming(), VFW_E_WRONG_STATE);
    IMediaSample *sample = nullptr;
    EXPECT_EQ(out()->GetDeliveryBuffer(&sample, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
}

TEST_F(WineGraphTest, AFailingPinStopsThePause)
{
    ASSERT_EQ(graph->Connect(out(), in()), S_OK);
    in()->script.active = E_ACCESSDENIED;
    EXPECT_EQ(control->Pause(), E_ACCESSDENIED);
    EXPECT_EQ(sink->State(), State_Stopped);
    in()->script.active = S_OK;
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    EXPECT_EQ(sink->State(), State_Running);
}

} // namespace
