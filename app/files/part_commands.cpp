#include "app/files/part_commands.h"

#include "app/program_messages.h"
#include "app/files/result_transfer.h"
#include "app/files/safe_file_storage.h"
#include "data/storage.h"
#include "plugin/framework/plugin/drummer_transfer.h"

namespace Quorvane {

namespace {

bool chosen(PartFileHost &host, PartFileKind kind, bool save, std::string &path)
{
    if (!path.empty())
        return true;
    std::string folder = host.fileFolder();
    path = ChoosePartFile(host.owner(), kind, save, folder);
    if (path.empty())
        return false;
    host.setFileFolder(folder);
    return true;
}

// Renders the current part for the clipboard when it asks.
class PartRenderer final : public FormatRenderer {
public:
    explicit PartRenderer(PartFileHost &host) : host_(host) {}
    HGLOBAL render(UINT format) override
    {
        if (format != PartClipboardFormat())
            return nullptr;
        CMemStorage storage(1024);
        if (!SaveClipboardPart(storage, host_, host_.currentPart())) {
            ShowProgramMessage(MsgCantSaveStyle, host_.owner());
            return nullptr;
        }
        HGLOBAL global = GlobalFromStorage(storage);
        if (!global)
            ShowProgramMessage(MsgNoMemory, host_.owner());
        return global;
    }

private:
    PartFileHost &host_;
};

} // namespace

bool SavePartCommand(PartFileHost &host, PartFileKind kind, std::string path)
{
    const bool style = kind == PartFileKind::Style;
    if (!chosen(host, kind, true, path))
        return false;
    bool saved;
    {
        SafeFileStorage file(path);
        saved = file.IsOpen() &&
                (style ? SaveStyleFile(file, host) : SavePartFile(file, host, host.currentPart())) &&
                file.Commit();
    }
    if (!saved) {
        ShowProgramMessage(style ? MsgCantSaveStyleSet : MsgCantSaveStyle, host.owner());
        return false;
    }
    host.fileNamed(path);
    return true;
}

bool OpenPartCommand(PartFileHost &host, PartFileKind kind, std::string path)
{
    const bool style = kind == PartFileKind::Style;
    if (!chosen(host, kind, false, path))
        return false;
    host.stopPlayback();
    bool loaded;
    {
        CFileStorage file(path.c_str(), "rb");
        loaded = file.IsOpen() &&
                 (style ? LoadStyleFile(file, host) : LoadPartFile(file, host, host.currentPart()));
    }
    host.partsLoaded();
    if (!loaded) {
        ShowProgramMessage(style ? MsgCantLoadStyleSet : MsgCantLoadStyle, host.owner());
        return false;
    }
    host.fileNamed(path);
    return true;
}

bool OpenDroppedFiles(PartFileHost &host, const std::vector<std::string> &names)
{
    const int first = FirstKnownFile(names);
    if (first < 0) {
        ShowProgramMessage(MsgInvalidFiles, host.owner());
        return false;
    }
    return OpenPartCommand(host, KindOfFileName(names[first]), names[first]);
}

bool CopyPartCommand(PartFileHost &host)
{
    PartRenderer renderer(host);
    return SUCCEEDED(CopyToClipboard(renderer, {PartClipboardFormat()}));
}

bool PastePartCommand(PartFileHost &host)
{
    if (!IsClipboardFormatAvailable(PartClipboardFormat()))
        return false;
    std::string bytes;
    CMemStorage storage(1024);
    bool loaded = DrummerTransfer::readClipboard(PartClipboardFormat(), bytes) &&
                  storage.PutBuffer(bytes.data(), static_cast<long>(bytes.size())) && storage.SetPos(0) == 0;
    if (loaded) {
        host.stopPlayback();
        Sleep(100);
        loaded = LoadClipboardPart(storage, host, host.currentPart());
        host.partsLoaded();
    }
    if (!loaded)
        ShowProgramMessage(MsgCantLoadStyle, host.owner());
    return loaded;
}

} // namespace Quorvane
