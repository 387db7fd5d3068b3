#include "app/files/result_transfer.h"

#include "app/program_messages.h"
#include "app/files/export_choices.h"
#include "app/files/safe_file_storage.h"
#include "data/storage.h"
#include "plugin/framework/plugin/drummer_transfer.h"

#include <ole2.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

namespace Quorvane {

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
    return DrummerTransfer::createRenderingDataObject(
        std::move(formats), [&renderer](UINT format) { return renderer.render(format); });
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
    const HRESULT result = DrummerTransfer::dragCopy(data);
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
        // A drop target may still read the file of an earlier drag.
        SafeFileStorage file(path);
        if (!file.IsOpen()) {
            ShowProgramMessage(MsgCantCreateTempFile, source_.owner());
            return nullptr;
        }
        exported = (midi ? source_.exportMidi(file) : source_.exportWave(file)) && file.Commit();
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
