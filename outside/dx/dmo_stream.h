// What hosting a DirectX audio effect (a DMO) takes: the stereo float
// stream it is opened with, and media buffers over memory the host owns,
// so that processing a block makes no allocation.
#pragma once

#include <windows.h>
#include <mediaobj.h>

// A DMO of the class that takes and gives interleaved stereo 32-bit float
// at the rate, its streaming resources allocated; null when the class is not
// a DMO or refuses that stream.
IMediaObject *OpenStereoDmo(const CLSID &id, float sampleRate);

// Sets the stereo float stream at the rate on both sides of the DMO; false
// when it refuses.
bool SetStereoFloat(IMediaObject *dmo, float sampleRate);

// A media buffer over memory it does not own. It lives as long as its owner
// and ignores the reference count.
class MediaBufferView final : public IMediaBuffer {
public:
    void Point(void *data, DWORD maxLength, DWORD length)
    {
        data_ = static_cast<BYTE *>(data);
        maxLength_ = maxLength;
        length_ = length;
    }
    DWORD Length() const { return length_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE SetLength(DWORD length) override;
    HRESULT STDMETHODCALLTYPE GetMaxLength(DWORD *maxLength) override;
    HRESULT STDMETHODCALLTYPE GetBufferAndLength(BYTE **buffer, DWORD *length) override;

private:
    BYTE *data_ = nullptr;
    DWORD maxLength_ = 0;
    DWORD length_ = 0;
};
