#include "app/files/result_transfer.h"

#include "app/program_messages.h"
#include "app/files/export_choices.h"
#include "data/storage.h"
#include "plugin/fill/plugin/drummer_transfer.h"
#include "plugin/framework/plugin/com_object.h"

#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace Quorvane {

namespace {

FORMATETC formatOf(UINT format)
{
    FORMATETC f{};
    f.cfFormat = static_cast<CLIPFORMAT>(format);
    f.dwAspect = DVASPECT_CONTENT;
    f.lindex = -1;
    f.tymed = TYMED_HGLOBAL;
    return f;
}

class DelayedDataSource final : public com::SingleInterfaceObject<IDataObject> {
public:
    DelayedDataSource(FormatRenderer &renderer, std::vector<UINT> formats)
        : renderer_(renderer), formats_(std::move(formats))
    {
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC *format, STGMEDIUM *medium) override
    {
        if (!format || !medium)
            return E_POINTER;
        if (!offers(format))
            return DV_E_FORMATETC;
        HGLOBAL global = renderer_.render(format->cfFormat);
        if (!global)
            return E_FAIL;
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = global;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC *, STGMEDIUM *) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC *format) override
    {
        if (!format)
            return E_POINTER;
        return offers(format) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC *, FORMATETC *out) override
    {
        if (!out)
            return E_POINTER;
        out->ptd = nullptr;
        return DATA_S_SAMEFORMATETC;
    }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC *, STGMEDIUM *, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC **out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (direction != DATADIR_GET)
            return E_NOTIMPL;
        std::vector<FORMATETC> list;
        for (UINT f : formats_)
            list.push_back(formatOf(f));
        return SHCreateStdEnumFmtEtc(static_cast<UINT>(list.size()), list.data(), out);
    }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC *, DWORD, IAdviseSink *, DWORD *) override
    {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA **) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    ~DelayedDataSource() = default;

    bool offers(const FORMATETC *format) const
    {
        return (format->tymed & TYMED_HGLOBAL) && format->dwAspect == DVASPECT_CONTENT &&
               std::find(formats_.begin(), formats_.end(), format->cfFormat) != formats_.end();
    }

    FormatRenderer &renderer_;
    std::vector<UINT> formats_;
};

// Drops when the left button comes up, gives up on Escape.
class CopyDropSource final : public com::SingleInterfaceObject<IDropSource> {
public:
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override
    {
        if (escape)
            return DRAGDROP_S_CANCEL;
        return keys & MK_LBUTTON ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    ~CopyDropSource() = default;
};

template <typename T, typename... Args> T *created(Args &&...args)
{
    try {
        T *object = new T(std::forward<Args>(args)...);
        object->AddRef();
        return object;
    } catch (...) {
        return nullptr;
    }
}

} // namespace

UINT MidiClipboardFormat()
{
    return DrummerTransfer::smfFormat();
}

UINT PartClipboardFormat()
{
    static const UINT format = RegisterClipboardFormatA("QNOV Style");
    return format;
}

std::vector<UINT> ResultFormats(bool midi, bool drag)
{
    const UINT wave[] = {CF_WAVE, CF_RIFF};
    const UINT smf[] = {MidiClipboardFormat()};
    std::vector<UINT> formats(midi ? std::begin(smf) : std::begin(wave),
                              midi ? std::end(smf) : std::end(wave));
    if (drag)
        formats.push_back(CF_HDROP);
    return formats;
}

IDataObject *CreateDelayedDataSource(FormatRenderer &renderer, std::vector<UINT> formats)
{
    return created<DelayedDataSource>(renderer, std::move(formats));
}

HRESULT CopyToClipboard(FormatRenderer &renderer, std::vector<UINT> formats)
{
    IDataObject *data = CreateDelayedDataSource(renderer, std::move(formats));
    if (!data)
        return E_OUTOFMEMORY;
    HRESULT result = OleSetClipboard(nullptr);
    if (SUCCEEDED(result))
        result = OleSetClipboard(data);
    if (SUCCEEDED(result))
        result = OleFlushClipboard();
    data->Release();
    return result;
}

HRESULT DragOut(FormatRenderer &renderer, std::vector<UINT> formats)
{
    IDataObject *data = CreateDelayedDataSource(renderer, std::move(formats));
    if (!data)
        return E_OUTOFMEMORY;
    CopyDropSource *dropSource = created<CopyDropSource>();
    if (!dropSource) {
        data->Release();
        return E_OUTOFMEMORY;
    }
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = DoDragDrop(data, dropSource, DROPEFFECT_COPY, &effect);
    dropSource->Release();
    data->Release();
    return result;
}

HGLOBAL GlobalFromStorage(CMemStorage &storage)
{
    void *block = nullptr;
    long length = 0;
    if (!storage.Detach(&block, &length))
        return nullptr;
    HGLOBAL global = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, length > 0 ? length : 1);
    void *target = global ? GlobalLock(global) : nullptr;
    if (target) {
        if (length > 0)
            std::memcpy(target, block, length);
        GlobalUnlock(global);
    } else if (global) {
        GlobalFree(global);
        global = nullptr;
    }
    std::free(block);
    return global;
}

bool ReadClipboard(UINT format, std::string &bytes)
{
    IDataObject *data = nullptr;
    if (FAILED(OleGetClipboard(&data)) || !data)
        return false;
    FORMATETC wanted = formatOf(format);
    STGMEDIUM medium{};
    bool read = false;
    if (SUCCEEDED(data->GetData(&wanted, &medium))) {
        read = medium.tymed == TYMED_HGLOBAL && DrummerTransfer::bytesFromGlobal(medium.hGlobal, bytes);
        ReleaseStgMedium(&medium);
    }
    data->Release();
    return read;
}

HGLOBAL ResultRenderer::render(UINT format)
{
    source_.stopPlayback();
    Sleep(100);
    if (format == CF_HDROP)
        return renderFileList();
    CMemStorage storage(1024);
    int failure = 0;
    if (format == MidiClipboardFormat()) {
        if (!source_.exportMidi(storage))
            failure = MsgCantExportMidi;
    } else if (format == CF_WAVE || format == CF_RIFF) {
        if (!source_.exportWave(storage))
            failure = MsgCantExportWave;
    } else if (format == PartClipboardFormat()) {
        if (!source_.saveCurrentPart(storage))
            failure = MsgCantSaveStyle;
    } else {
        return nullptr;
    }
    if (failure) {
        ShowProgramMessage(failure, source_.owner());
        return nullptr;
    }
    HGLOBAL global = GlobalFromStorage(storage);
    if (!global)
        ShowProgramMessage(MsgNoMemory, source_.owner());
    return global;
}

HGLOBAL ResultRenderer::renderFileList()
{
    const bool midi = source_.midiChosen();
    const std::string path = TemporaryResultPath(midi ? ResultKind::Midi : ResultKind::Wave);
    bool exported;
    {
        CFileStorage file(path.c_str(), "wb");
        if (!file.IsOpen()) {
            ShowProgramMessage(MsgCantCreateTempFile, source_.owner());
            return nullptr;
        }
        exported = midi ? source_.exportMidi(file) : source_.exportWave(file);
        exported = exported && std::fflush(file.file) == 0;
    }
    if (!exported) {
        ShowProgramMessage(midi ? MsgCantExportMidi : MsgCantExportWave, source_.owner());
        return nullptr;
    }
    HGLOBAL global = DrummerTransfer::globalFromBytes(DrummerTransfer::fileDropList(path));
    if (!global)
        ShowProgramMessage(MsgNoMemory, source_.owner());
    source_.dragRendered();
    return global;
}

} // namespace Quorvane
