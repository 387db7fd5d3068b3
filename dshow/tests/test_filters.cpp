#include "dshow/tests/test_filters.h"

#include <mmreg.h>

#include <cstring>

namespace ds_test {

const GUID kTypeA = {0x5d1e0001, 0x1a2b, 0x4c3d, {0x9e, 0x8f, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65}};
const GUID kTypeB = {0x5d1e0002, 0x1a2b, 0x4c3d, {0x9e, 0x8f, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65}};
const GUID kSubX = {0x5d1e0003, 0x1a2b, 0x4c3d, {0x9e, 0x8f, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65}};
const GUID kSubY = {0x5d1e0004, 0x1a2b, 0x4c3d, {0x9e, 0x8f, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65}};
const GUID kFormatF = {0x5d1e0005, 0x1a2b, 0x4c3d, {0x9e, 0x8f, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65}};
const CLSID kSourceClass = {0x5d1e0006, 0x1a2b, 0x4c3d, {0x9e, 0x8f, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65}};
const CLSID kSinkClass = {0x5d1e0007, 0x1a2b, 0x4c3d, {0x9e, 0x8f, 0x10, 0x21, 0x32, 0x43, 0x54, 0x65}};

const CDsMediaType PinPairTest::kPairType = makeType(kTypeA, kSubX, kFormatF, {1, 2});

CDsMediaType makeType(const GUID &major, const GUID &subtype, const GUID &format,
                      const std::vector<BYTE> &formatBytes)
{
    CDsMediaType type;
    type.SetType(&major);
    type.SetSubtype(&subtype);
    type.SetFormatType(&format);
    if (!formatBytes.empty())
        std::memcpy(type.AllocFormatBuffer(static_cast<ULONG>(formatBytes.size())), formatBytes.data(),
                    formatBytes.size());
    return type;
}

CDsMediaType floatAudio(int channels, int rate)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.nBlockAlign = static_cast<WORD>(channels * 4);
    format.nAvgBytesPerSec = format.nBlockAlign * static_cast<DWORD>(rate);
    format.wBitsPerSample = 32;
    std::vector<BYTE> bytes(sizeof format);
    std::memcpy(bytes.data(), &format, sizeof format);
    CDsMediaType type = makeType(MEDIATYPE_Audio, MEDIASUBTYPE_IEEE_FLOAT, FORMAT_WaveFormatEx, bytes);
    type.SetSampleSize(format.nBlockAlign);
    return type;
}

bool sameType(const AM_MEDIA_TYPE &a, const AM_MEDIA_TYPE &b)
{
    return a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype &&
           a.cbFormat == b.cbFormat &&
           (a.cbFormat == 0 || std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}

namespace {

// "AX", "BY", ...: the major type and subtype of a test type.
std::string label(const AM_MEDIA_TYPE *type)
{
    auto letter = [](const GUID &id, const GUID &first, char a, const GUID &second, char b) {
        return id == first ? a : id == second ? b : '?';
    };
    return {letter(type->majortype, kTypeA, 'A', kTypeB, 'B'), letter(type->subtype, kSubX, 'X', kSubY, 'Y')};
}

std::string narrow(const WCHAR *name)
{
    std::string text;
    for (; name && *name; ++name)
        text += static_cast<char>(*name);
    return text;
}

} // namespace

// ---- scripted pins

template <typename PinBase>
ScriptedPin<PinBase>::ScriptedPin(TestFilter *filter, const WCHAR *name)
    : PinBase("TestPin", filter, &filter->lock, nullptr, name), owner_(filter)
{
}

template <typename PinBase> void ScriptedPin<PinBase>::log(const char *call, const AM_MEDIA_TYPE *type)
{
    std::string entry = narrow(this->Name());
    entry += '.';
    entry += call;
    if (type) {
        entry += ' ';
        entry += label(type);
    }
    owner_->log.push_back(entry);
}

template <typename PinBase> void ScriptedPin<PinBase>::applyScriptFlags()
{
    this->tryMyTypesFirst_ = script.tryMyTypesFirst;
    this->canReconnectWhenActive_ = script.reconnectWhenActive;
}

template <typename PinBase> HRESULT ScriptedPin<PinBase>::CheckMediaType(const CDsMediaType *type)
{
    log("check", type);
    for (const CDsMediaType &accepted : script.accepted)
        if (sameType(accepted, *type))
            return S_OK;
    return script.refusal;
}

template <typename PinBase> HRESULT ScriptedPin<PinBase>::GetMediaType(int position, CDsMediaType *type)
{
    if (position < 0)
        return E_INVALIDARG;
    if (position >= static_cast<int>(script.proposed.size()))
        return VFW_S_NO_MORE_ITEMS;
    *type = script.proposed[position];
    return S_OK;
}

template <typename PinBase> HRESULT ScriptedPin<PinBase>::Active()
{
    log("active");
    return FAILED(script.active) ? script.active : PinBase::Active();
}

template <typename PinBase> HRESULT ScriptedPin<PinBase>::Inactive()
{
    log("inactive");
    const HRESULT hr = PinBase::Inactive();
    return FAILED(script.inactive) ? script.inactive : hr;
}

template <typename PinBase> HRESULT ScriptedPin<PinBase>::Run(REFERENCE_TIME start)
{
    log("run");
    return FAILED(script.run) ? script.run : PinBase::Run(start);
}

template <typename PinBase> HRESULT ScriptedPin<PinBase>::CompleteConnect(IPin *peer)
{
    log("complete");
    return FAILED(script.completeConnect) ? script.completeConnect : PinBase::CompleteConnect(peer);
}

template <typename PinBase> HRESULT ScriptedPin<PinBase>::BreakConnect()
{
    log("break");
    return FAILED(script.breakConnect) ? script.breakConnect : PinBase::BreakConnect();
}

template class ScriptedPin<CDsOutputPin>;
template class ScriptedPin<CDsInputPin>;

// ---- output pin

HRESULT STDMETHODCALLTYPE TestOutputPin::NonDelegatingQueryInterface(REFIID iid, void **out)
{
    if (out && iid == IID_IMediaSeeking && seeking)
        return DsGetInterface(seeking, out);
    return CDsOutputPin::NonDelegatingQueryInterface(iid, out);
}

HRESULT TestOutputPin::DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request)
{
    lastRequest = *request;
    request->cBuffers = bufferCount;
    request->cbBuffer = bufferSize;
    ALLOCATOR_PROPERTIES actual;
    const HRESULT hr = allocator->SetProperties(request, &actual);
    if (FAILED(hr))
        return hr;
    return actual.cbBuffer < bufferSize ? E_FAIL : S_OK;
}

HRESULT TestOutputPin::InitAllocator(IMemAllocator **allocator)
{
    if (FAILED(initAllocator)) {
        *allocator = nullptr;
        return initAllocator;
    }
    return CDsOutputPin::InitAllocator(allocator);
}

HRESULT TestOutputPin::deliverBytes(const std::vector<BYTE> &bytes, REFERENCE_TIME start, REFERENCE_TIME stop)
{
    IMediaSample *sample = nullptr;
    HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    BYTE *data = nullptr;
    sample->GetPointer(&data);
    std::memcpy(data, bytes.data(), bytes.size());
    sample->SetActualDataLength(static_cast<LONG>(bytes.size()));
    sample->SetTime(&start, &stop);
    hr = Deliver(sample);
    sample->Release();
    return hr;
}

// ---- input pin

HRESULT STDMETHODCALLTYPE TestInputPin::GetAllocator(IMemAllocator **allocator)
{
    if (noAllocator) {
        if (allocator)
            *allocator = nullptr;
        return VFW_E_NO_ALLOCATOR;
    }
    if (ownAllocator) {
        *allocator = ownAllocator;
        ownAllocator->AddRef();
        return S_OK;
    }
    return CDsInputPin::GetAllocator(allocator);
}

HRESULT STDMETHODCALLTYPE TestInputPin::Receive(IMediaSample *sample)
{
    const HRESULT hr = CDsInputPin::Receive(sample);
    if (hr != S_OK || !keep)
        return hr;
    BYTE *data = nullptr;
    sample->GetPointer(&data);
    Received r;
    r.bytes.assign(data, data + sample->GetActualDataLength());
    r.timeResult = sample->GetTime(&r.start, &r.stop);
    received.push_back(std::move(r));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestInputPin::ReceiveCanBlock()
{
    return canBlock ? *canBlock : CDsInputPin::ReceiveCanBlock();
}

HRESULT STDMETHODCALLTYPE TestInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES *properties)
{
    if (!requirements)
        return CDsInputPin::GetAllocatorRequirements(properties);
    *properties = *requirements;
    return S_OK;
}

// ---- filter

TestFilter::TestFilter(const CLSID &classId, int outputs, int inputs, IUnknown *outer)
    : CDsFilter("TestFilter", outer, &lock, classId)
{
    for (int i = 0; i < outputs; ++i)
        outputs_.push_back(std::make_unique<TestOutputPin>(this, (L"Out" + std::to_wstring(i + 1)).c_str()));
    for (int i = 0; i < inputs; ++i)
        inputs_.push_back(std::make_unique<TestInputPin>(this, (L"In" + std::to_wstring(i + 1)).c_str()));
}

TestFilter::~TestFilter() = default;

int TestFilter::GetPinCount()
{
    return static_cast<int>(outputs_.size() + inputs_.size());
}

CDsPin *TestFilter::GetPin(int index)
{
    if (index < 0 || index >= GetPinCount() || index == lostPin_)
        return nullptr;
    if (index < static_cast<int>(outputs_.size()))
        return outputs_[index].get();
    return inputs_[index - outputs_.size()].get();
}

void TestFilter::addOutput(const WCHAR *name)
{
    outputs_.push_back(std::make_unique<TestOutputPin>(this, name));
    IncrementPinVersion();
}

// ---- links

Links::~Links()
{
    for (auto &[output, input] : pairs_) {
        output->Filter()->Stop();
        input->Filter()->Stop();
        output->Disconnect();
        input->Disconnect();
    }
}

HRESULT Links::connect(CDsPin *output, CDsPin *input, const AM_MEDIA_TYPE *type)
{
    const HRESULT hr = output->Connect(input, type);
    if (SUCCEEDED(hr))
        add(output, input);
    return hr;
}

// ---- allocator

TestAllocator::TestAllocator(BOOL releaseCallbacks)
    : CDsAllocator("TestAllocator", nullptr, nullptr, FALSE, releaseCallbacks)
{
}

TestAllocator::~TestAllocator()
{
    Free();
}

void TestAllocator::Free()
{
    if (SUCCEEDED(DeleteSamples()))
        buffers_.clear();
}

HRESULT TestAllocator::Alloc()
{
    if (!changed_ && allocated_ == count_)
        return S_OK;
    HRESULT hr = DeleteSamples();
    if (FAILED(hr))
        return hr;
    buffers_.assign(count_, std::vector<BYTE>(size_));
    for (auto &buffer : buffers_) {
        hr = AddSample(new CDsMediaSample("TestSample", this, nullptr, buffer.data(), size_));
        if (FAILED(hr))
            return hr;
    }
    changed_ = FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestAllocator::SetProperties(ALLOCATOR_PROPERTIES *request,
                                                       ALLOCATOR_PROPERTIES *actual)
{
    if (!request || !actual)
        return E_POINTER;
    CDsAutoLock lock(&lock_);
    if (committed_)
        return VFW_E_ALREADY_COMMITTED;
    if (LentCount() > 0)
        return VFW_E_BUFFERS_OUTSTANDING;
    count_ = request->cBuffers;
    size_ = request->cbBuffer;
    alignment_ = request->cbAlign;
    prefix_ = request->cbPrefix;
    changed_ = TRUE;
    *actual = *request;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestAllocator::GetProperties(ALLOCATOR_PROPERTIES *properties)
{
    CDsAutoLock lock(&lock_);
    properties->cBuffers = count_;
    properties->cbBuffer = size_;
    properties->cbAlign = alignment_;
    properties->cbPrefix = prefix_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestAllocator::Commit()
{
    CDsAutoLock lock(&lock_);
    const HRESULT hr = Alloc();
    if (SUCCEEDED(hr))
        committed_ = TRUE;
    return hr;
}

HRESULT STDMETHODCALLTYPE TestAllocator::Decommit()
{
    CDsAutoLock lock(&lock_);
    if (FAILED(decommitResult))
        return decommitResult;
    committed_ = FALSE;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestAllocator::GetBuffer(IMediaSample **sample, REFERENCE_TIME *, REFERENCE_TIME *,
                                                   DWORD)
{
    if (!committed_)
        return VFW_E_NOT_COMMITTED;
    CDsMediaSample *lent = LendSample();
    *sample = lent;
    return lent ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE TestAllocator::ReleaseBuffer(IMediaSample *sample)
{
    if (!sample)
        return E_POINTER;
    returned.push_back(sample);
    ReturnSample(static_cast<CDsMediaSample *>(sample));
    return S_OK;
}

ULONG refCountOf(IUnknown *object)
{
    object->AddRef();
    return object->Release();
}

} // namespace ds_test
