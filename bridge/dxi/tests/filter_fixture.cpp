#include "bridge/dxi/tests/filter_fixture.h"

#include "base/message_box.h"

#include <control.h>

#include <cstring>

namespace dxi_test {

using namespace Halvorin;

void FilterTest::SetUp()
{
    ASSERT_TRUE(recorder.Ready());
    Quorvane::setMessageBoxHook([this](HWND owner, const char *text, const char *caption, UINT type) {
        EXPECT_EQ(owner, nullptr);
        EXPECT_STREQ(caption, "Rallimoth Omvel DXi");
        EXPECT_EQ(type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        boxes.push_back(text);
        return IDOK;
    });
    filter = makeFilter();
    ASSERT_NE(filter, nullptr);
    recorder.Take();
}

void FilterTest::TearDown()
{
    if (filter)
        static_cast<IBaseFilter *>(filter)->Release();
    Quorvane::setMessageBoxHook({});
}

CBridgeFilter *FilterTest::makeFilter()
{
    HRESULT hr = S_OK;
    CDsUnknown *made = CBridgeFilter::Create(nullptr, &hr);
    if (!made || FAILED(hr))
        return nullptr;
    auto *made_filter = static_cast<CBridgeFilter *>(made);
    static_cast<IBaseFilter *>(made_filter)->AddRef();
    return made_filter;
}

void FilterTest::connectHost()
{
    host.AddRef();
    ASSERT_EQ(filter->ConnectHost(static_cast<IHostTempoMap *>(&host)), S_OK);
}

void GraphTest::SetUp()
{
    FilterTest::SetUp();
    source->output(0)->script.proposed = {stereo};
    source->output(0)->script.accepted = {stereo};
    source->output(0)->bufferSize = 8 * 4096;
    sink->input(0)->script.accepted = {stereo};
    ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               graph.putVoid()),
              S_OK);
    ASSERT_EQ(graph->QueryInterface(IID_IMediaControl, control.putVoid()), S_OK);
    ASSERT_EQ(graph->AddFilter(source->filter(), L"Source"), S_OK);
    ASSERT_EQ(graph->AddFilter(static_cast<IBaseFilter *>(filter), L"Bridge"), S_OK);
    ASSERT_EQ(graph->AddFilter(sink->filter(), L"Sink"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(source->output(0), filter->InputPin(), &stereo), S_OK);
    ASSERT_EQ(graph->ConnectDirect(filter->OutputPins()[0], sink->input(0), &stereo), S_OK);
}

void GraphTest::TearDown()
{
    if (control.get())
        control->Stop();
    if (graph.get()) {
        graph->RemoveFilter(source->filter());
        graph->RemoveFilter(static_cast<IBaseFilter *>(filter));
        graph->RemoveFilter(sink->filter());
    }
    for (IUnknown **held :
         {reinterpret_cast<IUnknown **>(&control.ptr), reinterpret_cast<IUnknown **>(&graph.ptr)}) {
        if (*held)
            (*held)->Release();
        *held = nullptr;
    }
    FilterTest::TearDown();
}

HRESULT GraphTest::deliver(int frames, int64_t start, float value, bool discontinuity)
{
    IMediaSample *sample = nullptr;
    HRESULT hr = source->output(0)->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE *data = nullptr;
    sample->GetPointer(&data);
    auto *floats = reinterpret_cast<float *>(data);
    for (int i = 0; i < 2 * frames; ++i)
        floats[i] = value;
    sample->SetActualDataLength(frames * 8);
    // Rounded up, so the filter's truncating conversion gives the sample back.
    REFERENCE_TIME begin = (start * 10000000 + 44099) / 44100,
                   end = ((start + frames) * 10000000 + 44099) / 44100;
    sample->SetTime(&begin, &end);
    sample->SetDiscontinuity(discontinuity);
    hr = source->output(0)->Deliver(sample);
    sample->Release();
    return hr;
}

std::vector<float> GraphTest::heard()
{
    std::vector<float> all;
    for (const ds_test::Received &block : sink->input(0)->received) {
        const size_t count = block.bytes.size() / sizeof(float);
        const size_t at = all.size();
        all.resize(at + count);
        std::memcpy(all.data() + at, block.bytes.data(), count * sizeof(float));
    }
    return all;
}

} // namespace dxi_test
