// Dropping MIDI files, a file path or Standard MIDI File data on the
// patterns view adds them to the library under new numbered names. The drop
// reports an effect only when every copy succeeded, so a source that moves
// deletes nothing that did not arrive; the copies of a drop that failed
// part-way are taken out again.
#include "plugin/fill/panel/patterns_view.h"

#include "plugin/fill/library/pattern_path.h"
#include "plugin/fill/panel/patterns_view_parts.h"

#include "base/safe_file.h"

#include <shellapi.h>

#include <cstdio>

namespace Quorvane {

namespace {

UINT smfFormat()
{
    static const UINT format = RegisterClipboardFormatA("Standard MIDI File");
    return format;
}

UINT fileNameFormat()
{
    static const UINT format = RegisterClipboardFormatA("FileName");
    return format;
}

UINT wideFileNameFormat()
{
    static const UINT format = RegisterClipboardFormatA("FileNameW");
    return format;
}

bool offers(IDataObject *data, UINT format)
{
    FORMATETC wanted{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return data && data->QueryGetData(&wanted) == S_OK;
}

// The global memory of a format as bytes; false when it is not there.
bool readFormat(IDataObject *data, UINT format, std::string &bytes)
{
    FORMATETC wanted{static_cast<CLIPFORMAT>(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (!data || data->GetData(&wanted, &medium) != S_OK)
        return false;
    bool read = false;
    if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
        if (const void *memory = GlobalLock(medium.hGlobal)) {
            bytes.assign(static_cast<const char *>(memory), GlobalSize(medium.hGlobal));
            GlobalUnlock(medium.hGlobal);
            read = true;
        }
    }
    ReleaseStgMedium(&medium);
    return read;
}

// The dropped files: a file list, or one path.
std::vector<std::string> droppedFiles(IDataObject *data)
{
    std::vector<std::string> files;
    FORMATETC list{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (data->GetData(&list, &medium) == S_OK) {
        HDROP drop = static_cast<HDROP>(medium.hGlobal);
        const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
            char path[MAX_PATH] = {};
            if (DragQueryFileA(drop, i, path, MAX_PATH))
                files.push_back(path);
        }
        ReleaseStgMedium(&medium);
        return files;
    }
    std::string bytes;
    if (readFormat(data, fileNameFormat(), bytes)) {
        files.push_back(bytes.c_str());
    } else if (readFormat(data, wideFileNameFormat(), bytes)) {
        std::wstring wide(reinterpret_cast<const wchar_t *>(bytes.data()), bytes.size() / sizeof(wchar_t));
        char path[MAX_PATH] = {};
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, path, MAX_PATH, nullptr, nullptr);
        files.push_back(path);
    }
    return files;
}

// "%03d.mid" with the smallest number whose file cannot be opened there.
std::string freeNumberedName(const std::string &folder)
{
    for (int n = 1; n < 1000000; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "%03d.mid", n);
        HANDLE file = CreateFileA((folder + "\\" + name).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return name;
        CloseHandle(file);
    }
    return std::string();
}

} // namespace

class PatternsView::DropTarget final : public IDropTarget {
public:
    explicit DropTarget(PatternsView &view) : view_(view) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
            *out = static_cast<IDropTarget *>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&count_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&count_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject *data, DWORD keys, POINTL at, DWORD *effect) override
    {
        acceptable_ = offers(data, CF_HDROP) || offers(data, smfFormat()) || offers(data, fileNameFormat()) ||
                      offers(data, wideFileNameFormat());
        return DragOver(keys, at, effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL at, DWORD *effect) override
    {
        if (!effect)
            return E_POINTER;
        std::string folder;
        *effect = acceptable_ && targetFolder(at, folder) ? effectOf(keys) : DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override
    {
        acceptable_ = false;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject *data, DWORD keys, POINTL at, DWORD *effect) override
    {
        if (!effect)
            return E_POINTER;
        std::string folder;
        const bool placed = acceptable_ && targetFolder(at, folder) && view_.dropInto(data, folder);
        acceptable_ = false;
        *effect = placed ? effectOf(keys) : DROPEFFECT_NONE;
        return S_OK;
    }

private:
    static DWORD effectOf(DWORD keys) { return (keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE; }
    bool targetFolder(POINTL at, std::string &folder) const
    {
        POINT client{at.x, at.y};
        ScreenToClient(view_.handle(), &client);
        return view_.dropFolderAt(client, folder);
    }

    PatternsView &view_;
    LONG count_ = 1;
    bool acceptable_ = false;
};

IDropTarget *PatternsView::newDropTarget()
{
    return new DropTarget(*this);
}

IDropTarget *PatternsView::dropTarget() const
{
    return dropTarget_;
}

bool PatternsView::dropFolderAt(POINT client, std::string &folder) const
{
    if (!tree_ || !tree_->handle())
        return false;
    const auto inside = [&client, this](HWND window, POINT &local) {
        RECT area{};
        GetWindowRect(window, &area);
        MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT *>(&area), 2);
        local = {client.x - area.left, client.y - area.top};
        return PtInRect(&area, client) != FALSE;
    };
    POINT local{};
    if (inside(tree_->handle(), local)) {
        TVHITTESTINFO hit{};
        hit.pt = local;
        HTREEITEM item = TreeView_HitTest(tree_->handle(), &hit);
        if (!item)
            return false;
        folder = folderOfItem(item);
    } else if (inside(list_->handle(), local)) {
        if (!TreeView_GetSelection(tree_->handle()))
            return false;
        folder = selectedFolder();
    } else {
        return false;
    }
    // A volume file is not changed one pattern at a time.
    return !isInVolume(folder);
}

bool PatternsView::dropInto(IDataObject *data, const std::string &folder)
{
    const std::string target = absoluteFolder(folder);
    std::string added;
    bool complete = true;
    std::string bytes;
    if (readFormat(data, smfFormat(), bytes)) {
        added = freeNumberedName(target);
        SafeFileWriter out(target + "\\" + added);
        complete = !added.empty() &&
                   out.writeBytes(bytes.data(), static_cast<uint32_t>(bytes.size())) == bytes.size() &&
                   out.commit();
    } else {
        const std::vector<std::string> files = droppedFiles(data);
        complete = !files.empty();
        std::vector<std::string> copies;
        for (const std::string &file : files) {
            const std::string name = freeNumberedName(target);
            // CopyFile never replaces: a name taken meanwhile fails the copy.
            if (name.empty() || !CopyFileA(file.c_str(), (target + "\\" + name).c_str(), TRUE)) {
                complete = false;
                break;
            }
            copies.push_back(target + "\\" + name);
            added = name;
        }
        // A drop that fails part-way leaves the library as it was.
        if (!complete) {
            for (const std::string &copy : copies)
                DeleteFileA(copy.c_str());
            added.clear();
        }
    }
    rescan();
    if (!added.empty() && complete)
        choosePattern(canonicalPatternFolder(folder), added);
    return complete;
}

} // namespace Quorvane
