#include "dshow/ds_media_sample.h"

#include "dshow/ds_allocator.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

// Where each field of the sample-properties record ends: the field takes
// part when the size given reaches it.
constexpr DWORD endOf(size_t offset, size_t size)
{
    return static_cast<DWORD>(offset + size);
}
#define DS_FIELD_END(field)                                                                                  \
    endOf(offsetof(AM_SAMPLE2_PROPERTIES, field), sizeof(AM_SAMPLE2_PROPERTIES::field))
constexpr DWORD kDataSizeEnd = DS_FIELD_END(cbData);
constexpr DWORD kTypeSpecificFlagsEnd = DS_FIELD_END(dwTypeSpecificFlags);
constexpr DWORD kSampleFlagsEnd = DS_FIELD_END(dwSampleFlags);
constexpr DWORD kActualEnd = DS_FIELD_END(lActual);
constexpr DWORD kStartEnd = DS_FIELD_END(tStart);
constexpr DWORD kStopEnd = DS_FIELD_END(tStop);
constexpr DWORD kStreamIdEnd = DS_FIELD_END(dwStreamId);
constexpr DWORD kMediaTypeEnd = DS_FIELD_END(pMediaType);
constexpr DWORD kBufferEnd = DS_FIELD_END(pbBuffer);
constexpr DWORD kBufferSizeEnd = DS_FIELD_END(cbBuffer);
#undef DS_FIELD_END
constexpr DWORD kRecordSize = sizeof(AM_SAMPLE2_PROPERTIES);

// Flags a caller may set through SetProperties; media times are the
// sample's own business.
constexpr DWORD kSettableFlags = 0x1DF;

} // namespace

CDsMediaSample::CDsMediaSample(const char *, CDsAllocator *allocator, HRESULT *, BYTE *buffer, LONG length)
    : buffer_(buffer), actualLength_(length), bufferSize_(length), allocator_(allocator)
{
}

CDsMediaSample::~CDsMediaSample()
{
    DsDeleteMediaType(mediaType_);
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::QueryInterface(REFIID iid, void **out)
{
    if (!out)
        return E_POINTER;
    if (iid == IID_IMediaSample || iid == IID_IMediaSample2 || iid == IID_IUnknown) {
        *out = static_cast<IMediaSample2 *>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CDsMediaSample::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE CDsMediaSample::Release()
{
    if (refCount_ == 1) {
        // The last holder is alone with the sample.
        refCount_ = 0;
    } else {
        const LONG left = InterlockedDecrement(&refCount_);
        if (left != 0)
            return static_cast<ULONG>(left);
    }
    if (flags_ & AM_SAMPLE_TYPECHANGED)
        SetMediaType(nullptr);
    flags_ = 0;
    typeSpecificFlags_ = 0;
    streamId_ = 0;
    // The allocator may let go of itself, and so of this sample, in here.
    static_cast<IMemAllocator *>(allocator_)->ReleaseBuffer(this);
    return 0;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::GetPointer(BYTE **buffer)
{
    if (!buffer)
        return E_POINTER;
    *buffer = buffer_;
    return S_OK;
}

LONG STDMETHODCALLTYPE CDsMediaSample::GetSize()
{
    return bufferSize_;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::GetTime(REFERENCE_TIME *start, REFERENCE_TIME *stop)
{
    if (!start || !stop)
        return E_POINTER;
    if (flags_ & AM_SAMPLE_STOPVALID) {
        *start = start_;
        *stop = stop_;
        return S_OK;
    }
    if (flags_ & AM_SAMPLE_TIMEVALID) {
        *start = start_;
        *stop = start_ + 1;
        return VFW_S_NO_STOP_TIME;
    }
    return VFW_E_SAMPLE_TIME_NOT_SET;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::SetTime(REFERENCE_TIME *start, REFERENCE_TIME *stop)
{
    if (!start) {
        flags_ &= ~(AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID);
        return S_OK;
    }
    start_ = *start;
    flags_ |= AM_SAMPLE_TIMEVALID;
    if (stop) {
        stop_ = *stop;
        flags_ |= AM_SAMPLE_STOPVALID;
    } else {
        flags_ &= ~AM_SAMPLE_STOPVALID;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::IsSyncPoint()
{
    return (flags_ & AM_SAMPLE_SPLICEPOINT) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::SetSyncPoint(BOOL on)
{
    SetFlag(AM_SAMPLE_SPLICEPOINT, on);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::IsPreroll()
{
    return (flags_ & AM_SAMPLE_PREROLL) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::SetPreroll(BOOL on)
{
    SetFlag(AM_SAMPLE_PREROLL, on);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::IsDiscontinuity()
{
    return (flags_ & AM_SAMPLE_DATADISCONTINUITY) ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::SetDiscontinuity(BOOL on)
{
    SetFlag(AM_SAMPLE_DATADISCONTINUITY, on);
    return S_OK;
}

LONG STDMETHODCALLTYPE CDsMediaSample::GetActualDataLength()
{
    return actualLength_;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::SetActualDataLength(LONG length)
{
    if (length > bufferSize_)
        return VFW_E_BUFFER_OVERFLOW;
    actualLength_ = length;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::GetMediaType(AM_MEDIA_TYPE **type)
{
    if (!type)
        return E_POINTER;
    if (!(flags_ & AM_SAMPLE_TYPECHANGED)) {
        *type = nullptr;
        return S_FALSE;
    }
    *type = DsCreateMediaType(mediaType_);
    return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::SetMediaType(AM_MEDIA_TYPE *type)
{
    DsDeleteMediaType(mediaType_);
    mediaType_ = nullptr;
    if (!type) {
        flags_ &= ~AM_SAMPLE_TYPECHANGED;
        return S_OK;
    }
    mediaType_ = DsCreateMediaType(type);
    SetFlag(AM_SAMPLE_TYPECHANGED, mediaType_ != nullptr);
    return mediaType_ ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::GetMediaTime(LONGLONG *start, LONGLONG *stop)
{
    if (!start || !stop)
        return E_POINTER;
    if (!(flags_ & kDsSampleMediaTimeValid))
        return VFW_E_MEDIA_TIME_NOT_SET;
    *start = mediaStart_;
    *stop = mediaStart_ + mediaStopDifference_;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::SetMediaTime(LONGLONG *start, LONGLONG *stop)
{
    if (!start) {
        flags_ &= ~kDsSampleMediaTimeValid;
        return S_OK;
    }
    mediaStart_ = *start;
    // Only the low 32 bits of the difference are kept.
    mediaStopDifference_ = stop ? static_cast<LONG>(static_cast<ULONG>(*stop - *start)) : 0;
    flags_ |= kDsSampleMediaTimeValid;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::GetProperties(DWORD size, BYTE *properties)
{
    if (size == 0)
        return S_OK;
    if (!properties)
        return E_POINTER;
    const DWORD n = std::min(size, kRecordSize);
    AM_SAMPLE2_PROPERTIES record = {};
    record.cbData = n;
    record.dwTypeSpecificFlags = typeSpecificFlags_;
    record.dwSampleFlags = flags_ & ~kDsSampleMediaTimeValid;
    record.lActual = actualLength_;
    record.tStart = start_;
    record.tStop = stop_;
    record.dwStreamId = streamId_;
    record.pMediaType = (flags_ & AM_SAMPLE_TYPECHANGED) ? mediaType_ : nullptr;
    record.pbBuffer = buffer_;
    record.cbBuffer = bufferSize_;
    std::memcpy(properties, &record, n);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CDsMediaSample::SetProperties(DWORD size, const BYTE *properties)
{
    if (size < kDataSizeEnd)
        return S_OK;
    if (!properties)
        return E_POINTER;
    // Only the part of the record that both the size and the record's own
    // data size cover.
    AM_SAMPLE2_PROPERTIES record = {};
    std::memcpy(&record, properties, std::min(size, kRecordSize));
    if (record.cbData > kRecordSize)
        return E_INVALIDARG;
    const DWORD n = std::min(size, record.cbData);

    // Every check comes before the first change.
    if (n >= kSampleFlagsEnd) {
        if (record.dwSampleFlags & ~kSettableFlags)
            return E_INVALIDARG;
        if ((record.dwSampleFlags & AM_SAMPLE_TIMEVALID) && !(flags_ & AM_SAMPLE_TIMEVALID) && n < kStopEnd)
            return E_INVALIDARG;
    }
    // A length beyond the buffer would let readers run past its end.
    if (n >= kActualEnd && record.lActual > bufferSize_)
        return E_INVALIDARG;
    if (n >= kBufferEnd && record.pbBuffer && record.pbBuffer != buffer_)
        return E_INVALIDARG;
    if (n >= kBufferSizeEnd &&
        ((record.cbBuffer != 0 && record.cbBuffer != bufferSize_) || record.cbBuffer < record.lActual))
        return E_INVALIDARG;
    AM_MEDIA_TYPE *newType = nullptr;
    const bool typeGiven = n >= kMediaTypeEnd && (record.dwSampleFlags & AM_SAMPLE_TYPECHANGED);
    if (typeGiven) {
        if (!record.pMediaType)
            return E_POINTER;
        newType = DsCreateMediaType(record.pMediaType);
        if (!newType)
            return E_OUTOFMEMORY;
    }

    if (n >= kStreamIdEnd)
        streamId_ = record.dwStreamId;
    if (n >= kSampleFlagsEnd) {
        flags_ = record.dwSampleFlags | (flags_ & kDsSampleMediaTimeValid);
        typeSpecificFlags_ = record.dwTypeSpecificFlags;
    } else if (n >= kTypeSpecificFlagsEnd) {
        typeSpecificFlags_ = record.dwTypeSpecificFlags;
    }
    if (n >= kActualEnd)
        actualLength_ = record.lActual;
    if (n >= kStopEnd)
        stop_ = record.tStop;
    if (n >= kStartEnd)
        start_ = record.tStart;
    if (typeGiven) {
        DsDeleteMediaType(mediaType_);
        mediaType_ = newType;
    }
    SetFlag(AM_SAMPLE_TYPECHANGED, mediaType_ != nullptr);
    return S_OK;
}
