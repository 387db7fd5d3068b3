#include "dshow/ds_platform.h"

#include "dshow/tests/test_filters.h"

#include <gtest/gtest.h>

namespace {

using namespace ds_test;

// Upstream seeking that answers fixed capabilities and duration.
struct FixedSeeking : IMediaSeeking {
    LONG count = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (iid == IID_IUnknown || iid == IID_IMediaSeeking) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++count; }
    ULONG STDMETHODCALLTYPE Release() override { return --count; }
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD *caps) override
    {
        *caps = AM_SEEKING_CanGetDuration | AM_SEEKING_CanSeekAbsolute;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG *duration) override
    {
        *duration = 123456789;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG *, const GUID *, LONGLONG, const GUID *) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG *, DWORD, LONGLONG *, DWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG *, LONGLONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG *, LONGLONG *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRate(double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRate(double *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG *) override { return E_NOTIMPL; }
};

class PlatformTest : public ::testing::Test {
protected:
    ComScope com;
};

TEST_F(PlatformTest, MemoryAllocatorIsThePlatforms)
{
    IMemAllocator *allocator = nullptr;
    ASSERT_EQ(DsCreateMemoryAllocator(&allocator), S_OK);
    ALLOCATOR_PROPERTIES props = {2, 100, 1, 0}, actual;
    ASSERT_EQ(allocator->SetProperties(&props, &actual), S_OK);
    EXPECT_GE(actual.cbBuffer, 100);
    ASSERT_EQ(allocator->Commit(), S_OK);
    IMediaSample *sample = nullptr;
    ASSERT_EQ(allocator->GetBuffer(&sample, nullptr, nullptr, 0), S_OK);
    EXPECT_GE(sample->GetSize(), 100);
    sample->Release();
    allocator->Decommit();
    allocator->Release();
}

TEST_F(PlatformTest, PositionPassThroughIsAggregatedAndBoundToThePin)
{
    FilterRef source(new TestFilter(kSourceClass, 1, 0));
    FilterRef sink(new TestFilter(kSinkClass, 0, 1));
    FixedSeeking upstream;
    source->output(0)->seeking = &upstream;

    IUnknown *inner = nullptr;
    EXPECT_EQ(DsCreatePosPassThru(sink->GetOwner(), TRUE, sink->input(0), nullptr), E_POINTER);
    ASSERT_EQ(DsCreatePosPassThru(sink->GetOwner(), TRUE, sink->input(0), &inner), S_OK);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(refCountOf(sink->filter()), 1u); // the inner object holds no reference on its outer

    IMediaSeeking *seeking = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void **>(&seeking)), S_OK);
    EXPECT_EQ(refCountOf(sink->filter()), 2u); // an interface of the inner object counts on the outer
    IBaseFilter *outer = nullptr;
    ASSERT_EQ(seeking->QueryInterface(IID_IBaseFilter, reinterpret_cast<void **>(&outer)), S_OK);
    EXPECT_EQ(outer, sink->filter());
    outer->Release();

    // Bound to the sink's input: it asks the pin connected there.
    const CDsMediaType type = makeType(kTypeA, kSubX, kFormatF, {1});
    source->output(0)->script.accepted = sink->input(0)->script.accepted = {type};
    Links links;
    ASSERT_EQ(links.connect(source->output(0), sink->input(0), &type), S_OK);
    DWORD caps = 0;
    ASSERT_EQ(seeking->GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps, static_cast<DWORD>(AM_SEEKING_CanGetDuration | AM_SEEKING_CanSeekAbsolute));
    LONGLONG duration = 0;
    ASSERT_EQ(seeking->GetDuration(&duration), S_OK);
    EXPECT_EQ(duration, 123456789);

    seeking->Release();
    EXPECT_EQ(inner->Release(), 0u);
}

} // namespace
