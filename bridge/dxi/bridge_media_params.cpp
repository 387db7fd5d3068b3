#include "bridge/dxi/bridge_media_params.h"

#include "base/message_box.h"

#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <new>

namespace Halvorin {

namespace {

constexpr double kReferenceUnits = 10000000.0;
// Values follow an envelope in steps of this many seconds.
constexpr double kChangeStepSeconds = 0.02;
// The "all envelopes" index of AddEnvelope and FlushEnvelope.
constexpr DWORD kAllParams = 0xFFFFFFFF;

ParamDescription enabledDescription()
{
    ParamDescription description = {};
    description.info.mpType = MPT_BOOL;
    description.info.mopCaps =
        MP_CAPS_CURVE_JUMP | MP_CAPS_CURVE_LINEAR | MP_CAPS_CURVE_SQUARE | MP_CAPS_CURVE_INVSQUARE;
    description.info.mpdMinValue = 0.0f;
    description.info.mpdMaxValue = 1.0f;
    description.info.mpdNeutralValue = 1.0f;
    std::wcscpy(description.info.szLabel, L"Enabled");
    description.internalMin = 0.0f;
    description.internalMax = 1.0f;
    return description;
}

// Slot 1: an integer parameter with every field zero.
ParamDescription emptyDescription()
{
    ParamDescription description = {};
    description.info.mpType = MPT_INT;
    return description;
}

HRESULT writeBytes(IStream *stream, const void *bytes, ULONG size)
{
    ULONG written = 0;
    return SUCCEEDED(stream->Write(bytes, size, &written)) && written == size ? S_OK : E_FAIL;
}

HRESULT readBytes(IStream *stream, void *bytes, ULONG size)
{
    ULONG read = 0;
    return SUCCEEDED(stream->Read(bytes, size, &read)) && read == size ? S_OK : E_FAIL;
}

} // namespace

CBridgeMediaParams::CBridgeMediaParams(IUnknown *outer) : CDsUnknown("CBridgeMediaParams", outer)
{
    envelopes_[0] = new (std::nothrow) CBridgeParamEnvelope(enabledDescription());
    envelopes_[1] = new (std::nothrow) CBridgeParamEnvelope(emptyDescription());
    points_.reserve(256);
    if (!provider_.Connect())
        Quorvane::showMessageBox(
            nullptr, "Can't connect to AudioStream Provider.\nRemove this instance out of project.",
            kDxiCaption, MB_OK | MB_ICONERROR);
}

CBridgeMediaParams::~CBridgeMediaParams()
{
    if (callback_)
        callback_->Release();
    provider_.Disconnect();
    for (CBridgeParamEnvelope *envelope : envelopes_)
        delete envelope;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::AddEnvelope(DWORD index, DWORD count,
                                                          MP_ENVELOPE_SEGMENT *segments)
{
    if (index != 0 && index != kAllParams)
        return E_INVALIDARG;
    if (count == 0)
        return S_OK;
    if (!segments || IsBadReadPtr(segments, static_cast<UINT_PTR>(count) * sizeof(MP_ENVELOPE_SEGMENT)))
        return E_POINTER;
    envelopes_[0]->AddSegments(count, segments, sampleRate_);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::FlushEnvelope(DWORD index, REFERENCE_TIME start,
                                                            REFERENCE_TIME end)
{
    if ((index != 0 && index != kAllParams) || start > end)
        return E_INVALIDARG;
    envelopes_[0]->Flush(start, end, sampleRate_);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::GetParam(DWORD index, MP_DATA *value)
{
    if (index >= kSlots)
        return E_INVALIDARG;
    if (!value)
        return E_POINTER;
    *value = envelopes_[index]->GetParam();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::SetParam(DWORD index, MP_DATA value)
{
    if (index >= kSlots)
        return E_INVALIDARG;
    envelopes_[index]->SetParam(value);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::SetTimeFormat(GUID format, MP_TIMEDATA)
{
    return format == GUID_BridgeTimeReference ? S_OK : E_INVALIDARG;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::GetParamCount(DWORD *count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::GetParamInfo(DWORD index, MP_PARAMINFO *info)
{
    if (index != 0)
        return E_INVALIDARG;
    if (!info || IsBadWritePtr(info, sizeof *info))
        return E_POINTER;
    *info = envelopes_[0]->Description().info;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::GetParamText(DWORD index, WCHAR **text)
{
    if (index != 0)
        return E_INVALIDARG;
    if (!text)
        return E_POINTER;
    // label, NUL, unit, NUL, then the enumeration's names each ended by a
    // NUL, and a final NUL.
    const ParamDescription &description = envelopes_[0]->Description();
    const size_t label = std::wcslen(description.info.szLabel);
    const size_t unit = std::wcslen(description.info.szUnitText);
    const size_t names = description.enumeration ? std::wcslen(description.enumeration) + 1 : 0;
    const size_t length = label + 1 + unit + 1 + names + 1;
    *text = static_cast<WCHAR *>(CoTaskMemAlloc(length * sizeof(WCHAR)));
    if (!*text)
        return E_OUTOFMEMORY;
    WCHAR *at = *text;
    std::wmemcpy(at, description.info.szLabel, label + 1);
    at += label + 1;
    std::wmemcpy(at, description.info.szUnitText, unit + 1);
    at += unit + 1;
    if (description.enumeration) {
        for (const WCHAR *c = description.enumeration; *c; ++c)
            *at++ = *c == L',' ? L'\0' : *c;
        *at++ = L'\0';
    }
    *at = L'\0';
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::GetNumTimeFormats(DWORD *count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::GetSupportedTimeFormat(DWORD index, GUID *format)
{
    if (!format)
        return E_POINTER;
    if (index != 0)
        return E_INVALIDARG;
    *format = GUID_BridgeTimeReference;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::GetCurrentTimeFormat(GUID *format, MP_TIMEDATA *data)
{
    if (!format)
        return E_POINTER;
    *format = GUID_BridgeTimeReference;
    if (data)
        *data = 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::SetParamsUICallback(IParamsUICallback *callback)
{
    if (callback)
        callback->AddRef();
    if (callback_)
        callback_->Release();
    callback_ = callback;
    return S_OK;
}

HRESULT CBridgeMediaParams::setCapturing(const DWORD *indexes, DWORD count, bool capturing)
{
    if (count && !indexes)
        return E_POINTER;
    for (DWORD i = 0; i < count; ++i)
        if (indexes[i] >= kSlots)
            return E_INVALIDARG;
    for (DWORD i = 0; i < count; ++i)
        envelopes_[indexes[i]]->SetCapturing(capturing);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::ParamsBeginCapture(DWORD *indexes, DWORD count)
{
    if (const HRESULT hr = setCapturing(indexes, count, true); FAILED(hr))
        return hr;
    return callback_ ? callback_->ParamsBeginCapture(indexes, count) : S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::ParamsChanged(DWORD *indexes, DWORD count, MP_DATA *values)
{
    if (count && (!indexes || !values))
        return E_POINTER;
    for (DWORD i = 0; i < count; ++i)
        if (const HRESULT hr = SetParam(indexes[i], values[i]); FAILED(hr))
            return hr;
    return callback_ ? callback_->ParamsChanged(indexes, count, values) : S_OK;
}

HRESULT STDMETHODCALLTYPE CBridgeMediaParams::ParamsEndCapture(DWORD *indexes, DWORD count)
{
    if (const HRESULT hr = setCapturing(indexes, count, false); FAILED(hr))
        return hr;
    return callback_ ? callback_->ParamsEndCapture(indexes, count) : S_OK;
}

const std::vector<int64_t> &CBridgeMediaParams::ChangePoints(int64_t from, int64_t to)
{
    points_.clear();
    CBridgeParamEnvelope &enabled = *envelopes_[0];
    if (!enabled.HasSegments())
        return points_;
    const int64_t step = static_cast<int64_t>(std::trunc(sampleRate_ * kChangeStepSeconds));
    if (step > 0)
        for (int64_t point = (from + step - 1) / step * step; point < to; point += step)
            if (point >= from)
                points_.push_back(point);
    enabled.AddSegmentPoints(from, to, sampleRate_, points_);
    std::sort(points_.begin(), points_.end());
    return points_;
}

void CBridgeMediaParams::ValuesAt(int64_t sample)
{
    if (sampleRate_ <= 0.0)
        return;
    const auto time = static_cast<REFERENCE_TIME>(std::llround(sample * kReferenceUnits / sampleRate_));
    for (CBridgeParamEnvelope *envelope : envelopes_)
        envelope->ValueAt(time);
}

HRESULT CBridgeMediaParams::Save(IStream *stream)
{
    const int32_t count = kSlots;
    HRESULT hr = writeBytes(stream, &count, 4);
    for (DWORD index = 0; index < kSlots && SUCCEEDED(hr); ++index) {
        const int32_t number = static_cast<int32_t>(index);
        float value = 0.0f;
        GetParam(index, &value);
        hr = writeBytes(stream, &number, 4);
        if (SUCCEEDED(hr))
            hr = writeBytes(stream, &value, 4);
    }
    return hr;
}

HRESULT CBridgeMediaParams::Load(IStream *stream)
{
    int32_t count = 0;
    HRESULT hr = readBytes(stream, &count, 4);
    for (int32_t i = 0; i < count && SUCCEEDED(hr); ++i) {
        int32_t index = 0;
        float value = 0.0f;
        hr = readBytes(stream, &index, 4);
        if (SUCCEEDED(hr))
            hr = readBytes(stream, &value, 4);
        if (SUCCEEDED(hr))
            hr = SetParam(static_cast<DWORD>(index), value);
    }
    return hr;
}

} // namespace Halvorin
