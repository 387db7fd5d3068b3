#include "plugin/fill/plugin/tests/test_host.h"

namespace grindel_test {

namespace {

template <typename Interface> HRESULT answer(Interface *face, void **out)
{
    face->AddRef();
    *out = face;
    return S_OK;
}

} // namespace

HRESULT STDMETHODCALLTYPE Queue::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMfxEventQueue))
        return answer(static_cast<IMfxEventQueue *>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE Queue::Add(const MfxEvent *event)
{
    events.push_back(*event);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Queue::GetCount(LONG *count)
{
    *count = static_cast<LONG>(events.size());
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Queue::GetAt(LONG index, MfxEvent *event)
{
    if (index < 0 || index >= static_cast<LONG>(events.size()))
        return E_INVALIDARG;
    *event = events[static_cast<size_t>(index)];
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Host::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMfxTempoMap))
        return answer(static_cast<IMfxTempoMap *>(this), out);
    if (IsEqualIID(iid, IID_IMfxMeterMap) && offersMeter)
        return answer(static_cast<IMfxMeterMap *>(this), out);
    if (IsEqualIID(iid, IID_IMfxRenderInfo) && offersRenderInfo)
        return answer(static_cast<IMfxRenderInfo *>(this), out);
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE Host::GetTempoAt(LONG index, LONG *start, LONG *tempo)
{
    if (index != 0)
        return E_FAIL;
    *start = 0;
    *tempo = 12000;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Host::TicksToMeasureBeatTick(LONG ticks, LONG *measure, LONG *beat, LONG *tick)
{
    const LONG bar = 4 * ticksPerQuarter;
    *measure = ticks / bar + 1;
    *beat = ticks % bar / ticksPerQuarter + 1;
    *tick = ticks % ticksPerQuarter;
    return S_OK;
}

LONG STDMETHODCALLTYPE Host::MeasureBeatTickToTicks(LONG measure, LONG beat, LONG tick)
{
    return ((measure - 1) * 4 + (beat - 1)) * ticksPerQuarter + tick;
}

HRESULT STDMETHODCALLTYPE Host::GetMeterAt(LONG index, LONG *start, LONG *numerator, LONG *power)
{
    if (index != 0)
        return E_FAIL;
    *start = 1;
    *numerator = 4;
    *power = 2;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Sink::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDrummerSink))
        return answer(static_cast<IDrummerSink *>(this), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE Sink::ParamChanged(DWORD cookie, LONG id, LONG sub)
{
    changes.emplace_back(cookie, id, sub);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE Sink::Detach(DWORD cookie)
{
    detached.push_back(cookie);
    return S_OK;
}

std::vector<LONG> Sink::ids() const
{
    std::vector<LONG> result;
    for (const auto &change : changes)
        result.push_back(std::get<1>(change));
    return result;
}

MfxEvent noteEvent(int32_t time, uint8_t note, uint8_t velocity, uint8_t channel)
{
    MfxEvent e{};
    e.time = time;
    e.channel = channel;
    e.kind = MfxNote;
    e.note = note;
    e.velocity = velocity;
    e.releaseVelocity = 64;
    e.duration = 60;
    return e;
}

MfxEvent controllerEvent(int32_t time, uint8_t controller, uint8_t value, uint8_t channel)
{
    MfxEvent e{};
    e.time = time;
    e.channel = channel;
    e.kind = MfxController;
    e.note = controller;
    e.velocity = value;
    return e;
}

bool isMarker(const MfxEvent &event)
{
    return event.kind == MfxKeyAftertouch && event.note == 0 && event.velocity == 0;
}

std::vector<MfxEvent> withoutMarkers(const std::vector<MfxEvent> &events)
{
    std::vector<MfxEvent> kept;
    for (const MfxEvent &e : events)
        if (!isMarker(e))
            kept.push_back(e);
    return kept;
}

EventKey keyOf(const MfxEvent &e)
{
    return {e.time, e.kind, e.note, e.velocity, e.channel, e.port, e.duration, e.releaseVelocity};
}

std::string programFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

std::string distFolder()
{
    const std::string tests = programFolder();
    return tests.substr(0, tests.find_last_of('\\')) + "\\dist";
}

std::string modulePath()
{
    return distFolder() + "\\Grindelvosket.dll";
}

} // namespace grindel_test
