#include "synth/dxi/tests/instrument/test_instrument.h"

#include <cmath>
#include <cstring>
#include <mmreg.h>
#include <new>

namespace {

TEST_DXI_CONTROL control;

// Float audio with a wave format of 1 or 2 channels.
int floatChannels(const AM_MEDIA_TYPE *type)
{
    if (!type || type->majortype != MEDIATYPE_Audio || type->cbFormat < sizeof(WAVEFORMATEX) ||
        !type->pbFormat)
        return 0;
    WAVEFORMATEX format;
    std::memcpy(&format, type->pbFormat, sizeof(format));
    if (format.wFormatTag != WAVE_FORMAT_IEEE_FLOAT || format.wBitsPerSample != 32)
        return 0;
    return format.nChannels == 1 || format.nChannels == 2 ? format.nChannels : 0;
}

int rateOf(const AM_MEDIA_TYPE *type)
{
    WAVEFORMATEX format;
    std::memcpy(&format, type->pbFormat, sizeof(format));
    return static_cast<int>(format.nSamplesPerSec);
}

} // namespace

TEST_DXI_CONTROL &Control()
{
    return control;
}

CInstrumentInput::CInstrumentInput(CTestInstrument *filter, HRESULT *result)
    : CDsInputPin("CInstrumentInput", filter, &filter->lock, result, L"Audio In"), owner_(filter)
{
}

HRESULT CInstrumentInput::CheckMediaType(const CDsMediaType *type)
{
    if (floatChannels(type) != 2)
        return VFW_E_TYPE_NOT_ACCEPTED;
    owner_->SetRate(rateOf(type));
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CInstrumentInput::Receive(IMediaSample *sample)
{
    HRESULT hr = CDsInputPin::Receive(sample);
    if (hr != S_OK)
        return hr;
    REFERENCE_TIME start = 0, stop = 0;
    LONGLONG first = control.blockStart + control.blockFrames;
    if (SUCCEEDED(sample->GetTime(&start, &stop)))
        first = (start * owner_->Rate() + 5000000) / 10000000;
    const int frames = sample->GetActualDataLength() / 8;
    CInstrumentOutput *output = owner_->Output();
    IMediaSample *out = nullptr;
    hr = output->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
    if (FAILED(hr))
        return hr;
    const int channels = output->Channels();
    BYTE *buffer = nullptr;
    out->GetPointer(&buffer);
    const int room = out->GetSize() / (4 * channels);
    const int rendered = frames < room ? frames : room;
    owner_->RenderBlock(first, rendered, reinterpret_cast<float *>(buffer), channels);
    const int reported =
        control.reportFrames > 0 && control.reportFrames < rendered ? control.reportFrames : rendered;
    out->SetActualDataLength(reported * 4 * channels);
    out->SetTime(&start, nullptr);
    hr = control.deliver ? output->Deliver(out) : S_OK;
    out->Release();
    return hr;
}

CInstrumentOutput::CInstrumentOutput(CTestInstrument *filter, HRESULT *result)
    : CDsOutputPin("CInstrumentOutput", filter, &filter->lock, result, L"Audio Out")
{
}

HRESULT CInstrumentOutput::CheckMediaType(const CDsMediaType *type)
{
    return floatChannels(type) == control.outputChannels ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CInstrumentOutput::DecideBufferSize(IMemAllocator *allocator, ALLOCATOR_PROPERTIES *request)
{
    ALLOCATOR_PROPERTIES asked = *request;
    asked.cBuffers = 2;
    // One second of audio is more than any block.
    asked.cbBuffer = 4 * Channels() * 16384;
    ALLOCATOR_PROPERTIES granted = {};
    const HRESULT hr = allocator->SetProperties(&asked, &granted);
    if (FAILED(hr))
        return hr;
    return granted.cbBuffer < asked.cbBuffer ? E_FAIL : S_OK;
}

int CInstrumentOutput::Channels() const
{
    const int channels = floatChannels(&CurrentMediaType());
    return channels ? channels : 2;
}

CTestInstrument::CTestInstrument(IUnknown *outer, HRESULT *result, bool withPage)
    : CDsFilter("CTestInstrument", outer, &lock, withPage ? CLSID_TestDxi : CLSID_TestDxiNoPage, result),
      CDsPersistStream(outer, result), withPage_(withPage), input_(this, result), output_(this, result)
{
}

CTestInstrument::~CTestInstrument()
{
    DisconnectHost();
    if (hostObject_)
        hostObject_->Release();
}

CDsUnknown *CTestInstrument::CreateWithPage(IUnknown *outer, HRESULT *result)
{
    return new (std::nothrow) CTestInstrument(outer, result, true);
}

CDsUnknown *CTestInstrument::CreateWithoutPage(IUnknown *outer, HRESULT *result)
{
    return new (std::nothrow) CTestInstrument(outer, result, false);
}

HRESULT STDMETHODCALLTYPE CTestInstrument::NonDelegatingQueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IDXiSynth || (withPage_ && iid == IID_IDXiSynthNames))
        return DsGetInterface(static_cast<IDXiSynth *>(this), out);
    if (iid == IID_IDXiHostObjectAccess && withPage_)
        return DsGetInterface(static_cast<IDXiHostObjectAccess *>(this), out);
    if (iid == IID_ISpecifyPropertyPages)
        return DsGetInterface(static_cast<ISpecifyPropertyPages *>(this), out);
    if (iid == IID_IPersistStream)
        return DsGetInterface(static_cast<IPersistStream *>(this), out);
    if (iid == IID_ITestDxiLevel)
        return DsGetInterface(static_cast<ITestDxiLevel *>(this), out);
    return CDsFilter::NonDelegatingQueryInterface(iid, out);
}

CDsPin *CTestInstrument::GetPin(int index)
{
    return index == 0 ? static_cast<CDsPin *>(&input_) : index == 1 ? &output_ : nullptr;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::GetClassID(CLSID *classId)
{
    return CDsFilter::GetClassID(classId);
}

HRESULT STDMETHODCALLTYPE CTestInstrument::ConnectHost(IUnknown *host)
{
    if (!host)
        return E_POINTER;
    CDsAutoLock guard(&lock);
    HRESULT hr = converter_ ? E_UNEXPECTED : S_OK;
    if (SUCCEEDED(hr))
        hr = host->QueryInterface(IID_IHostTimeConverter, reinterpret_cast<void **>(&converter_));
    if (SUCCEEDED(hr) &&
        FAILED(host->QueryInterface(IID_IHostTempoMap, reinterpret_cast<void **>(&tempoMap_))))
        tempoMap_ = nullptr;
    host->Release();
    control.connected = SUCCEEDED(hr);
    return hr;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::DisconnectHost()
{
    CDsAutoLock guard(&lock);
    if (converter_)
        converter_->Release();
    if (tempoMap_)
        tempoMap_->Release();
    converter_ = nullptr;
    tempoMap_ = nullptr;
    control.connected = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::TransportStart(LONG tick)
{
    CDsAutoLock guard(&lock);
    for (Voice &v : voices_)
        v.active = false;
    ++control.starts;
    control.lastStart = tick;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::TransportLoop(LONG from, LONG to)
{
    ++control.loops;
    control.loopFrom = from;
    control.loopTo = to;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::TransportStop(LONG tick)
{
    CDsAutoLock guard(&lock);
    for (Voice &v : voices_)
        v.active = false;
    ++control.stops;
    control.lastStop = tick;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::ProcessEvents(LONG startTick, LONG endTick, LONG,
                                                         IHostEventList *events)
{
    CDsAutoLock guard(&lock);
    ++control.eventCalls;
    control.windowStart = startTick;
    control.windowEnd = endTick;
    LONG count = 0;
    if (!events || FAILED(events->GetEventCount(&count)))
        return E_POINTER;
    for (LONG i = 0; i < count; ++i) {
        DXI_EVENT e;
        if (FAILED(events->GetEvent(i, &e)))
            return E_FAIL;
        control.events[control.eventsSeen++ % 64] = e;
        if (e.kind != DXI_EVENT_NOTE || !converter_)
            continue;
        DXI_TIME time = {};
        time.format = DXI_TIME_TICKS;
        time.ticks = e.time;
        if (FAILED(converter_->ConvertTime(&time, DXI_TIME_SAMPLES)))
            continue;
        for (Voice &v : voices_)
            if (!v.active) {
                v = {time.samples, 440.0 * std::pow(2.0, (e.note.number - 69) / 12.0), true};
                break;
            }
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::ProcessTempoChanges(LONG, IHostTempoChangeList *changes)
{
    ++control.tempoCalls;
    LONG count = 0;
    if (!changes || FAILED(changes->GetTempoChangeCount(&count)))
        return E_POINTER;
    for (LONG i = 0; i < count; ++i)
        changes->GetTempoChange(i, &control.tempos[control.temposSeen++ % 16]);
    return S_OK;
}

void CTestInstrument::RenderBlock(LONGLONG start, int frames, float *out, int channels)
{
    CDsAutoLock guard(&lock);
    control.blockStart = start;
    control.blockFrames = frames;
    std::memset(out, 0, sizeof(float) * channels * frames);
    const float amplitude = level_ / 100.0f;
    for (Voice &v : voices_) {
        if (!v.active)
            continue;
        for (int i = 0; i < frames; ++i) {
            const LONGLONG t = start + i - v.start;
            if (t < 0 || t >= kTestDxiBurstFrames)
                continue;
            const float value =
                amplitude * static_cast<float>(std::cos(6.283185307179586 * v.frequency * t / rate_));
            for (int c = 0; c < channels; ++c)
                out[i * channels + c] += value;
        }
        if (start + frames - v.start >= kTestDxiBurstFrames)
            v.active = false;
    }
}

HRESULT STDMETHODCALLTYPE CTestInstrument::GetBanks(int32_t **banks, int32_t *count)
{
    if (!banks || !count)
        return E_POINTER;
    *banks = static_cast<int32_t *>(CoTaskMemAlloc(2 * sizeof(int32_t)));
    if (!*banks)
        return E_OUTOFMEMORY;
    (*banks)[0] = 0;
    (*banks)[1] = 5;
    *count = 2;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::QueryPatch(LONG, LONG)
{
    return S_FALSE;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::QueryPatch2(LONG, LONG)
{
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::GetPatchNames(LONG bank, INameList **list)
{
    if (!list)
        return E_POINTER;
    static const char *const names[] = {"Burst", "Soft Burst"};
    static const char *const other[] = {"Far Burst"};
    static const LONG numbers[] = {0, 3};
    *list = bank == 5 ? CreateTestNameList("Patches", other, numbers, 1)
                      : CreateTestNameList("Patches", names, numbers, 2);
    return *list ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::GetNoteNames(LONG, LONG, INameList **list)
{
    if (!list)
        return E_POINTER;
    static const char *const names[] = {"Middle C"};
    static const LONG numbers[] = {60};
    *list = CreateTestNameList("Notes", names, numbers, 1);
    return *list ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::GetControllerNames(INameList **list)
{
    if (!list)
        return E_POINTER;
    static const char *const names[] = {"Level",
                                        "A controller name of more than one hundred and twenty-eight "
                                        "characters, which the host cuts at its limit so that no "
                                        "buffer runs over"};
    static const LONG numbers[] = {7, 20};
    *list = CreateTestNameList("Controllers", names, numbers, 2);
    return *list ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::GetRpnNames(INameList **list)
{
    return list ? E_NOTIMPL : E_POINTER;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::GetNrpnNames(INameList **list)
{
    return list ? E_NOTIMPL : E_POINTER;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::GetInstrumentNames(IInstrumentNames **names)
{
    if (names)
        *names = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::SetHostObject(IHostCallback *object)
{
    if (object)
        object->AddRef();
    if (hostObject_)
        hostObject_->Release();
    hostObject_ = object;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::GetHostObject(IHostCallback **object)
{
    if (!object)
        return E_POINTER;
    *object = hostObject_;
    if (!hostObject_)
        return S_FALSE;
    hostObject_->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CTestInstrument::GetPages(CAUUID *pages)
{
    if (!pages)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = nullptr;
    if (!withPage_)
        return S_OK;
    pages->pElems = static_cast<GUID *>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems)
        return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_TestDxiPage;
    pages->cElems = 1;
    return S_OK;
}

HRESULT CTestInstrument::WriteToStream(IStream *stream)
{
    // Lets a test act while the state is written.
    TEST_DXI_CONTROL &control = Control();
    if (control.stateEntered && control.stateGoOn) {
        SetEvent(control.stateEntered);
        if (WaitForSingleObject(control.stateGoOn, 5000) != WAIT_OBJECT_0)
            ++control.stateWaitsRanOut;
    }
    return WriteInt(stream, level_);
}

HRESULT CTestInstrument::ReadFromStream(IStream *stream)
{
    int level = 0;
    const HRESULT hr = ReadInt(stream, &level);
    if (SUCCEEDED(hr))
        SetLevel(level);
    return hr;
}

void STDMETHODCALLTYPE CTestInstrument::SetLevel(LONG level)
{
    level_ = level < 0 ? 0 : level > 100 ? 100 : level;
    SetDirty(TRUE);
}
