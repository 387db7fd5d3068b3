#include "outside/dx/dmo_stream.h"

#include <mmreg.h>
#include <uuids.h>

HRESULT MediaBufferView::QueryInterface(REFIID id, void **out)
{
    if (!out)
        return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IMediaBuffer)) {
        *out = static_cast<IMediaBuffer *>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

HRESULT MediaBufferView::SetLength(DWORD length)
{
    if (length > maxLength_)
        return E_INVALIDARG;
    length_ = length;
    return S_OK;
}

HRESULT MediaBufferView::GetMaxLength(DWORD *maxLength)
{
    if (!maxLength)
        return E_POINTER;
    *maxLength = maxLength_;
    return S_OK;
}

HRESULT MediaBufferView::GetBufferAndLength(BYTE **buffer, DWORD *length)
{
    if (!buffer && !length)
        return E_POINTER;
    if (buffer)
        *buffer = data_;
    if (length)
        *length = length_;
    return S_OK;
}

bool SetStereoFloat(IMediaObject *dmo, float sampleRate)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = 2;
    format.nSamplesPerSec = static_cast<DWORD>(sampleRate + 0.5f);
    format.wBitsPerSample = 32;
    format.nBlockAlign = 8;
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    DMO_MEDIA_TYPE type = {};
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_IEEE_FLOAT;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = format.nBlockAlign;
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = sizeof format;
    type.pbFormat = reinterpret_cast<BYTE *>(&format);
    return dmo->SetInputType(0, &type, 0) == S_OK && dmo->SetOutputType(0, &type, 0) == S_OK;
}

IMediaObject *OpenStereoDmo(const CLSID &id, float sampleRate)
{
    IMediaObject *dmo = nullptr;
    if (FAILED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaObject,
                                reinterpret_cast<void **>(&dmo))) ||
        !dmo)
        return nullptr;
    DWORD inputs = 0, outputs = 0;
    if (dmo->GetStreamCount(&inputs, &outputs) != S_OK || inputs < 1 || outputs < 1 ||
        !SetStereoFloat(dmo, sampleRate) || FAILED(dmo->AllocateStreamingResources())) {
        dmo->Release();
        return nullptr;
    }
    return dmo;
}
