#include "dshow/ds_media_type.h"

#include <cstring>

CDsMediaType::CDsMediaType()
{
    InitMediaType();
}

CDsMediaType::CDsMediaType(const AM_MEDIA_TYPE &other)
{
    DsCopyMediaType(this, &other);
}

CDsMediaType::CDsMediaType(const CDsMediaType &other) : AM_MEDIA_TYPE()
{
    DsCopyMediaType(this, &other);
}

CDsMediaType::~CDsMediaType()
{
    DsFreeMediaType(this);
}

void CDsMediaType::InitMediaType()
{
    std::memset(static_cast<AM_MEDIA_TYPE *>(this), 0, sizeof(AM_MEDIA_TYPE));
    bFixedSizeSamples = TRUE;
    lSampleSize = 1;
}

CDsMediaType &CDsMediaType::Set(const AM_MEDIA_TYPE &other)
{
    if (&other != this) {
        DsFreeMediaType(this);
        DsCopyMediaType(this, &other);
    }
    return *this;
}

BOOL CDsMediaType::IsPartiallySpecified() const
{
    return majortype == GUID_NULL || formattype == GUID_NULL;
}

BOOL CDsMediaType::MatchesPartial(const AM_MEDIA_TYPE *partial) const
{
    if (partial->majortype != GUID_NULL && partial->majortype != majortype)
        return FALSE;
    if (partial->subtype != GUID_NULL && partial->subtype != subtype)
        return FALSE;
    if (partial->formattype != GUID_NULL) {
        if (partial->formattype != formattype || partial->cbFormat != cbFormat)
            return FALSE;
        if (cbFormat != 0 && std::memcmp(partial->pbFormat, pbFormat, cbFormat) != 0)
            return FALSE;
    }
    return TRUE;
}

void CDsMediaType::SetSampleSize(ULONG n)
{
    if (n == 0) {
        SetVariableSize();
        return;
    }
    bFixedSizeSamples = TRUE;
    lSampleSize = n;
}

BYTE *CDsMediaType::AllocFormatBuffer(ULONG n)
{
    if (n == cbFormat)
        return pbFormat;
    // No format is no block: a record of format size 0 owns none, so a
    // block of 0 bytes would never be freed.
    if (n == 0) {
        CoTaskMemFree(pbFormat);
        pbFormat = nullptr;
        cbFormat = 0;
        return nullptr;
    }
    auto *block = static_cast<BYTE *>(CoTaskMemAlloc(n));
    if (!block)
        return n <= cbFormat ? pbFormat : nullptr;
    if (cbFormat != 0)
        CoTaskMemFree(pbFormat);
    pbFormat = block;
    cbFormat = n;
    return block;
}

void DsCopyMediaType(AM_MEDIA_TYPE *target, const AM_MEDIA_TYPE *source)
{
    *target = *source;
    if (source->cbFormat != 0) {
        target->pbFormat = static_cast<BYTE *>(CoTaskMemAlloc(source->cbFormat));
        if (target->pbFormat)
            std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
        else
            target->cbFormat = 0;
    }
    if (target->pUnk)
        target->pUnk->AddRef();
}

void DsFreeMediaType(AM_MEDIA_TYPE *type)
{
    if (type->cbFormat != 0) {
        CoTaskMemFree(type->pbFormat);
        type->cbFormat = 0;
        type->pbFormat = nullptr;
    }
    if (type->pUnk) {
        type->pUnk->Release();
        type->pUnk = nullptr;
    }
}

AM_MEDIA_TYPE *DsCreateMediaType(const AM_MEDIA_TYPE *source)
{
    auto *type = static_cast<AM_MEDIA_TYPE *>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (type)
        DsCopyMediaType(type, source);
    return type;
}

void DsDeleteMediaType(AM_MEDIA_TYPE *type)
{
    if (!type)
        return;
    DsFreeMediaType(type);
    CoTaskMemFree(type);
}
