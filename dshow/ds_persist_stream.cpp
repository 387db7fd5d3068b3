#include "dshow/ds_persist_stream.h"

#include "dshow/ds_wide_string.h"

#include <vfwmsgs.h>

CDsPersistStream::CDsPersistStream(IUnknown *, HRESULT *) {}

HRESULT STDMETHODCALLTYPE CDsPersistStream::IsDirty()
{
    return dirty_ ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CDsPersistStream::Load(IStream *stream)
{
    if (!stream)
        return E_POINTER;
    int version = 0;
    HRESULT hr = ReadInt(stream, &version);
    if (FAILED(hr))
        return hr;
    fileVersion_ = static_cast<DWORD>(version);
    hr = ReadFromStream(stream);
    if (SUCCEEDED(hr))
        dirty_ = FALSE;
    return hr;
}

HRESULT STDMETHODCALLTYPE CDsPersistStream::Save(IStream *stream, BOOL clearDirty)
{
    if (!stream)
        return E_POINTER;
    HRESULT hr = WriteInt(stream, static_cast<int>(GetSoftwareVersion()));
    if (SUCCEEDED(hr))
        hr = WriteToStream(stream);
    if (SUCCEEDED(hr) && clearDirty)
        dirty_ = FALSE;
    return hr;
}

HRESULT STDMETHODCALLTYPE CDsPersistStream::GetSizeMax(ULARGE_INTEGER *size)
{
    if (!size)
        return E_POINTER;
    size->QuadPart = static_cast<DWORD>(kIntBytes + SizeMax());
    return S_OK;
}

HRESULT CDsPersistStream::WriteInt(IStream *stream, int n)
{
    WCHAR text[13];
    DsFormatWide(text, 13, L"%011d ", n);
    ULONG written = 0;
    const HRESULT hr = stream->Write(text, kIntBytes, &written);
    if (FAILED(hr))
        return hr;
    return written == kIntBytes ? S_OK : STG_E_MEDIUMFULL;
}

HRESULT CDsPersistStream::ReadInt(IStream *stream, int *n)
{
    WCHAR text[12];
    ULONG read = 0;
    const HRESULT hr = stream->Read(text, kIntBytes, &read);
    if (FAILED(hr))
        return hr;
    if (read != kIntBytes)
        return VFW_E_INVALID_FILE_FORMAT;

    int i = 0;
    const bool negative = text[0] == L'-';
    if (negative)
        ++i;
    long long value = 0;
    for (; i < 12 && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > 0x80000000LL)
            return VFW_E_INVALID_FILE_FORMAT;
    }
    // The number ends at a blank or a terminator, inside the 12 characters.
    if (i == 12 ||
        !(text[i] == L' ' || text[i] == L'\t' || text[i] == L'\r' || text[i] == L'\n' || text[i] == 0))
        return VFW_E_INVALID_FILE_FORMAT;
    if (negative)
        value = -value;
    if (value > 0x7FFFFFFFLL)
        return VFW_E_INVALID_FILE_FORMAT;
    *n = static_cast<int>(value);
    return S_OK;
}
