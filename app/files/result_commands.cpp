#include "app/files/result_commands.h"

#include "app/files/safe_file_storage.h"
#include "app/program_messages.h"

namespace Quorvane {

bool ExportResultCommand(ResultSource &source, ExportChoices &choices, ResultKind kind)
{
    const bool midi = kind == ResultKind::Midi;
    const std::string path = choices.choose(source.owner(), kind);
    if (path.empty())
        return false;
    source.stopPlayback();
    Sleep(100);
    bool exported;
    {
        SafeFileStorage file(path);
        exported =
            file.IsOpen() && (midi ? source.exportMidi(file) : source.exportWave(file)) && file.Commit();
    }
    if (!exported)
        ShowProgramMessage(midi ? MsgCantExportMidi : MsgCantExportWave, source.owner());
    return exported;
}

bool CopyResultCommand(ResultSource &source, bool audioAvailable)
{
    const bool midi = source.midiChosen();
    if (!midi && !audioAvailable)
        return false;
    ResultRenderer renderer(source);
    return SUCCEEDED(CopyToClipboard(renderer, ResultFormats(midi, false)));
}

bool DragResultCommand(ResultSource &source, bool audioAvailable)
{
    const bool midi = source.midiChosen();
    if (!midi && !audioAvailable)
        return false;
    ResultRenderer renderer(source);
    return SUCCEEDED(DragOut(renderer, ResultFormats(midi, true)));
}

} // namespace Quorvane
