// IPersistStream for a kit object: a version header, then the object's own
// data. Numbers are stored as text of 12 wide characters ("%011d "). The
// derived object supplies IUnknown and GetClassID.
#pragma once

#include <windows.h>
#include <objidl.h>

class CDsPersistStream : public IPersistStream {
public:
    CDsPersistStream(IUnknown *outer, HRESULT *result);
    virtual ~CDsPersistStream() = default;

    HRESULT STDMETHODCALLTYPE IsDirty() override;
    // Reads the version into FileVersion, then the object's data.
    HRESULT STDMETHODCALLTYPE Load(IStream *stream) override;
    // Writes GetSoftwareVersion, then the object's data.
    HRESULT STDMETHODCALLTYPE Save(IStream *stream, BOOL clearDirty) override;
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER *size) override;

    virtual DWORD GetSoftwareVersion() { return 0; }
    // Bytes the object's own data takes at most.
    virtual int SizeMax() { return 0; }
    virtual HRESULT WriteToStream(IStream *) { return S_OK; }
    virtual HRESULT ReadFromStream(IStream *) { return S_OK; }

    // Bytes one stored number takes.
    static constexpr int kIntBytes = 12 * sizeof(WCHAR);
    // Writes n as "%011d " in wide characters.
    static HRESULT WriteInt(IStream *stream, int n);
    // Reads a number written by WriteInt: an optional minus sign and
    // decimal digits, ended by a blank or 0. VFW_E_INVALID_FILE_FORMAT for
    // anything else; the stream's error when it cannot be read.
    static HRESULT ReadInt(IStream *stream, int *n);

    DWORD FileVersion() const { return fileVersion_; }
    void SetDirty(BOOL dirty) { dirty_ = dirty; }

protected:
    DWORD fileVersion_ = 0;
    BOOL dirty_ = FALSE;
};
