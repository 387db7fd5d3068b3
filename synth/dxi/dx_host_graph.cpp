#include "synth/dxi/dx_host_graph.h"

#include "synth/dxi/dx_media_types.h"

#include <new>

namespace {

// The index-th pin of the direction, AddRef'd, or null.
IPin *findPin(IBaseFilter *filter, PIN_DIRECTION direction, int index)
{
    IEnumPins *pins = nullptr;
    if (FAILED(filter->EnumPins(&pins)))
        return nullptr;
    IPin *found = nullptr;
    for (IPin *pin = nullptr; !found && pins->Next(1, &pin, nullptr) == S_OK;) {
        PIN_INFO info = {};
        const HRESULT hr = pin->QueryPinInfo(&info);
        if (info.pFilter)
            info.pFilter->Release();
        if (FAILED(hr)) {
            pin->Release();
            break;
        }
        if (info.dir == direction && index-- == 0)
            found = pin;
        else
            pin->Release();
    }
    pins->Release();
    return found;
}

IUnknown *unknownOf(CDsUnknown *object)
{
    return object->NonDelegatingUnknown();
}

} // namespace

CDxHostGraph::CDxHostGraph(HRESULT *result)
{
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                  reinterpret_cast<void **>(&graph_));
    if (SUCCEEDED(hr)) {
        allocator_ = new (std::nothrow) CDxSampleAllocator(&hr);
        if (allocator_)
            allocator_->AddRef();
        else
            hr = E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr))
        hr = graph_->QueryInterface(IID_IMediaControl, reinterpret_cast<void **>(&control_));
    if (result)
        *result = hr;
}

CDxHostGraph::~CDxHostGraph()
{
    Stop();
    TearDown();
    if (control_)
        control_->Release();
    if (graph_)
        graph_->Release();
    if (transform_)
        transform_->Release();
    if (allocator_)
        allocator_->Release();
}

HRESULT CDxHostGraph::SetTransform(IBaseFilter *transform)
{
    CDsAutoLock lock(&lock_);
    if (transform == transform_)
        return S_OK;
    TearDown();
    if (transform_)
        transform_->Release();
    transform_ = transform;
    if (!transform_)
        return S_OK;
    transform_->AddRef();
    const HRESULT hr = Open();
    if (FAILED(hr))
        TearDown();
    return hr;
}

HRESULT CDxHostGraph::SetSampleRate(int rate)
{
    if (rate <= 0)
        return E_INVALIDARG;
    CDsAutoLock lock(&lock_);
    if (rate == rate_)
        return S_OK;
    HRESULT hr = TearDown();
    if (FAILED(hr))
        return hr;
    rate_ = rate;
    hr = Open();
    if (FAILED(hr))
        TearDown();
    return hr;
}

HRESULT CDxHostGraph::SetBlockFrames(int frames)
{
    if (frames <= 0)
        return E_INVALIDARG;
    CDsAutoLock lock(&lock_);
    if (frames == blockFrames_)
        return S_OK;
    HRESULT hr = TearDown();
    if (FAILED(hr))
        return hr;
    blockFrames_ = frames;
    hr = Open();
    if (FAILED(hr))
        TearDown();
    return hr;
}

HRESULT CDxHostGraph::MediaControl(HRESULT (STDMETHODCALLTYPE IMediaControl::*call)())
{
    CDsAutoLock lock(&lock_);
    if (!control_)
        return E_FAIL;
    const HRESULT hr = (control_->*call)();
    return SUCCEEDED(hr) ? S_OK : hr;
}

HRESULT CDxHostGraph::Pause()
{
    return MediaControl(&IMediaControl::Pause);
}

HRESULT CDxHostGraph::Run()
{
    CDsAutoLock lock(&lock_);
    discontinuity_ = true;
    return MediaControl(&IMediaControl::Run);
}

HRESULT CDxHostGraph::Stop()
{
    return MediaControl(&IMediaControl::Stop);
}

HRESULT CDxHostGraph::SetPosition(int64_t frames)
{
    CDsAutoLock lock(&lock_);
    position_ = frames;
    discontinuity_ = true;
    return S_OK;
}

HRESULT CDxHostGraph::Open()
{
    if (open_)
        return S_OK;
    if (!graph_ || !transform_)
        return E_FAIL;
    const CDsMediaType source = DxFloatAudioType(DxFloatFormat(rate_, 2));
    const CDsMediaType stereo = DxFloatAudioType(DxFloatFormat(rate_, 2));
    const CDsMediaType mono = DxFloatAudioType(DxFloatFormat(rate_, 1));

    HRESULT hr = S_OK;
    capture_ = new (std::nothrow) CDxCaptureFilter(&hr);
    if (!capture_)
        return E_OUTOFMEMORY;
    static_cast<IBaseFilter *>(capture_)->AddRef();
    if (FAILED(hr))
        return hr;
    source_ = new (std::nothrow) CDxNullSource(&hr, DxFloatFormat(rate_, 2), blockFrames_ * 8);
    if (!source_)
        return E_OUTOFMEMORY;
    static_cast<IBaseFilter *>(source_)->AddRef();
    if (FAILED(hr))
        return hr;
    source_->SetAllocator(allocator_);
    capture_->Pin()->SetOfferedAllocator(allocator_);

    if (FAILED(hr = graph_->AddFilter(source_, L"FilterGraph Src")) ||
        FAILED(hr = graph_->AddFilter(transform_, L"FilterGraph Xform")) ||
        FAILED(hr = graph_->AddFilter(capture_, L"FilterGraph Dst")))
        return hr;

    IPin *in = findPin(transform_, PINDIR_INPUT, 0);
    hr = in ? graph_->ConnectDirect(source_->Stream(), in, &source) : VFW_E_NOT_FOUND;
    if (in)
        in->Release();
    if (FAILED(hr))
        return hr;
    IPin *out = findPin(transform_, PINDIR_OUTPUT, 0);
    if (!out)
        return VFW_E_NOT_FOUND;
    hr = graph_->ConnectDirect(out, capture_->Pin(), &stereo);
    if (FAILED(hr))
        hr = graph_->ConnectDirect(out, capture_->Pin(), &mono);
    out->Release();
    if (FAILED(hr))
        return hr;
    hr = allocator_->Allocate();
    if (FAILED(hr))
        return hr;
    open_ = true;
    return S_OK;
}

HRESULT CDxHostGraph::TearDown()
{
    // The kept output sample goes first, so no sample is out when the
    // allocator frees its memory.
    if (capture_)
        capture_->ReleaseOutput();
    // Filters disconnect only when stopped.
    if (control_)
        control_->Stop();
    if (graph_) {
        auto disconnect = [&](IPin *pin) {
            if (pin) {
                graph_->Disconnect(pin);
                pin->Release();
            }
        };
        if (source_)
            graph_->Disconnect(source_->Stream());
        if (transform_) {
            disconnect(findPin(transform_, PINDIR_INPUT, 0));
            disconnect(findPin(transform_, PINDIR_OUTPUT, 0));
        }
        if (capture_)
            graph_->Disconnect(capture_->Pin());
        if (source_)
            graph_->RemoveFilter(source_);
        if (transform_)
            graph_->RemoveFilter(transform_);
        if (capture_)
            graph_->RemoveFilter(capture_);
    }
    if (source_) {
        unknownOf(source_)->Release();
        source_ = nullptr;
    }
    if (capture_) {
        unknownOf(capture_)->Release();
        capture_ = nullptr;
    }
    open_ = false;
    if (!allocator_)
        return S_OK;
    const HRESULT hr = allocator_->FreeSamples();
    if (FAILED(hr))
        return hr;
    return allocator_->Reset(0);
}

HRESULT CDxHostGraph::Render(const float **data, int *channels, int *outFrames, int frames)
{
    CDsAutoLock lock(&lock_);
    if (!open_ || !capture_)
        return E_FAIL;
    if (frames <= 0 || frames > blockFrames_)
        return E_INVALIDARG;
    // A block the synthesizer does not deliver must not read as the last one.
    capture_->ReleaseOutput();
    const REFERENCE_TIME start = position_ * 10000000 / rate_;
    HRESULT hr = source_->Stream()->DeliverBlock(start, frames, discontinuity_);
    if (FAILED(hr))
        return hr;
    discontinuity_ = false;
    position_ += frames;
    BYTE *bytes = nullptr;
    hr = capture_->ReadOutput(&bytes, outFrames);
    if (FAILED(hr))
        return hr;
    *data = reinterpret_cast<const float *>(bytes);
    *channels = capture_->Format().nChannels;
    return S_OK;
}

HRESULT CDxHostGraph::ReleaseOutput()
{
    CDsAutoLock lock(&lock_);
    if (capture_)
        capture_->ReleaseOutput();
    return S_OK;
}
