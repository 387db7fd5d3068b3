// The DXi bridge's media parameters: the automatable parameter "Enabled"
// (slot 0) and an empty slot 1, their envelopes, the sample positions at
// which a block is cut so the values follow the envelope, the callbacks of
// a property page, and the stored values. The object also holds the
// bridge's connection to the stream provider, made when it is created.
// Its IUnknown is the filter's; the filter owns it.
#pragma once

#include "bridge/common/halvorin_connection.h"
#include "bridge/dxi/param_envelope.h"
#include "dshow/ds_object.h"

#include <objidl.h>

#include <vector>

namespace Halvorin {

// The message box caption of the DXi bridge.
constexpr char kDxiCaption[] = "Rallimoth Omvel DXi";

class CBridgeMediaParams : public CDsUnknown,
                           public IMediaParams,
                           public IMediaParamInfo,
                           public IParamsUICallbackSetter,
                           public IParamsUICallback {
public:
    static constexpr DWORD kSlots = 2;
    // Bytes the stored values take.
    static constexpr int kSavedSize = 20;

    // outer: the filter. Connects to the provider (and says so when it
    // cannot).
    explicit CBridgeMediaParams(IUnknown *outer);
    ~CBridgeMediaParams() override;

    DS_FORWARD_IUNKNOWN

    // IMediaParams
    HRESULT STDMETHODCALLTYPE AddEnvelope(DWORD index, DWORD count, MP_ENVELOPE_SEGMENT *segments) override;
    HRESULT STDMETHODCALLTYPE FlushEnvelope(DWORD index, REFERENCE_TIME start, REFERENCE_TIME end) override;
    HRESULT STDMETHODCALLTYPE GetParam(DWORD index, MP_DATA *value) override;
    HRESULT STDMETHODCALLTYPE SetParam(DWORD index, MP_DATA value) override;
    HRESULT STDMETHODCALLTYPE SetTimeFormat(GUID format, MP_TIMEDATA data) override;
    // IMediaParamInfo
    HRESULT STDMETHODCALLTYPE GetParamCount(DWORD *count) override;
    HRESULT STDMETHODCALLTYPE GetParamInfo(DWORD index, MP_PARAMINFO *info) override;
    HRESULT STDMETHODCALLTYPE GetParamText(DWORD index, WCHAR **text) override;
    HRESULT STDMETHODCALLTYPE GetNumTimeFormats(DWORD *count) override;
    HRESULT STDMETHODCALLTYPE GetSupportedTimeFormat(DWORD index, GUID *format) override;
    HRESULT STDMETHODCALLTYPE GetCurrentTimeFormat(GUID *format, MP_TIMEDATA *data) override;
    // IParamsUICallbackSetter
    HRESULT STDMETHODCALLTYPE SetParamsUICallback(IParamsUICallback *callback) override;
    // IParamsUICallback
    HRESULT STDMETHODCALLTYPE ParamsBeginCapture(DWORD *indexes, DWORD count) override;
    HRESULT STDMETHODCALLTYPE ParamsChanged(DWORD *indexes, DWORD count, MP_DATA *values) override;
    HRESULT STDMETHODCALLTYPE ParamsEndCapture(DWORD *indexes, DWORD count) override;

    // The rate envelope times are converted with (the input's).
    void SetSampleRate(double rate) { sampleRate_ = rate; }
    double SampleRate() const { return sampleRate_; }
    // The sample positions in [from, to) at which parameter values change,
    // sorted; empty while "Enabled" has no envelope.
    const std::vector<int64_t> &ChangePoints(int64_t from, int64_t to);
    // Moves every parameter to its envelope's value at the sample.
    void ValuesAt(int64_t sample);

    HRESULT Save(IStream *stream);
    HRESULT Load(IStream *stream);

    const HalvorinConnection &Provider() const { return provider_; }
    CBridgeParamEnvelope &Envelope(DWORD index) { return *envelopes_[index]; }

private:
    HRESULT setCapturing(const DWORD *indexes, DWORD count, bool capturing);

    CBridgeParamEnvelope *envelopes_[kSlots] = {};
    double sampleRate_ = 44100.0;
    IParamsUICallback *callback_ = nullptr; // one reference held
    std::vector<int64_t> points_;
    HalvorinConnection provider_;
};

} // namespace Halvorin
