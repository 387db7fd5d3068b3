#include "plugin/framework/plugin/drummer_transfer.h"

#include "base/safe_file.h"
#include "base/string_stream.h"
#include "plugin/framework/plugin/com_object.h"

#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace Quorvane::DrummerTransfer {

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

// Makes a global memory block of a format each time a receiver asks; a
// receiver gets its own block.
class RenderingDataObject : public com::SingleInterfaceObject<IDataObject> {
public:
    RenderingDataObject(std::vector<UINT> formats, RenderFormat render)
        : formats_(std::move(formats)), render_(std::move(render))
    {
    }

    HRESULT STDMETHODCALLTYPE GetData(FORMATETC *format, STGMEDIUM *medium) override
    {
        if (!format || !medium)
            return E_POINTER;
        if (!offers(format))
            return DV_E_FORMATETC;
        HGLOBAL global = render_(format->cfFormat);
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
    virtual ~RenderingDataObject() = default;

    bool offers(const FORMATETC *format) const
    {
        return (format->tymed & TYMED_HGLOBAL) && format->dwAspect == DVASPECT_CONTENT &&
               std::find(formats_.begin(), formats_.end(), format->cfFormat) != formats_.end();
    }

    std::vector<UINT> formats_;
    RenderFormat render_;
};

// Drops when the left button comes up, gives up on Escape.
class CopyDropSource : public com::SingleInterfaceObject<IDropSource> {
public:
    HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escape, DWORD keys) override
    {
        if (escape)
            return DRAGDROP_S_CANCEL;
        if (!(keys & MK_LBUTTON))
            return DRAGDROP_S_DROP;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD) override { return DRAGDROP_S_USEDEFAULTCURSORS; }

private:
    virtual ~CopyDropSource() = default;
};

bool renderToBytes(Source &source, std::string &bytes)
{
    stringStream out(bytes, 4096);
    return source.renderSmf(out);
}

} // namespace

UINT smfFormat()
{
    static const UINT format = RegisterClipboardFormatA(kSmfFormatName);
    return format;
}

HGLOBAL globalFromBytes(const std::string &bytes)
{
    HGLOBAL global =
        GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, bytes.empty() ? 1 : bytes.size());
    if (!global)
        return nullptr;
    void *data = GlobalLock(global);
    if (!data) {
        GlobalFree(global);
        return nullptr;
    }
    if (!bytes.empty())
        memcpy(data, bytes.data(), bytes.size());
    GlobalUnlock(global);
    return global;
}

bool bytesFromGlobal(HGLOBAL global, std::string &bytes)
{
    const SIZE_T size = global ? GlobalSize(global) : 0;
    const void *data = size ? GlobalLock(global) : nullptr;
    if (!data)
        return false;
    bytes.assign(static_cast<const char *>(data), size);
    GlobalUnlock(global);
    return true;
}

IDataObject *createDataObject(const std::vector<GlobalFormat> &formats)
{
    try {
        auto held = std::make_shared<const std::vector<GlobalFormat>>(formats);
        std::vector<UINT> offered;
        for (const GlobalFormat &f : formats)
            offered.push_back(f.format);
        return createRenderingDataObject(std::move(offered), [held](UINT format) -> HGLOBAL {
            for (const GlobalFormat &f : *held)
                if (f.format == format)
                    return globalFromBytes(f.bytes);
            return nullptr;
        });
    } catch (...) {
        return nullptr;
    }
}

IDataObject *createRenderingDataObject(std::vector<UINT> formats, RenderFormat render)
{
    try {
        auto *object = new RenderingDataObject(std::move(formats), std::move(render));
        object->AddRef();
        return object;
    } catch (...) {
        return nullptr;
    }
}

namespace {

DragHook &dragHook()
{
    static DragHook hook;
    return hook;
}

} // namespace

DragHook setDragHook(DragHook hook)
{
    return std::exchange(dragHook(), std::move(hook));
}

HRESULT dragCopy(IDataObject *data, DWORD *effect)
{
    if (!data)
        return E_POINTER;
    if (const DragHook hook = dragHook()) {
        DWORD done = DROPEFFECT_NONE; // the hook always has a place to answer in
        const HRESULT result = hook(data, &done);
        if (effect)
            *effect = done;
        return result;
    }
    CopyDropSource *dropSource = nullptr;
    try {
        dropSource = new CopyDropSource();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    dropSource->AddRef();
    DWORD done = DROPEFFECT_NONE;
    const HRESULT result = DoDragDrop(data, dropSource, DROPEFFECT_COPY, &done);
    dropSource->Release();
    if (effect)
        *effect = done;
    return result;
}

HRESULT copyToClipboard(Source &source, UINT snapshotFormat)
{
    try {
        std::vector<GlobalFormat> formats;
        std::string snapshot;
        stringStream snapshotOut(snapshot, 4096);
        if (source.saveSnapshot(snapshotOut))
            formats.push_back({snapshotFormat, std::move(snapshot)});
        std::string smf;
        if (renderToBytes(source, smf))
            formats.push_back({smfFormat(), std::move(smf)});
        if (formats.empty())
            return E_FAIL;
        IDataObject *data = createDataObject(formats);
        if (!data)
            return E_OUTOFMEMORY;
        HRESULT result = OleSetClipboard(data);
        if (SUCCEEDED(result))
            result = OleFlushClipboard();
        data->Release();
        return result;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

bool readClipboard(UINT format, std::string &bytes)
{
    IDataObject *data = nullptr;
    if (FAILED(OleGetClipboard(&data)) || !data)
        return false;
    FORMATETC wanted = formatOf(format);
    STGMEDIUM medium{};
    bool read = false;
    if (SUCCEEDED(data->GetData(&wanted, &medium))) {
        read = medium.tymed == TYMED_HGLOBAL && bytesFromGlobal(medium.hGlobal, bytes);
        ReleaseStgMedium(&medium);
    }
    data->Release();
    return read;
}

bool pasteFromClipboard(Source &source, UINT snapshotFormat)
{
    try {
        std::string bytes;
        if (!readClipboard(snapshotFormat, bytes))
            return false;
        stringStream in(bytes);
        return source.loadSnapshot(in, true);
    } catch (...) {
        return false;
    }
}

std::string dragOutPath(const std::string &fileName)
{
    char folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(MAX_PATH, folder);
    std::string path = length > 0 && length <= MAX_PATH ? std::string(folder, length) : std::string();
    if (!path.empty() && path.back() != '\\')
        path += '\\';
    return path + fileName;
}

std::string fileDropList(const std::string &path)
{
    DROPFILES header{};
    static_assert(sizeof(DROPFILES) == 20, "the file list follows a 20-byte header");
    header.pFiles = sizeof(DROPFILES);
    std::string list(reinterpret_cast<const char *>(&header), sizeof(header));
    list += path;
    list.append(2, '\0');
    return list;
}

IDataObject *prepareDragOut(Source &source, const std::string &fileName, std::string *path)
{
    try {
        std::string smf;
        if (!renderToBytes(source, smf))
            return nullptr;
        const std::string target = dragOutPath(fileName);
        SafeFileWriter file(target);
        if (file.writeBytes(smf.data(), static_cast<uint32_t>(smf.size())) != smf.size() || !file.commit())
            return nullptr;
        if (path)
            *path = target;
        return createDataObject({{CF_HDROP, fileDropList(target)}});
    } catch (...) {
        return nullptr;
    }
}

HRESULT dragOut(Source &source, const std::string &fileName, DWORD *effect)
{
    IDataObject *data = prepareDragOut(source, fileName);
    if (!data)
        return E_FAIL;
    const HRESULT result = dragCopy(data, effect);
    data->Release();
    return result;
}

} // namespace Quorvane::DrummerTransfer
