#include "dshow/ds_filter.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

using namespace ds_test;

// A graph that only answers IMediaEventSink, and counts its references.
struct FakeGraph : IFilterGraph, IMediaEventSink {
    LONG count = 1;
    bool withSink = true;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IUnknown || iid == IID_IFilterGraph)
            *out = static_cast<IFilterGraph *>(this);
        else if (iid == IID_IMediaEventSink && withSink)
            *out = static_cast<IMediaEventSink *>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }
    HRESULT STDMETHODCALLTYPE AddFilter(IBaseFilter *, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveFilter(IBaseFilter *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFilters(IEnumFilters **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FindFilterByName(LPCWSTR, IBaseFilter **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConnectDirect(IPin *, IPin *, const AM_MEDIA_TYPE *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Reconnect(IPin *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Disconnect(IPin *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDefaultSyncSource() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Notify(LONG, LONG_PTR, LONG_PTR) override { return E_NOTIMPL; }
};

// A clock standing at a set time.
struct FakeClock : IReferenceClock {
    LONG count = 1;
    REFERENCE_TIME now = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }
    HRESULT STDMETHODCALLTYPE GetTime(REFERENCE_TIME *time) override
    {
        *time = now;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD_PTR) override { return E_NOTIMPL; }
};

class FilterTest : public ::testing::Test {
protected:
    ComScope com;

    // Connects output i of the source to input i of the sink for every i.
    void connectAll(Links &links, TestFilter *source, TestFilter *sink, int pins)
    {
        for (int i = 0; i < pins; ++i) {
            source->output(i)->script.proposed = {makeType(kTypeA, kSubX)};
            sink->input(i)->script.accepted = {makeType(kTypeA, kSubX)};
            source->output(i)->script.accepted = {makeType(kTypeA, kSubX)};
            ASSERT_EQ(links.connect(source->output(i), sink->input(i)), S_OK);
        }
    }
};

TEST_F(FilterTest, InterfacesShareTheBaseFilterPointer)
{
    FilterRef filter(new TestFilter(kSourceClass, 1, 0));
    void *base = nullptr, *persist = nullptr, *media = nullptr, *setup = nullptr, *unknown = nullptr;
    ASSERT_EQ(filter->filter()->QueryInterface(IID_IBaseFilter, &base), S_OK);
    ASSERT_EQ(filter->filter()->QueryInterface(IID_IPersist, &persist), S_OK);
    ASSERT_EQ(filter->filter()->QueryInterface(IID_IMediaFilter, &media), S_OK);
    ASSERT_EQ(filter->filter()->QueryInterface(IID_IAMovieSetup, &setup), S_OK);
    ASSERT_EQ(filter->filter()->QueryInterface(IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(persist, base);
    EXPECT_EQ(media, base);
    EXPECT_NE(setup, base);
    EXPECT_EQ(unknown, filter->NonDelegatingUnknown());
    void *none = &none;
    EXPECT_EQ(filter->filter()->QueryInterface(IID_IPin, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    for (void *p : {base, persist, media, setup, unknown})
        static_cast<IUnknown *>(p)->Release();
    EXPECT_EQ(refCountOf(filter->filter()), 1u);

    CLSID id;
    EXPECT_EQ(filter->GetClassID(&id), S_OK);
    EXPECT_EQ(id, kSourceClass);
    EXPECT_EQ(filter->GetClassID(nullptr), E_POINTER);
    EXPECT_EQ(filter->QueryVendorInfo(nullptr), E_NOTIMPL);
}

TEST_F(FilterTest, GetStateAnswersAtOnceWhateverTheTimeout)
{
    FilterRef filter(new TestFilter(kSourceClass, 0, 0));
    FILTER_STATE state = State_Running;
    const DWORD before = GetTickCount();
    EXPECT_EQ(filter->GetState(INFINITE, &state), S_OK);
    EXPECT_LT(GetTickCount() - before, 1000u);
    EXPECT_EQ(state, State_Stopped);
    EXPECT_EQ(filter->GetState(0, nullptr), E_POINTER);
}

TEST_F(FilterTest, ClockIsHeldByOneReferenceAndGivesStreamTime)
{
    FilterRef filter(new TestFilter(kSourceClass, 0, 0));
    REFERENCE_TIME time = 0;
    EXPECT_EQ(filter->StreamTime(&time), VFW_E_NO_CLOCK);

    FakeClock clock;
    ASSERT_EQ(filter->SetSyncSource(&clock), S_OK);
    EXPECT_EQ(clock.count, 2);
    IReferenceClock *got = nullptr;
    ASSERT_EQ(filter->GetSyncSource(&got), S_OK);
    EXPECT_EQ(got, &clock);
    got->Release();

    clock.now = 5000;
    ASSERT_EQ(filter->Run(1200), S_OK);
    ASSERT_EQ(filter->StreamTime(&time), S_OK);
    EXPECT_EQ(time, 3800);
    filter->Stop();

    EXPECT_EQ(filter->SetSyncSource(nullptr), S_OK);
    EXPECT_EQ(clock.count, 1);
    ASSERT_EQ(filter->GetSyncSource(&got), S_OK);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(filter->GetSyncSource(nullptr), E_POINTER);
}

TEST_F(FilterTest, JoiningAGraphKeepsNoReferenceOnIt)
{
    FilterRef filter(new TestFilter(kSourceClass, 0, 0));
    FakeGraph graph;
    ASSERT_EQ(filter->JoinFilterGraph(&graph, L"FilterGraph Src"), S_OK);
    EXPECT_EQ(graph.count, 1);
    EXPECT_EQ(filter->FilterGraph(), &graph);
    EXPECT_EQ(filter->EventSink(), static_cast<IMediaEventSink *>(&graph));
    EXPECT_STREQ(filter->Name(), L"FilterGraph Src");

    FILTER_INFO info;
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"FilterGraph Src");
    EXPECT_EQ(info.pGraph, &graph);
    EXPECT_EQ(graph.count, 2); // handed out AddRef'd
    info.pGraph->Release();

    // A graph without an event sink, then a null graph and a null name.
    FakeGraph plain;
    plain.withSink = false;
    ASSERT_EQ(filter->JoinFilterGraph(&plain, L"x"), S_OK);
    EXPECT_EQ(filter->EventSink(), nullptr);
    ASSERT_EQ(filter->JoinFilterGraph(&graph, L"y"), S_OK);
    ASSERT_EQ(filter->JoinFilterGraph(nullptr, nullptr), S_OK);
    EXPECT_EQ(filter->FilterGraph(), nullptr);
    EXPECT_EQ(filter->EventSink(), nullptr);
    EXPECT_EQ(filter->Name(), nullptr);
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_STREQ(info.achName, L"");
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_EQ(graph.count, 1);
    EXPECT_EQ(filter->QueryFilterInfo(nullptr), E_POINTER);
}

TEST_F(FilterTest, FilterInfoCutsALongNameAt127Characters)
{
    FilterRef filter(new TestFilter(kSourceClass, 0, 0));
    const std::wstring name(200, L'n');
    filter->JoinFilterGraph(nullptr, name.c_str());
    FILTER_INFO info;
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(std::wstring(info.achName), std::wstring(127, L'n'));
}

// JoinFilterGraph frees and replaces the name under the filter's lock, so
// QueryFilterInfo copies it under the same lock: while it works (the graph's
// AddRef is part of it) no other thread gets the lock.
TEST_F(FilterTest, FilterInfoIsReadUnderTheFilterLock)
{
    FilterRef filter(new TestFilter(kSourceClass, 0, 0));
    struct ProbingGraph : FakeGraph {
        TestFilter *filter = nullptr;
        bool probing = false;
        int lockFree = 0, probes = 0;
        ULONG STDMETHODCALLTYPE AddRef() override
        {
            if (probing) {
                ++probes;
                std::thread other([this] {
                    if (filter->lock.tryLock()) {
                        ++lockFree;
                        filter->lock.unlock();
                    }
                });
                other.join();
            }
            return FakeGraph::AddRef();
        }
    } graph;
    graph.filter = filter.filter;
    ASSERT_EQ(filter->JoinFilterGraph(&graph, L"FilterGraph Xform"), S_OK);
    graph.probing = true;
    FILTER_INFO info;
    ASSERT_EQ(filter->QueryFilterInfo(&info), S_OK);
    graph.probing = false;
    EXPECT_STREQ(info.achName, L"FilterGraph Xform");
    info.pGraph->Release();
    EXPECT_EQ(graph.probes, 1);
    EXPECT_EQ(graph.lockFree, 0);
}

TEST_F(FilterTest, FindPinMatchesTheNameExactly)
{
    FilterRef filter(new TestFilter(kSourceClass, 2, 1));
    IPin *pin = nullptr;
    ASSERT_EQ(filter->FindPin(L"Out2", &pin), S_OK);
    EXPECT_EQ(pin, static_cast<IPin *>(filter->output(1)));
    pin->Release();
    ASSERT_EQ(filter->FindPin(L"In1", &pin), S_OK);
    EXPECT_EQ(pin, static_cast<IPin *>(filter->input(0)));
    pin->Release();
    pin = reinterpret_cast<IPin *>(1);
    EXPECT_EQ(filter->FindPin(L"in1", &pin), VFW_E_NOT_FOUND);
    EXPECT_EQ(pin, nullptr);
    EXPECT_EQ(filter->FindPin(L"Out", &pin), VFW_E_NOT_FOUND);
    EXPECT_EQ(filter->FindPin(L"Out1", nullptr), E_POINTER);
    EXPECT_EQ(refCountOf(filter->filter()), 1u);
}

TEST_F(FilterTest, PauseStopsAtTheFirstFailingPinAndStaysStopped)
{
    FilterRef source(new TestFilter(kSourceClass, 3, 0));
    FilterRef sink(new TestFilter(kSinkClass, 0, 3));
    Links links;
    connectAll(links, source.filter, sink.filter, 3);
    source->output(1)->script.active = E_ACCESSDENIED;
    source->log.clear();

    EXPECT_EQ(source->Pause(), E_ACCESSDENIED);
    EXPECT_EQ(source->State(), State_Stopped);
    EXPECT_EQ(source->log, (std::vector<std::string>{"Out1.active", "Out2.active"}));

    source->output(1)->script.active = S_OK;
    EXPECT_EQ(source->Pause(), S_OK);
    EXPECT_EQ(source->State(), State_Paused);
    source->Stop();
}

TEST_F(FilterTest, StopVisitsEveryPinAndAnswersTheFirstError)
{
    FilterRef source(new TestFilter(kSourceClass, 3, 0));
    FilterRef sink(new TestFilter(kSinkClass, 0, 3));
    Links links;
    connectAll(links, source.filter, sink.filter, 3);
    ASSERT_EQ(source->Pause(), S_OK);
    source->output(0)->script.inactive = E_ACCESSDENIED;
    source->output(2)->script.inactive = E_ABORT;
    source->log.clear();

    EXPECT_EQ(source->Stop(), E_ACCESSDENIED);
    EXPECT_EQ(source->State(), State_Stopped);
    EXPECT_EQ(source->log, (std::vector<std::string>{"Out1.inactive", "Out2.inactive", "Out3.inactive"}));

    // Stopping a stopped filter tells no pin.
    source->log.clear();
    EXPECT_EQ(source->Stop(), S_OK);
    EXPECT_TRUE(source->log.empty());
}

TEST_F(FilterTest, RunFromStoppedPausesFirstAndTellsEachConnectedPin)
{
    FilterRef source(new TestFilter(kSourceClass, 3, 0));
    FilterRef sink(new TestFilter(kSinkClass, 0, 3));
    Links links;
    connectAll(links, source.filter, sink.filter, 2); // Out3 stays unconnected
    source->log.clear();

    EXPECT_EQ(source->Run(77), S_OK);
    EXPECT_EQ(source->State(), State_Running);
    EXPECT_EQ(source->log, (std::vector<std::string>{"Out1.active", "Out2.active", "Out1.run", "Out2.run"}));

    // Running again tells nobody.
    source->log.clear();
    EXPECT_EQ(source->Run(78), S_OK);
    EXPECT_TRUE(source->log.empty());
    source->Stop();
}

TEST_F(FilterTest, RunAnswersTheFirstFailingPinsError)
{
    struct Case {
        HRESULT active, run;
        HRESULT answer;
        FILTER_STATE state;
    } cases[] = {
        {E_ACCESSDENIED, S_OK, E_ACCESSDENIED, State_Stopped}, // the pause fails
        {S_OK, E_ABORT, E_ABORT, State_Paused},                // paused, but not running
    };
    for (const Case &c : cases) {
        FilterRef source(new TestFilter(kSourceClass, 2, 0));
        FilterRef sink(new TestFilter(kSinkClass, 0, 2));
        Links links;
        connectAll(links, source.filter, sink.filter, 2);
        source->output(1)->script.active = c.active;
        source->output(0)->script.run = c.run;
        source->log.clear();
        EXPECT_EQ(source->Run(0), c.answer);
        EXPECT_EQ(source->State(), c.state);
        source->Stop();
    }
}

TEST_F(FilterTest, EnumPinsAndSetupWithoutDataAnswerAsExpected)
{
    FilterRef filter(new TestFilter(kSourceClass, 1, 1));
    EXPECT_EQ(filter->EnumPins(nullptr), E_POINTER);
    // No setup data: S_FALSE before any COM call.
    EXPECT_EQ(filter->Register(), S_FALSE);
    EXPECT_EQ(filter->Unregister(), S_FALSE);
}

} // namespace
