#include "app/part_drummers.h"

#include "data/tembri_song.h"

namespace Quorvane {

namespace {

// Fill positions are counted in ticks of this many per quarter.
constexpr long kFillTicksPerQuarter = 240;
constexpr LONG kMirroredParams = 6;

} // namespace

bool PartDrummers::Attach(int part, int element, IUnknown *drummer, IDrummerSink *sink)
{
    if (!validPlace(part, element) || !drummer || !sink || requests_[element][part] || sinks_[element][part])
        return false;
    IQN3Request *request = nullptr;
    if (FAILED(drummer->QueryInterface(IID_IQN3Request, reinterpret_cast<void **>(&request))) || !request)
        return false;
    sink->AddRef();
    requests_[element][part] = request;
    sinks_[element][part] = sink;
    bool attached = SUCCEEDED(request->Attach(sink, DrummerCookie(part, element)));
    if (attached && element > 0)
        attached = readFill(part, element);
    if (!attached) {
        request->Release();
        sink->Release();
        requests_[element][part] = nullptr;
        sinks_[element][part] = nullptr;
    }
    return attached;
}

void PartDrummers::ReleaseAll()
{
    for (int element = 0; element < kDrummerElements; ++element)
        for (int part = 0; part < kPartCount; ++part) {
            if (requests_[element][part])
                requests_[element][part]->Release();
            if (sinks_[element][part])
                sinks_[element][part]->Release();
            requests_[element][part] = nullptr;
            sinks_[element][part] = nullptr;
        }
}

bool PartDrummers::readFill(int part, int element)
{
    bool read = true;
    for (LONG id = 0; read && id < kMirroredParams; ++id)
        read = SUCCEEDED(readParam(part, element, id));
    return read && LayOut(part, element);
}

HRESULT PartDrummers::readParam(int part, int element, LONG id)
{
    LONG value = 0;
    const HRESULT result = requests_[element][part]->GetParam(id, -1, &value);
    if (SUCCEEDED(result))
        mirrors_[part][element - 1].params[id] = value;
    return result;
}

HRESULT PartDrummers::ParamChanged(DWORD cookie, LONG id, LONG)
{
    const int part = static_cast<int>(cookie >> 16);
    const int element = static_cast<int>(cookie & 0xFFFF);
    // The loop-slice drummer has nothing the window mirrors.
    if (element == 0)
        return S_OK;
    if (!validPlace(part, element) || id < 0 || id >= kMirroredParams)
        return E_INVALIDARG;
    if (GetCurrentThreadId() == windowThread_)
        return takeChange(part, element, id);
    // Another thread (the audio thread) neither reads the drummer nor
    // touches what the window draws from: it notes the change, and tells
    // the window once.
    news_[part][element - 1].fetch_or(1u << id, std::memory_order_release);
    if (!newsTold_.exchange(true, std::memory_order_acq_rel) && newsWaiting)
        newsWaiting();
    return S_OK;
}

void PartDrummers::TakeNews()
{
    newsTold_.store(false, std::memory_order_release);
    for (int part = 0; part < kPartCount; ++part)
        for (int element = 1; element < kDrummerElements; ++element) {
            const uint32_t ids = news_[part][element - 1].exchange(0, std::memory_order_acquire);
            for (LONG id = 0; id < kMirroredParams; ++id)
                if (ids & (1u << id))
                    takeChange(part, element, id);
        }
}

HRESULT PartDrummers::takeChange(int part, int element, LONG id)
{
    if (!requests_[element][part])
        return E_FAIL;
    const HRESULT result = readParam(part, element, id);
    if (FAILED(result))
        return result;
    if (id <= 2 && !LayOut(part, element))
        return E_FAIL;
    if (id == 0 && measuresChanged)
        measuresChanged(part);
    return S_OK;
}

HRESULT PartDrummers::Detach(DWORD cookie)
{
    const int part = static_cast<int>(cookie >> 16);
    const int element = static_cast<int>(cookie & 0xFFFF);
    if (!validPlace(part, element))
        return E_INVALIDARG;
    IQN3Request *&request = requests_[element][part];
    IDrummerSink *&sink = sinks_[element][part];
    const bool both = request && sink;
    if (request)
        request->Release();
    if (sink)
        sink->Release();
    request = nullptr;
    sink = nullptr;
    return both ? S_OK : E_FAIL;
}

IQN3Request *PartDrummers::Request(int part, int element) const
{
    return validPlace(part, element) ? requests_[element][part] : nullptr;
}

void PartDrummers::SetParamOnPart(int part, LONG id, LONG value)
{
    for (int element = 0; element < kDrummerElements; ++element)
        if (IQN3Request *request = Request(part, element))
            request->SetParam(id, -1, value);
}

const FillMirror &PartDrummers::Mirror(int part, int fillElement) const
{
    return mirrors_[part][fillElement - 1];
}

FillMirror &PartDrummers::Mirror(int part, int fillElement)
{
    return mirrors_[part][fillElement - 1];
}

bool PartDrummers::LayOut(int part, int fillElement)
{
    FillMirror &mirror = Mirror(part, fillElement);
    const long measure = mirror.params[0];
    if (!song_ || measure < 0)
        return false;
    const long quarter = song_->SongGetTimeBase();
    mirror.measureStart = song_->SongGetTimeFromMBT(measure, 0, 0);
    mirror.fillStart = mirror.measureStart + mirror.params[1] * quarter / kFillTicksPerQuarter;
    mirror.fillEnd = mirror.measureStart + mirror.params[2] * quarter / kFillTicksPerQuarter - 1;
    mirror.measureEnd = song_->SongGetTimeFromMBT(measure + 1, 0, 0) - 1;
    return true;
}

} // namespace Quorvane
