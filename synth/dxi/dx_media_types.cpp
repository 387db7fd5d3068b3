#include "synth/dxi/dx_media_types.h"

#include <cstring>

WAVEFORMATEX DxFloatFormat(int rate, int channels)
{
    WAVEFORMATEX format = {};
    format.wFormatTag = WAVE_FORMAT_IEEE_FLOAT;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.nAvgBytesPerSec = static_cast<DWORD>(channels * 4 * rate);
    format.nBlockAlign = static_cast<WORD>(channels * 4);
    format.wBitsPerSample = 32;
    format.cbSize = 0;
    return format;
}

CDsMediaType DxFloatAudioType(const WAVEFORMATEX &format)
{
    CDsMediaType type;
    type.SetType(&MEDIATYPE_Audio);
    type.SetSubtype(&MEDIASUBTYPE_PCM);
    type.SetFormatType(&FORMAT_WaveFormatEx);
    type.SetTemporalCompression(FALSE);
    type.SetSampleSize(format.nBlockAlign);
    if (BYTE *block = type.AllocFormatBuffer(sizeof(WAVEFORMATEX)))
        std::memcpy(block, &format, sizeof(WAVEFORMATEX));
    return type;
}

HRESULT DxCheckFloatAudio(const AM_MEDIA_TYPE *type, bool checkFormatType)
{
    if (!type || !type->pbFormat || type->cbFormat < sizeof(WAVEFORMATEX))
        return E_INVALIDARG;
    if (type->majortype != MEDIATYPE_Audio || type->bTemporalCompression || !type->bFixedSizeSamples)
        return E_INVALIDARG;
    if (checkFormatType && type->formattype != FORMAT_WaveFormatEx)
        return E_INVALIDARG;
    WAVEFORMATEX format;
    std::memcpy(&format, type->pbFormat, sizeof(format));
    if (format.wFormatTag != WAVE_FORMAT_IEEE_FLOAT || format.wBitsPerSample != 32)
        return E_INVALIDARG;
    return format.nChannels == 1 || format.nChannels == 2 ? S_OK : E_INVALIDARG;
}
