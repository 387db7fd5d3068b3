// What a hosted synthesizer asks of its host: musical time from the song at
// the client's rate, the block's events and tempo changes, a name list of
// numbers, and a site for its property page.
#include "synth/dxi/dxi_client.h"

#include "data/music_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace Quorvane {

namespace {

constexpr char kNumbersListName[] = "Numbers";
constexpr LONG kNumbers = 128;

} // namespace

HRESULT STDMETHODCALLTYPE CDXiClient::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    void *found = nullptr;
    if (iid == IID_IUnknown || iid == IID_IHostTempoMap)
        found = static_cast<IHostTempoMap *>(this);
    else if (iid == IID_IHostMeterMap)
        found = static_cast<IHostMeterMap *>(this);
    else if (iid == IID_IHostKeySigMap)
        found = static_cast<IHostKeySigMap *>(this);
    else if (iid == IID_IHostTimeConverter)
        found = static_cast<IHostTimeConverter *>(this);
    else if (iid == IID_IPropertyPageSite)
        found = static_cast<IPropertyPageSite *>(this);
    else if (iid == IID_IHostTempoChangeList)
        found = static_cast<IHostTempoChangeList *>(this);
    else if (iid == IID_IHostEventList)
        found = static_cast<IHostEventList *>(this);
    else if (iid == IID_IHostNameSetSource)
        found = static_cast<IHostNameSetSource *>(this);
    else if (iid == IID_IHostNameSet)
        found = static_cast<IHostNameSet *>(this);
    else if (iid == IID_IHostNameList)
        found = static_cast<INameList *>(this);
    else if (iid == IID_IHostCallback)
        found = static_cast<IHostCallback *>(this);
    *out = found;
    if (!found)
        return E_NOINTERFACE;
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CDXiClient::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE CDXiClient::Release()
{
    const LONG left = InterlockedDecrement(&refCount_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

// ---- tempo map

LONG STDMETHODCALLTYPE CDXiClient::TicksToMs(LONG tick)
{
    return static_cast<LONG>(song_->SongGetSampleFromTime(tick) * 1000 / rate_);
}

LONG STDMETHODCALLTYPE CDXiClient::MsToTicks(LONG milliseconds)
{
    return song_->SongGetTimeFromSample(static_cast<int64_t>(milliseconds) * rate_ / 1000);
}

LONG STDMETHODCALLTYPE CDXiClient::GetTimeBase()
{
    return song_->SongGetTimeBase();
}

LONG STDMETHODCALLTYPE CDXiClient::GetTempoIndexAt(LONG tick)
{
    return song_->SongGetTempoIndexAtTime(tick);
}

LONG STDMETHODCALLTYPE CDXiClient::GetTempoCount()
{
    return song_->SongGetNumTempos();
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetTempo(LONG index, LONG *startTick, LONG *tempo)
{
    if (!startTick || !tempo)
        return E_POINTER;
    QUICKTIMER entry;
    const long perQuarter = song_->SongGetTimeBase();
    if (!song_->SongGetTempoByIndex(index, entry) || entry.samplesPerTick <= 0.0f || perQuarter <= 0)
        return E_FAIL;
    *startTick = entry.startTick;
    *tempo = static_cast<LONG>(std::trunc(rate_ * 60.0 / perQuarter * 100.0 / entry.samplesPerTick));
    return S_OK;
}

// ---- meter map

HRESULT STDMETHODCALLTYPE CDXiClient::TicksToMbt(LONG tick, LONG *measure, LONG *beat, LONG *tickInBeat)
{
    if (!measure || !beat || !tickInBeat)
        return E_POINTER;
    long m = 0, b = 0, t = 0;
    song_->SongGetMBTFromTime(tick, m, b, t);
    *measure = m + 1;
    *beat = b + 1;
    *tickInBeat = t;
    return S_OK;
}

LONG STDMETHODCALLTYPE CDXiClient::MbtToTicks(LONG measure, LONG beat, LONG tickInBeat)
{
    return song_->SongGetTimeFromMBT(measure - 1, beat - 1, tickInBeat);
}

LONG STDMETHODCALLTYPE CDXiClient::GetMeterIndexAt(LONG tick)
{
    return song_->SongGetMeterIndexAtTime(tick);
}

LONG STDMETHODCALLTYPE CDXiClient::GetMeterCount()
{
    return song_->SongGetNumMeters();
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetMeter(LONG index, LONG *startMeasure, LONG *numerator,
                                               LONG *denominatorPower)
{
    if (!startMeasure || !numerator || !denominatorPower)
        return E_POINTER;
    QUICKMETER entry;
    if (!song_->SongGetMeterByIndex(index, entry))
        return E_FAIL;
    *startMeasure = entry.startBar + 1;
    *numerator = entry.numerator;
    *denominatorPower = entry.power >= 0 && entry.power <= 5 ? entry.power : 2;
    return S_OK;
}

// ---- key-signature map

LONG STDMETHODCALLTYPE CDXiClient::GetKeyIndexAt(LONG tick)
{
    return song_->SongGetTonalIndexAtTime(tick);
}

LONG STDMETHODCALLTYPE CDXiClient::GetKeyCount()
{
    return song_->SongGetNumTonals();
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetKey(LONG index, LONG *startMeasure, LONG *accidentals)
{
    if (!startMeasure || !accidentals)
        return E_POINTER;
    QUICKTONAL entry;
    int major = 0, sharps = 0;
    long count = 0;
    if (!song_->SongGetTonalByIndex(index, entry) || !ParseKSign(entry.key, major, count, sharps))
        return E_FAIL;
    *startMeasure = entry.bar + 1;
    *accidentals = sharps ? count : -count;
    return S_OK;
}

// ---- time converter

HRESULT STDMETHODCALLTYPE CDXiClient::ConvertTime(DXI_TIME *time, LONG targetFormat)
{
    if (!time)
        return E_POINTER;
    auto known = [](LONG f) {
        return f == DXI_TIME_SECONDS || f == DXI_TIME_SAMPLES || f == DXI_TIME_TICKS || f == DXI_TIME_MBT;
    };
    const LONG from = time->format;
    if (!known(from) || !known(targetFormat))
        return E_NOTIMPL;
    if (from == targetFormat)
        return S_OK;

    // Every conversion passes through samples or ticks of the song.
    auto tickOfMbt = [&] {
        return song_->SongGetTimeFromMBT(time->mbt.measure - 1, time->mbt.beat - 1, time->mbt.tick);
    };
    int64_t samples = 0;
    long ticks = 0;
    switch (from) {
    case DXI_TIME_SECONDS:
        samples = static_cast<int64_t>(rate_ * time->seconds);
        ticks = song_->SongGetTimeFromSample(samples);
        break;
    case DXI_TIME_SAMPLES:
        samples = time->samples;
        ticks = song_->SongGetTimeFromSample(samples);
        break;
    case DXI_TIME_TICKS:
        ticks = time->ticks;
        samples = song_->SongGetSampleFromTime(ticks);
        break;
    case DXI_TIME_MBT:
        ticks = tickOfMbt();
        samples = song_->SongGetSampleFromTime(ticks);
        break;
    }

    time->samples = 0;
    switch (targetFormat) {
    case DXI_TIME_SECONDS:
        time->seconds = static_cast<double>(samples) / rate_;
        break;
    case DXI_TIME_SAMPLES:
        time->samples = samples;
        break;
    case DXI_TIME_TICKS:
        time->ticks = ticks;
        break;
    case DXI_TIME_MBT: {
        long m = 0, b = 0, t = 0;
        song_->SongGetMBTFromTime(ticks, m, b, t);
        time->mbt.measure = m + 1;
        time->mbt.beat = static_cast<int16_t>(b + 1);
        time->mbt.tick = static_cast<int16_t>(t);
        break;
    }
    }
    time->format = targetFormat;
    return S_OK;
}

// ---- property-page site

HRESULT STDMETHODCALLTYPE CDXiClient::OnStatusChange(DWORD flags)
{
    if (flags & PROPPAGESTATUS_DIRTY)
        song_->SongSetModified();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetLocaleID(LCID *locale)
{
    if (!locale)
        return E_INVALIDARG;
    *locale = GetUserDefaultLCID();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetPageContainer(IUnknown **container)
{
    if (container)
        *container = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CDXiClient::TranslateAccelerator(MSG *)
{
    return S_FALSE;
}

// ---- the block's tempo changes and events

HRESULT STDMETHODCALLTYPE CDXiClient::Reserved(void *)
{
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetTempoChangeCount(LONG *count)
{
    if (!count)
        return E_POINTER;
    *count = tempos_.GetNumb();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetTempoChange(LONG index, DXI_TEMPO_CHANGE *change)
{
    if (index < 0 || index >= tempos_.GetNumb())
        return E_INVALIDARG;
    if (!change)
        return E_POINTER;
    *change = static_cast<QueuedTempo *>(tempos_.GetElementAt(index))->change;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetEventCount(LONG *count)
{
    if (!count)
        return E_POINTER;
    *count = events_.GetNumb();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetEvent(LONG index, DXI_EVENT *event)
{
    if (index < 0 || index >= events_.GetNumb())
        return E_INVALIDARG;
    if (!event)
        return E_POINTER;
    *event = static_cast<QueuedEvent *>(events_.GetElementAt(index))->event;
    return S_OK;
}

// ---- names

HRESULT STDMETHODCALLTYPE CDXiClient::GetNameSet(IHostNameSet **set)
{
    return QueryInterface(IID_IHostNameSet, reinterpret_cast<void **>(set));
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetNameSet2(IHostNameSet **set)
{
    return GetNameSet(set);
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetNameSet3(IHostNameSet **set)
{
    return GetNameSet(set);
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetListCount(LONG *count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetList(LONG index, INameList **list)
{
    if (index != 0)
        return E_FAIL;
    return QueryInterface(IID_IHostNameList, reinterpret_cast<void **>(list));
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetListName(char *buffer, LONG size)
{
    if (!buffer || size <= 0)
        return E_POINTER;
    // Within size, padded with zeros and always ended.
    std::strncpy(buffer, kNumbersListName, static_cast<size_t>(size));
    buffer[size - 1] = '\0';
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetNumberCount(LONG *count)
{
    if (!count)
        return E_POINTER;
    *count = kNumbers;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetNameOfNumber(LONG number, char *buffer, LONG size)
{
    if (number < 0 || number >= kNumbers)
        return E_FAIL;
    if (!buffer || size <= 0)
        return E_POINTER;
    std::snprintf(buffer, static_cast<size_t>(size), "%i", static_cast<int>(number));
    return S_OK;
}

// The walk of named entries is not part of the host's list.
HRESULT STDMETHODCALLTYPE CDXiClient::GetEntryCount(LONG *)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetFirstPosition(DXI_NAME_POSITION *)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CDXiClient::GetNextName(DXI_NAME_POSITION *, LONG *, char *, LONG)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CDXiClient::FindName(LONG, char *, LONG)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE CDXiClient::Callback(LONG, LONG_PTR)
{
    return S_OK;
}

} // namespace Quorvane
